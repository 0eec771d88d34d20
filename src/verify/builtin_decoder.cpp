#include "verify/builtin_decoder.h"

// The environment a generated header expects from the program that includes it.
#include <cassert>
#include <cstdlib>
#include <cstring>
#include <new>

#include "image/raster_image.h"

#define _ASSERTE(x) assert(x)

namespace {

/** The decompressor source of the generated headers, compiled into the tool. */
struct CDecompressCode {
#include "header/template/unpredict_plane.inl"
#include "header/template/decode_base64.inl"
#include "header/template/decode_base85.inl"
#include "header/template/decode_stages.inl"
};

} // namespace

void UnPredictImagePlane(uint8_t *p_buffer, int n_width, int n_height, int n_pred_type)
{
	CDecompressCode::UnPredict_ImagePlane(p_buffer, n_width, n_height, n_pred_type);
}

uint32_t *p_BuiltinDecode(bool b_base85, const char *p_s_text, const DecodeParams &r_params)
{
	const DecodeParams &p = r_params;
	// the template takes sizes up to 2^31 pixels; nothing the tool loads is larger than its own limit
	if(!b_AcceptableImageSize(p.n_image_width, p.n_image_height))
		return nullptr;
	return (b_base85)?
		CDecompressCode::p_Decode_RLE_Huff_Base85(p_s_text, p.n_image_width, p.n_image_height,
			p.n_huff_stage_size, p.n_predictor_y, p.n_predictor_uv, p.n_predictor_a,
			p.n_subsample, p.n_color_type) :
		CDecompressCode::p_Decode_RLE_Huff_Base64(p_s_text, p.n_image_width, p.n_image_height,
			p.n_huff_stage_size, p.n_predictor_y, p.n_predictor_uv, p.n_predictor_a,
			p.n_subsample, p.n_color_type);
}
