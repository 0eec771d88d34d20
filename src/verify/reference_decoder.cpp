#include "verify/reference_decoder.h"

#include <climits>
#include <cstddef>
#include <cstdint>
#include <new>

#include "compress/base64.h"
#include "compress/base85.h"
#include "compress/byte_buffer.h"
#include "compress/canonical_code.h"
#include "compress/prediction.h"
#include "compress/rle_coder.h"
#include "compress/stream_format.h"
#include "image/raster_image.h"
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
 *	A decoder refuses (returns null) when
 *	- the parameters are out of range: a size or subsampling factor below 1,
 *	  more pixels than the tool's limit (b_AcceptableImageSize()) or than an
 *	  int indexes, byte counts beyond size_t, a predictor number outside 0 to
 *	  11, or n_huff_stage_size above twice the plane block or below a 64th of
 *	  it (a packet takes at most two bytes for each byte it stands for, and
 *	  at least one for 64);
 *	- the stream is shorter than its 64 bytes of counts, a count is negative,
 *	  the counts add up to more than 256 symbols or the symbols run past the
 *	  end of the stream;
 *	- the next bits match no code of up to 16 bits (bits past the end of the
 *	  stream read as 0);
 *	- a packet is cut by the end of the codes, or runs past the plane block,
 *	  or the packets do not fill the plane block exactly;
 *	- memory runs out.
 */

namespace {

/** @brief the rules on the eight decoding parameters, checked before the text is read */
bool b_AcceptableParams(const DecodeParams &p)
{
	if(!b_AcceptableImageSize(p.n_image_width, p.n_image_height) ||
	   p.n_image_width <= 0 || p.n_image_height <= 0 || p.n_subsample <= 0)
		return false;
	// pixel indices fit an int, and the byte counts (up to 16 per pixel) a size_t
	if(p.n_image_width > INT_MAX / p.n_image_height ||
	   size_t(p.n_image_width) > SIZE_MAX / 16 / size_t(p.n_image_height))
		return false;
	if(!b_KnownPredictor(p.n_predictor_y) || !b_KnownPredictor(p.n_predictor_uv) ||
	   !b_KnownPredictor(p.n_predictor_a))
		return false;
	const PlaneLayout layout = MakePlaneLayout(p.n_image_width, p.n_image_height, p.n_subsample, p.n_color_type);
	const size_t n_most_per_byte = n_rle_max_packet / 2; // a run of 128 bytes takes two
	return p.n_huff_stage_size <= 2 * layout.n_image_data_size &&
		p.n_huff_stage_size >= (layout.n_image_data_size + n_most_per_byte - 1) / n_most_per_byte;
}

/** @brief decodes exactly n_code_num codes of the stream: the run-length stream */
bool b_DecodeHuffman(const ByteBuffer &r_stream, size_t n_code_num, ByteBuffer &r_packets)
{
	CanonicalCode code;
	size_t n_bits_offset;
	if(!b_ReadCodeTable(r_stream.p_Data(), r_stream.n_Size(), code, n_bits_offset) || !r_packets.b_Resize(n_code_num))
		return false;
	BitReader bits = {r_stream.p_Data() + n_bits_offset, r_stream.n_Size() - n_bits_offset, 0};
	for(size_t i = 0; i < n_code_num; ++ i) {
		if(!b_ReadSymbol(code, bits, r_packets.p_Data()[i]))
			return false;
	}
	return true;
}

/**
 *	@brief expands the packets: code byte c, then one byte repeated (c >> 1) + 1
 *		times if c is odd, or (c >> 1) + 1 bytes copied if c is even
 *	@return false when a packet is cut or runs past the block, or the block is not filled exactly
 */
bool b_ExpandPackets(const ByteBuffer &r_packets, size_t n_block_size, ByteBuffer &r_block)
{
	const uint8_t *p_packets = r_packets.p_Data();
	r_block.Clear();
	for(size_t n_at = 0; n_at < r_packets.n_Size();) {
		const bool b_run = (p_packets[n_at] & 1) != 0;
		const size_t n_length = size_t(p_packets[n_at] >> 1) + 1;
		const size_t n_packet_size = (b_run)? 2 : 1 + n_length;
		const size_t n_done = r_block.n_Size();
		if(n_packet_size > r_packets.n_Size() - n_at || n_length > n_block_size - n_done ||
		   !r_block.b_Resize(n_done + n_length))
			return false;
		for(size_t i = 0; i < n_length; ++ i)
			r_block.p_Data()[n_done + i] = p_packets[n_at + ((b_run)? 1 : 1 + i)];
		n_at += n_packet_size;
	}
	return r_block.n_Size() == n_block_size;
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

} // namespace

uint32_t *p_ReferenceDecode(bool b_base85, const char *p_s_text, const DecodeParams &r_params)
{
	const DecodeParams &p = r_params;
	if(!b_AcceptableParams(p))
		return nullptr;
	const PlaneLayout layout = MakePlaneLayout(p.n_image_width, p.n_image_height, p.n_subsample, p.n_color_type);
	ByteBuffer stream, packets, block;
	if(!((b_base85)? b_Base85Decode(p_s_text, stream) : b_Base64Decode(p_s_text, stream)) ||
	   !b_DecodeHuffman(stream, p.n_huff_stage_size, packets) ||
	   !b_ExpandPackets(packets, layout.n_image_data_size, block))
		return nullptr;

	uint8_t *p_planes = block.p_Data();
	const int p_predictor[] = {p.n_predictor_y, p.n_predictor_uv, p.n_predictor_a};
	PlaneSpan p_span[n_max_plane_num];
	for(int i = 0, n = n_PlaneSpans(p.n_image_width, p.n_image_height, p.n_subsample, p.n_color_type, p_span); i < n; ++ i) {
		UnpredictPlane(p_planes + p_span[i].n_offset, size_t(p_span[i].n_width), size_t(p_span[i].n_height),
			p_predictor[p_span[i].n_kind]);
	}

	uint32_t *p_raster = new(std::nothrow) uint32_t[layout.n_image_size];
	if(!p_raster)
		return nullptr;
	RebuildPixels(p_planes, p, 0, layout.n_image_size, p_raster);
	return p_raster;
}
