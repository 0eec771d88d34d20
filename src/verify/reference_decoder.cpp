#include "verify/reference_decoder.h"

#include <cstddef>
#include <cstdint>
#include <new>

#include "compress/base64.h"
#include "compress/base85.h"
#include "compress/byte_buffer.h"
#include "compress/canonical_code.h"
#include "compress/prediction.h"
#include "compress/stream_format.h"
#include "verify/raster_rebuild.h"

/*
 *	The stream, decoded the plain way, outermost layer first (FORMAT.md
 *	describes each layer):
 *
 *	1. BASE85 or BASE64 text -> CompressedStream;
 *	2. the CompressedStream's 16 counts and symbol list -> the canonical code,
 *	   then exactly n_huff_stage_size codes, read one bit at a time -> the
 *	   run-length stream;
 *	3. the run-length packets, one at a time -> the plane block;
 *	4. each plane restored in raster order with its predictor's formula;
 *	5. each pixel rebuilt from its Y, chroma and A samples (raster_rebuild.h).
 *
 *	A decoder refuses (returns null) and says why:
 *	- the parameters are out of range (b_AcceptableDecodeParams());
 *	- the data does not fit them: the stream is shorter than its 64 bytes of
 *	  counts, a count is negative, the counts add up to more than 256 symbols
 *	  or the symbols run past the end of the stream; the next bits match no
 *	  code of up to 16 bits (bits past the end of the stream read as 0); a
 *	  packet is cut by the end of the codes, or runs past the plane block, or
 *	  the packets do not fill the plane block exactly;
 *	- memory runs out.
 */

namespace {

/** @brief decodes exactly n_code_num codes of the stream: the run-length stream */
DecodeRefusal n_DecodeHuffman(const ByteBuffer &r_stream, size_t n_code_num, ByteBuffer &r_packets)
{
	CanonicalCode code;
	size_t n_bits_offset;
	if(!b_ReadCodeTable(r_stream.p_Data(), r_stream.n_Size(), code, n_bits_offset))
		return DecodeRefusal::Data;
	if(!r_packets.b_Resize(n_code_num))
		return DecodeRefusal::NoMemory;
	BitReader bits = {r_stream.p_Data() + n_bits_offset, r_stream.n_Size() - n_bits_offset, 0};
	for(size_t i = 0; i < n_code_num; ++ i) {
		if(!b_ReadSymbol(code, bits, r_packets.p_Data()[i]))
			return DecodeRefusal::Data;
	}
	return DecodeRefusal::None;
}

/**
 *	@brief expands the packets: code byte c, then one byte repeated (c >> 1) + 1
 *		times if c is odd, or (c >> 1) + 1 bytes copied if c is even
 *	@return Data when a packet is cut or runs past the block, or the block is not filled exactly
 */
DecodeRefusal n_ExpandPackets(const ByteBuffer &r_packets, size_t n_block_size, ByteBuffer &r_block)
{
	const uint8_t *p_packets = r_packets.p_Data();
	r_block.Clear();
	for(size_t n_at = 0; n_at < r_packets.n_Size();) {
		const bool b_run = (p_packets[n_at] & 1) != 0;
		const size_t n_length = size_t(p_packets[n_at] >> 1) + 1;
		const size_t n_packet_size = (b_run)? 2 : 1 + n_length;
		const size_t n_done = r_block.n_Size();
		if(n_packet_size > r_packets.n_Size() - n_at || n_length > n_block_size - n_done)
			return DecodeRefusal::Data;
		if(!r_block.b_Resize(n_done + n_length))
			return DecodeRefusal::NoMemory;
		for(size_t i = 0; i < n_length; ++ i)
			r_block.p_Data()[n_done + i] = p_packets[n_at + ((b_run)? 1 : 1 + i)];
		n_at += n_packet_size;
	}
	return (r_block.n_Size() == n_block_size)? DecodeRefusal::None : DecodeRefusal::Data;
}

/** @brief restores a plane in place, in raster order, each sample from those before it */
void UnpredictPlane(uint8_t *p_plane, size_t n_width, size_t n_height, int n_pred_type)
{
	const size_t n_first_row = size_t(p_predictor_info[n_pred_type].n_first_row);
	const size_t n_first_col = size_t(p_predictor_info[n_pred_type].n_first_col);
	const PredictionFormula p_formula = p_PredictionFormula(n_pred_type);
	const ptrdiff_t n_stride = ptrdiff_t(n_width);
	for(size_t y = 0; y < n_height; ++ y) {
		for(size_t x = 0; x < n_width; ++ x) {
			uint8_t *p_x = p_plane + y * n_width + x;
			int n_prediction = 0; // the corner holds the samples themselves
			if(y >= n_first_row && x >= n_first_col)
				n_prediction = p_formula(p_x, n_stride, (x + 1 < n_width)? 1 : 0);
			else if(x < n_first_col && y > n_first_row)
				n_prediction = p_x[-n_stride]; // first columns: differences to the sample above
			else if(y < n_first_row && x > n_first_col)
				n_prediction = p_x[-1]; // first rows: differences to the sample on the left
			*p_x = uint8_t(*p_x + n_prediction);
		}
	}
}

/** @brief records why there is no raster (where p_refusal is not null) and returns null */
uint32_t *p_Refused(DecodeRefusal n_refusal, DecodeRefusal *p_refusal)
{
	if(p_refusal)
		*p_refusal = n_refusal;
	return nullptr;
}

} // namespace

uint32_t *p_ReferenceDecode(bool b_base85, const char *p_s_text, const DecodeParams &r_params,
	DecodeRefusal *p_refusal)
{
	const DecodeParams &p = r_params;
	if(p_refusal)
		*p_refusal = DecodeRefusal::None;
	if(!b_AcceptableDecodeParams(p))
		return p_Refused(DecodeRefusal::Parameters, p_refusal);
	const PlaneLayout layout = MakePlaneLayout(p.n_image_width, p.n_image_height, p.n_subsample, p.n_color_type);
	ByteBuffer stream, packets, block;
	// the BASE decoders only fail for want of memory: every text decodes to some bytes
	if(!((b_base85)? b_Base85Decode(p_s_text, stream) : b_Base64Decode(p_s_text, stream)))
		return p_Refused(DecodeRefusal::NoMemory, p_refusal);
	DecodeRefusal n_refusal = n_DecodeHuffman(stream, p.n_huff_stage_size, packets);
	if(n_refusal == DecodeRefusal::None)
		n_refusal = n_ExpandPackets(packets, layout.n_image_data_size, block);
	if(n_refusal != DecodeRefusal::None)
		return p_Refused(n_refusal, p_refusal);

	uint8_t *p_planes = block.p_Data();
	const int p_predictor[] = {p.n_predictor_y, p.n_predictor_uv, p.n_predictor_a};
	PlaneSpan p_span[n_max_plane_num];
	for(int i = 0, n = n_PlaneSpans(p.n_image_width, p.n_image_height, p.n_subsample, p.n_color_type, p_span); i < n; ++ i) {
		UnpredictPlane(p_planes + p_span[i].n_offset, size_t(p_span[i].n_width), size_t(p_span[i].n_height),
			p_predictor[p_span[i].n_kind]);
	}

	uint32_t *p_raster = new(std::nothrow) uint32_t[layout.n_image_size];
	if(!p_raster)
		return p_Refused(DecodeRefusal::NoMemory, p_refusal);
	RebuildPixels(p_planes, p, 0, layout.n_image_size, p_raster);
	return p_raster;
}
