#include <gtest/gtest.h>

#include <cstdint>

#include "compress/color_transform.h"
#include "verify/template_code.h"

/*
 *	The colour rule of the decompressor every header carries is one integer
 *	form, computed once per chroma block. Here it meets the definition it
 *	replaces, for every Y, U and V: the lossy colours with single-precision
 *	constants, each sum formed exactly, rounded once to single precision,
 *	clamped and truncated; and the lifting transform undone modulo 256.
 */

namespace {

/** @brief a lossy colour as defined: exact sum, one rounding to float, 255 above 255, 0 at 0 or below */
int n_DefinedLossyColor(int n_y, double f_term)
{
	const float f_value = float(n_y + f_term);
	return (f_value > 255)? 255 : (f_value <= 0)? 0 : int(f_value);
}

} // namespace

TEST(ColorRule, GivesTheDefinedBytesForEveryInput)
{
	int n_wrong_num = 0;
	for(int n_u = 0; n_u < 256; ++ n_u) {
		for(int n_v = 0; n_v < 256; ++ n_v) {
			const CTemplateCode::CColor_Terms lossy = CTemplateCode::t_Color_Terms(n_u, n_v, false);
			const CTemplateCode::CColor_Terms lossless = CTemplateCode::t_Color_Terms(n_u, n_v, true);
			const int u = n_u - 128, v = n_v - 128, n_signed_u = int8_t(n_u), n_signed_v = int8_t(n_v);
			for(int n_y = 0; n_y < 256; ++ n_y) {
				const int p_defined[] = {
					n_DefinedLossyColor(n_y, double(f_red_per_v) * v),
					n_DefinedLossyColor(n_y, double(f_green_per_u) * u + double(f_green_per_v) * v),
					n_DefinedLossyColor(n_y, double(f_blue_per_u) * u),
					uint8_t(n_y - (n_signed_u >> 1)), // lossless green, red, blue
					uint8_t(n_y - (n_signed_u >> 1) + n_signed_u - (n_signed_v >> 1)),
					uint8_t(n_y - (n_signed_u >> 1) + n_signed_u - (n_signed_v >> 1) + n_signed_v)};
				const int p_rule[] = {
					CTemplateCode::n_Lossy_Color(n_y, lossy.n_red, lossy.n_red_up_from),
					CTemplateCode::n_Lossy_Color(n_y, lossy.n_green, lossy.n_green_up_from),
					CTemplateCode::n_Lossy_Color(n_y, lossy.n_blue, lossy.n_blue_up_from),
					uint8_t(n_y + lossless.n_green), uint8_t(n_y + lossless.n_red), uint8_t(n_y + lossless.n_blue)};
				for(int i = 0; i < 6; ++ i) {
					if(p_rule[i] != p_defined[i] && ++ n_wrong_num <= 5) {
						ADD_FAILURE() << "Y " << n_y << ", U " << n_u << ", V " << n_v << ", colour " << i <<
							": " << p_rule[i] << " instead of " << p_defined[i];
					}
				}
			}
		}
	}
	EXPECT_EQ(n_wrong_num, 0);
}
