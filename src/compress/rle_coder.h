#pragma once

#include <cstddef>
#include <cstdint>

#include "compress/byte_buffer.h"

/*
 *	Packets, k = 1 to 128:
 *
 *	literal  [2k - 2][b1 b2 ... bk]
 *	run      [2k - 1][b]           (b repeated k times)
 *
 *	The coder cuts its input into repeats: maximal stretches of one byte
 *	value, most of them one byte long. A repeat of at least n_rle_min_run
 *	bytes that starts no later than n_rle_min_run_lookahead bytes before the
 *	end is a run; everything between runs is literal. So two equal bytes
 *	never make a run, the last three bytes of the input only belong to a run
 *	that started earlier, and a run's remainder of 1 or 2 after blocks of 128
 *	is still a run packet. Other coders of the format must make the same
 *	choices to give streams of the same length.
 */

const size_t n_rle_max_packet = 128; // bytes one packet stands for
const size_t n_rle_min_run = 3; // shorter repeats stay in literal blocks
const size_t n_rle_min_run_lookahead = 4; // a run is only taken if it starts this far before the end

/** @brief length of the repeat of p_data[0]: 1 to n_size (at least 1) */
inline size_t n_RepeatLength(const uint8_t *p_data, size_t n_size)
{
	size_t k = 1;
	while(k < n_size && p_data[k] == p_data[0])
		++ k;
	return k;
}

/**
 *	@brief whether the coder codes a repeat as a run
 *	@param[in] n_start is the position of the repeat in the input
 *	@param[in] n_length is its length (the whole repeat, not a part of it)
 *	@param[in] n_size is the length of the whole input
 */
inline bool b_RleCodesAsRun(size_t n_start, size_t n_length, size_t n_size)
{
	return n_length >= n_rle_min_run && n_start + n_rle_min_run_lookahead <= n_size;
}

/** @brief calls f(k) for each packet of a literal stretch or run of n_length bytes: k = 128 as often as it fits, then the rest */
template <class Function>
inline void ForEachRlePacket(size_t n_length, Function f)
{
	for(; n_length >= n_rle_max_packet; n_length -= n_rle_max_packet)
		f(n_rle_max_packet);
	if(n_length)
		f(n_length);
}

inline uint8_t n_RleLiteralCode(size_t n_length) { return uint8_t(2 * n_length - 2); }
inline uint8_t n_RleRunCode(size_t n_length) { return uint8_t(2 * n_length - 1); }

/**
 *	@brief run-length codes a byte block into the packets above
 *	@param[in] p_data is the input (may be null when n_size is 0)
 *	@param[in] n_size is the input length, in bytes
 *	@param[out] r_output is replaced by the packets
 *	@return true on success, false when memory runs out or the output would
 *		exceed the buffer's size limit
 */
bool b_RunLengthEncode(const uint8_t *p_data, size_t n_size, ByteBuffer &r_output);
