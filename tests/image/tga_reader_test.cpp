#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

#include <unistd.h>

#include "image/tga_format.h"
#include "image/tga_reader.h"
#include "support/test_support.h"
#include "image/tga_test_support.h"

namespace {

const uint32_t n_red = n_Pixel(255, 0, 0), n_green = n_Pixel(0, 255, 0);
const uint32_t n_blue = n_Pixel(0, 0, 255), n_white = n_Pixel(255, 255, 255);

enum {
	type_Mapped = 1, type_TrueColor = 2, type_Gray = 3,
	type_MappedRle = 9, type_TrueColorRle = 10, type_GrayRle = 11
};
const int n_top_down = 0x20, n_bottom_up = 0;

std::string s_Bgr(int r, int g, int b)
{
	return s_Bytes({b, g, r});
}

std::string s_Bgra(int r, int g, int b, int a)
{
	return s_Bytes({b, g, r, a});
}

std::string s_Le16(int n_value)
{
	return s_Bytes({n_value & 0xff, n_value >> 8});
}

std::vector<uint32_t> v_Pixels(const ImageHolder &r_image)
{
	return std::vector<uint32_t>(r_image->p_pixels, r_image->p_pixels + size_t(r_image->n_width) * size_t(r_image->n_height));
}

class TgaReader : public ::testing::Test {
protected:
	TempDir m_dir;

	std::string s_Path() const { return m_dir.s_File("image.tga"); }

	RasterImage *p_Load(const std::string &s_file)
	{
		WriteFile(s_Path(), s_file);
		return p_LoadTgaImage(s_Path().c_str());
	}

