#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "image/jpeg_color_output.h"
#include "image/jpeg_idct.h"
#include "support/test_support.h"

namespace {

TEST(JpegIdct, ZigZagOrderIsAPermutationAlongAntiDiagonals)
{
	std::vector<bool> seen(64, false);
	int n_previous_diagonal = 0;
	for(int k = 0; k < 64; ++ k) {
		const int n_natural = p_jpeg_natural_order[k];
		ASSERT_LT(n_natural, 64);
		EXPECT_FALSE(seen[n_natural]);
		seen[n_natural] = true;
		const int n_diagonal = n_natural / 8 + n_natural % 8;
		EXPECT_TRUE(n_diagonal == n_previous_diagonal || n_diagonal == n_previous_diagonal + 1) << k;
		n_previous_diagonal = n_diagonal;
	}
}

TEST(JpegIdct, DcOnlyBlockGivesSixtyFourEqualSamples)
{
	const struct {
		int n_dc;
		int n_sample;
	} p_case[] = {{0, 0}, {7, 0}, {-7, 0}, {100, 12}, {-100, -12}, {1016, 127}, {-1024, -128},
		{2000, 127}, {-2000, -128}};
	for(const auto &r_case : p_case) {
		int16_t p_coeff[64] = {int16_t(r_case.n_dc)};
		int8_t p_plane[8 * 10];
		StoreJpegBlock(p_coeff, p_plane, 10);
		for(int i = 0; i < 64; ++ i)
			ASSERT_EQ(p_plane[i / 8 * 10 + i % 8], r_case.n_sample) << "DC " << r_case.n_dc << " sample " << i;
	}
}

TEST(JpegIdct, ScaledTablesAndFastIdctFollowTheTrueInverseDct)
{
	// random sparse blocks, dequantised with unit steps as the decoder does,
	// against the inverse DCT in double precision; the integer passes keep no
	// fraction bits, which costs an RMS error of 0.68 (max 5), while a
	// constant off by 10/256 or a rounding final division pushes it past 0.74
	const int n_block_num = 2000;
	const double f_max_rms_error = 0.72;
	double p_cos[8][8]; // [position][frequency], with the DC normalisation folded in
	for(int x = 0; x < 8; ++ x) {
		for(int u = 0; u < 8; ++ u)
			p_cos[x][u] = std::cos((2 * x + 1) * u * M_PI / 16) * ((u)? 1 : std::sqrt(0.5));
	}
	uint32_t n_state = 12345;
	auto n_Random = [&n_state](int n_range) {
		n_state = n_state * 1103515245U + 12345U;
		return int((n_state >> 8) % uint32_t(n_range));
	};
	int n_max_error = 0, n_sample_num = 0;
	double f_square_sum = 0;
	for(int n_block = 0; n_block < n_block_num; ++ n_block) {
		int p_value[64] = {0};
		p_value[0] = n_Random(1600) - 800;
		for(int n_nonzero = n_Random(20); n_nonzero > 0; -- n_nonzero)
			p_value[1 + n_Random(63)] = n_Random(200) - 100;
		int16_t p_coeff[64];
		for(int k = 0; k < 64; ++ k)
			p_coeff[p_jpeg_natural_order[k]] = n_DequantizeJpeg(p_value[p_jpeg_natural_order[k]], n_ScaledJpegQuant(1, k));
		int8_t p_sample[64];
		StoreJpegBlock(p_coeff, p_sample, 8);
		for(int y = 0; y < 8; ++ y) {
			for(int x = 0; x < 8; ++ x) {
				double f_expected = 0;
				for(int v = 0; v < 8; ++ v) {
					for(int u = 0; u < 8; ++ u)
						f_expected += p_value[v * 8 + u] * p_cos[x][u] * p_cos[y][v] / 4;
				}
				if(std::fabs(f_expected) > 120)
					continue; // clamped
				const double f_error = p_sample[y * 8 + x] - f_expected;
				n_max_error = std::max(n_max_error, int(std::lround(std::fabs(f_error))));
				f_square_sum += f_error * f_error;
				++ n_sample_num;
			}
		}
	}
	ASSERT_GT(n_sample_num, n_block_num * 32);
	EXPECT_LE(n_max_error, 5);
	EXPECT_LE(std::sqrt(f_square_sum / n_sample_num), f_max_rms_error);
}

TEST(JpegIdct, QuantScalingIsExactForDcAndSaturatesForHugeSixteenBitValues)
{
	EXPECT_EQ(n_ScaledJpegQuant(1, 0), 65536);
	EXPECT_EQ(n_ScaledJpegQuant(255, 0), 255 * 65536);
	EXPECT_EQ(n_ScaledJpegQuant(0, 63), 0);
	EXPECT_EQ(n_ScaledJpegQuant(65535, 4), INT32_MAX); // natural (1, 1): 1.387^2 * 65535 * 65536
	EXPECT_EQ(n_DequantizeJpeg(-3, 65536), -3);
	EXPECT_EQ(n_DequantizeJpeg(-1, 32768), 0); // -0.5 rounds up
	EXPECT_EQ(n_DequantizeJpeg(-1, 32769), -1);
}

TEST(JpegColorTables, EntriesTruncateTowardZero)
{
	JpegColorTables tables;
	MakeJpegColorTables(tables);
	EXPECT_EQ(tables.p_cr_r[0], -179);
	EXPECT_EQ(tables.p_cr_r[255], 178);
	EXPECT_EQ(tables.p_cb_b[0], -226);
	EXPECT_EQ(tables.p_cb_b[255], 225);
	EXPECT_EQ(tables.p_cb_g[0], 44);
	EXPECT_EQ(tables.p_cb_g[255], -43);
	EXPECT_EQ(tables.p_cr_g[0], 91);
	EXPECT_EQ(tables.p_cr_g[255], -90);
	EXPECT_EQ(tables.p_cr_r[128] | tables.p_cb_g[128] | tables.p_cr_g[128] | tables.p_cb_b[128], 0);
}

/** A decoded frame made by hand: planes of the given replication, filled by a function of the plane position. */
class HandMadeFrame {
public:
	HandMadeFrame(int n_width, int n_height, int n_component_num, int n_chroma_replication)
		:m_decoder()
	{
		m_decoder.n_precision = 8;
		m_decoder.n_width = int16_t(n_width);
		m_decoder.n_height = int16_t(n_height);
		m_decoder.n_component_num = uint8_t(n_component_num);
		for(int i = 0; i < n_component_num; ++ i) {
			const int n_replication = (i)? n_chroma_replication : 1;
			JpegComponent &r_component = m_decoder.p_component[i];
			r_component.n_id = uint8_t(i + 1);
			r_component.n_hs = r_component.n_vs = uint8_t(n_replication);
			m_decoder.p_plane_width[i] = uint16_t((n_width + 8 * n_replication - 1) / (8 * n_replication) * 8);
			m_decoder.p_plane_height[i] = uint16_t((n_height + 8 * n_replication - 1) / (8 * n_replication) * 8);
			m_planes[i].assign(size_t(m_decoder.p_plane_width[i]) * m_decoder.p_plane_height[i], 0);
			m_decoder.p_plane[i] = m_planes[i].data();
		}
	}

