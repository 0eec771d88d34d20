#pragma once

#include <cstddef>
#include <cstdint>

#include "compress/huffman_coder.h"

/**
 *	What one plane adds to the run-length stream of a plane block, whatever
 *	planes stand beside it. The coder cuts the block into repeats (maximal
 *	stretches of one byte value, see rle_coder.h); within a plane only the
 *	first and the last repeat can grow into a neighbour, and only the literal
 *	bytes before the first and after the last inner run can join a
 *	neighbour's literal stretch. The packets of the inner repeats, runs and
 *	literal bytes alike, are the same in every block, and so are the codes of
 *	the literal stretches between inner runs.
 *
 *	   first repeat | head literal | inner runs and literals | tail literal | last repeat
 *	   (may join)   (may join)      (fixed: p_inner_frequency) (may join)    (may join)
 */
struct PlaneRunSummary {
	size_t n_size; // bytes in the plane
	uint32_t p_inner_frequency[n_byte_value_num]; // stream bytes of the inner repeats, without the head and tail literal codes
	uint8_t n_first_value, n_last_value;
	size_t n_first_length, n_last_length; // a plane of one repeat has it as first and as last (n_first_length == n_size)
	size_t n_head_literal; // literal bytes between the first repeat and the first inner run, or all inner bytes without an inner run
	size_t n_tail_literal; // literal bytes between the last inner run and the last repeat
	bool b_inner_run; // an inner repeat is a run, so the head and tail stretches are apart
};

/** @brief summarises a plane of n_size bytes (0 allowed) */
void SummarisePlaneRuns(const uint8_t *p_plane, size_t n_size, PlaneRunSummary &r_summary);

/**
 *	@brief byte histogram of the stream that b_RunLengthEncode() makes of the
 *		summarised planes end to end, without coding them
 *	@param[in] p_plane_list lists the planes in block order
 *	@note The block must be shorter than 2^32 bytes, as for the coder itself.
 */
void BlockRunLengthHistogram(const PlaneRunSummary *const *p_plane_list, int n_plane_num,
	uint32_t p_frequency[n_byte_value_num]);
