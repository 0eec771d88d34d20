#include <gtest/gtest.h>

#include <cstdio>
#include <ostream>

#include "support/jpeg_reference.h"
#include "support/test_support.h"

namespace {

/*
 *	The decoder's fast integer inverse DCT and its truncating colour tables
 *	are not bit-exact with libjpeg's accurate DCT and rounding conversion, so
 *	files written by libjpeg must decode close to libjpeg's own reading of
 *	them: within these bounds, found by measuring the cases below (colour at
 *	worst 10 and 42.5 dB, gray 4 and 48 dB: blue takes the chroma error
 *	times 1.772 on top of the luma error).
 */
const int n_max_color_difference = 12;
const double f_min_color_psnr = 40.0;
const int n_max_gray_difference = 5;
const double f_min_gray_psnr = 45.0;

struct ReferenceCase {
	const char *p_s_name;
	int n_width;
	int n_height;
	JpegWriteSettings settings;
	uint16_t n_required_marker = 0xffd9; // a marker that shows the file is of the kind meant
};

void PrintTo(const ReferenceCase &r_case, std::ostream *p_stream)
{
	*p_stream << r_case.p_s_name;
}

JpegWriteSettings t_Settings(int n_quality, int n_luma_h, int n_luma_v)
{
	JpegWriteSettings settings;
	settings.n_quality = n_quality;
	settings.n_luma_h = n_luma_h;
	settings.n_luma_v = n_luma_v;
	return settings;
}

JpegWriteSettings t_Gray(int n_quality, int n_h = 1, int n_v = 1)
{
	JpegWriteSettings settings = t_Settings(n_quality, n_h, n_v);
	settings.b_gray = true;
	return settings;
}

JpegWriteSettings t_WithRestarts(JpegWriteSettings settings, int n_interval)
{
	settings.n_restart_interval = n_interval;
	return settings;
}

JpegWriteSettings t_WithExtraSegments(JpegWriteSettings settings, bool b_jfif)
{
	settings.b_extra_markers = true;
	settings.b_jfif = b_jfif;
	return settings;
}

/** @brief YCbCr components with the given identifiers, and an Adobe segment (transform 1) in place of JFIF */
JpegWriteSettings t_Identified(JpegWriteSettings settings, const std::string &s_ids, bool b_adobe)
{
	settings.s_component_ids = s_ids;
	settings.b_adobe = b_adobe;
	settings.b_jfif = !b_adobe;
	return settings;
}

JpegWriteSettings t_SixteenBitTables(int n_quality)
{
	JpegWriteSettings settings = t_Settings(n_quality, 2, 2);
	settings.b_force_baseline = false;
	return settings;
}

class JpegMatchesReference : public testing::TestWithParam<ReferenceCase> {};

TEST_P(JpegMatchesReference, DecodesCloseToLibjpeg)
{
	const ReferenceCase &r_case = GetParam();
	ImageHolder picture(p_MakeTestPicture(r_case.n_width, r_case.n_height, 7));
	const std::string s_jpeg = s_WriteJpeg(*picture.p_image, r_case.settings);
	ASSERT_NE(n_FindMarker(s_jpeg, r_case.n_required_marker), std::string::npos);
	EXPECT_EQ(n_FindMarker(s_jpeg, 0xffe0) != std::string::npos, r_case.settings.b_jfif);
	size_t n_frame = n_FindMarker(s_jpeg, 0xffc0);
	n_frame = (n_frame == std::string::npos)? n_FindMarker(s_jpeg, 0xffc1) : n_frame;
	ASSERT_NE(n_frame, std::string::npos);
	EXPECT_EQ(uint8_t(s_jpeg[n_frame + 11]), r_case.settings.n_luma_h << 4 | r_case.settings.n_luma_v);
	for(size_t i = 0; i < r_case.settings.s_component_ids.size(); ++ i)
		EXPECT_EQ(s_jpeg[n_frame + 10 + 3 * i], r_case.settings.s_component_ids[i]);
	ImageHolder expected(p_ReferenceDecodeJpeg(s_jpeg));
	ASSERT_TRUE(expected);
	ImageHolder decoded(p_DecodeJpegBytes(s_jpeg));
	ASSERT_TRUE(decoded);
	ASSERT_EQ(decoded->n_width, r_case.n_width);
	ASSERT_EQ(decoded->n_height, r_case.n_height);
	EXPECT_EQ(decoded->n_channel_bits, 8);
	EXPECT_EQ(decoded->b_grayscale, r_case.settings.b_gray);
	EXPECT_FALSE(decoded->b_alpha);
	int n_translucent = 0, n_tinted = 0;
	for(int i = 0; i < r_case.n_width * r_case.n_height; ++ i) {
		const uint32_t n_pixel = decoded->p_pixels[i];
		n_translucent += n_pixel >> 24 != 0xff;
		n_tinted += (n_pixel & 0xff) != (n_pixel >> 8 & 0xff) || (n_pixel & 0xff) != (n_pixel >> 16 & 0xff);
	}
	EXPECT_EQ(n_translucent, 0);
	const ImageDifference difference = t_CompareImages(*decoded.p_image, *expected.p_image);
	printf("\t%s: max difference %d, PSNR %.2f dB\n", r_case.p_s_name, difference.n_max, difference.f_psnr);
	if(r_case.settings.b_gray) {
		EXPECT_EQ(n_tinted, 0);
		EXPECT_LE(difference.n_max, n_max_gray_difference);
		EXPECT_GE(difference.f_psnr, f_min_gray_psnr);
	} else {
		EXPECT_LE(difference.n_max, n_max_color_difference);
		EXPECT_GE(difference.f_psnr, f_min_color_psnr);
	}
}

INSTANTIATE_TEST_SUITE_P(JpegReference, JpegMatchesReference, testing::Values(
	ReferenceCase{"Color444Quality95", 64, 48, t_Settings(95, 1, 1)},
	ReferenceCase{"Color444Quality100", 64, 48, t_Settings(100, 1, 1)},
	ReferenceCase{"Color444Quality50", 64, 48, t_Settings(50, 1, 1)},
	ReferenceCase{"Color422Quality75", 64, 48, t_Settings(75, 2, 1)},
	ReferenceCase{"Color440Quality75", 64, 48, t_Settings(75, 1, 2)},
	ReferenceCase{"Color420Quality90", 301, 203, t_Settings(90, 2, 2)},
	ReferenceCase{"Color420Quality20", 64, 48, t_Settings(20, 2, 2)},
	ReferenceCase{"Color411Quality75", 70, 20, t_Settings(75, 4, 1)},
	ReferenceCase{"Color420OddSize", 33, 31, t_Settings(80, 2, 2)},
	ReferenceCase{"Color422OddSize", 17, 9, t_Settings(80, 2, 1)},
	ReferenceCase{"OnePixel", 1, 1, t_Settings(80, 2, 2)},
	ReferenceCase{"OneRow", 45, 1, t_Settings(80, 2, 2)},
	ReferenceCase{"GrayQuality90", 64, 48, t_Gray(90)},
	ReferenceCase{"GrayQuality100", 64, 48, t_Gray(100)},
	ReferenceCase{"GrayOddSize", 7, 13, t_Gray(60)},
	ReferenceCase{"GrayWithSampling2x2", 37, 29, t_Gray(75, 2, 2)},
	ReferenceCase{"RestartEveryMcu", 40, 40, t_WithRestarts(t_Settings(75, 2, 2), 1), 0xffdd},
	ReferenceCase{"RestartEveryThreeMcus", 50, 30, t_WithRestarts(t_Settings(75, 2, 1), 3), 0xffdd},
	ReferenceCase{"GrayRestartEveryFiveBlocks", 50, 30, t_WithRestarts(t_Gray(75, 2, 2), 5), 0xffdd},
	ReferenceCase{"ExtraSegments", 32, 32, t_WithExtraSegments(t_Settings(75, 2, 2), true), 0xfffe},
	ReferenceCase{"NoJfifHeader", 32, 32, t_WithExtraSegments(t_Settings(75, 2, 2), false), 0xffe1},
	ReferenceCase{"SixteenBitQuantTables", 48, 40, t_SixteenBitTables(3), 0xffc1},
	ReferenceCase{"ComponentIds012WithRestarts", 50, 30, t_WithRestarts(t_Identified(t_Settings(80, 2, 2), std::string("\0\1\2", 3), false), 2)},
	ReferenceCase{"ComponentIdsRGBWithAdobeYCbCr", 50, 30, t_Identified(t_Settings(80, 2, 1), "RGB", true), 0xffee},
	ReferenceCase{"GrayComponentId0", 20, 20, t_Identified(t_Gray(80), std::string(1, '\0'), false)}),
	[](const testing::TestParamInfo<ReferenceCase> &r_info) { return std::string(r_info.param.p_s_name); });

} // namespace
