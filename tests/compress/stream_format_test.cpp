#include <gtest/gtest.h>

#include "compress/crc32.h"
#include "compress/stream_format.h"

TEST(Crc32, StandardCheckValues)
{
	EXPECT_EQ(n_Crc32("", 0), 0u);
	EXPECT_EQ(n_Crc32("123456789", 9), 0xcbf43926u);
	const uint32_t n_black = 0xff000000u, n_white = 0xffffffffu;
	EXPECT_EQ(n_Crc32_Raster(&n_black, 1, 1), 0x0c463091u);
	EXPECT_EQ(n_Crc32_Raster(&n_white, 1, 1), 0xffffffffu);
}

TEST(Crc32, AlphaIsHashed)
{
	const uint32_t n_opaque = 0xff102030u, n_translucent = 0x7f102030u;
	EXPECT_NE(n_Crc32_Raster(&n_opaque, 1, 1), n_Crc32_Raster(&n_translucent, 1, 1));
}

TEST(Crc32, UpdateChainsAcrossBlocks)
{
	const uint32_t n_running = n_Crc32_Update(4, "1234", 0xffffffffu);
	EXPECT_EQ(~n_Crc32_Update(5, "56789", n_running), 0xcbf43926u);
}

TEST(PlaneLayout, OnePixelColourImageHoldsThreeSamplesForAnySubsampling)
{
	for(int s : {1, 2, 7})
		EXPECT_EQ(MakePlaneLayout(1, 1, s, 0).n_image_data_size, 3u);
}

TEST(PlaneLayout, OddSizeWithSubsamplingTwo)
{
	PlaneLayout layout = MakePlaneLayout(5, 3, 2, 0);
	EXPECT_EQ(layout.n_chroma_w, 3u);
	EXPECT_EQ(layout.n_chroma_h, 2u);
	EXPECT_EQ(layout.n_u_offset, 15u);
	EXPECT_EQ(layout.n_v_offset, 21u);
	EXPECT_EQ(layout.n_image_data_size, 27u);
	EXPECT_EQ(MakePlaneLayout(5, 3, 2, color_Alpha).n_image_data_size, 42u);
	EXPECT_EQ(MakePlaneLayout(5, 3, 2, color_Alpha).n_alpha_offset, 27u);
}

TEST(PlaneLayout, GrayscaleWithAlphaIsTwoFullPlanes)
{
	PlaneLayout layout = MakePlaneLayout(7, 4, 2, color_Gray | color_Alpha);
	EXPECT_EQ(layout.n_chroma_size, 0u);
	EXPECT_EQ(layout.n_alpha_offset, 28u);
	EXPECT_EQ(layout.n_image_data_size, 56u);
}

TEST(PredictorNames, InNumberOrder)
{
	const char *p_expected[] = {"up", "left", "avg", "paeth", "med", "gap",
		"none", "up-left", "avg2", "diff", "grad-h", "grad-v"};
	for(int i = 0; i < n_predictor_num; ++ i)
		EXPECT_STREQ(p_s_PredictorName(i), p_expected[i]);
}

TEST(Crc32, EightBytesAtATimeEqualsOneByteAtATime)
{
	uint8_t p_data[300];
	for(int i = 0; i < 300; ++ i)
		p_data[i] = uint8_t(i * 131 + 7);
	for(size_t n_offset = 0; n_offset < 8; ++ n_offset) {
		for(size_t n_length = 0; n_length + n_offset <= 300; n_length += 13) {
			uint32_t n_crc = 0xffffffffu;
			for(size_t i = 0; i < n_length; ++ i) {
				n_crc ^= p_data[n_offset + i];
				for(int j = 0; j < 8; ++ j)
					n_crc = (n_crc & 1)? (n_crc >> 1) ^ 0xedb88320u : n_crc >> 1;
			}
			EXPECT_EQ(n_Crc32(p_data + n_offset, n_length), ~n_crc) << n_offset << " " << n_length;
		}
	}
}
