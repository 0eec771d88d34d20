#pragma once

#include <cstdint>

#include "verify/builtin_decoder.h"
#include "verify/decode_refusal.h"

/**
 *	@brief decodes BASE85 or BASE64 text into a raster plainly, one layer of
 *		the format after the other, with the encoder's own prediction formulas
 *		and colour reconstruction; the oracle that the fast decoder (the one
 *		headers carry) is tested and fuzzed against
 *	@param[out] p_refusal receives why there is no raster, or None (null: not recorded)
 *	@return a new array of width * height pixels (release with delete[]), or
 *		null exactly where p_BuiltinDecode() returns null, for the same reason:
 *		parameters out of range, text that does not decode to the plane block,
 *		or no memory
 */
uint32_t *p_ReferenceDecode(bool b_base85, const char *p_s_text, const DecodeParams &r_params,
	DecodeRefusal *p_refusal = nullptr);
