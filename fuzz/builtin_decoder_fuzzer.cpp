/*
 *	The built-in decoder (the decompressor every header carries) on any text
 *	with any decoding parameters. The input is nine parameter bytes and the
 *	text:
 *
 *	byte 0     bit 0 BASE85 (else BASE64), bits 1-3 colour type, bit 4 sets
 *	           colour-type bits the decoder does not use, bits 5-7 the length
 *	           of the literals the row decoder reads the text in
 *	byte 1, 2  width, height: below 240 a size of 1 to 64, else an extreme value
 *	byte 3     subsampling: below 240 a factor of 1 to 8, else an extreme value
 *	byte 4-6   predictors of Y, UV and A: -1 to 12, 255 an extreme value
 *	byte 7, 8  run-length stream size, little-endian; 0xffff an extreme value
 *
 *	The decoder must only ever read and write inside its buffers, refuse what
 *	its buffers cannot hold, and return a whole raster or nothing; and the
 *	reference decoder, the plain reading of the format, must return the same
 *	raster or refuse too, for the same reason unless one of them ran out of
 *	memory. So must the row decoder of "--row-decoder", from the entry points
 *	that the tool finds in the same stream (none where it cannot read it),
 *	also in RGB565; and with one entry point moved (as the text and its
 *	literal lengths say), it must refuse or still give the decoder's pixels,
 *	never anything else.
 */

#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "compress/base64.h"
#include "compress/base85.h"
#include "compress/row_entry_points.h"
#include "fuzz_support.h"
#include "verify/builtin_decoder.h"
#include "verify/reference_decoder.h"
#include "verify/row_decoder.h"

namespace {

const int n_special_from = 240;
const int p_extreme_size[] = {0, -1, INT_MIN, INT_MAX, 65536, 16385, 1 << 28, 46341,
	-65536, 2, 3, 100, 127, 128, 129, 255};

int n_Size(uint8_t n_byte, int n_max)
{
	return (n_byte < n_special_from)? 1 + n_byte % n_max : p_extreme_size[n_byte - n_special_from];
}

int n_Predictor(uint8_t n_byte)
{
	return (n_byte == 255)? INT_MIN : n_byte % 14 - 1;
}

/** The text cut into literals of one length, as a header made with "--max-cstr-len" holds it. */
struct Literals {
	std::vector<const char*> pointers;
	RowText t_text;

