#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "compress/base64.h"
#include "compress/byte_buffer.h"
#include "compress/color_transform.h"
#include "compress/crc32.h"
#include "compress/stream_format.h"
#include "support/test_support.h"
#include "verify/decoder_oracle.h"
#include "verify/raster_rebuild.h"

namespace {

typedef std::vector<uint8_t> Bytes;
typedef std::vector<uint32_t> Pixels;

PlaneSettings Settings(bool b_gray, bool b_alpha, bool b_lossless, int n_subsample,
	int n_chroma_bpp = 8, int n_alpha_bpp = 8)
{
	return PlaneSettings{b_gray, b_alpha, b_lossless, n_subsample, n_chroma_bpp, n_alpha_bpp};
}

// lossy Y, cb, cr: red 76, 85, 255; green 149, 44, 22; blue 29, 255, 108;
// purple 127, 200, 219; mid-gray 127, 128, 128; white 255, 128, 128; black 0, 128, 128
const uint32_t n_red = n_Pixel(255, 0, 0), n_green = n_Pixel(0, 255, 0), n_blue = n_Pixel(0, 0, 255);
const uint32_t n_purple = n_Pixel(255, 37, 255), n_mid_gray = n_Pixel(127, 127, 127);
const uint32_t n_white = n_Pixel(255, 255, 255), n_black = n_Pixel(0, 0, 0);

RasterImage *p_ImageOf(int n_width, int n_height, const Pixels &r_pixels)
{
	RasterImage *p_image = p_NewRasterImage(n_width, n_height);
	for(size_t i = 0; i < size_t(n_width) * size_t(n_height); ++ i)
		p_image->p_pixels[i] = r_pixels[i % r_pixels.size()];
	return p_image;
}

Bytes Planes(const RasterImage &r_image, const PlaneSettings &r_settings)
{
	ByteBuffer buffer;
	EXPECT_TRUE(b_BuildPlanes(r_image, r_settings, buffer));
	EXPECT_EQ(buffer.n_Size(), MakePlaneLayout(r_image.n_width, r_image.n_height,
		r_settings.n_subsample, n_ColorType(r_settings)).n_image_data_size);
	return Bytes(buffer.p_Data(), buffer.p_Data() + buffer.n_Size());
}

/** @brief the U plane (n_plane 0) or the V plane (1) of lossy planes without alpha */
Bytes Chroma(const RasterImage &r_image, int n_subsample, int n_plane, int n_chroma_bpp = 8)
{
	const Bytes planes = Planes(r_image, Settings(false, false, false, n_subsample, n_chroma_bpp));
	const size_t n_image_size = size_t(r_image.n_width) * size_t(r_image.n_height);
	const size_t n_chroma_size = (planes.size() - n_image_size) / 2;
	return Bytes(planes.begin() + n_image_size + n_plane * n_chroma_size,
		planes.begin() + n_image_size + (n_plane + 1) * n_chroma_size);
}

/**
 *	@brief decodes unpredicted planes with the decoder that headers carry and
 *		with the reference decoder, which must agree: the planes go in as
 *		literal run-length packets, under a Huffman code that codes every byte
 *		value as itself in 8 bits
 */
Pixels Decoded(const Bytes &r_planes, int n_width, int n_height, const PlaneSettings &r_settings)
{
	Bytes stream(n_code_table_size, 0);
	stream[4 * 7 + 1] = 1; // 256 codes of 8 bits
	for(int n_symbol = 0; n_symbol < 256; ++ n_symbol)
		stream.push_back(uint8_t(n_symbol));
	const size_t n_symbol_end = stream.size();
	for(size_t i = 0; i < r_planes.size(); i += 128) {
		const size_t n_literal = std::min(size_t(128), r_planes.size() - i);
		stream.push_back(uint8_t(2 * n_literal - 2));
		stream.insert(stream.end(), r_planes.begin() + i, r_planes.begin() + i + n_literal);
	}
	const DecodeParams params = {n_width, n_height, stream.size() - n_symbol_end,
		pred_None, pred_None, pred_None, r_settings.n_subsample, n_ColorType(r_settings)};
	std::string s_text;
	EXPECT_TRUE(b_Base64EncodeString(stream.data(), stream.size(), s_text));
	const Pixels raster = DecodedByEveryDecoder(false, s_text, params);
	EXPECT_FALSE(raster.empty());
	return raster;
}

} // namespace

TEST(GrayscaleConversion, PutsLumaInEveryChannelAndKeepsOrDropsAlpha)
{
	const Pixels pixels = {n_Pixel(255, 0, 0, 10), n_Pixel(0, 255, 0, 200), n_Pixel(0, 0, 255, 0),
		n_white, n_black, n_Pixel(127, 127, 127, 99)};
	const int p_luma[] = {76, 149, 29, 255, 0, 127};
	for(bool b_keep_alpha : {true, false}) {
		ImageHolder image(p_ImageOf(6, 1, pixels));
		ConvertToGrayscale(*image.p_image, b_keep_alpha);
		EXPECT_TRUE(image->b_grayscale);
		for(int i = 0; i < 6; ++ i) {
			const int a = (b_keep_alpha)? int(pixels[i] >> 24) : 255;
			EXPECT_EQ(image->p_pixels[i], n_Pixel(p_luma[i], p_luma[i], p_luma[i], a)) << i;
		}
	}
}

