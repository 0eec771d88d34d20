#include <gtest/gtest.h>

#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "compress/color_transform.h"
#include "compress/predictor_search.h"
#include "compress/stream_format.h"
#include "driver/conversion.h"
#include "compress/search_step.h"
#include "image/jpeg_decoder.h"
#include "image/png_reader.h"
#include "image/tga_reader.h"
#include "image/tga_writer.h"
#include "support/test_support.h"

// The fast search must be indistinguishable from the plain one: the same
// stream length for every candidate, the same winner, the same bytes.

namespace {

PlaneSettings t_Settings(bool b_gray, bool b_alpha, bool b_lossless, int n_subsample)
{
	return PlaneSettings{b_gray, b_alpha, b_lossless, n_subsample, (b_lossless)? 8 : 6, 8};
}

/** @brief runs both searches and expects equal results; the fast one also on several participants */
void ExpectFastAsPlain(const RasterImage &r_image, const PlaneSettings &r_settings, int n_predictor_num)
{
	SCOPED_TRACE(std::to_string(r_image.n_width) + "x" + std::to_string(r_image.n_height) +
		((r_settings.b_gray)? " gray" : (r_settings.b_lossless_color)? " lossless" : " lossy") +
		" subsample " + std::to_string(r_settings.n_subsample) + ((r_settings.b_alpha)? " alpha" : "") +
		", " + std::to_string(n_predictor_num) + " predictors");
	PredictorSearch plain(r_image, r_settings, n_predictor_num, SearchMethod::Plain);
	SearchResult expected;
	ASSERT_TRUE(b_RunSearch(plain, 1, expected));
	for(int n_participant_num : {1, 3}) {
		PredictorSearch fast(r_image, r_settings, n_predictor_num, SearchMethod::Fast);
		SearchResult result;
		ASSERT_TRUE(b_RunSearch(fast, n_participant_num, result));
		int n_wrong_length_num = 0;
		for(int i = 0; i < plain.n_CandidateNum(); ++ i) {
			if(fast.n_StreamLength(i) != plain.n_StreamLength(i) && ++ n_wrong_length_num <= 3) {
				ADD_FAILURE() << "candidate " << i << ": fast " << fast.n_StreamLength(i) <<
					", plain " << plain.n_StreamLength(i);
			}
		}
		EXPECT_EQ(n_wrong_length_num, 0);
		EXPECT_EQ(result.t_best.n_index, expected.t_best.n_index);
		EXPECT_EQ(result.t_best.n_predictor_y, expected.t_best.n_predictor_y);
		EXPECT_EQ(result.t_best.n_predictor_uv, expected.t_best.n_predictor_uv);
		EXPECT_EQ(result.t_best.n_predictor_a, expected.t_best.n_predictor_a);
		EXPECT_EQ(result.n_rle_size, expected.n_rle_size);
		ASSERT_EQ(result.output.n_Size(), expected.output.n_Size());
		EXPECT_EQ(memcmp(result.output.p_Data(), expected.output.p_Data(), result.output.n_Size()), 0);
	}
}

/** @brief the search in every mode the tool offers an image of this kind, default and exhaustive */
void ExpectFastAsPlainInEveryMode(const RasterImage &r_image)
{
	for(int n_predictor_num : {n_default_predictor_num, n_predictor_num}) {
		for(bool b_alpha : {false, true}) {
			if(r_image.b_grayscale) {
				ExpectFastAsPlain(r_image, t_Settings(true, b_alpha, false, 1), n_predictor_num);
				continue;
			}
			for(int n_subsample : {1, 2, 3}) {
				for(bool b_lossless : {false, true})
					ExpectFastAsPlain(r_image, t_Settings(false, b_alpha, b_lossless, n_subsample), n_predictor_num);
			}
		}
	}
}

RasterImage *p_Grayscale(RasterImage *p_image)
{
	ConvertToGrayscale(*p_image, p_image->b_alpha);
	return p_image;
}

RasterImage *p_LoadImage(const std::string &s_path)
{
	const std::string s_extension = s_path.substr(s_path.rfind('.'));
	if(s_extension == ".png")
		return p_LoadPngImage(s_path.c_str());
	if(s_extension == ".tga")
		return p_LoadTgaImage(s_path.c_str());
	FILE *p_file = fopen(s_path.c_str(), "rb");
	RasterImage *p_image = (p_file)? p_DecodeJpeg(p_file) : nullptr;
	if(p_file)
		fclose(p_file);
	return p_image;
}

std::vector<std::string> ImageFiles(const std::string &s_dir)
{
	std::vector<std::string> files;
	if(DIR *p_dir = opendir(s_dir.c_str())) {
		while(struct dirent *p_entry = readdir(p_dir)) {
			const std::string s_name = p_entry->d_name;
			for(const char *p_s_extension : {".png", ".tga", ".jpg"}) {
				if(s_name.size() > 4 && s_name.compare(s_name.size() - 4, 4, p_s_extension) == 0)
					files.push_back(s_dir + "/" + s_name);
			}
		}
		closedir(p_dir);
	}
	return files;
}

RasterImage *p_FilledImage(int n_width, int n_height, uint32_t n_pixel, bool b_alpha)
{
	RasterImage *p_image = p_NewRasterImage(n_width, n_height);
	std::fill(p_image->p_pixels, p_image->p_pixels + size_t(n_width) * size_t(n_height), n_pixel);
	p_image->b_alpha = b_alpha;
	return p_image;
}

RasterImage *p_NoiseImage(int n_width, int n_height, uint32_t n_seed)
{
	std::mt19937 random(n_seed);
	RasterImage *p_image = p_NewRasterImage(n_width, n_height);
	for(size_t i = 0; i < size_t(n_width) * size_t(n_height); ++ i)
		p_image->p_pixels[i] = uint32_t(random());
	p_image->b_alpha = true;
	return p_image;
}

/** A fast search whose measurement is damaged after the fact, as a defect in the summaries would damage it. */
class MismeasuringSearch : public PredictorSearch {
public:
	enum Damage {
		damage_None,
		damage_LastIsFree, // the last candidate measured at 0 bytes: it wins the measurement
		damage_WinnerShorter // the true winner measured a byte short: it still wins
	};

