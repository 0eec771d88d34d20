#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "compress/base85.h"
#include "compress/rle_coder.h"
#include "compress/row_entry_points.h"
#include "compress/stream_format.h"
#include "compress/search_step.h"
#include "driver/run_settings.h"
#include "image/tga_reader.h"
#include "verify/raster_rebuild.h"
#include "verify/round_trip_check.h"
#include "support/test_support.h"

namespace {

const std::string s_box_line(80, '*');

/** An image compressed as a run of the tool would, and the settings of that run. */
struct CheckCase {
	ImageHolder image;
	ConversionOptions options;
	std::string s_text;
	std::vector<uint8_t> planes; // before prediction, which the pixels are compared in
	RowEntryPoints entries;
	RoundTripInput input;
	TempDir dir;

	CheckCase(bool b_alpha, bool b_lossless)
		:image(p_MakeTestPicture(13, 9, 4, b_alpha))
	{
		options = ConversionOptions{"in.tga", "out.h", true, true, true, false, -1, false, false,
			b_lossless, 100, 32767, (b_lossless)? 8 : 6, 8, (b_lossless)? 1 : 2, nullptr, false,
			false, nullptr, "test_decompress.tga", false, false};
		const PlaneSettings t_settings = {false, b_alpha, b_lossless, int(options.n_subsample),
			int(options.n_chroma_bpp), int(options.n_alpha_bpp)};
		PredictorSearch search(*image.p_image, t_settings, n_default_predictor_num);
		SearchResult result;
		const DecodeParams t_layout = {13, 9, 0, pred_None, pred_None, pred_None, int(options.n_subsample),
			n_ColorType(t_settings)};
		EXPECT_TRUE(b_RunSearch(search, 1, result, nullptr, [&](const uint8_t *p_planes) {
			input.n_stored_crc = n_RebuiltRasterChecksum(p_planes, t_layout);
			planes.assign(p_planes, p_planes + MakePlaneLayout(13, 9, t_layout.n_subsample,
				t_layout.n_color_type).n_image_data_size);
		}));
		EXPECT_TRUE(b_Base85EncodeString(result.output.p_Data() + 4, result.output.n_Size() - 4, s_text));
		input.p_s_text = &s_text;
		input.p_image = image.p_image;
		input.t_params = DecodeParams{13, 9, result.n_rle_size, result.t_best.n_predictor_y,
			result.t_best.n_predictor_uv, (b_alpha)? result.t_best.n_predictor_a : pred_None,
			int(options.n_subsample), n_ColorType(t_settings)};
		input.t_settings = t_CheckSettings(options, t_settings);
		EXPECT_TRUE(b_FindRowEntryPoints(true, s_text.c_str(), result.output.p_Data() + 4, result.output.n_Size() - 4,
			input.t_params, entries));
		input.p_row_entries = nullptr;
		input.n_max_cstr_len = options.n_max_cstr_len;
	}

	/** @brief runs the check, with the pixels compared as a run does; the decoded image goes to the case's folder */
	int n_Check(std::string &r_s_out, std::string &r_s_err, const std::string &s_tga = "test_decompress.tga")
	{
		input.n_differ = t_RebuildRaster(planes.data(), input.t_params, image.p_image).n_differ;
		FILE *p_out = tmpfile(), *p_err = tmpfile();
		int n_result = n_RoundTripCheck(input, dir.s_File(s_tga).c_str(), p_out, p_err);
		r_s_out = s_ReadAndClose(p_out);
		r_s_err = s_ReadAndClose(p_err);
		return n_result;
	}
};

} // namespace

TEST(RoundTripCheck, LosslessRunPassesAndStoresTheDecodedImage)
{
	CheckCase check(true, true);
	std::string s_out, s_err;
	EXPECT_EQ(check.n_Check(s_out, s_err), 0);
	EXPECT_EQ(s_out, "\tdecompress CRC test passed\n\tlossless compression achieved\n\ndone\n");
	EXPECT_EQ(s_err, "");
	ImageHolder stored(p_LoadTgaImage(check.dir.s_File("test_decompress.tga").c_str()));
	ASSERT_TRUE(stored);
	EXPECT_TRUE(stored->b_alpha);
	EXPECT_EQ(memcmp(stored->p_pixels, check.image->p_pixels, 13 * 9 * 4), 0);
}