TEST(BitDepth, WorkedExamples)
{
	struct { uint8_t n_byte; int n_bits; uint8_t n_reduced; } case_list[] = {
		{0xab, 8, 0xab}, {0xab, 4, 0xaa}, {0xab, 5, 0xad}, {0x80, 6, 0x82}, {0x80, 4, 0x88},
		{0xc0, 3, 0xc0 | 0x18 | 0x03}, {0x80, 2, 0x80 | 0x20 | 0x08},
		{0x40, 1, 0x34}, {0x80, 1, 0xe8}, {0xc0, 1, 0xfc}};
	for(const auto &r_case : case_list) {
		// a 3 x 1 plane in a 4-byte array: the fourth byte is not touched
		Bytes bytes(4, r_case.n_byte);
		ReduceBitDepth(bytes.data(), 3, 1, r_case.n_bits);
		EXPECT_EQ(bytes, Bytes({r_case.n_reduced, r_case.n_reduced, r_case.n_reduced, r_case.n_byte}))
			<< int(r_case.n_byte) << " to " << r_case.n_bits << " bits";
	}
}

TEST(GrayPlanes, RedBytesThenAlpha)
{
	ImageHolder image(p_ImageOf(3, 1, {n_Pixel(10, 11, 12, 0xab), n_Pixel(200, 0, 0, 0), n_Pixel(77, 77, 77)}));
	EXPECT_EQ(Planes(*image.p_image, Settings(true, true, false, 2)), Bytes({10, 200, 77, 0xab, 0, 0xff}));
	EXPECT_EQ(Planes(*image.p_image, Settings(true, true, false, 2, 8, 4)), Bytes({10, 200, 77, 0xaa, 0, 0xff}));
	EXPECT_EQ(Planes(*image.p_image, Settings(true, false, false, 2)), Bytes({10, 200, 77}));
}

TEST(LossyPlanes, SubsampleOneChromaIsEachPixelsOwn)
{
	ImageHolder image(p_ImageOf(3, 2, {n_red, n_green, n_blue, n_purple, n_white, n_black}));
	EXPECT_EQ(Planes(*image.p_image, Settings(false, false, false, 1)), Bytes({
		76, 149, 29, 127, 255, 0, // Y
		85, 44, 255, 200, 128, 128, // U
		255, 22, 108, 219, 128, 128})); // V
}

TEST(LossyPlanes, GrayPixelsHaveNeutralChromaAtEveryLevel)
{
	Pixels pixels;
	for(int v = 0; v < 256; ++ v)
		pixels.push_back(n_Pixel(v, v, v));
	ImageHolder image(p_ImageOf(256, 1, pixels));
	const Bytes planes = Planes(*image.p_image, Settings(false, false, false, 1));
	for(int v = 0; v < 256; ++ v)
		EXPECT_EQ(planes[v], v);
	EXPECT_EQ(Bytes(planes.begin() + 256, planes.end()), Bytes(512, 128));
	// bit-depth reduction then tints them
	EXPECT_EQ(Chroma(*image.p_image, 1, 0, 6), Bytes(256, 0x82));
	EXPECT_EQ(Chroma(*image.p_image, 1, 1, 4), Bytes(256, 0x88));
	EXPECT_EQ(Chroma(*image.p_image, 1, 1, 1), Bytes(256, 0xe8));
}

TEST(LossyPlanes, BlockChromaIsTheLumaWeightedMeanOverClampedPositions)
{
	const uint32_t R = n_red, G = n_green, B = n_blue, P = n_purple, W = n_white, K = n_black;
	const Pixels five_by_three = {G, W, K, P, R, W, K, P, G, R, B, B, B, B, B};
	struct {
		const char *p_s_what;
		int n_width, n_height, n_subsample;
		Pixels pixels;
		Bytes u, v;
	} case_list[] = {
		{"5 x 3, s = 2: chroma column 2 holds image column 4, chroma row 1 image row 2",
			5, 3, 2, five_by_three, {44, 160, 85, 255, 255, 255}, {22, 168, 255, 108, 108, 108}},
		{"s = 3 over 5 columns visits x = 3, 4, 4: blue weighs twice (108 and 234 if once)",
			5, 1, 3, {G, W, K, R, B}, {44, 125}, {22, 219}},
		{"mid-tones dominate: weights 16641 and 961 (a plain mean gives 191 and 118)",
			2, 1, 2, {n_mid_gray, B}, {134}, {126}}
	};
	for(const auto &r_case : case_list) {
		ImageHolder image(p_ImageOf(r_case.n_width, r_case.n_height, r_case.pixels));
		EXPECT_EQ(Chroma(*image.p_image, r_case.n_subsample, 0), r_case.u) << r_case.p_s_what;
		EXPECT_EQ(Chroma(*image.p_image, r_case.n_subsample, 1), r_case.v) << r_case.p_s_what;
	}
}