	/** @brief loads the bytes, which must be refused, and returns the reason */
	LoadFailure t_Refusal(const std::string &s_file)
	{
		WriteFile(s_Path(), s_file);
		LoadFailure t_failure;
		EXPECT_FALSE(ImageHolder(p_LoadTgaImage(s_Path().c_str(), &t_failure)));
		return t_failure;
	}
};

TEST_F(TgaReader, BottomUpAndTopDownStorageLoadIdentically)
{
	const std::string s_top = s_Bgr(255, 0, 0) + s_Bgr(0, 255, 0);
	const std::string s_bottom = s_Bgr(0, 0, 255) + s_Bgr(255, 255, 255);
	ImageHolder top_down(p_Load(s_TgaHeader(type_TrueColor, 2, 2, 24, n_top_down) + s_top + s_bottom));
	ImageHolder bottom_up(p_Load(s_TgaHeader(type_TrueColor, 2, 2, 24, n_bottom_up) + s_bottom + s_top));
	ASSERT_TRUE(top_down && bottom_up);
	const std::vector<uint32_t> expected = {n_red, n_green, n_blue, n_white};
	EXPECT_EQ(v_Pixels(top_down), expected);
	EXPECT_EQ(v_Pixels(bottom_up), expected);
}

TEST_F(TgaReader, RightToLeftBitIsIgnored)
{
	const std::string s_pixels = s_Bgr(255, 0, 0) + s_Bgr(0, 255, 0);
	ImageHolder image(p_Load(s_TgaHeader(type_TrueColor, 2, 1, 24, n_top_down | 0x10) + s_pixels));
	ASSERT_TRUE(image);
	EXPECT_EQ(v_Pixels(image), (std::vector<uint32_t>{n_red, n_green}));
}

TEST_F(TgaReader, FlagsFollowTheStoredPixelSize)
{
	struct Case {
		int n_type, n_pixel_bits, n_entry_bits;
		bool b_grayscale, b_alpha;
		int n_channel_bits;
	} cases[] = {
		{type_TrueColor, 16, 0, false, false, 5},
		{type_TrueColor, 24, 0, false, false, 8},
		{type_TrueColor, 32, 0, false, true, 8},
		{type_Mapped, 8, 16, false, false, 5},
		{type_Mapped, 8, 24, false, false, 8},
		{type_Mapped, 8, 32, false, true, 8},
		{type_Gray, 8, 0, true, false, 8},
		{type_GrayRle, 8, 0, true, false, 8},
		{type_Gray, 16, 0, true, true, 8},
		{type_GrayRle, 16, 0, true, true, 8}
	};
	for(const Case &c : cases) {
		SCOPED_TRACE("type " + std::to_string(c.n_type) + ", pixel bits " +
			std::to_string(c.n_pixel_bits) + ", entry bits " + std::to_string(c.n_entry_bits));
		const int n_map_length = (c.n_entry_bits)? 1 : 0;
		const int n_value_bytes = (c.n_type == type_Mapped)? 1 : c.n_pixel_bits / 8;
		std::string s_file = s_TgaHeader(c.n_type, 1, 1, c.n_pixel_bits, n_top_down, n_map_length, c.n_entry_bits) +
			std::string(size_t(n_map_length * c.n_entry_bits / 8), '\0');
		if(c.n_type == type_GrayRle)
			s_file += s_Bytes({0x80});
		ImageHolder image(p_Load(s_file + std::string(size_t(n_value_bytes), '\0')));
		ASSERT_TRUE(image);
		EXPECT_EQ(image->b_grayscale, c.b_grayscale);
		EXPECT_EQ(image->b_alpha, c.b_alpha);
		EXPECT_EQ(image->n_channel_bits, c.n_channel_bits);
	}
}

TEST_F(TgaReader, ThirtyTwoBitPixelsKeepTheirAlpha)
{
	const std::string s_pixels = s_Bgra(1, 2, 3, 0) + s_Bgra(4, 5, 6, 0x80) + s_Bgra(7, 8, 9, 0xff);
	ImageHolder image(p_Load(s_TgaHeader(type_TrueColor, 3, 1, 32, n_top_down) + s_pixels));
	ASSERT_TRUE(image);
	EXPECT_EQ(v_Pixels(image), (std::vector<uint32_t>{n_Pixel(1, 2, 3, 0), n_Pixel(4, 5, 6, 0x80), n_Pixel(7, 8, 9)}));
}

TEST_F(TgaReader, SixteenBitChannelsScaleTo255)
{
	// red in bits 10-14, green in bits 5-9, blue in bits 0-4
	const std::string s_pixels = s_Le16(31 << 10 | 16 << 5 | 1) + s_Le16(0 << 10 | 1 << 5 | 31) + s_Le16(0);
	ImageHolder image(p_Load(s_TgaHeader(type_TrueColor, 3, 1, 16, n_top_down) + s_pixels));
	ASSERT_TRUE(image);
	EXPECT_EQ(v_Pixels(image), (std::vector<uint32_t>{n_Pixel(255, 131, 8), n_Pixel(0, 8, 255), n_Pixel(0, 0, 0)}));
}

TEST_F(TgaReader, SixteenBitAttributeBitNeverMakesAPixelTransparent)
{
	const std::string s_pixels = s_Le16(0x7fff) + s_Le16(0xffff) + s_Le16(0x8000);
	ImageHolder image(p_Load(s_TgaHeader(type_TrueColor, 3, 1, 16, n_top_down) + s_pixels));
	ASSERT_TRUE(image);
	EXPECT_EQ(v_Pixels(image), (std::vector<uint32_t>{n_white, n_white, n_Pixel(0, 0, 0)}));
	EXPECT_FALSE(image->b_alpha);
}

TEST_F(TgaReader, ColorMapEntriesOfEverySizeConvertLikePixels)
{
	struct Case {
		int n_entry_bits;
		std::string s_entries;
		std::vector<uint32_t> expected;
	} cases[] = {
		{16, s_Le16(31 << 10) + s_Le16(16 << 5), {n_red, n_Pixel(0, 131, 0)}},
		{24, s_Bgr(10, 20, 30) + s_Bgr(40, 50, 60), {n_Pixel(10, 20, 30), n_Pixel(40, 50, 60)}},
		{32, s_Bgra(10, 20, 30, 0) + s_Bgra(40, 50, 60, 70), {n_Pixel(10, 20, 30, 0), n_Pixel(40, 50, 60, 70)}}
	};
	for(const Case &c : cases) {
		SCOPED_TRACE("entry bits " + std::to_string(c.n_entry_bits));
		ImageHolder image(p_Load(s_TgaHeader(type_Mapped, 3, 1, 8, n_top_down, 2, c.n_entry_bits) +
			c.s_entries + s_Bytes({1, 0, 1})));
		ASSERT_TRUE(image);
		EXPECT_EQ(v_Pixels(image), (std::vector<uint32_t>{c.expected[1], c.expected[0], c.expected[1]}));
	}
}

TEST_F(TgaReader, FirstEntryIndexShiftsStoredIndicesIntoTheMap)
{
	// sixteen entries for the stored indices 10 to 25; entry i is gray i + 100
	std::string s_map;
	for(int i = 0; i < 16; ++ i)
		s_map += s_Bgr(i + 100, i + 100, i + 100);
	ImageHolder image(p_Load(s_TgaHeader(type_Mapped, 6, 1, 8, n_top_down, 16, 24, 10) +
		s_map + s_Bytes({10, 25, 9, 26, 0, 255})));
	ASSERT_TRUE(image);
	EXPECT_EQ(v_Pixels(image), (std::vector<uint32_t>{n_Pixel(100, 100, 100), n_Pixel(115, 115, 115), 0, 0, 0, 0}));
}

TEST_F(TgaReader, ColorMappedFileWithoutMapGivesAllZeroPixels)
{
	ImageHolder image(p_Load(s_TgaHeader(type_Mapped, 2, 1, 8, n_top_down) + s_Bytes({0, 7})));
	ASSERT_TRUE(image);
	EXPECT_EQ(v_Pixels(image), (std::vector<uint32_t>{0, 0}));
}

TEST_F(TgaReader, GrayscaleUsesTheFullRampWhenTheMapLengthIsZero)
{
	ImageHolder image(p_Load(s_TgaHeader(type_Gray, 4, 1, 8, n_top_down) + s_Bytes({0, 1, 128, 255})));
	ASSERT_TRUE(image);
	EXPECT_EQ(v_Pixels(image), (std::vector<uint32_t>{n_Pixel(0, 0, 0), n_Pixel(1, 1, 1),
		n_Pixel(128, 128, 128), n_white}));
}

TEST_F(TgaReader, SixteenBitGrayIsAGrayByteThenAnAlphaByte)
{
	ImageHolder image(p_Load(s_TgaHeader(type_Gray, 3, 1, 16, n_top_down) + s_Bytes({10, 255, 20, 128, 30, 0})));
	ASSERT_TRUE(image);
	EXPECT_EQ(v_Pixels(image), (std::vector<uint32_t>{n_Pixel(10, 10, 10), n_Pixel(20, 20, 20, 128), n_Pixel(30, 30, 30, 0)}));
}

TEST_F(TgaReader, DeclaredColorMapIsSkippedByTrueColorAndGrayscaleFiles)
{
	const std::string s_map = s_Bgr(9, 9, 9) + s_Bgr(8, 8, 8); // two 24-bit entries, not used
	ImageHolder gray(p_Load(s_TgaHeader(type_Gray, 2, 1, 8, n_top_down, 2, 24) + s_map + s_Bytes({5, 6})));
	ImageHolder color(p_Load(s_TgaHeader(type_TrueColor, 1, 1, 24, n_top_down, 2, 24) + s_map + s_Bgr(1, 2, 3)));
	ASSERT_TRUE(gray && color);
	EXPECT_EQ(v_Pixels(gray), (std::vector<uint32_t>{n_Pixel(5, 5, 5), n_Pixel(6, 6, 6)}));
	EXPECT_EQ(v_Pixels(color), (std::vector<uint32_t>{n_Pixel(1, 2, 3)}));
	// 15-bit entries take two bytes each
	ImageHolder odd_entries(p_Load(s_TgaHeader(type_Gray, 1, 1, 8, n_top_down, 3, 15) + std::string(6, 'x') + s_Bytes({7})));
	ASSERT_TRUE(odd_entries);
	EXPECT_EQ(v_Pixels(odd_entries), (std::vector<uint32_t>{n_Pixel(7, 7, 7)}));
}

TEST_F(TgaReader, ImageIdIsSkipped)
{
	ImageHolder image(p_Load(s_TgaHeader(type_TrueColor, 1, 1, 24, n_top_down, 0, 0, 0, 5) +
		"hello" + s_Bgr(1, 2, 3)));
	ASSERT_TRUE(image);
	EXPECT_EQ(v_Pixels(image), (std::vector<uint32_t>{n_Pixel(1, 2, 3)}));
}

TEST_F(TgaReader, ImageTypeBitsAboveTheRunLengthFlagAreIgnored)
{
	ImageHolder image(p_Load(s_TgaHeader(0xf0 | type_TrueColorRle, 2, 1, 24, n_top_down) +
		s_Bytes({0x81}) + s_Bgr(1, 2, 3)));
	ASSERT_TRUE(image);
	EXPECT_EQ(v_Pixels(image), (std::vector<uint32_t>{n_Pixel(1, 2, 3), n_Pixel(1, 2, 3)}));
}

TEST_F(TgaReader, RunLengthRowsMixRunsAndLiteralsBottomUp)
{
	// stored bottom row first: a literal pair and a run of two, then a run of three and one literal
	const std::string s_bottom = s_Bytes({0x01}) + s_Bgr(1, 1, 1) + s_Bgr(2, 2, 2) + s_Bytes({0x81}) + s_Bgr(3, 3, 3);
	const std::string s_top = s_Bytes({0x82}) + s_Bgr(255, 0, 0) + s_Bytes({0x00}) + s_Bgr(0, 255, 0);
	ImageHolder image(p_Load(s_TgaHeader(type_TrueColorRle, 4, 2, 24, n_bottom_up) + s_bottom + s_top));
	ASSERT_TRUE(image);
	EXPECT_EQ(v_Pixels(image), (std::vector<uint32_t>{n_red, n_red, n_red, n_green,
		n_Pixel(1, 1, 1), n_Pixel(2, 2, 2), n_Pixel(3, 3, 3), n_Pixel(3, 3, 3)}));
}

TEST_F(TgaReader, RunLengthPacketsCarryValuesOfEveryStoredSize)
{
	struct Case {
		std::string s_header_and_map, s_value_a, s_value_b;
		uint32_t n_a, n_b;
	} cases[] = {
		{s_TgaHeader(type_TrueColorRle, 3, 1, 16, n_top_down), s_Le16(31), s_Le16(31 << 5), n_blue, n_green},
		{s_TgaHeader(type_TrueColorRle, 3, 1, 32, n_top_down), s_Bgra(1, 2, 3, 4), s_Bgra(5, 6, 7, 8),
			n_Pixel(1, 2, 3, 4), n_Pixel(5, 6, 7, 8)},
		{s_TgaHeader(type_MappedRle, 3, 1, 8, n_top_down, 2, 24, 1) + s_Bgr(255, 0, 0) + s_Bgr(0, 0, 255),
			s_Bytes({2}), s_Bytes({1}), n_blue, n_red},
		{s_TgaHeader(type_GrayRle, 3, 1, 8, n_top_down), s_Bytes({40}), s_Bytes({200}),
			n_Pixel(40, 40, 40), n_Pixel(200, 200, 200)},
		{s_TgaHeader(type_GrayRle, 3, 1, 16, n_top_down), s_Bytes({40, 7}), s_Bytes({200, 255}),
			n_Pixel(40, 40, 40, 7), n_Pixel(200, 200, 200)}
	};
	for(const Case &c : cases) {
		SCOPED_TRACE("image type " + std::to_string(uint8_t(c.s_header_and_map[2])) +
			", pixel bits " + std::to_string(uint8_t(c.s_header_and_map[16])));
		ImageHolder image(p_Load(c.s_header_and_map + s_Bytes({0x81}) + c.s_value_a + s_Bytes({0x00}) + c.s_value_b));
		ASSERT_TRUE(image);
		EXPECT_EQ(v_Pixels(image), (std::vector<uint32_t>{c.n_a, c.n_a, c.n_b}));
	}
}

TEST_F(TgaReader, PacketCrossingTheRowEndFailsEvenWhenTheImageHoldsIt)
{
	// 2 x 2 images whose first row ends inside a packet; a packet for the
	// second row follows, so that a reader letting packets cross rows would succeed
	const std::string s_second_row = s_Bytes({0x81, 5});
	const std::string crossings[] = {
		s_Bytes({0x83, 1}), // a run over all four pixels
		s_Bytes({0x00, 1, 0x81, 2}), // a run starting at the last pixel of the row
		s_Bytes({0x02, 1, 2, 3}) // literals
	};
	for(const std::string &s_crossing : crossings) {
		EXPECT_EQ(t_Refusal(s_TgaHeader(type_GrayRle, 2, 2, 8, n_top_down) + s_crossing + s_second_row).n_error,
			LoadError::Corrupt) << "packet bytes " << ::testing::PrintToString(s_crossing);
	}
	EXPECT_TRUE(ImageHolder(p_Load(s_TgaHeader(type_GrayRle, 2, 2, 8, n_top_down) + s_Bytes({0x81, 1}) + s_second_row)));
}

TEST_F(TgaReader, WidestRowsUseFullPacketsOf128Pixels)
{
	// a row of 300 pixels as runs of 128, 128 and 44: the fewest bytes such a file can have
	const std::string s_row = s_Bytes({0xff, 10, 0xff, 20, 0x80 | 43, 30});
	ImageHolder image(p_Load(s_TgaHeader(type_GrayRle, 300, 2, 8, n_top_down) + s_row + s_row));
	ASSERT_TRUE(image);
	for(int x : {0, 127, 128, 255, 256, 299}) {
		const int n_gray = (x < 128)? 10 : (x < 256)? 20 : 30;
		EXPECT_EQ(image->p_pixels[x], n_Pixel(n_gray, n_gray, n_gray)) << "x " << x;
		EXPECT_EQ(image->p_pixels[300 + x], n_Pixel(n_gray, n_gray, n_gray)) << "x " << x;
	}
}

TEST_F(TgaReader, ZeroWidthOrHeightLoadsAsAnEmptyImage)
{
	for(int n_type : {type_TrueColor, type_TrueColorRle, type_Gray, type_Mapped}) {
		SCOPED_TRACE("image type " + std::to_string(n_type));
		const int n_pixel_bits = (n_type == type_Gray)? 16 : 24;
		ImageHolder no_columns(p_Load(s_TgaHeader(n_type, 0, 5, n_pixel_bits, n_top_down)));
		ImageHolder no_rows(p_Load(s_TgaHeader(n_type, 7, 0, n_pixel_bits, n_bottom_up)));
		ASSERT_TRUE(no_columns && no_rows);
		EXPECT_EQ(no_columns->n_width, 0);
		EXPECT_EQ(no_columns->n_height, 5);
		EXPECT_EQ(no_rows->n_width, 7);
		EXPECT_EQ(no_rows->n_height, 0);
	}
}

TEST_F(TgaReader, MissingOrUnreadableFileFailsWithTheSystemsReason)
{
	LoadFailure t_missing, t_directory;
	EXPECT_FALSE(ImageHolder(p_LoadTgaImage(m_dir.s_File("missing.tga").c_str(), &t_missing)));
	EXPECT_FALSE(ImageHolder(p_LoadTgaImage(m_dir.s_Path().c_str(), &t_directory))); // a directory opens but cannot be read
	EXPECT_EQ(t_missing.n_error, LoadError::CannotOpen);
	EXPECT_EQ(t_missing.n_system_error, ENOENT);
	EXPECT_EQ(t_directory.n_error, LoadError::CannotRead);
	EXPECT_EQ(t_directory.n_system_error, EISDIR);
}

TEST_F(TgaReader, ShortHeaderEndsEarly)
{
	for(const std::string &s_file : {std::string(), s_TgaHeader(type_TrueColor, 0, 0, 24, n_top_down).substr(0, 17)}) {
		const LoadFailure t_failure = t_Refusal(s_file);
		EXPECT_EQ(t_failure.n_error, LoadError::EndsEarly);
		EXPECT_STREQ(t_failure.p_s_detail, "in the header");
	}
}

TEST_F(TgaReader, UnsupportedKindsAndSizesAreNamed)
{
	struct Case {
		int n_type, n_pixel_bits, n_map_length, n_entry_bits;
		const char *p_s_kind;
	} cases[] = {
		{0, 8, 0, 0, "TGA image type 0"}, {5, 8, 0, 0, "TGA image type 5"}, {7, 8, 0, 0, "TGA image type 7"},
		{8, 8, 0, 0, "TGA image type 8"}, {12, 8, 0, 0, "TGA image type 12"}, {15, 8, 0, 0, "TGA image type 15"},
		{type_TrueColor, 0, 0, 0, "TGA pixel depth 0"}, {type_TrueColor, 15, 0, 0, "TGA pixel depth 15"},
		{type_TrueColorRle, 33, 0, 0, "TGA pixel depth 33"}, {type_TrueColor, 64, 0, 0, "TGA pixel depth 64"},
		{type_Mapped, 8, 1, 0, "TGA colour map entry size 0"}, {type_Mapped, 8, 1, 8, "TGA colour map entry size 8"},
		{type_Mapped, 8, 1, 15, "TGA colour map entry size 15"}, {type_MappedRle, 8, 1, 64, "TGA colour map entry size 64"},
		{type_Gray, 0, 0, 0, "grayscale TGA of depth 0"}, {type_Gray, 24, 0, 0, "grayscale TGA of depth 24"},
		{type_GrayRle, 32, 0, 0, "grayscale TGA of depth 32"}
	};
	for(const Case &c : cases) {
		// followed by more than enough bytes for any reading of the header
		const LoadFailure t_failure = t_Refusal(s_TgaHeader(c.n_type, 1, 1, c.n_pixel_bits, n_top_down,
			c.n_map_length, c.n_entry_bits) + std::string(16, '\0'));
		EXPECT_EQ(t_failure.n_error, LoadError::Unsupported) << c.p_s_kind;
		EXPECT_STREQ(t_failure.p_s_detail, c.p_s_kind);
	}
}

TEST_F(TgaReader, TruncationAnywhereFails)
{
	const std::string files[] = {
		s_TgaHeader(type_TrueColor, 2, 2, 24, n_bottom_up, 0, 0, 0, 3) + "abc" + std::string(12, '\x55'),
		s_TgaHeader(type_TrueColor, 2, 1, 16, n_top_down) + s_Le16(0x1234) + s_Le16(0x4321),
		s_TgaHeader(type_Mapped, 3, 1, 8, n_top_down, 2, 32) + s_Bgra(1, 2, 3, 4) + s_Bgra(5, 6, 7, 8) + s_Bytes({0, 1, 0}),
		s_TgaHeader(type_Gray, 2, 2, 8, n_top_down, 1, 24) + s_Bgr(0, 0, 0) + s_Bytes({1, 2, 3, 4}),
		s_TgaHeader(type_TrueColorRle, 3, 2, 32, n_top_down) + s_Bytes({0x82}) + s_Bgra(1, 2, 3, 4) +
			s_Bytes({0x02}) + s_Bgra(1, 1, 1, 1) + s_Bgra(2, 2, 2, 2) + s_Bgra(3, 3, 3, 3),
		s_TgaHeader(type_GrayRle, 130, 1, 8, n_top_down) + s_Bytes({0xff, 9, 0x01, 7, 8}),
		s_TgaHeader(type_GrayRle, 3, 1, 16, n_top_down) + s_Bytes({0x81, 9, 8, 0x00, 7, 6})
	};
	for(const std::string &s_file : files) {
		SCOPED_TRACE("image type " + std::to_string(uint8_t(s_file[2])));
		ASSERT_TRUE(ImageHolder(p_Load(s_file))) << "the whole file loads";
		for(size_t n_length = 0; n_length < s_file.size(); ++ n_length)
			EXPECT_EQ(t_Refusal(s_file.substr(0, n_length)).n_error, LoadError::EndsEarly) << "cut to " << n_length << " bytes";
	}
}

TEST_F(TgaReader, HugeClaimedSizeInATinyFileFailsBeforeReadingPixels)
{
	// 16384 x 16384 is within the pixel limit, so the file is too short for it; 65535 x 65535 is not
	for(int n_size : {16384, 65535}) {
		for(int n_type : {type_TrueColor, type_TrueColorRle, type_GrayRle, type_Mapped}) {
			SCOPED_TRACE(std::to_string(n_size) + " pixels square, image type " + std::to_string(n_type));
			const LoadFailure t_failure = t_Refusal(s_TgaHeader(n_type, n_size, n_size, (n_type == type_GrayRle)? 16 : 32,
				n_top_down) + std::string(4096, '\x7f'));
			EXPECT_EQ(t_failure.n_error, (n_size == 16384)? LoadError::EndsEarly : LoadError::TooLarge);
			// the size is named, which the reading of the pixels would not do
			EXPECT_EQ(std::string(t_failure.p_s_detail).rfind(std::to_string(n_size) + " x " + std::to_string(n_size), 0), 0u);
		}
	}
}

TEST_F(TgaReader, SizeAboveThePixelLimitFailsEvenWhenTheFileIsLargeEnough)
{
	// 16385 x 16384 one-byte pixels: one row more than the limit allows, in a sparse file
	const int n_width = 16385, n_height = 16384;
	WriteFile(s_Path(), s_TgaHeader(type_Gray, n_width, n_height, 8, n_top_down));
	ASSERT_EQ(truncate(s_Path().c_str(), off_t(n_tga_header_size) + off_t(n_width) * n_height), 0);
	LoadFailure t_failure;
	EXPECT_FALSE(ImageHolder(p_LoadTgaImage(s_Path().c_str(), &t_failure)));
	EXPECT_EQ(t_failure.n_error, LoadError::TooLarge);
	EXPECT_STREQ(t_failure.p_s_detail, "16385 x 16384");
}

TEST(TgaReaderCorpus, ImageMagickFilesLoadToTheirSourcePixels)
{
	struct Case {
		const char *p_s_file, *p_s_source;
		bool b_grayscale, b_alpha;
	} cases[] = {
		{"color24_bottom_up.tga", "source_color.pam", false, false},
		{"color24_top_down_id.tga", "source_color.pam", false, false},
		{"color24_rle_bottom_up.tga", "source_color.pam", false, false},
		{"color24_rle_top_down.tga", "source_color.pam", false, false},
		{"mapped_bottom_up.tga", "source_color.pam", false, false},
		{"mapped_rle_top_down.tga", "source_color.pam", false, false},
		{"alpha32_bottom_up.tga", "source_alpha.pam", false, true},
		{"alpha32_rle_top_down.tga", "source_alpha.pam", false, true},
		{"gray_bottom_up.tga", "source_gray.pam", true, false},
		{"gray_rle_top_down_id.tga", "source_gray.pam", true, false}
	};
	const std::string s_dir = std::string(PIXMOLD_TEST_DATA_DIR) + "/tga/";
	for(const Case &c : cases) {
		SCOPED_TRACE(c.p_s_file);
		ImageHolder source(p_ParsePamImage(s_ReadFile(s_dir + c.p_s_source)));
		ImageHolder image(p_LoadTgaImage((s_dir + c.p_s_file).c_str()));
		ASSERT_TRUE(source && image);
		EXPECT_TRUE(SamePixels(*image.p_image, *source.p_image));
		EXPECT_EQ(image->b_grayscale, c.b_grayscale);
		EXPECT_EQ(image->b_alpha, c.b_alpha);
		EXPECT_EQ(image->n_channel_bits, 8);
	}
}

} // namespace