TEST(RoundTripCheck, QuietPassPrintsNothing)
{
	CheckCase check(false, false);
	check.input.t_settings.b_verbose = false;
	std::string s_out, s_err;
	EXPECT_EQ(check.n_Check(s_out, s_err), 0);
	EXPECT_EQ(s_out + s_err, "");
}

TEST(RoundTripCheck, LossyResultWithoutAPromiseOnlyWarns)
{
	CheckCase check(false, false);
	std::string s_out, s_err;
	EXPECT_EQ(check.n_Check(s_out, s_err), 0);
	EXPECT_EQ(s_out.rfind("\tdecompress CRC test passed\n\twarning: lossy compression (", 0), 0u) << s_out;
	EXPECT_NE(s_out.find(" out of 117 pixels differ)\n\ndone\n"), std::string::npos) << s_out;
	EXPECT_EQ(s_err, "");
}

TEST(RoundTripCheck, ChecksumMismatchIsBoxedAndFailsButStillStoresTheImage)
{
	CheckCase check(false, false);
	const uint32_t n_decoded = check.input.n_stored_crc;
	check.input.n_stored_crc ^= 1;
	std::string s_out, s_err;
	EXPECT_EQ(check.n_Check(s_out, s_err), -1);
	char p_s_middle[100];
	snprintf(p_s_middle, sizeof(p_s_middle), "* fatal error: decompress output differs (expected 0x%08x, got 0x%08x) *",
		n_decoded ^ 1, n_decoded);
	EXPECT_EQ(strlen(p_s_middle), 80u);
	EXPECT_EQ(s_err, s_box_line + "\n" + p_s_middle + "\n" + s_box_line + "\n");
	EXPECT_TRUE(b_FileExists(check.dir.s_File("test_decompress.tga")));
	EXPECT_NE(s_out.find("\ndone\n"), std::string::npos);
}

TEST(RoundTripCheck, BrokenLosslessPromiseIsBoxedAndFails)
{
	CheckCase check(true, true);
	// three pixels of the "compressed" image differ from what the text holds
	for(int i : {0, 50, 116})
		check.image->p_pixels[i] ^= 0x00010000;
	std::string s_out, s_err;
	EXPECT_EQ(check.n_Check(s_out, s_err), -1);
	EXPECT_EQ(s_err, s_box_line + "\n*" + std::string(78, ' ') + "*\r* fatal error: lossy compression (3 out of 117 "
		"pixels differ)\n" + s_box_line + "\n");
	EXPECT_EQ(s_out, "\tdecompress CRC test passed\n\ndone\n");
}

TEST(RoundTripCheck, PromiseNeedsFullAlphaDepthOnlyWithAlpha)
{
	PlaneSettings settings = {false, true, true, 1, 8, 8};
	EXPECT_TRUE(b_LosslessPromised(settings));
	settings.n_alpha_bpp = 4;
	EXPECT_FALSE(b_LosslessPromised(settings));
	settings.b_alpha = false;
	EXPECT_TRUE(b_LosslessPromised(settings));
	settings.n_subsample = 2;
	EXPECT_FALSE(b_LosslessPromised(settings));
	settings.n_subsample = 1;
	settings.n_chroma_bpp = 7;
	EXPECT_FALSE(b_LosslessPromised(settings));
	settings.n_chroma_bpp = 8;
	settings.b_lossless_color = false;
	EXPECT_FALSE(b_LosslessPromised(settings));
}

TEST(RoundTripCheck, UnwritableTestImageFails)
{
	CheckCase check(false, true);
	std::string s_out, s_err;
	EXPECT_EQ(check.n_Check(s_out, s_err, "no/such/folder/test.tga"), -1);
	EXPECT_EQ(s_err, "error: failed to save tga\n\tNo such file or directory\n");
	EXPECT_EQ(s_out.find("done"), std::string::npos);
}

TEST(RoundTripCheck, RefusedParametersOrTextAreReportedWithTheReason)
{
	CheckCase check(false, false);
	const DecodeParams valid = check.input.t_params;
	check.input.t_params.n_huff_stage_size = 1u << 30; // more than twice the planes
	std::string s_out, s_err;
	EXPECT_EQ(check.n_Check(s_out, s_err), -1);
	EXPECT_EQ(s_err, "error: the decompressor refused the header's data: the decoding parameters are out of range\n");
	check.input.t_params = valid;
	check.s_text.resize(60); // the stream ends within its counts
	EXPECT_EQ(check.n_Check(s_out, s_err), -1);
	EXPECT_EQ(s_err, "error: the decompressor refused the header's data: the text does not decode to the planes "
		"that the parameters give\n");
	EXPECT_EQ(s_out, "");
	EXPECT_FALSE(b_FileExists(check.dir.s_File("test_decompress.tga")));
}

