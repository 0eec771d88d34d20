#pragma once

#include <cstddef>
#include <cstdint>

#include "compress/stream_format.h"
#include "verify/decode_refusal.h"

/**
 *	@brief restores one predicted plane in place, exactly as the generated
 *		decompressor does (its UnPredict_ImagePlane)
 */
void UnPredictImagePlane(uint8_t *p_buffer, int n_width, int n_height, int n_pred_type);

/**
 *	@brief decodes BASE85 or BASE64 text into a raster, with the code a private
 *		header carries (p_Decode_RLE_Huff_Base85 or _Base64): the template as
 *		the optimiser prunes it for the image's colour type, every predictor kept
 *	@param[out] p_refusal receives why there is no raster, or None (null: not recorded)
 *	@return a new array of width * height pixels (release with delete[]), or
 *		null when the parameters are out of range (b_AcceptableDecodeParams(),
 *		which holds the tool's pixel limit besides the template's own rules),
 *		the data does not fit them or memory runs out
 */
uint32_t *p_BuiltinDecode(bool b_base85, const char *p_s_text, const DecodeParams &r_params,
	DecodeRefusal *p_refusal = nullptr);

/**
 *	@brief decodes like p_BuiltinDecode(), with the whole template, as a shared
 *		header or one made with "--no-code-opts" carries it
 */
uint32_t *p_BuiltinDecodeUnpruned(bool b_base85, const char *p_s_text, const DecodeParams &r_params,
	DecodeRefusal *p_refusal = nullptr);
