#include "compress/rle_coder.h"

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

bool b_RunLengthEncode(const uint8_t *p_data, size_t n_size, ByteBuffer &r_output)
{
	r_output.Clear();
	size_t n_written = 0, n_literal_start = 0;
	for(size_t p = 0; p < n_size;) {
		const size_t k = n_RepeatLength(p_data + p, n_size - p);
		if(b_RleCodesAsRun(p, k, n_size)) {
			if(!b_AppendPackets(r_output, n_written, p_data + n_literal_start, p - n_literal_start, k))
				return false;
			n_literal_start = p + k;
		}
		p += k;
	}
	return b_AppendPackets(r_output, n_written, p_data + n_literal_start, n_size - n_literal_start, 0) &&
		r_output.b_Resize(n_written);
}
