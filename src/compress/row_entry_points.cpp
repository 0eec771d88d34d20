#include "compress/row_entry_points.h"

#include <cstring>

#include "compress/base64.h"
#include "compress/base85.h"
#include "compress/canonical_code.h"

bool b_FindRowEntryPoints(bool b_base85, const char *p_s_text, const uint8_t *p_stream, size_t n_stream_size,
	const DecodeParams &r_params, RowEntryPoints &r_entries)
{
	const DecodeParams &p = r_params;
	if(p.n_image_width < 1 || p.n_image_height < 1 || p.n_subsample < 1)
		return false;
	PlaneSpan p_span[n_max_plane_num];
	r_entries.n_plane_num = n_PlaneSpans(p.n_image_width, p.n_image_height, p.n_subsample, p.n_color_type, p_span);
	const size_t n_block_size = MakePlaneLayout(p.n_image_width, p.n_image_height, p.n_subsample,
		p.n_color_type).n_image_data_size;
	CanonicalCode code;
	size_t n_bits_offset;
	if(p.n_huff_stage_size > 2 * n_block_size || !b_ReadCodeTable(p_stream, n_stream_size, code, n_bits_offset))
		return false;

	CodeLookup t_lookup;
	MakeCodeLookup(code, t_lookup);
	// the bits are counted from the start of the stream, as the text positions are
	BitReader bits = {p_stream, n_stream_size, 8 * uint64_t(n_bits_offset)};
	int n_next_plane = 0;
	size_t n_done = 0; // bytes of the plane block that the packets so far stand for
	for(size_t n_code = 0; n_code < p.n_huff_stage_size;) {
		const uint64_t n_packet_bit = bits.n_bits_read;
		const size_t n_packet_code = n_code;
		uint8_t n_packet_code_byte;
		if(!b_LookUpSymbol(code, t_lookup, bits, n_packet_code_byte))
			return false;
		const bool b_run = (n_packet_code_byte & 1) != 0;
		const size_t n_length = size_t(n_packet_code_byte >> 1) + 1;
		const size_t n_payload_codes = (b_run)? 1 : n_length;
		if(n_payload_codes > p.n_huff_stage_size - n_code - 1 || n_length > n_block_size - n_done)
			return false; // cut by the end of the codes, or past the plane block
		for(size_t i = 0; i < n_payload_codes; ++ i) {
			uint8_t n_byte;
			if(!b_LookUpSymbol(code, t_lookup, bits, n_byte))
				return false;
		}
		n_code += 1 + n_payload_codes;
		// the planes that begin in this packet
		for(; n_next_plane < r_entries.n_plane_num && p_span[n_next_plane].n_offset < n_done + n_length; ++ n_next_plane) {
			r_entries.p_entry[n_next_plane] = RowEntryPoint{n_packet_bit, n_packet_code,
				int(p_span[n_next_plane].n_offset - n_done), 0};
		}
		n_done += n_length;
	}
	if(n_done != n_block_size)
		return false;

	const size_t n_text_length = strlen(p_s_text);
	for(int i = 0; i < r_entries.n_plane_num; ++ i) {
		const size_t n_byte = size_t(r_entries.p_entry[i].n_bit / 8);
		r_entries.p_entry[i].n_text = (b_base85)? n_Base85GroupStart(p_s_text, n_byte) :
			n_Base64GroupStart(n_text_length, n_byte);
	}
	return true;
}
