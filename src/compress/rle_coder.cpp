#include "compress/rle_coder.h"

namespace {

const size_t n_max_packet = 128; // bytes one packet stands for
const size_t n_min_run = 3; // shorter repeats stay in literal blocks
const size_t n_min_run_lookahead = 4; // a run is only looked for this far before the end

/*
 *	Packets, k = 1 to 128:
 *
 *	literal  [2k - 2][b1 b2 ... bk]
 *	run      [2k - 1][b]           (b repeated k times)
 *
 *	The coder is greedy: from the current position it looks for the first
 *	place where at least n_min_run equal bytes start, no later than
 *	n_min_run_lookahead bytes before the end, takes everything before it as
 *	literals and the whole repeat (however long) as the run. So two equal
 *	bytes never make a run, the last three bytes of the input only belong to
 *	a run that started earlier, and a run's remainder of 1 or 2 after blocks
 *	of 128 is still a run packet. Other coders of the format must make the
 *	same choices to give streams of the same length.
 */

/** @brief writes n_length literal bytes as blocks of at most n_max_packet */
uint8_t *p_WriteLiterals(uint8_t *p_out, const uint8_t *p_src, size_t n_length)
{
	while(n_length) {
		const size_t n_block = (n_length < n_max_packet)? n_length : n_max_packet;
		*p_out ++ = uint8_t(2 * n_block - 2);
		for(size_t i = 0; i < n_block; ++ i)
			*p_out ++ = p_src[i];
		p_src += n_block;
		n_length -= n_block;
	}
	return p_out;
}

/** @brief writes a run of n_length copies of n_value as blocks of at most n_max_packet */
uint8_t *p_WriteRun(uint8_t *p_out, uint8_t n_value, size_t n_length)
{
	while(n_length) {
		const size_t n_block = (n_length < n_max_packet)? n_length : n_max_packet;
		*p_out ++ = uint8_t(2 * n_block - 1);
		*p_out ++ = n_value;
		n_length -= n_block;
	}
	return p_out;
}

} // namespace

bool b_RunLengthEncode(const uint8_t *p_data, size_t n_size, ByteBuffer &r_output)
{
	r_output.Clear();
	size_t n_written = 0;
	for(size_t i = 0; i < n_size;) {
		// find the first run of n_min_run or more that starts early enough;
		// a pair that is not a run is skipped whole, so each byte is looked
		// at a bounded number of times
		size_t n_literal = n_size - i, n_run = 0;
		if(n_size - i >= n_min_run_lookahead) {
			for(size_t p = i, n_last_start = n_size - n_min_run_lookahead; p <= n_last_start;) {
				size_t k = 1;
				while(p + k < n_size && p_data[p + k] == p_data[p])
					++ k;
				if(k >= n_min_run) {
					n_literal = p - i;
					n_run = k;
					break;
				}
				p += k;
			}
		}

		const size_t n_packet_bytes = n_literal + (n_literal + n_max_packet - 1) / n_max_packet +
			2 * ((n_run + n_max_packet - 1) / n_max_packet);
		if(n_packet_bytes > ByteBuffer::n_max_size - n_written ||
		   !r_output.b_Reserve(n_written + n_packet_bytes))
			return false;
		uint8_t *p_out = r_output.p_Data() + n_written;
		p_out = p_WriteLiterals(p_out, p_data + i, n_literal);
		if(n_run)
			p_out = p_WriteRun(p_out, p_data[i + n_literal], n_run);
		n_written = size_t(p_out - r_output.p_Data());
		i += n_literal + n_run;
	}
	return r_output.b_Resize(n_written);
}
