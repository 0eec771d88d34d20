#include "verify/builtin_decoder.h"

#include "compress/stream_format.h"
#include "image/raster_image.h"
#include "verify/reference_decoder.h"
#include "verify/template_code.h"

namespace {

/** An entry point of the decompressor source (p_Decode_RLE_Huff_Base85 or _Base64). */
typedef uint32_t *(*DecodeFunction)(const char *p_s_text, int n_image_width, int n_image_height,
	size_t n_huff_stage_size, int n_predictor_y, int n_predictor_uv, int n_predictor_a, int n_subsample,
	int n_color_type);

// The decompressor source as a private header carries it, written at build time
// by tools/pruned_decoders.cpp: the template as the tool's own optimiser prunes it
// for each BASE and kind of image, every predictor kept, one struct each, and
// p_pruned_decoder_table of their entry points.
#include "pruned_decoders.inl"

const int n_color_type_bits = color_Gray | color_Alpha | color_LosslessColor;
static_assert(sizeof(p_pruned_decoder_table[0]) / sizeof(p_pruned_decoder_table[0][0]) == n_color_type_bits + 1,
	"a pruned decoder for each value of the colour type bits");

/**
 *	@brief tells why the template returned null: it does so for parameters
 *		out of range, for data that does not fit them and when memory runs
 *		out, without saying which, and its text stays as every header carries it
 */
DecodeRefusal n_TemplateRefusal(bool b_base85, const char *p_s_text, const DecodeParams &r_params)
{
	// the template checks the parameters by the same rule before it takes any memory
	if(!b_AcceptableDecodeParams(r_params))
		return DecodeRefusal::Parameters;
	// Data or memory. The reference decoder refuses exactly the data that the
	// template refuses (its tests and the fuzzer compare the two on every
	// input), and says why, so its verdict on the same input decides: when it
	// refuses the data, so did the template; when it decodes, or runs out of
	// memory itself, the template ran out of memory. This costs a second
	// decoding only after a refusal, which the tool meets only when memory is short.
	DecodeRefusal n_reference;
	delete[] p_ReferenceDecode(b_base85, p_s_text, r_params, &n_reference);
	return (n_reference == DecodeRefusal::Data)? DecodeRefusal::Data : DecodeRefusal::NoMemory;
}

uint32_t *p_Decode(DecodeFunction p_decoder, bool b_base85, const char *p_s_text, const DecodeParams &r_params,
	DecodeRefusal *p_refusal)
{
	const DecodeParams &p = r_params;
	uint32_t *p_pixels = nullptr;
	DecodeRefusal n_refusal = DecodeRefusal::None;
	// the template takes sizes up to 2^31 pixels; nothing the tool loads is larger than its own limit
	if(!b_AcceptableImageSize(p.n_image_width, p.n_image_height))
		n_refusal = DecodeRefusal::Parameters;
	else if(!(p_pixels = p_decoder(p_s_text, p.n_image_width, p.n_image_height, p.n_huff_stage_size,
	   p.n_predictor_y, p.n_predictor_uv, p.n_predictor_a, p.n_subsample, p.n_color_type)))
		n_refusal = n_TemplateRefusal(b_base85, p_s_text, p);
	if(p_refusal)
		*p_refusal = n_refusal;
	return p_pixels;
}

} // namespace

void UnPredictImagePlane(uint8_t *p_buffer, int n_width, int n_height, int n_pred_type)
{
	CTemplateCode::UnPredict_ImagePlane(p_buffer, n_width, n_height, n_pred_type);
}

uint32_t *p_BuiltinDecode(bool b_base85, const char *p_s_text, const DecodeParams &r_params,
	DecodeRefusal *p_refusal)
{
	return p_Decode(p_pruned_decoder_table[(b_base85)? 1 : 0][r_params.n_color_type & n_color_type_bits],
		b_base85, p_s_text, r_params, p_refusal);
}

uint32_t *p_BuiltinDecodeUnpruned(bool b_base85, const char *p_s_text, const DecodeParams &r_params,
	DecodeRefusal *p_refusal)
{
	return p_Decode((b_base85)? &CTemplateCode::p_Decode_RLE_Huff_Base85 :
		&CTemplateCode::p_Decode_RLE_Huff_Base64, b_base85, p_s_text, r_params, p_refusal);
}