	template <class CFunction>
	void Fill(int n_component, CFunction sample)
	{
		for(int y = 0; y < m_decoder.p_plane_height[n_component]; ++ y) {
			for(int x = 0; x < m_decoder.p_plane_width[n_component]; ++ x)
				m_planes[n_component][size_t(y) * m_decoder.p_plane_width[n_component] + x] = int8_t(sample(x, y) - 128);
		}
	}

	RasterImage *p_Assemble() const { return p_AssembleJpegImage(m_decoder, nullptr); }

private:
	JpegDecoder m_decoder;
	std::vector<int8_t> m_planes[n_jpeg_max_component_num];
};

TEST(JpegColorOutput, NeutralChromaGivesGrayEqualToLuma)
{
	HandMadeFrame frame(13, 11, 3, 1);
	frame.Fill(0, [](int x, int y) { return (x * 37 + y * 11) & 255; });
	frame.Fill(1, [](int, int) { return 128; });
	frame.Fill(2, [](int, int) { return 128; });
	ImageHolder image(frame.p_Assemble());
	ASSERT_TRUE(image);
	EXPECT_FALSE(image->b_grayscale);
	for(int y = 0; y < 11; ++ y) {
		for(int x = 0; x < 13; ++ x) {
			const int n_luma = (x * 37 + y * 11) & 255;
			ASSERT_EQ(image->p_pixels[y * 13 + x], n_Pixel(n_luma, n_luma, n_luma)) << x << ", " << y;
		}
	}
}

TEST(JpegColorOutput, HalvedChromaCoversTwoByTwoPixelsWithoutSmoothing)
{
	HandMadeFrame frame(15, 9, 3, 2); // odd size: the last chroma column and row are cut
	frame.Fill(0, [](int, int) { return 100; });
	frame.Fill(1, [](int x, int y) { return 60 + 20 * x + y; });
	frame.Fill(2, [](int x, int y) { return 200 - 10 * x - 7 * y; });
	ImageHolder image(frame.p_Assemble());
	ASSERT_TRUE(image);
	JpegColorTables tables;
	MakeJpegColorTables(tables);
	auto n_Clamp = [](int n) { return (n < 0)? 0 : (n > 255)? 255 : n; };
	for(int y = 0; y < 9; ++ y) {
		for(int x = 0; x < 15; ++ x) {
			const int n_cb = 60 + 20 * (x / 2) + y / 2, n_cr = 200 - 10 * (x / 2) - 7 * (y / 2);
			const uint32_t n_expected = n_Pixel(n_Clamp(100 + tables.p_cr_r[n_cr]),
				n_Clamp(100 + tables.p_cb_g[n_cb] + tables.p_cr_g[n_cr]), n_Clamp(100 + tables.p_cb_b[n_cb]));
			ASSERT_EQ(image->p_pixels[y * 15 + x], n_expected) << x << ", " << y;
		}
	}
}

TEST(JpegColorOutput, OneComponentGivesGrayscaleImage)
{
	HandMadeFrame frame(9, 3, 1, 1);
	frame.Fill(0, [](int x, int y) { return x * 30 + y; });
	ImageHolder image(frame.p_Assemble());
	ASSERT_TRUE(image);
	EXPECT_TRUE(image->b_grayscale);
	EXPECT_FALSE(image->b_alpha);
	EXPECT_EQ(image->n_channel_bits, 8);
	for(int i = 0; i < 27; ++ i) {
		const int n_gray = (i % 9) * 30 + i / 9;
		ASSERT_EQ(image->p_pixels[i], n_Pixel(n_gray, n_gray, n_gray));
	}
}

} // namespace