	MismeasuringSearch(const RasterImage &r_image, const PlaneSettings &r_settings, Damage n_damage)
		:PredictorSearch(r_image, r_settings, n_default_predictor_num, SearchMethod::Fast), m_n_damage(n_damage)
	{}

protected:
	bool b_MeasureCandidates(WorkerPool &r_pool, size_t *p_stream_length) override
	{
		if(!PredictorSearch::b_MeasureCandidates(r_pool, p_stream_length))
			return false;
		if(m_n_damage == damage_LastIsFree)
			p_stream_length[n_CandidateNum() - 1] = 0;
		else if(m_n_damage == damage_WinnerShorter)
			-- *std::min_element(p_stream_length, p_stream_length + n_CandidateNum());
		return true;
	}

private:
	const Damage m_n_damage;
};

} // namespace

TEST(FastSearch, WinnerWhoseStreamDisagreesWithItsMeasurementIsWarnedOfAndSearchedAgainPlainly)
{
	ImageHolder image(p_MakeTestPicture(37, 23, 11, true));
	const PlaneSettings t_settings = t_Settings(false, true, false, 2);
	PredictorSearch plain(*image.p_image, t_settings, n_default_predictor_num, SearchMethod::Plain);
	SearchResult expected;
	ASSERT_TRUE(b_RunSearch(plain, 1, expected));
	const size_t n_winner_length = expected.output.n_Size() - n_length_prefix_size;
	const size_t n_last_length = plain.n_StreamLength(plain.n_CandidateNum() - 1);
	ASSERT_NE(n_last_length, n_winner_length); // the damaged measurement picks another candidate
	const struct {
		MismeasuringSearch::Damage n_damage;
		size_t n_measured, n_encoded;
	} cases[] = {
		{MismeasuringSearch::damage_None, 0, 0},
		{MismeasuringSearch::damage_LastIsFree, 0, n_last_length},
		{MismeasuringSearch::damage_WinnerShorter, n_winner_length - 1, n_winner_length}
	};
	for(const auto &r_case : cases) {
		SCOPED_TRACE("damage " + std::to_string(r_case.n_damage));
		MismeasuringSearch search(*image.p_image, t_settings, r_case.n_damage);
		FILE *p_messages = tmpfile();
		ASSERT_TRUE(p_messages);
		search.SetMessageStream(p_messages);
		SearchResult result;
		ASSERT_TRUE(b_RunSearch(search, 3, result)); // the plain search runs again on the same pool
		const std::string s_warning = (r_case.n_damage == MismeasuringSearch::damage_None)? "" :
			"warning: the fast search measured " + std::to_string(r_case.n_measured) +
			" bytes for the winning predictors, their stream has " + std::to_string(r_case.n_encoded) +
			"; searching again by encoding every candidate\n";
		EXPECT_EQ(s_ReadAndClose(p_messages), s_warning);
		EXPECT_EQ(result.t_best.n_index, expected.t_best.n_index);
		EXPECT_EQ(result.n_rle_size, expected.n_rle_size);
		ASSERT_EQ(result.output.n_Size(), expected.output.n_Size());
		EXPECT_EQ(memcmp(result.output.p_Data(), expected.output.p_Data(), result.output.n_Size()), 0);
	}
}

