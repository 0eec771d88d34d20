#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "compress/color_transform.h"
#include "verify/decoder_oracle.h"
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

TEST(ColorRule, DecoderRoundsUpExactlyWhereTheTermsSay)
{
	// the chroma samples whose lossy colours are one more from some Y on, a few
	// without, in blocks of 16 x 16 pixels that hold every Y; the decoder spreads
	// the terms of a row of blocks over the pixels and writes the Y from which a
	// colour is one more only where there is one, so rows of blocks with and
	// without alternate
	std::vector<std::pair<int, int>> chroma_list;
	for(int n_u = 0; n_u < 256; ++ n_u) {
		for(int n_v = 0; n_v < 256; ++ n_v) {
			const CTemplateCode::CColor_Terms t = CTemplateCode::t_Color_Terms(n_u, n_v, false);
			if(std::min(t.n_red_up_from, std::min(t.n_green_up_from, t.n_blue_up_from)) <= 255)
				chroma_list.push_back({n_u, n_v});
		}
	}
	ASSERT_FALSE(chroma_list.empty());
	const size_t n_carry_num = chroma_list.size();
	for(int i = 0; i < 5; ++ i)
		chroma_list.push_back({40 * i + 3, 250 - 50 * i});
	const int n_block = 16, n_across = 3, n_down = int(chroma_list.size());
	const int n_width = n_block * n_across - 5, n_height = n_block * n_down; // a cut last column of blocks
	const int n_chroma_w = n_across;
	std::vector<uint8_t> planes(size_t(n_width) * size_t(n_height) + 2 * size_t(n_chroma_w * n_down));
	for(int y = 0; y < n_height; ++ y) {
		for(int x = 0; x < n_width; ++ x)
			planes[size_t(y) * size_t(n_width) + size_t(x)] = uint8_t((x % n_block) + n_block * (y % n_block) + 7 * (x / n_block));
	}
	uint8_t *p_u = planes.data() + size_t(n_width) * size_t(n_height), *p_v = p_u + n_chroma_w * n_down;
	for(int n_row = 0; n_row < n_down; ++ n_row) {
		// carrying rows alternate with plain ones
		const size_t n_pick = (n_row % 2)? n_carry_num + size_t(n_row) % 5 : size_t(n_row / 2) % n_carry_num;
		for(int n_col = 0; n_col < n_across; ++ n_col) {
			const std::pair<int, int> &r_chroma = chroma_list[(n_col == 1)? size_t(n_row) % chroma_list.size() : n_pick];
			p_u[n_row * n_chroma_w + n_col] = uint8_t(r_chroma.first);
			p_v[n_row * n_chroma_w + n_col] = uint8_t(r_chroma.second);
		}
	}
	ByteBuffer packets, output;
	ASSERT_TRUE(b_RunLengthEncode(planes.data(), planes.size(), packets));
	ASSERT_TRUE(b_HuffmanEncode(packets.p_Data(), packets.n_Size(), output));
	std::string s_text;
	ASSERT_TRUE(b_Base85EncodeString(output.p_Data() + n_length_prefix_size, output.n_Size() - n_length_prefix_size,
		s_text));
	const DecodeParams params = {n_width, n_height, packets.n_Size(), pred_None, pred_None, pred_None, n_block, 0};
	EXPECT_EQ(DecodedByEveryDecoder(true, s_text, params).size(), size_t(n_width) * size_t(n_height));
}