TEST(LossyPlanes, LargeFactorsKeepExactWeightedSums)
{
	// purple has the largest weight * chroma of any colour: from s = 25 on, a
	// block of it overflows 32-bit sums
	for(int s : {23, 25, 64, 256}) {
		ImageHolder image(p_ImageOf(300, 70, {n_purple}));
		EXPECT_EQ(Chroma(*image.p_image, s, 0), Bytes(((300 + s - 1) / s) * ((70 + s - 1) / s), 200)) << s;
		EXPECT_EQ(Chroma(*image.p_image, s, 1), Bytes(((300 + s - 1) / s) * ((70 + s - 1) / s), 219)) << s;
	}
	// left half purple, right half mid-gray, both of weight 16641: the means
	// of 200 and 128, and of 219 and 128 rounded down
	for(int s : {64, 256}) {
		Pixels row(s / 2, n_purple);
		row.resize(s, n_mid_gray);
		ImageHolder image(p_ImageOf(s, s, row));
		EXPECT_EQ(Chroma(*image.p_image, s, 0), Bytes({164})) << s;
		EXPECT_EQ(Chroma(*image.p_image, s, 1), Bytes({173})) << s;
	}
}

TEST(LosslessPlanes, BlockChromaIsTheUpperMedianOfUnsignedBytes)
{
	// v = B - R: 5, -3, 100, -100 -> as bytes 5, 100, 156, 253 -> 156
	// u = R + (v >> 1) - G: 2, -2, -100, -106 -> as bytes 2, 150, 156, 254 -> 156
	// (a signed sort would pick 100 and 254, the lower median 100 and 150)
	ImageHolder image(p_ImageOf(2, 2, {n_Pixel(100, 100, 105), n_Pixel(100, 100, 97),
		n_Pixel(100, 250, 200), n_Pixel(200, 0, 100)}));
	EXPECT_EQ(Planes(*image.p_image, Settings(false, false, true, 2)), Bytes({101, 99, 200, 203, 156, 156}));
}

TEST(LosslessPlanes, SubsampleOneReconstructsEveryPixel)
{
	ImageHolder image(p_MakeTestPicture(67, 41, 9, true));
	image->p_pixels[0] = n_Pixel(0, 255, 0, 0);
	image->p_pixels[1] = n_Pixel(255, 0, 255, 255);
	const PlaneSettings settings = Settings(false, true, true, 1);
	const Bytes planes = Planes(*image.p_image, settings);
	EXPECT_EQ(Decoded(planes, 67, 41, settings), Pixels(image->p_pixels, image->p_pixels + 67 * 41));
}

TEST(RebuiltRasterChecksum, MatchesTheDecodedRasterInEveryMode)
{
	struct { const char *p_s_name; PlaneSettings settings; } case_list[] = {
		{"gray", Settings(true, false, false, 2)},
		{"gray alpha", Settings(true, true, false, 2, 8, 3)},
		{"lossy", Settings(false, false, false, 2, 6)},
		{"lossy s1", Settings(false, false, false, 1)},
		{"lossy alpha, low depths", Settings(false, true, false, 3, 3, 5)},
		{"lossy s7, one bit", Settings(false, false, false, 7, 1)},
		{"lossless", Settings(false, false, true, 1)},
		{"lossless alpha s2", Settings(false, true, true, 2)},
		{"lossless s2 reduced", Settings(false, false, true, 2, 6)}
	};
	// chunks of hashed pixels: 32 x 32 fills them exactly, 67 x 41 does not
	const int p_size_list[][2] = {{1, 1}, {5, 3}, {2, 7}, {32, 32}, {67, 41}};
	for(const auto &r_size : p_size_list) {
		const int n_width = r_size[0], n_height = r_size[1];
		ImageHolder image(p_MakeTestPicture(n_width, n_height, 3, true));
		image->p_pixels[0] = n_Pixel(255, 0, 255, 17); // saturated: colour clamping
		for(const auto &r_case : case_list) {
			const Bytes planes = Planes(*image.p_image, r_case.settings);
			SCOPED_TRACE(std::string(r_case.p_s_name) + ", " + std::to_string(n_width) + " x " +
				std::to_string(n_height));
			const Pixels decoded = Decoded(planes, n_width, n_height, r_case.settings);
			EXPECT_EQ(n_RebuiltRasterChecksum(planes.data(), DecodeParams{n_width, n_height, 0, pred_None, pred_None,
				pred_None, r_case.settings.n_subsample, n_ColorType(r_case.settings)}),
				n_Crc32_Raster(decoded.data(), n_width, n_height));
		}
	}
}
