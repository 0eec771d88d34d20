/*
 *	The built-in decoder (the decompressor every header carries) on any text
 *	with any decoding parameters. The input is nine parameter bytes and the
 *	text:
 *
 *	byte 0     bit 0 BASE85 (else BASE64), bits 1-3 colour type, bit 4 sets
 *	           colour-type bits the decoder does not use
 *	byte 1, 2  width, height: below 240 a size of 1 to 64, else an extreme value
 *	byte 3     subsampling: below 240 a factor of 1 to 8, else an extreme value
 *	byte 4-6   predictors of Y, UV and A: -1 to 12, 255 an extreme value
 *	byte 7, 8  run-length stream size, little-endian; 0xffff an extreme value
 *
 *	The decoder must only ever read and write inside its buffers, refuse what
 *	its buffers cannot hold, and return a whole raster or nothing; and the
 *	reference decoder, the plain reading of the format, must return the same
 *	raster or refuse too, for the same reason unless one of them ran out of
 *	memory.
 */

#include <climits>
#include <cstring>
#include <string>

#include "fuzz_support.h"
#include "verify/builtin_decoder.h"
#include "verify/reference_decoder.h"

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
	if(!p_pixels)
		return 0;
	// a raster is only ever made for sizes the tool itself could have loaded
	FUZZ_CHECK(t_params.n_image_width > 0 && t_params.n_image_height > 0 && t_params.n_subsample > 0);
	FUZZ_CHECK(b_AcceptableImageSize(t_params.n_image_width, t_params.n_image_height));
	const bool b_alpha = (t_params.n_color_type & 2) != 0;
	const bool b_gray = (t_params.n_color_type & 1) != 0;
	const size_t n_pixel_num = size_t(t_params.n_image_width) * size_t(t_params.n_image_height);
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
