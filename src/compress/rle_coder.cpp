#include "compress/rle_coder.h"

#include <cstring>

namespace {

/**
 *	@brief appends a literal stretch and then, if n_run is not 0, a run of
 *		the byte that follows the stretch
 *	@param[in,out] r_n_written is the size of the output so far
 */
bool b_AppendPackets(ByteBuffer &r_output, size_t &r_n_written, const uint8_t *p_literal,
	size_t n_literal, size_t n_run)
{
	const size_t n_packet_bytes = n_literal + (n_literal + n_rle_max_packet - 1) / n_rle_max_packet +
		2 * ((n_run + n_rle_max_packet - 1) / n_rle_max_packet);
	if(n_packet_bytes > ByteBuffer::n_max_size - r_n_written ||
	   !r_output.b_Reserve(r_n_written + n_packet_bytes))
		return false;
	uint8_t *p_out = r_output.p_Data() + r_n_written;
	ForEachRlePacket(n_literal, [&](size_t k) {
		*p_out ++ = n_RleLiteralCode(k);
		for(const uint8_t *p_end = p_literal + k; p_literal != p_end;)
			*p_out ++ = *p_literal ++;
	});
	ForEachRlePacket(n_run, [&](size_t k) {
		*p_out ++ = n_RleRunCode(k);
		*p_out ++ = *p_literal;
	});
	r_n_written = size_t(p_out - r_output.p_Data());
	return true;
}

} // namespace

static_assert(n_rle_min_run == 3, "n_RleNextRunStart() looks for three equal bytes");

size_t n_RleNextRunStart(const uint8_t *p_data, size_t n_begin, size_t n_start_end, size_t n_end)
{
	// Replaces the walk over single repeats: most of a predicted plane is
	// short repeats, so rule out eight starts at a time, with a word whose
	// byte j is zero where bytes j, j + 1 and j + 2 are equal, and look at
	// single bytes only from the word where such a zero may be.
	const uint64_t n_low_bits = 0x0101010101010101ULL, n_high_bits = 0x8080808080808080ULL;
	const size_t n_word = sizeof(uint64_t);
	size_t p = n_begin;
	for(; p < n_start_end && p + n_word + 2 <= n_end; p += n_word) {
		uint64_t a, b, c;
		memcpy(&a, p_data + p, n_word);
		memcpy(&b, p_data + p + 1, n_word);
		memcpy(&c, p_data + p + 2, n_word);
		const uint64_t m = (a ^ b) | (b ^ c);
		if((m - n_low_bits) & ~m & n_high_bits)
			break;
	}
	for(; p < n_start_end; ++ p) {
		if(p_data[p] == p_data[p + 1] && p_data[p] == p_data[p + 2])
			return p;
	}
	return n_start_end;
}

bool b_RunLengthEncode(const uint8_t *p_data, size_t n_size, ByteBuffer &r_output)
{
	r_output.Clear();
	size_t n_written = 0;
	return b_ForEachRleStretch(p_data, n_size, 0, [&](size_t n_literal_begin, size_t n_literal, size_t n_run) {
			return b_AppendPackets(r_output, n_written, p_data + n_literal_begin, n_literal, n_run);
		}) && r_output.b_Resize(n_written);
}