	Literals(const std::string &r_s_text, size_t n_length)
	{
		n_length = (n_length)? n_length : r_s_text.size() + 1; // 0: one literal
		for(size_t n_begin = 0; n_begin < r_s_text.size() || pointers.empty(); n_begin += n_length)
			pointers.push_back(r_s_text.c_str() + n_begin);
		t_text = RowText{pointers.data(), n_length, r_s_text.size()};
	}
};

/**
 *	@brief decodes with the row decoder into a raster (null: rows dropped), and checks
 *		that it refuses where the built-in decoder refused, and otherwise agrees with it
 *	@return true when it made an image
 */
bool b_RowDecodes(bool b_base85, const RowText &r_text, const DecodeParams &r_params, const RowEntryPoints &r_entries,
	const uint32_t *p_builtin, size_t n_pixel_num)
{
	std::vector<uint32_t> pixels(n_pixel_num);
	std::vector<uint16_t> rgb565(n_pixel_num);
	const bool b_decoded = b_RowDecode(b_base85, r_text, r_params, r_entries, RowPixels::Argb,
		(p_builtin)? pixels.data() : nullptr);
	const bool b_decoded_565 = b_RowDecode(b_base85, r_text, r_params, r_entries, RowPixels::Rgb565Swapped,
		(p_builtin)? rgb565.data() : nullptr);
	FUZZ_CHECK(b_decoded == b_decoded_565);
	FUZZ_CHECK(!b_decoded || p_builtin);
	if(b_decoded) {
		FUZZ_CHECK(!memcmp(pixels.data(), p_builtin, n_pixel_num * sizeof(uint32_t)));
		for(size_t i = 0; i < n_pixel_num; ++ i) {
			const uint32_t n = p_builtin[i], n_rgb565 = (n & 0xf8) << 8 | (n >> 10 & 0x3f) << 5 | (n >> 19 & 0x1f);
			FUZZ_CHECK(rgb565[i] == uint16_t(n_rgb565 >> 8 | (n_rgb565 & 0xff) << 8));
		}
	}
	return b_decoded;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *p_data, size_t n_size)
{
	const int n_max_side = 64, n_max_subsample = 8;
	FuzzInput input = {p_data, n_size};
	const uint8_t n_kind = input.n_Byte();
	const bool b_base85 = n_kind & 1;
	DecodeParams t_params;
	t_params.n_color_type = (n_kind >> 1 & 7) | ((n_kind & 16)? 0x7ffffff8 : 0);
	t_params.n_image_width = n_Size(input.n_Byte(), n_max_side);
	t_params.n_image_height = n_Size(input.n_Byte(), n_max_side);
	t_params.n_subsample = n_Size(input.n_Byte(), n_max_subsample);
	t_params.n_predictor_y = n_Predictor(input.n_Byte());
	t_params.n_predictor_uv = n_Predictor(input.n_Byte());
	t_params.n_predictor_a = n_Predictor(input.n_Byte());
	const uint32_t n_huff_low = input.n_Byte();
	const uint32_t n_huff = n_huff_low | uint32_t(input.n_Byte()) << 8;
	t_params.n_huff_stage_size = (n_huff == 0xffff)? size_t(-1) : n_huff;
	const std::string s_text(reinterpret_cast<const char*>(input.p_data), input.n_size); // ends at a 0 byte, if any

	DecodeRefusal n_refusal, n_reference_refusal;
	uint32_t *p_pixels = p_BuiltinDecode(b_base85, s_text.c_str(), t_params, &n_refusal);
	uint32_t *p_reference = p_ReferenceDecode(b_base85, s_text.c_str(), t_params, &n_reference_refusal);
	FUZZ_CHECK((p_pixels != nullptr) == (p_reference != nullptr));
	FUZZ_CHECK((p_pixels != nullptr) == (n_refusal == DecodeRefusal::None));
	if(n_refusal != DecodeRefusal::NoMemory && n_reference_refusal != DecodeRefusal::NoMemory)
		FUZZ_CHECK(n_refusal == n_reference_refusal);
	// a raster is only ever made for sizes the tool itself could have loaded
	FUZZ_CHECK(!p_pixels || (t_params.n_image_width > 0 && t_params.n_image_height > 0 && t_params.n_subsample > 0 &&
		b_AcceptableImageSize(t_params.n_image_width, t_params.n_image_height)));

	// the row decoder, from the entry points the tool finds in the same stream
	const size_t p_literal_length[] = {0, 1, 2, 3, 4, 5, 7, 64};
	const std::string s_c_text = s_text.c_str();
	const Literals literals(s_c_text, p_literal_length[n_kind >> 5]);
	RowEntryPoints t_entries = {};
	ByteBuffer stream;
	if(b_AcceptableImageSize(t_params.n_image_width, t_params.n_image_height) && t_params.n_subsample > 0 &&
	   ((b_base85)? b_Base85Decode(s_c_text.c_str(), stream) : b_Base64Decode(s_c_text.c_str(), stream)))
		b_FindRowEntryPoints(b_base85, s_c_text.c_str(), stream.p_Data(), stream.n_Size(), t_params, t_entries);
	const size_t n_pixel_num = (p_pixels)? size_t(t_params.n_image_width) * size_t(t_params.n_image_height) : 0;
	FUZZ_CHECK(b_RowDecodes(b_base85, literals.t_text, t_params, t_entries, p_pixels, n_pixel_num) == (p_pixels != nullptr));
	// an entry point moved: a field of a plane after the first, by an amount the text gives
	const size_t n_moved = s_c_text.size() % 12;
	RowEntryPoint &r_moved = t_entries.p_entry[1 + n_moved / 4];
	const int n_by = (s_c_text.empty())? 1 : int(uint8_t(s_c_text[0]) % 9) - 4;
	if(!(n_moved % 4))
		r_moved.n_text += size_t(n_by);
	else if(n_moved % 4 == 1)
		r_moved.n_bit += uint64_t(n_by);
	else if(n_moved % 4 == 2)
		r_moved.n_code += size_t(n_by);
	else
		r_moved.n_skip += n_by;
	b_RowDecodes(b_base85, literals.t_text, t_params, t_entries, p_pixels, n_pixel_num);
	if(!p_pixels)
		return 0;
	const bool b_alpha = (t_params.n_color_type & 2) != 0;
	const bool b_gray = (t_params.n_color_type & 1) != 0;
	for(size_t i = 0; i < n_pixel_num; ++ i) {
		const uint32_t n_pixel = p_pixels[i];
		if(!b_alpha)
			FUZZ_CHECK(n_pixel >> 24 == 0xff);
		if(b_gray)
			FUZZ_CHECK((n_pixel & 0xff) == (n_pixel >> 8 & 0xff) && (n_pixel & 0xff) == (n_pixel >> 16 & 0xff));
	}
	FUZZ_CHECK(!memcmp(p_pixels, p_reference, n_pixel_num * sizeof(uint32_t)));
	delete[] p_pixels;
	delete[] p_reference;
	return 0;
}