#if !defined(PIXMOLD_ADDRESS_SANITIZER)
TEST(RoundTripCheck, ExhaustedMemoryIsReportedAsSuch)
{
	// a flat gray plane of 4 MiB as runs of 128 bytes FF: a run-length stream of the one
	// byte value FF, whose 1-bit code is 0; the pixels take 16 MiB more
	const int n_side = 2048;
	const size_t n_packet_bytes = 2 * size_t(n_side) * n_side / n_rle_max_packet;
	std::vector<uint8_t> stream(n_code_table_size + 1 + n_packet_bytes / 8, 0);
	stream[0] = 1; // one code of 1 bit
	stream[n_code_table_size] = 0xff;
	std::string s_text;
	ASSERT_TRUE(b_Base85EncodeString(stream.data(), stream.size(), s_text));
	RasterImage image = {8, true, false, n_side, n_side, nullptr}; // its pixels are not read when decoding fails
	const RoundTripInput input = {&s_text, &image, {n_side, n_side, n_packet_bytes, pred_None, pred_None, pred_None,
		1, color_Gray}, 0, 0, {false, false, true, true, false, {true, false, false, 1, 8, 8}}, nullptr, 32767};
	std::unique_ptr<uint32_t[]> p_pixels(p_BuiltinDecode(true, s_text.c_str(), input.t_params));
	ASSERT_TRUE(p_pixels && p_pixels[0] == 0xffffffffU) << "the text does not decode without the cap";
	// with 2 MiB to spare the planes cannot be allocated, by either decoder
	EXPECT_EQ(n_RunWithMemoryCap(2 << 20, [&]() {
		FILE *p_out = tmpfile(), *p_err = tmpfile();
		const int n_result = n_RoundTripCheck(input, "unwritten.tga", p_out, p_err);
		return (n_result == -1 && s_ReadAndClose(p_err) == "error: not enough memory\n" &&
			s_ReadAndClose(p_out).empty())? 0 : 1;
	}), 0) << "1: another outcome; -1: the check did not return";
}
#endif

TEST(RoundTripCheck, AlphaBytesOfAnImageWithoutAlphaMeanOpaque)
{
	// a colour-mapped file gives all-zero pixels for indices outside its map; without
	// alpha they decode opaque, which keeps the lossless promise
	CheckCase check(false, true);
	check.image->p_pixels[7] &= 0x00ffffff;
	std::string s_out, s_err;
	EXPECT_EQ(check.n_Check(s_out, s_err), 0);
	EXPECT_EQ(s_out, "\tdecompress CRC test passed\n\tlossless compression achieved\n\ndone\n");
	EXPECT_EQ(s_err, "");
}

TEST(RoundTripCheck, WithoutATestImageTheCheckStillDecides)
{
	CheckCase check(false, false);
	for(uint32_t n_flip : {0u, 1u}) {
		check.input.n_stored_crc ^= n_flip;
		FILE *p_out = tmpfile(), *p_err = tmpfile();
		EXPECT_EQ(n_RoundTripCheck(check.input, nullptr, p_out, p_err), -int(n_flip));
		fclose(p_out);
		EXPECT_EQ(s_ReadAndClose(p_err).empty(), !n_flip);
	}
	EXPECT_EQ(RunProcess({"ls", "-A", check.dir.s_Path()}, "").s_out, "");
}

TEST(RoundTripCheck, RowDecoderOfTheHeaderMustGiveTheDecompressorsPixels)
{
	CheckCase check(true, false);
	check.input.t_settings.b_row_decoder = true;
	check.input.p_row_entries = &check.entries;
	check.input.n_max_cstr_len = 7; // the text read in literals of 7 characters
	std::string s_out, s_err;
	EXPECT_EQ(check.n_Check(s_out, s_err), 0) << s_err;
	EXPECT_NE(s_out.find("\tdecompress CRC test passed\n\trow decoder test passed\n"), std::string::npos) << s_out;
	++ check.entries.p_entry[3].n_code; // the alpha plane's entry point, off by a code
	EXPECT_EQ(check.n_Check(s_out, s_err), -1);
	const std::string s_middle = "* fatal error: the row decoder's output differs from the decompressor's        *";
	EXPECT_EQ(s_err, s_box_line + "\n" + s_middle + "\n" + s_box_line + "\n");
}
