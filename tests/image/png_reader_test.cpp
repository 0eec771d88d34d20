// PNG reader tests. Besides the normal build they are run under
// -fsanitize=address,undefined, where every refused file must also leak nothing.

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <string>
#include <tuple>
#include <vector>

#include <png.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include "compress/crc32.h"
#include "image/png_reader.h"
#include "support/test_support.h"

namespace {

/** A picture as libpng is to store it: one unpacked sample per channel, at the file's bit depth. */
struct PngPicture {
	int n_width, n_height;
	int n_color_type, n_bit_depth;
	bool b_interlaced;
	std::vector<uint16_t> samples; // row-major, channels of a pixel together
	std::vector<png_color> palette;
	std::vector<png_byte> palette_alpha; // tRNS of a palette file, may be shorter than the palette
	bool b_color_key;
	png_color_16 color_key; // tRNS of a gray or RGB file
};

int n_ChannelNum(int n_color_type)
{
	switch(n_color_type) {
	case PNG_COLOR_TYPE_GRAY_ALPHA: return 2;
	case PNG_COLOR_TYPE_RGB: return 3;
	case PNG_COLOR_TYPE_RGB_ALPHA: return 4;
	default: return 1; // gray, palette
	}
}

uint16_t n_Sample(int x, int y, int n_channel, int n_bit_depth)
{
	uint32_t n = uint32_t(x) * 73856093U ^ uint32_t(y) * 19349663U ^ uint32_t(n_channel + 1) * 83492791U;
	n ^= n >> 13;
	n *= 0x5bd1e995U;
	n ^= n >> 15;
	return uint16_t(n & ((1U << n_bit_depth) - 1));
}

/** @brief a picture of varied samples; with b_trns, a tRNS chunk that some pixels match */
PngPicture MakePicture(int n_width, int n_height, int n_color_type, int n_bit_depth,
	bool b_trns, bool b_interlaced)
{
	PngPicture pic{n_width, n_height, n_color_type, n_bit_depth, b_interlaced, {}, {}, {}, false, {}};
	const int n_channel_num = n_ChannelNum(n_color_type);
	for(int y = 0; y < n_height; ++ y) {
		for(int x = 0; x < n_width; ++ x) {
			for(int c = 0; c < n_channel_num; ++ c)
				pic.samples.push_back(n_Sample(x, y, c, n_bit_depth));
		}
	}
	if(n_color_type == PNG_COLOR_TYPE_PALETTE) {
		const int n_entry_num = 1 << n_bit_depth;
		for(int i = 0; i < n_entry_num; ++ i)
			pic.palette.push_back(png_color{png_byte(i * 37 + 11), png_byte(i * 91 + 5), png_byte(255 - i * 13)});
		for(int i = 0; b_trns && i < std::max(1, n_entry_num / 2); ++ i)
			pic.palette_alpha.push_back(png_byte(i * 97));
	} else if(b_trns) {
		// the key is the colour of one pixel of the picture, so it is sure to occur
		const size_t n_key = size_t(1 * n_width + 2) * n_channel_num;
		pic.b_color_key = true;
		pic.color_key.gray = pic.samples[n_key];
		if(n_color_type == PNG_COLOR_TYPE_RGB) {
			pic.color_key.red = pic.samples[n_key];
			pic.color_key.green = pic.samples[n_key + 1];
			pic.color_key.blue = pic.samples[n_key + 2];
		}
	}
	return pic;
}

uint8_t n_To8Bits(unsigned n_sample, int n_bit_depth)
{
	if(n_bit_depth == 16)
		return uint8_t(n_sample >> 8);
	return uint8_t(n_sample * 255 / ((1U << n_bit_depth) - 1));
}

/** @brief the raster word a pixel of the picture must load as */
uint32_t n_ExpectedPixel(const PngPicture &r_pic, int x, int y)
{
	const int n_depth = r_pic.n_bit_depth;
	const uint16_t *s = &r_pic.samples[size_t(y * r_pic.n_width + x) * n_ChannelNum(r_pic.n_color_type)];
	switch(r_pic.n_color_type) {
	case PNG_COLOR_TYPE_PALETTE: {
		const png_color &r_entry = r_pic.palette[s[0]];
		return n_Pixel(r_entry.red, r_entry.green, r_entry.blue,
			(s[0] < r_pic.palette_alpha.size())? r_pic.palette_alpha[s[0]] : 255);
	}
	case PNG_COLOR_TYPE_GRAY: {
		const uint8_t g = n_To8Bits(s[0], n_depth);
		return n_Pixel(g, g, g, (r_pic.b_color_key && s[0] == r_pic.color_key.gray)? 0 : 255);
	}
	case PNG_COLOR_TYPE_GRAY_ALPHA: {
		const uint8_t g = n_To8Bits(s[0], n_depth);
		return n_Pixel(g, g, g, n_To8Bits(s[1], n_depth));
	}
	case PNG_COLOR_TYPE_RGB: {
		const bool b_keyed = r_pic.b_color_key && s[0] == r_pic.color_key.red &&
			s[1] == r_pic.color_key.green && s[2] == r_pic.color_key.blue;
		return n_Pixel(n_To8Bits(s[0], n_depth), n_To8Bits(s[1], n_depth),
			n_To8Bits(s[2], n_depth), (b_keyed)? 0 : 255);
	}
	default:
		return n_Pixel(n_To8Bits(s[0], n_depth), n_To8Bits(s[1], n_depth),
			n_To8Bits(s[2], n_depth), n_To8Bits(s[3], n_depth));
	}
}

/** @brief one file row: samples below 8 bits packed from the top bit down, 16-bit samples big-endian */
std::vector<png_byte> PackedRow(const PngPicture &r_pic, int y)
{
	const int n_sample_num = r_pic.n_width * n_ChannelNum(r_pic.n_color_type);
	const uint16_t *p_sample = &r_pic.samples[size_t(y) * n_sample_num];
	const int n_depth = r_pic.n_bit_depth;
	std::vector<png_byte> row;
	for(int i = 0; i < n_sample_num; ++ i) {
		if(n_depth == 16) {
			row.push_back(png_byte(p_sample[i] >> 8));
			row.push_back(png_byte(p_sample[i]));
		} else if(n_depth == 8)
			row.push_back(png_byte(p_sample[i]));
		else {
			const int n_per_byte = 8 / n_depth;
			if(!(i % n_per_byte))
				row.push_back(0);
			row.back() |= png_byte(p_sample[i] << (8 - n_depth * (i % n_per_byte + 1)));
		}
	}
	return row;
}

bool b_WritePngBody(png_structp p_png, png_infop p_info, FILE *p_file, const PngPicture &r_pic,
	png_bytepp p_row_list, int n_compression_level)
{
	if(setjmp(png_jmpbuf(p_png)))
		return false;
	png_init_io(p_png, p_file);
	png_set_user_limits(p_png, PNG_UINT_31_MAX, PNG_UINT_31_MAX); // rows wider than libpng's default limit
	png_set_compression_level(p_png, n_compression_level);
	png_set_IHDR(p_png, p_info, r_pic.n_width, r_pic.n_height, r_pic.n_bit_depth, r_pic.n_color_type,
		(r_pic.b_interlaced)? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
		PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
	if(!r_pic.palette.empty())
		png_set_PLTE(p_png, p_info, r_pic.palette.data(), int(r_pic.palette.size()));
	if(!r_pic.palette_alpha.empty())
		png_set_tRNS(p_png, p_info, r_pic.palette_alpha.data(), int(r_pic.palette_alpha.size()), nullptr);
	if(r_pic.b_color_key)
		png_set_tRNS(p_png, p_info, nullptr, 0, &r_pic.color_key);
	png_write_info(p_png, p_info);
	png_write_image(p_png, p_row_list);
	png_write_end(p_png, p_info);
	return true;
}

/** @brief writes the picture with libpng itself */
void WritePng(const std::string &s_path, const PngPicture &r_pic, int n_compression_level = Z_DEFAULT_COMPRESSION)
{
	std::vector<std::vector<png_byte>> rows;
	std::vector<png_bytep> row_list;
	for(int y = 0; y < r_pic.n_height; ++ y)
		rows.push_back(PackedRow(r_pic, y));
	for(std::vector<png_byte> &r_row : rows)
		row_list.push_back(r_row.data());
	FILE *p_file = fopen(s_path.c_str(), "wb");
	ASSERT_TRUE(p_file);
	png_structp p_png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
	png_infop p_info = (p_png)? png_create_info_struct(p_png) : nullptr;
	const bool b_written = p_info && b_WritePngBody(p_png, p_info, p_file, r_pic, row_list.data(), n_compression_level);
	png_destroy_write_struct(&p_png, &p_info);
	fclose(p_file);
	ASSERT_TRUE(b_written);
}

/** @brief loads a file, failing the test when the reader prints anything */
RasterImage *p_LoadPngQuietly(const std::string &s_path, LoadFailure *p_failure = nullptr)
{
	testing::internal::CaptureStdout();
	testing::internal::CaptureStderr();
	RasterImage *p_image = p_LoadPngImage(s_path.c_str(), p_failure);
	EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
	EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
	return p_image;
}

/** @brief writes the bytes as a file, which must be refused, and returns the reason */
LoadFailure t_PngRefusal(const TempDir &r_dir, const std::string &s_bytes)
{
	WriteFile(r_dir.s_File("refused.png"), s_bytes);
	LoadFailure t_failure;
	EXPECT_FALSE(ImageHolder(p_LoadPngQuietly(r_dir.s_File("refused.png"), &t_failure)));
	return t_failure;
}

void ExpectPicturePixels(const PngPicture &r_pic, const RasterImage &r_image)
{
	ASSERT_EQ(r_image.n_width, r_pic.n_width);
	ASSERT_EQ(r_image.n_height, r_pic.n_height);
	int n_wrong_num = 0;
	for(int y = 0; y < r_pic.n_height; ++ y) {
		for(int x = 0; x < r_pic.n_width; ++ x) {
			const uint32_t n_pixel = r_image.p_pixels[y * r_image.n_width + x];
			if(n_pixel != n_ExpectedPixel(r_pic, x, y) && ++ n_wrong_num <= 3) {
				ADD_FAILURE() << "pixel " << x << ", " << y << ": " << std::hex << n_pixel <<
					" instead of " << n_ExpectedPixel(r_pic, x, y);
			}
		}
	}
	EXPECT_EQ(n_wrong_num, 0);
}

struct PngFormat {
	const char *p_s_name;
	int n_color_type, n_bit_depth;
	bool b_trns;
	bool b_grayscale, b_alpha; // what the loaded image must report
};

const PngFormat p_format_list[] = {
	// gray below 8 bits arrives as RGB
	{"Gray1", PNG_COLOR_TYPE_GRAY, 1, false, false, false},
	{"Gray2", PNG_COLOR_TYPE_GRAY, 2, false, false, false},
	{"Gray4", PNG_COLOR_TYPE_GRAY, 4, false, false, false},
	{"Gray8", PNG_COLOR_TYPE_GRAY, 8, false, true, false},
	{"Gray16", PNG_COLOR_TYPE_GRAY, 16, false, true, false},
	{"Gray2Trns", PNG_COLOR_TYPE_GRAY, 2, true, false, true},
	{"Gray8Trns", PNG_COLOR_TYPE_GRAY, 8, true, true, true},
	{"GrayAlpha8", PNG_COLOR_TYPE_GRAY_ALPHA, 8, false, true, true},
	{"GrayAlpha16", PNG_COLOR_TYPE_GRAY_ALPHA, 16, false, true, true},
	{"Rgb8", PNG_COLOR_TYPE_RGB, 8, false, false, false},
	{"Rgb16", PNG_COLOR_TYPE_RGB, 16, false, false, false},
	{"Rgb8Trns", PNG_COLOR_TYPE_RGB, 8, true, false, true},
	{"Rgba8", PNG_COLOR_TYPE_RGB_ALPHA, 8, false, false, true},
	{"Rgba16", PNG_COLOR_TYPE_RGB_ALPHA, 16, false, false, true},
	{"Palette1", PNG_COLOR_TYPE_PALETTE, 1, false, false, false},
	{"Palette2", PNG_COLOR_TYPE_PALETTE, 2, false, false, false},
	{"Palette4", PNG_COLOR_TYPE_PALETTE, 4, false, false, false},
	{"Palette8", PNG_COLOR_TYPE_PALETTE, 8, false, false, false},
	{"Palette1Trns", PNG_COLOR_TYPE_PALETTE, 1, true, false, true},
	{"Palette2Trns", PNG_COLOR_TYPE_PALETTE, 2, true, false, true},
	{"Palette4Trns", PNG_COLOR_TYPE_PALETTE, 4, true, false, true},
	{"Palette8Trns", PNG_COLOR_TYPE_PALETTE, 8, true, false, true},
};

class PngEveryFormat : public testing::TestWithParam<std::tuple<PngFormat, bool>> {};

// 13 x 9 leaves partial bytes at the end of packed rows and gives every interlace pass some pixels
TEST_P(PngEveryFormat, LoadsExactPixelsAndFlags)
{
	const PngFormat &r_format = std::get<0>(GetParam());
	const PngPicture pic = MakePicture(13, 9, r_format.n_color_type, r_format.n_bit_depth,
		r_format.b_trns, std::get<1>(GetParam()));
	if(r_format.b_trns) {
		int n_transparent_num = 0;
		for(int i = 0; i < 13 * 9; ++ i)
			n_transparent_num += !(n_ExpectedPixel(pic, i % 13, i / 13) >> 24);
		ASSERT_GT(n_transparent_num, 0); // the tRNS chunk must matter to some pixel
		ASSERT_LT(n_transparent_num, 13 * 9);
	}
	TempDir dir;
	WritePng(dir.s_File("in.png"), pic);
	ImageHolder image(p_LoadPngQuietly(dir.s_File("in.png")));
	ASSERT_TRUE(image);
	EXPECT_EQ(image->n_channel_bits, r_format.n_bit_depth);
	EXPECT_EQ(image->b_grayscale, r_format.b_grayscale);
	EXPECT_EQ(image->b_alpha, r_format.b_alpha);
	ExpectPicturePixels(pic, *image.p_image);
}

INSTANTIATE_TEST_SUITE_P(PngReader, PngEveryFormat,
	testing::Combine(testing::ValuesIn(p_format_list), testing::Bool()),
	[](const testing::TestParamInfo<std::tuple<PngFormat, bool>> &r_info) {
		return std::string(std::get<0>(r_info.param).p_s_name) + (std::get<1>(r_info.param)? "Interlaced" : "");
	});

TEST(PngInterlace, ImagesSmallerThanOneBlockLoad)
{
	// some of the seven passes are empty here; palette files also go through a transformation
	const int p_size_list[][2] = {{1, 1}, {2, 1}, {1, 3}, {3, 2}, {5, 5}, {7, 7}};
	TempDir dir;
	for(const auto &r_size : p_size_list) {
		for(int n_color_type : {PNG_COLOR_TYPE_RGB, PNG_COLOR_TYPE_PALETTE}) {
			SCOPED_TRACE(testing::Message() << r_size[0] << " x " << r_size[1] << ", type " << n_color_type);
			const int n_depth = (n_color_type == PNG_COLOR_TYPE_PALETTE)? 2 : 8;
			const PngPicture pic = MakePicture(r_size[0], r_size[1], n_color_type, n_depth, false, true);
			WritePng(dir.s_File("small.png"), pic);
			ImageHolder image(p_LoadPngQuietly(dir.s_File("small.png")));
			ASSERT_TRUE(image);
			ExpectPicturePixels(pic, *image.p_image);
		}
	}
}

std::string s_BigEndian32(uint32_t n)
{
	return std::string{char(n >> 24), char(n >> 16), char(n >> 8), char(n)};
}

const std::string s_png_signature("\x89PNG\r\n\x1a\n", 8);

std::string s_Chunk(const std::string &s_type, const std::string &s_data)
{
	const std::string s_body = s_type + s_data;
	return s_BigEndian32(uint32_t(s_data.size())) + s_body + s_BigEndian32(n_Crc32(s_body.data(), s_body.size()));
}

/** @brief an RGB 8-bit file of the given size whose image data is a few rows' worth of zeros */
std::string s_TinyBodyPng(uint32_t n_width, uint32_t n_height)
{
	const std::string s_ihdr = s_BigEndian32(n_width) + s_BigEndian32(n_height) + std::string("\x08\x02\0\0\0", 5);
	std::vector<uint8_t> raw(64, 0), packed(compressBound(raw.size()));
	uLongf n_packed_size = packed.size();
	EXPECT_EQ(compress(packed.data(), &n_packed_size, raw.data(), raw.size()), Z_OK);
	return s_png_signature + s_Chunk("IHDR", s_ihdr) +
		s_Chunk("IDAT", std::string(packed.begin(), packed.begin() + n_packed_size)) + s_Chunk("IEND", "");
}

TEST(PngSizeLimits, HeadersBeyondThePixelLimitAreRefusedAsTooLarge)
{
	const uint32_t n_limit = uint32_t(n_max_image_pixels);
	const uint32_t p_size_list[][2] = {{65535, 65535}, {16385, 16384}, {n_limit + 1, 1}, {1, n_limit + 1},
		{0x7fffffff, 0x7fffffff}};
	TempDir dir;
	for(const auto &r_size : p_size_list) {
		const std::string s_size = std::to_string(r_size[0]) + " x " + std::to_string(r_size[1]);
		const LoadFailure t_failure = t_PngRefusal(dir, s_TinyBodyPng(r_size[0], r_size[1]));
		EXPECT_EQ(t_failure.n_error, LoadError::TooLarge) << s_size;
		EXPECT_EQ(t_failure.p_s_detail, s_size);
	}
}

TEST(PngSizeLimits, SizeTheFileCannotHoldEndsEarlyAndAnAbsentRowIsCorrupt)
{
	// a header within the pixel limit whose image data cannot expand to it
	TempDir dir;
	LoadFailure t_failure = t_PngRefusal(dir, s_TinyBodyPng(16384, 16384));
	EXPECT_EQ(t_failure.n_error, LoadError::EndsEarly);
	EXPECT_EQ(std::string(t_failure.p_s_detail).rfind("16384 x 16384 pixels cannot fit in ", 0), 0u) << t_failure.p_s_detail;
	// long enough to pass that test, but its image data ends after 16 of 33554432 rows
	const std::string s_file = s_TinyBodyPng(1, 1U << 25);
	const std::string s_padding = s_Chunk("prVt", std::string(100000, '\0')); // a private chunk, skipped by readers
	t_failure = t_PngRefusal(dir, s_file.substr(0, 33) + s_padding + s_file.substr(33));
	EXPECT_EQ(t_failure.n_error, LoadError::Corrupt);
	EXPECT_STREQ(t_failure.p_s_detail, "Not enough image data");
}

/** @brief peak resident size, in KiB, of a child process that loads the file and expects it refused */
long n_RefusingLoadPeakKiB(const std::string &s_path)
{
	const pid_t n_pid = fork();
	if(!n_pid) {
		RasterImage *p_image = (s_path.empty())? nullptr : p_LoadPngImage(s_path.c_str());
		_exit((p_image)? 1 : 0);
	}
	int n_status = 0;
	struct rusage t_usage = {};
	EXPECT_EQ(wait4(n_pid, &n_status, 0, &t_usage), n_pid);
	EXPECT_TRUE(WIFEXITED(n_status) && !WEXITSTATUS(n_status)) << s_path << " loaded";
	return t_usage.ru_maxrss;
}

TEST(PngSizeLimits, ForgedHeaderWithTinyBodyFailsWithoutTouchingRowMemory)
{
	// each would cost 64 MiB or more of row buffers if they were allocated
	const uint32_t p_size_list[][2] = {{16384, 16384}, {1, 1U << 22}, {1U << 24, 1}};
	TempDir dir;
	const long n_baseline_kib = n_RefusingLoadPeakKiB("");
	for(const auto &r_size : p_size_list) {
		SCOPED_TRACE(testing::Message() << r_size[0] << " x " << r_size[1]);
		WriteFile(dir.s_File("forged.png"), s_TinyBodyPng(r_size[0], r_size[1]));
		EXPECT_LT(n_RefusingLoadPeakKiB(dir.s_File("forged.png")), n_baseline_kib + 16 * 1024);
	}
}

TEST(PngSizeLimits, ImageAtDeflatesBestRatioStillLoads)
{
	const int n_size = 4096;
	PngPicture pic = MakePicture(n_size, n_size, PNG_COLOR_TYPE_GRAY, 8, false, false);
	std::fill(pic.samples.begin(), pic.samples.end(), 0);
	TempDir dir;
	WritePng(dir.s_File("flat.png"), pic, Z_BEST_COMPRESSION);
	// the file is within 2 % of the smallest that can hold its pixels
	ASSERT_LT(s_ReadFile(dir.s_File("flat.png")).size() * 1032, size_t(n_size) * n_size * 102 / 100);
	ImageHolder image(p_LoadPngQuietly(dir.s_File("flat.png")));
	ASSERT_TRUE(image);
	EXPECT_EQ(std::count(image->p_pixels, image->p_pixels + n_size * n_size, 0xff000000U), n_size * n_size);
}

/** @brief the reason recorded by a load in a child process whose address space may grow by n_headroom bytes at most */
LoadError n_LoadErrorWithMemoryCap(const std::string &s_path, size_t n_headroom)
{
	const int n_error = n_RunWithMemoryCap(n_headroom, [&]() {
		LoadFailure t_failure;
		return (p_LoadPngImage(s_path.c_str(), &t_failure))? 255 : int(t_failure.n_error);
	});
	EXPECT_GE(n_error, 0) << "the capped load did not fail";
	return LoadError(n_error);
}

#if !defined(PIXMOLD_ADDRESS_SANITIZER)
TEST(PngSizeLimits, ExhaustedMemoryIsReportedAsSuch)
{
	// libpng's own row buffers, 16 MiB each, are the first allocations to fail
	PngPicture pic = MakePicture(1 << 24, 1, PNG_COLOR_TYPE_GRAY, 8, false, false);
	std::fill(pic.samples.begin(), pic.samples.end(), 0);
	TempDir dir;
	WritePng(dir.s_File("wide.png"), pic, Z_BEST_COMPRESSION);
	EXPECT_EQ(n_LoadErrorWithMemoryCap(dir.s_File("wide.png"), 8 << 20), LoadError::NoMemory);
}
#endif

/** A good file from libpng and the places of its chunks, to be damaged by the tests. */
struct PngSample {
	PngPicture pic = MakePicture(13, 9, PNG_COLOR_TYPE_RGB, 8, false, false);
	std::string s_bytes;
	size_t n_idat; // offset of the IDAT chunk's length field
	size_t n_iend;

	explicit PngSample(const TempDir &r_dir)
	{
		WritePng(r_dir.s_File("good.png"), pic);
		s_bytes = s_ReadFile(r_dir.s_File("good.png"));
		n_idat = s_bytes.find("IDAT") - 4;
		n_iend = s_bytes.find("IEND") - 4;
	}

	size_t n_ChunkLength(size_t n_offset) const
	{
		return size_t(uint8_t(s_bytes[n_offset])) << 24 | size_t(uint8_t(s_bytes[n_offset + 1])) << 16 |
			size_t(uint8_t(s_bytes[n_offset + 2])) << 8 | uint8_t(s_bytes[n_offset + 3]);
	}

	std::string s_WithBadCrc(size_t n_chunk_offset) const
	{
		std::string s_damaged = s_bytes;
		s_damaged[n_chunk_offset + 8 + n_ChunkLength(n_chunk_offset)] ^= 0x01;
		return s_damaged;
	}
};

const size_t n_ihdr_offset = 8;

TEST(PngCorruptFiles, BadCrcInCriticalChunkIsRefused)
{
	TempDir dir;
	PngSample sample(dir);
	ASSERT_NE(sample.s_bytes.find("IDAT"), std::string::npos);
	for(size_t n_chunk : {n_ihdr_offset, sample.n_idat}) {
		const LoadFailure t_failure = t_PngRefusal(dir, sample.s_WithBadCrc(n_chunk));
		EXPECT_EQ(t_failure.n_error, LoadError::Corrupt);
		EXPECT_EQ(t_failure.p_s_detail, sample.s_bytes.substr(n_chunk + 4, 4) + ": CRC error");
	}
}

TEST(PngCorruptFiles, DamageIsReportedInLibpngsWords)
{
	TempDir dir;
	PngSample sample(dir);
	std::string s_bad_zlib = sample.s_bytes;
	s_bad_zlib[sample.n_idat + 8] = 0; // the zlib header's first byte, under a CRC made right
	const size_t n_crc = sample.n_idat + 8 + sample.n_ChunkLength(sample.n_idat);
	s_bad_zlib.replace(n_crc, 4, s_BigEndian32(n_Crc32(&s_bad_zlib[sample.n_idat + 4], n_crc - sample.n_idat - 4)));
	const std::pair<std::string, const char*> p_case_list[] = {
		{s_TinyBodyPng(0, 5), "Invalid IHDR data"}, {s_bad_zlib, "IDAT: incorrect header check"}};
	for(const auto &r_case : p_case_list) {
		const LoadFailure t_failure = t_PngRefusal(dir, r_case.first);
		EXPECT_EQ(t_failure.n_error, LoadError::Corrupt);
		EXPECT_STREQ(t_failure.p_s_detail, r_case.second);
	}
}

TEST(PngCorruptFiles, BadCrcInAncillaryChunkIsDroppedSilently)
{
	TempDir dir;
	PngSample sample(dir);
	std::string s_text = s_Chunk("tEXt", std::string("Comment\0hello", 13));
	s_text.back() ^= 0x01;
	const size_t n_after_ihdr = n_ihdr_offset + 12 + 13;
	WriteFile(dir.s_File("text.png"), sample.s_bytes.substr(0, n_after_ihdr) + s_text + sample.s_bytes.substr(n_after_ihdr));
	ImageHolder image(p_LoadPngQuietly(dir.s_File("text.png")));
	ASSERT_TRUE(image);
	ExpectPicturePixels(sample.pic, *image.p_image);
}

TEST(PngCorruptFiles, TruncatedFilesAreRefused)
{
	TempDir dir;
	PngSample sample(dir);
	const size_t n_idat_data = sample.n_idat + 8, n_idat_length = sample.n_ChunkLength(sample.n_idat);
	const size_t p_cut_list[] = {4, 8, 20, n_ihdr_offset + 25, n_idat_data + 2, n_idat_data + n_idat_length / 2,
		n_idat_data + n_idat_length, sample.n_iend, sample.s_bytes.size() - 1};
	for(size_t n_cut : p_cut_list) {
		ASSERT_LT(n_cut, sample.s_bytes.size());
		EXPECT_EQ(t_PngRefusal(dir, sample.s_bytes.substr(0, n_cut)).n_error, LoadError::EndsEarly) << "cut after " << n_cut << " bytes";
	}
}

TEST(PngCorruptFiles, OtherFilesAreRefusedAsNotPng)
{
	TempDir dir;
	const std::pair<std::string, LoadError> p_content_list[] = {
		{"", LoadError::EndsEarly}, {s_png_signature.substr(0, 5), LoadError::EndsEarly},
		{s_png_signature, LoadError::EndsEarly}, {"this is a text file, not a picture\n", LoadError::NotThisFormat},
		{"\x89PNG\r\n\x1a\r", LoadError::NotThisFormat}, {std::string("\xff\xd8\xff\xe0\0\x10JFIF\0", 11), LoadError::NotThisFormat}};
	for(const auto &r_content : p_content_list)
		EXPECT_EQ(t_PngRefusal(dir, r_content.first).n_error, r_content.second) << r_content.first.size() << " bytes";
	LoadFailure t_missing, t_directory;
	EXPECT_FALSE(ImageHolder(p_LoadPngQuietly(dir.s_File("missing.png"), &t_missing)));
	EXPECT_FALSE(ImageHolder(p_LoadPngQuietly(dir.s_Path(), &t_directory)));
	EXPECT_EQ(t_missing.n_error, LoadError::CannotOpen);
	EXPECT_EQ(t_directory.n_error, LoadError::CannotRead);
	EXPECT_EQ(t_directory.n_system_error, EISDIR);
}

/** @brief pixels of an ImageMagick "txt:" listing with 8-bit sRGBA values */
std::vector<uint32_t> ReadPixelListing(const std::string &s_path, int &r_n_width, int &r_n_height)
{
	std::vector<uint32_t> pixels;
	FILE *p_file = fopen(s_path.c_str(), "r");
	if(!p_file)
		return pixels;
	char p_s_line[256];
	r_n_width = r_n_height = 0;
	while(fgets(p_s_line, sizeof(p_s_line), p_file)) {
		int x, y, r, g, b, a;
		if(sscanf(p_s_line, "# ImageMagick pixel enumeration: %d,%d,", &r_n_width, &r_n_height) == 2) {
			pixels.assign(size_t(r_n_width) * r_n_height, 0);
		} else if(sscanf(p_s_line, "%d,%d: (%d,%d,%d,%d)", &x, &y, &r, &g, &b, &a) == 6 &&
		   x >= 0 && x < r_n_width && y >= 0 && y < r_n_height)
			pixels[size_t(y) * r_n_width + x] = n_Pixel(r, g, b, a);
	}
	fclose(p_file);
	return pixels;
}

struct CorpusFile {
	const char *p_s_name; // tests/data/png/<name>.png
	const char *p_s_source; // the listing it was made from
	bool b_source_alpha; // false: made with the alpha dropped, so every pixel loads opaque
	int n_bit_depth, n_color_type;
	bool b_interlaced; // what the file's header says
	bool b_grayscale, b_alpha; // what the loaded image must report
};

const CorpusFile p_corpus_list[] = {
	{"gray1", "bw", false, 1, 0, false, false, false},
	{"gray2", "gray", false, 2, 0, false, false, false},
	{"gray4", "gray", false, 4, 0, false, false, false},
	{"gray8", "gray", false, 8, 0, false, true, false},
	{"gray8_interlaced", "gray", false, 8, 0, true, true, false},
	{"gray16", "gray", false, 16, 0, false, true, false},
	{"gray8_trns", "graykeyed", true, 8, 0, false, true, true},
	{"grayalpha8", "gray", true, 8, 4, false, true, true},
	{"grayalpha16", "gray", true, 16, 4, false, true, true},
	{"rgb8", "colour", false, 8, 2, false, false, false},
	{"rgb8_interlaced", "colour", false, 8, 2, true, false, false},
	{"rgb16", "colour", false, 16, 2, false, false, false},
	{"rgb8_trns", "keyed", true, 8, 2, false, false, true},
	{"rgba8", "colour", true, 8, 6, false, false, true},
	{"rgba8_interlaced", "colour", true, 8, 6, true, false, true},
	{"rgba16", "colour", true, 16, 6, false, false, true},
	{"palette1", "two", false, 1, 3, false, false, false},
	{"palette2", "two", false, 2, 3, false, false, false},
	{"palette4", "colour", false, 4, 3, false, false, false},
	{"palette8_interlaced", "colour", false, 8, 3, true, false, false},
	{"palette4_trns", "colour", true, 4, 3, false, false, true},
	{"palette8_trns", "colour", true, 8, 3, false, false, true},
};

class PngImageMagickCorpus : public testing::TestWithParam<CorpusFile> {};

TEST_P(PngImageMagickCorpus, LoadsAsItsSourceListing)
{
	const CorpusFile &r_file = GetParam();
	const std::string s_dir = std::string(PIXMOLD_TEST_DATA_DIR) + "/png/";
	const std::string s_path = s_dir + r_file.p_s_name + ".png";
	// the file must be of the kind it stands for
	const std::string s_bytes = s_ReadFile(s_path);
	ASSERT_GT(s_bytes.size(), 29u);
	ASSERT_EQ(s_bytes[24], r_file.n_bit_depth);
	ASSERT_EQ(s_bytes[25], r_file.n_color_type);
	ASSERT_EQ(s_bytes[28], r_file.b_interlaced);
	ASSERT_EQ(s_bytes.find("tRNS") != std::string::npos, r_file.n_color_type != 4 && r_file.n_color_type != 6 &&
		r_file.b_alpha);

	int n_width, n_height;
	std::vector<uint32_t> expected = ReadPixelListing(s_dir + r_file.p_s_source + ".txt", n_width, n_height);
	ASSERT_FALSE(expected.empty());
	for(uint32_t &r_pixel : expected)
		r_pixel |= (r_file.b_source_alpha)? 0 : 0xff000000U;

	ImageHolder image(p_LoadPngQuietly(s_path));
	ASSERT_TRUE(image);
	EXPECT_EQ(image->n_channel_bits, r_file.n_bit_depth);
	EXPECT_EQ(image->b_grayscale, r_file.b_grayscale);
	EXPECT_EQ(image->b_alpha, r_file.b_alpha);
	ASSERT_EQ(image->n_width, n_width);
	ASSERT_EQ(image->n_height, n_height);
	EXPECT_EQ(std::vector<uint32_t>(image->p_pixels, image->p_pixels + expected.size()), expected);
}

INSTANTIATE_TEST_SUITE_P(PngReader, PngImageMagickCorpus, testing::ValuesIn(p_corpus_list),
	[](const testing::TestParamInfo<CorpusFile> &r_info) {
		std::string s_name = r_info.param.p_s_name;
		s_name.erase(std::remove(s_name.begin(), s_name.end(), '_'), s_name.end());
		return s_name;
	});

} // namespace
