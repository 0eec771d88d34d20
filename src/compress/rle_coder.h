#pragma once

#include <algorithm>
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

/**
 *	@brief cuts p_data into the runs and literal stretches of the coder and
 *		calls f(n_literal_begin, n_literal_length, n_run_length) for each run,
 *		with the stretch before it (the run starts where the stretch ends), then
 *		once with the stretch after the last run and n_run_length 0
 *	@param[in] n_size is the length walked; it must end a repeat
 *	@param[in] n_following_size is the number of input bytes after the walked
 *		part, which b_RleCodesAsRun() counts as input still to come
 *	@return false as soon as f returns false, true otherwise
 *	@note This is the readable form, a repeat at a time; the coder and the
 *		plane summaries use b_ForEachRleStretch(), which makes the same calls.
 */
template <class Function>
bool b_ForEachRleStretchPlain(const uint8_t *p_data, size_t n_size, size_t n_following_size, Function f)
{
	size_t n_literal_begin = 0;
	for(size_t p = 0; p < n_size;) {
		const size_t k = n_RepeatLength(p_data + p, n_size - p);
		if(b_RleCodesAsRun(p, k, n_size + n_following_size)) {
			if(!f(n_literal_begin, p - n_literal_begin, k))
				return false;
			n_literal_begin = p + k;
		}
		p += k;
	}
	return f(n_literal_begin, n_size - n_literal_begin, size_t(0));
}

/**
 *	@brief finds the first position in [n_begin, n_start_end) where three equal
 *		bytes start, all three before n_end; n_start_end if there is none
 *	@note n_begin must start a repeat, so that the position found starts one too.
 */
size_t n_RleNextRunStart(const uint8_t *p_data, size_t n_begin, size_t n_start_end, size_t n_end);

/** @brief b_ForEachRleStretchPlain() that skips literal bytes eight at a time (n_RleNextRunStart()): the same calls */
template <class Function>
bool b_ForEachRleStretch(const uint8_t *p_data, size_t n_size, size_t n_following_size, Function f)
{
	// instead of asking b_RleCodesAsRun() of every repeat, look only at the
	// starts it accepts: all n_rle_min_run bytes inside the walked part, and
	// n_rle_min_run_lookahead bytes of input from the start
	const size_t n_input_size = n_size + n_following_size;
	const size_t n_start_end = (n_size < n_rle_min_run || n_input_size < n_rle_min_run_lookahead)? 0 :
		std::min(n_size - n_rle_min_run + 1, n_input_size - n_rle_min_run_lookahead + 1);
	size_t n_literal_begin = 0;
	for(size_t p = 0; (p = n_RleNextRunStart(p_data, p, n_start_end, n_size)) < n_start_end;) {
		const size_t k = n_RepeatLength(p_data + p, n_size - p);
		if(!f(n_literal_begin, p - n_literal_begin, k))
			return false;
		n_literal_begin = p += k;
	}
	return f(n_literal_begin, n_size - n_literal_begin, size_t(0));
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