TEST(FastSearch, PicksThePlainWinnerOnTestPicturesInEveryMode)
{
	for(const auto &r_size : std::vector<std::pair<int, int>>{{37, 23}, {16, 16}, {25, 9}}) {
		ImageHolder colour(p_MakeTestPicture(r_size.first, r_size.second, 11, true));
		ImageHolder gray(p_Grayscale(p_MakeTestPicture(r_size.first, r_size.second, 12, true)));
		ExpectFastAsPlainInEveryMode(*colour.p_image);
		ExpectFastAsPlainInEveryMode(*gray.p_image);
	}
}

TEST(FastSearch, PicksThePlainWinnerOnRealFiles)
{
	const std::string s_data = PIXMOLD_TEST_DATA_DIR;
	std::vector<std::string> files = ImageFiles(s_data + "/corpus");
	const std::vector<std::string> png_files = ImageFiles(s_data + "/png");
	files.insert(files.end(), png_files.begin(), png_files.end());
	ASSERT_GE(files.size(), 20u);
	for(const std::string &r_s_file : files) {
		SCOPED_TRACE(r_s_file);
		ImageHolder image(p_LoadImage(r_s_file));
		ASSERT_TRUE(image);
		// the driver's choices for the file as it is: its own gray and alpha
		for(int n_predictor_num : {n_default_predictor_num, n_predictor_num}) {
			ExpectFastAsPlain(*image.p_image, t_Settings(image->b_grayscale, image->b_alpha, false, 2), n_predictor_num);
			ExpectFastAsPlain(*image.p_image, t_Settings(image->b_grayscale, image->b_alpha, true, 1), n_predictor_num);
		}
	}
}

TEST(FastSearch, PicksThePlainWinnerOnAdversarialImages)
{
	std::vector<RasterImage*> images = {
		// lossless black: under "none" every plane is zeros, one repeat through the whole block
		p_FilledImage(9, 7, n_Pixel(0, 0, 0, 0), false),
		p_FilledImage(9, 7, n_Pixel(0, 0, 0, 0), true),
		// a single colour: flat planes whose first sample differs from the rest
		p_FilledImage(20, 11, n_Pixel(200, 40, 90, 128), true),
		// noise: hardly a run anywhere, literal stretches run from plane to plane
		p_NoiseImage(23, 19, 1),
		p_NoiseImage(64, 3, 2),
		// tiny images: planes of one to a few bytes
		p_MakeTestPicture(1, 1, 1, true), p_MakeTestPicture(2, 1, 2, true), p_MakeTestPicture(1, 2, 3, true),
		p_MakeTestPicture(2, 2, 4, true), p_MakeTestPicture(3, 2, 5, true), p_MakeTestPicture(3, 3, 6, true),
		p_MakeTestPicture(1, 40, 7, true), p_MakeTestPicture(40, 1, 8, true), p_NoiseImage(1, 17, 9)
	};
	// gray rows ending in the chroma value: Y, unpredicted, ends with the byte the chroma planes repeat
	RasterImage *p_gray_rows = p_FilledImage(12, 6, n_Pixel(128, 128, 128), false);
	for(int i = 0; i < 12 * 3; ++ i)
		p_gray_rows->p_pixels[i] = n_Pixel(uint8_t(i * 37), uint8_t(i * 37), uint8_t(i * 37));
	images.push_back(p_gray_rows);
	for(RasterImage *p_image : images) {
		ImageHolder image(p_image);
		ExpectFastAsPlainInEveryMode(*image.p_image);
	}
}

