#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "image/tga_format.h"
#include "image/tga_reader.h"
#include "image/tga_writer.h"
#include "support/test_support.h"
#include "image/tga_test_support.h"

namespace {

/** @brief a gray image without alpha, one row per list, each value v stored as the pixel (v, v, v) */
RasterImage *p_GrayImage(const std::vector<std::vector<int>> &r_rows)
{
	RasterImage *p_image = p_NewRasterImage(int(r_rows.front().size()), int(r_rows.size()));
	if(!p_image)
		return nullptr;
	p_image->b_grayscale = true;
	uint32_t *p_pixel = p_image->p_pixels;
	for(const std::vector<int> &r_row : r_rows) {
		for(int n_value : r_row)
			*p_pixel ++ = n_Pixel(n_value, n_value, n_value);
	}
	return p_image;
}

/** @brief a gray picture with flat stretches, pairs, short runs and rows wider than a packet */
RasterImage *p_GrayTestPicture(int n_width, int n_height)
{
	ImageHolder picture(p_MakeTestPicture(n_width, n_height, 7));
	if(!picture)
		return nullptr;
	RasterImage *p_image = p_NewRasterImage(n_width, n_height);
	if(!p_image)
		return nullptr;
	p_image->b_grayscale = true;
	for(int i = 0; i < n_width * n_height; ++ i) {
		// quantised to a few levels, so that runs of every length occur
		const int n_gray = int(picture->p_pixels[i] & 0xff) & 0xe0;
		p_image->p_pixels[i] = n_Pixel(n_gray, n_gray, n_gray);
	}
	return p_image;
}

class TgaWriter : public ::testing::Test {
protected:
	TempDir m_dir;

	std::string s_Path() const { return m_dir.s_File("out.tga"); }

	/** @brief the file the writer makes of an image, or an empty string when it fails */
	std::string s_Saved(const RasterImage &r_image)
	{
		return (b_SaveTgaImage(s_Path().c_str(), r_image))? s_ReadFile(s_Path()) : std::string();
	}