TEST(FastSearch, ToolWritesTheHeaderOfThePlainSearch)
{
	// the tool as built (fast search) and the same conversion in this process
	// with the plain search, on one image file, in folders of their own
	TempDir images, plain_dir, tool_dir;
	ImageHolder picture(p_MakeTestPicture(45, 31, 21, true));
	ASSERT_TRUE(b_SaveTgaImage(images.s_File("picture.tga").c_str(), *picture.p_image));
	const std::string s_data = PIXMOLD_TEST_DATA_DIR;
	const struct {
		std::string s_image;
		std::vector<std::string> options;
	} cases[] = {
		{images.s_File("picture.tga"), {}},
		{images.s_File("picture.tga"), {"--exhaustive"}},
		{images.s_File("picture.tga"), {"--lossless", "--exhaustive", "--shared-decompress"}},
		{images.s_File("picture.tga"), {"--gray", "--base-64"}},
		{images.s_File("picture.tga"), {"--no-alpha", "--subsample", "3", "--chroma-bpp", "5"}},
		{s_data + "/corpus/rose.jpg", {"--alpha", "--exhaustive"}},
		{s_data + "/corpus/rose_gray.jpg", {}},
		{s_data + "/corpus/lineart.tga", {"--lossless"}},
		{s_data + "/corpus/soft_alpha.png", {"--exhaustive", "--alpha-bpp", "4"}},
		{s_data + "/corpus/gray_alpha.png", {"--exhaustive"}}
	};
	char p_s_cwd[4096];
	ASSERT_TRUE(getcwd(p_s_cwd, sizeof(p_s_cwd)));
	for(const auto &r_case : cases) {
		std::vector<std::string> args = {r_case.s_image, "picture.h"};
		args.insert(args.end(), r_case.options.begin(), r_case.options.end());
		SCOPED_TRACE(r_case.s_image + " " + ((r_case.options.empty())? "" : r_case.options[0]));

		ProcessResult tool_run = RunTool(args, tool_dir.s_Path());
		ASSERT_EQ(tool_run.n_status, 0) << tool_run.s_err;

		std::vector<const char*> arg_list = {"Pixmold"};
		for(const std::string &r_s_arg : args)
			arg_list.push_back(r_s_arg.c_str());
		ASSERT_EQ(chdir(plain_dir.s_Path().c_str()), 0); // the run leaves its decoded image in the working folder
		fflush(stdout);
		const int n_plain_status = n_RunConversion(int(arg_list.size()), arg_list.data(), SearchMethod::Plain);
		fflush(stdout);
		ASSERT_EQ(chdir(p_s_cwd), 0);
		ASSERT_EQ(n_plain_status, 0);

		const std::string s_plain = s_ReadFile(plain_dir.s_File("picture.h"));
		EXPECT_GT(s_plain.size(), 1000u);
		EXPECT_TRUE(s_ReadFile(tool_dir.s_File("picture.h")) == s_plain) << "the headers differ";
		EXPECT_TRUE(s_ReadFile(tool_dir.s_File("test_decompress.tga")) ==
			s_ReadFile(plain_dir.s_File("test_decompress.tga")));
	}
}