	/** @brief the packets the writer makes of a one-row gray image */
	std::string s_GrayPackets(const std::vector<int> &r_row)
	{
		ImageHolder image(p_GrayImage({r_row}));
		const std::string s_file = s_Saved(*image.p_image);
		return (s_file.size() < n_tga_header_size)? std::string() : s_file.substr(n_tga_header_size);
	}
};

TEST_F(TgaWriter, ColorImagesAreStoredTopDownAsBgrOrBgra)
{
	ImageHolder image(p_NewRasterImage(2, 2));
	ASSERT_TRUE(image);
	const uint32_t p_pixels[] = {n_Pixel(1, 2, 3, 4), n_Pixel(5, 6, 7, 8), n_Pixel(9, 10, 11, 12), n_Pixel(13, 14, 15, 16)};
	std::copy(p_pixels, p_pixels + 4, image->p_pixels);
	EXPECT_EQ(s_Saved(*image.p_image), s_TgaHeader(2, 2, 2, 24, 0x20) +
		s_Bytes({3, 2, 1, 7, 6, 5, 11, 10, 9, 15, 14, 13}));
	image->b_alpha = true;
	EXPECT_EQ(s_Saved(*image.p_image), s_TgaHeader(2, 2, 2, 32, 0x20) +
		s_Bytes({3, 2, 1, 4, 7, 6, 5, 8, 11, 10, 9, 12, 15, 14, 13, 16}));
	// gray with alpha has no run-length form: it is stored as colour
	image->b_grayscale = true;
	EXPECT_EQ(s_Saved(*image.p_image).substr(0, n_tga_header_size), s_TgaHeader(2, 2, 2, 32, 0x20));
}

TEST_F(TgaWriter, GrayImagesWithoutAlphaAreRunLengthCodedFromTheBlueByte)
{
	ImageHolder image(p_NewRasterImage(3, 1));
	ASSERT_TRUE(image);
	image->b_grayscale = true;
	for(int i = 0; i < 3; ++ i)
		image->p_pixels[i] = n_Pixel(1, 2, 40 + i);
	EXPECT_EQ(s_Saved(*image.p_image), s_TgaHeader(11, 3, 1, 8, 0x20) + s_Bytes({0x02, 40, 41, 42}));
}

TEST_F(TgaWriter, GrayRunThenLiteral)
{
	EXPECT_EQ(s_GrayPackets({7, 7, 7, 7, 9}), s_Bytes({0x83, 7, 0x00, 9}));
}

TEST_F(TgaWriter, LiteralEndsWhereThreeEqualValuesBegin)
{
	EXPECT_EQ(s_GrayPackets({1, 2, 3, 3, 3}), s_Bytes({0x01, 1, 2, 0x82, 3}));
	EXPECT_EQ(s_GrayPackets({1, 3, 3, 3}), s_Bytes({0x00, 1, 0x82, 3}));
}

TEST_F(TgaWriter, PairsStayInsideLiterals)
{
	EXPECT_EQ(s_GrayPackets({1, 1, 2, 2, 3}), s_Bytes({0x04, 1, 1, 2, 2, 3}));
	EXPECT_EQ(s_GrayPackets({5, 5}), s_Bytes({0x01, 5, 5}));
}

TEST_F(TgaWriter, RowOf300EqualValuesIsRunsOf128_128_44)
{
	EXPECT_EQ(s_GrayPackets(std::vector<int>(300, 9)), s_Bytes({0xff, 9, 0xff, 9, 0x80 | 43, 9}));
}

TEST_F(TgaWriter, LiteralsStopAt128Values)
{
	std::vector<int> row;
	for(int i = 0; i < 130; ++ i)
		row.push_back(i);
	const std::string s_packets = s_GrayPackets(row);
	ASSERT_EQ(s_packets.size(), 1 + 128 + 1 + 2u);
	EXPECT_EQ(uint8_t(s_packets[0]), 0x7f);
	EXPECT_EQ(uint8_t(s_packets[129]), 0x01);
	EXPECT_EQ(s_packets.substr(130), s_Bytes({128, 129}));
}

TEST_F(TgaWriter, ThreeEqualValuesAcrossThePacketLimitStayLiteral)
{
	// values 126, 127 and 128 are equal, but the first packet can hold only two of them
	std::vector<int> row;
	for(int i = 0; i < 129; ++ i)
		row.push_back((i >= 126)? 200 : i);
	const std::string s_packets = s_GrayPackets(row);
	ASSERT_EQ(s_packets.size(), 1 + 128 + 1 + 1u);
	EXPECT_EQ(uint8_t(s_packets[0]), 0x7f);
	EXPECT_EQ(s_packets.substr(129), s_Bytes({0x00, 200}));
}

TEST_F(TgaWriter, EveryRowIsCodedByItself)
{
	ImageHolder image(p_GrayImage({{4, 4}, {4, 4}}));
	EXPECT_EQ(s_Saved(*image.p_image), s_TgaHeader(11, 2, 2, 8, 0x20) + s_Bytes({0x01, 4, 4, 0x01, 4, 4}));
}

/** The three kinds of image the writer stores differently. */
const char *const p_image_kind_list[] = {"colour", "colour with alpha", "grayscale"};

/** @brief a test picture of one kind (an index into p_image_kind_list) */
RasterImage *p_KindPicture(int n_kind, int n_width, int n_height)
{
	return (n_kind == 2)? p_GrayTestPicture(n_width, n_height) : p_MakeTestPicture(n_width, n_height, 1, n_kind == 1);
}

TEST_F(TgaWriter, ReaderGetsBackEveryKindOfImage)
{
	for(int n_kind = 0; n_kind < 3; ++ n_kind) {
		SCOPED_TRACE(p_image_kind_list[n_kind]);
		ImageHolder original(p_KindPicture(n_kind, 301, 9));
		ASSERT_TRUE(original);
		ASSERT_TRUE(b_SaveTgaImage(s_Path().c_str(), *original.p_image));
		ImageHolder loaded(p_LoadTgaImage(s_Path().c_str()));
		ASSERT_TRUE(loaded);
		EXPECT_TRUE(SamePixels(*loaded.p_image, *original.p_image));
		EXPECT_EQ(loaded->b_grayscale, original->b_grayscale);
		EXPECT_EQ(loaded->b_alpha, original->b_alpha);
	}
}

TEST_F(TgaWriter, ImageMagickReadsTheSamePixels)
{
	if(!b_FileExists(p_s_image_magick))
		GTEST_SKIP() << p_s_image_magick << " is not installed; cannot check the files with another reader";
	const std::string s_pam = m_dir.s_File("out.pam");
	for(int n_kind = 0; n_kind < 3; ++ n_kind) {
		SCOPED_TRACE(p_image_kind_list[n_kind]);
		ImageHolder original(p_KindPicture(n_kind, 150, 5));
		ASSERT_TRUE(original);
		ASSERT_TRUE(b_SaveTgaImage(s_Path().c_str(), *original.p_image));
		const ProcessResult result = RunProcess({p_s_image_magick, s_Path(), s_pam}, "");
		ASSERT_EQ(result.n_status, 0) << result.s_err;
		ImageHolder decoded(p_ParsePamImage(s_ReadFile(s_pam)));
		ASSERT_TRUE(decoded);
		EXPECT_TRUE(SamePixels(*decoded.p_image, *original.p_image));
	}
}

TEST_F(TgaWriter, FileThatCannotBeCreatedFails)
{
	ImageHolder image(p_GrayImage({{1, 2, 3}}));
	EXPECT_FALSE(b_SaveTgaImage(m_dir.s_File("no/such/dir.tga").c_str(), *image.p_image));
}

TEST_F(TgaWriter, WriteToAFullDiskFails)
{
	if(!b_FileExists("/dev/full"))
		GTEST_SKIP() << "/dev/full is not available";
	ImageHolder image(p_MakeTestPicture(4, 4, 5));
	ASSERT_TRUE(image);
	EXPECT_FALSE(b_SaveTgaImage("/dev/full", *image.p_image));
}

} // namespace
