#include <gtest/gtest.h>

#include <dirent.h>

#include <atomic>
#include <chrono>
#include <string>
#include <system_error>
#include <thread>

#include <vector>

#include "compress/color_transform.h"
#include "compress/huffman_coder.h"
#include "compress/predictor.h"
#include "compress/predictor_search.h"
#include "compress/rle_coder.h"
#include "compress/stream_format.h"
#include "compress/search_step.h"
#include "support/test_support.h"
#include "support/thread_start_limit.h"

namespace {

/**
 *	@brief the compressed stream length of one candidate, computed plainly: the
 *		planes, each predicted with its predictor, run-length coded as one block
 */
size_t n_CandidateStreamLength(const RasterImage &r_image, const PlaneSettings &r_settings,
	const CompressionCandidate &r_candidate)
{
	ByteBuffer planes, rle;
	EXPECT_TRUE(b_BuildPlanes(r_image, r_settings, planes));
	PlaneLayout layout = MakePlaneLayout(r_image.n_width, r_image.n_height, r_settings.n_subsample,
		n_ColorType(r_settings));
	uint8_t *p = planes.p_Data();
	b_PredictImagePlane(p, r_image.n_width, r_image.n_height, r_candidate.n_predictor_y);
	if(!r_settings.b_gray) {
		b_PredictImagePlane(p + layout.n_u_offset, int(layout.n_chroma_w), int(layout.n_chroma_h), r_candidate.n_predictor_uv);
		b_PredictImagePlane(p + layout.n_v_offset, int(layout.n_chroma_w), int(layout.n_chroma_h), r_candidate.n_predictor_uv);
	}
	if(r_settings.b_alpha)
		b_PredictImagePlane(p + layout.n_alpha_offset, r_image.n_width, r_image.n_height, r_candidate.n_predictor_a);
	EXPECT_TRUE(b_RunLengthEncode(planes.p_Data(), planes.n_Size(), rle));
	uint32_t p_frequency[256];
	CountByteFrequencies(rle.p_Data(), rle.n_Size(), p_frequency);
	return n_HuffmanStreamLength(p_frequency);
}

/** @brief runs the whole search on a pool of the given size */
SearchResult t_Search(const RasterImage &r_image, const PlaneSettings &r_settings, int n_predictor_num,
	int n_participant_num, SearchMethod n_method = SearchMethod::Fast)
{
	PredictorSearch search(r_image, r_settings, n_predictor_num, n_method);
	SearchResult result;
	EXPECT_TRUE(b_RunSearch(search, n_participant_num, result));
	return result;
}

void ExpectSameResult(const SearchResult &r_result, const SearchResult &r_expected)
{
	EXPECT_EQ(r_result.t_best.n_index, r_expected.t_best.n_index);
	EXPECT_EQ(r_result.n_rle_size, r_expected.n_rle_size);
	ASSERT_EQ(r_result.output.n_Size(), r_expected.output.n_Size());
	EXPECT_EQ(memcmp(r_result.output.p_Data(), r_expected.output.p_Data(), r_result.output.n_Size()), 0);
}

PlaneSettings t_Settings(bool b_gray, bool b_alpha, bool b_lossless = false, int n_subsample = 2)
{
	return PlaneSettings{b_gray, b_alpha, b_lossless, n_subsample, (b_lossless)? 8 : 6, 8};
}

RasterImage *p_GrayCopy(const RasterImage &r_image)
{
	RasterImage *p_gray = p_MakeTestPicture(r_image.n_width, r_image.n_height, 0, r_image.b_alpha);
	memcpy(p_gray->p_pixels, r_image.p_pixels, n_RasterByteSize(r_image));
	ConvertToGrayscale(*p_gray, r_image.b_alpha);
	return p_gray;
}

size_t n_LiveThreadNum()
{
	size_t n_num = 0;
	if(DIR *p_dir = opendir("/proc/self/task")) {
		while(struct dirent *p_entry = readdir(p_dir))
			n_num += (p_entry->d_name[0] != '.')? 1 : 0;
		closedir(p_dir);
	}
	return n_num;
}

/**
 *	A search whose evaluation of one candidate fails, as if memory ran out
 *	there, or throws the system error of a lock that failed.
 */
class FailingSearch : public PredictorSearch {
public:
	FailingSearch(const RasterImage &r_image, const PlaneSettings &r_settings, int n_failing, bool b_lock = false)
		:PredictorSearch(r_image, r_settings, n_default_predictor_num, SearchMethod::Plain), m_n_failing(n_failing),
		m_b_lock(b_lock)
	{}

protected:
	bool b_EvaluateCandidate(const CompressionCandidate &r_candidate, CandidateBuffers &r_buffers) override
	{
		if(m_b_lock && r_candidate.n_index == m_n_failing)
			throw std::system_error(std::make_error_code(std::errc::resource_deadlock_would_occur), "mutex lock failed");
		return r_candidate.n_index != m_n_failing && PredictorSearch::b_EvaluateCandidate(r_candidate, r_buffers);
	}

private:
	const int m_n_failing;
	const bool m_b_lock;
};

/** A search in which candidate 0 finishes only after candidate 1, as a slow thread would make it. */
class ReorderedSearch : public PredictorSearch {
public:
	ReorderedSearch(const RasterImage &r_image, const PlaneSettings &r_settings, int n_predictor_num)
		:PredictorSearch(r_image, r_settings, n_predictor_num, SearchMethod::Plain)
	{}

protected:
	bool b_EvaluateCandidate(const CompressionCandidate &r_candidate, CandidateBuffers &r_buffers) override
	{
		if(r_candidate.n_index == 0) {
			for(auto t_start = std::chrono::steady_clock::now(); !m_b_one_done &&
			   std::chrono::steady_clock::now() - t_start < std::chrono::seconds(5);)
				std::this_thread::yield();
		}
		bool b_result = PredictorSearch::b_EvaluateCandidate(r_candidate, r_buffers);
		if(r_candidate.n_index == 1)
			m_b_one_done = true;
		return b_result;
	}

private:
	std::atomic<bool> m_b_one_done{false};
};

} // namespace

TEST(CandidateNumbering, DigitsAreChromaThenLumaThenAlpha)
{
	CompressionCandidate t = t_Candidate(2 * 36 + 3 * 6 + 4, 6, false, true);
	EXPECT_EQ(t.n_predictor_uv, 4);
	EXPECT_EQ(t.n_predictor_y, 3);
	EXPECT_EQ(t.n_predictor_a, 2);
	t = t_Candidate(5 * 12 + 11, 12, false, false);
	EXPECT_EQ(t.n_predictor_uv, 11);
	EXPECT_EQ(t.n_predictor_y, 5);
	EXPECT_EQ(t.n_predictor_a, 0);
	t = t_Candidate(4 * 6 + 1, 6, true, true);
	EXPECT_EQ(t.n_predictor_y, 1);
	EXPECT_EQ(t.n_predictor_a, 4);
	EXPECT_EQ(t.n_predictor_uv, 0);
}

TEST(CandidateNumbering, CountsPerImageKind)
{
	EXPECT_EQ(n_CandidateNum(6, false, false), 36);
	EXPECT_EQ(n_CandidateNum(12, false, false), 144);
	EXPECT_EQ(n_CandidateNum(6, false, true), 216);
	EXPECT_EQ(n_CandidateNum(12, false, true), 1728);
	EXPECT_EQ(n_CandidateNum(6, true, false), 6);
	EXPECT_EQ(n_CandidateNum(12, true, false), 12);
	EXPECT_EQ(n_CandidateNum(6, true, true), 36);
	EXPECT_EQ(n_CandidateNum(12, true, true), 144);
}

TEST(PredictorSearch, WinnerIsTheShortestStreamWithTheLowestNumberAmongEqualOnes)
{
	ImageHolder colour(p_MakeTestPicture(23, 17, 3, false)), alpha(p_MakeTestPicture(19, 14, 5, true));
	ImageHolder gray(p_GrayCopy(*colour.p_image)), gray_alpha(p_GrayCopy(*alpha.p_image));
	struct {
		const RasterImage *p_image;
		PlaneSettings t_settings;
		int n_predictor_num;
	} cases[] = {
		{colour.p_image, t_Settings(false, false), 6},
		{colour.p_image, t_Settings(false, false), 12},
		{colour.p_image, t_Settings(false, false, true, 1), 12},
		{alpha.p_image, t_Settings(false, true), 6},
		{alpha.p_image, t_Settings(false, true), 12},
		{gray.p_image, t_Settings(true, false), 12},
		{gray_alpha.p_image, t_Settings(true, true), 6},
		{gray_alpha.p_image, t_Settings(true, true), 12}
	};
	for(const auto &r_case : cases) {
		const int n_candidate_num = n_CandidateNum(r_case.n_predictor_num, r_case.t_settings.b_gray,
			r_case.t_settings.b_alpha);
		size_t n_best_length = SIZE_MAX;
		int n_best_index = -1;
		for(int i = 0; i < n_candidate_num; ++ i) {
			size_t n_length = n_CandidateStreamLength(*r_case.p_image, r_case.t_settings, t_Candidate(i,
				r_case.n_predictor_num, r_case.t_settings.b_gray, r_case.t_settings.b_alpha));
			if(n_length < n_best_length)
				n_best_length = n_length, n_best_index = i;
		}
		for(SearchMethod n_method : {SearchMethod::Plain, SearchMethod::Fast}) {
			SearchResult result = t_Search(*r_case.p_image, r_case.t_settings, r_case.n_predictor_num, 3, n_method);
			EXPECT_EQ(result.t_best.n_index, n_best_index);
			EXPECT_EQ(result.output.n_Size(), n_best_length + n_length_prefix_size);
		}
	}
}

TEST(PredictorSearch, OutputDoesNotDependOnTheNumberOfParticipants)
{
	// a flat image makes many candidates tie, so the tie-break is exercised
	ImageHolder flat(p_NewRasterImage(16, 16));
	for(int i = 0; i < 256; ++ i)
		flat->p_pixels[i] = n_Pixel(90, 90, 90) + ((i % 16 < 8)? 0 : 0x010101);
	ImageHolder photo(p_MakeTestPicture(31, 20, 9, true));
	for(const RasterImage *p_image : {flat.p_image, photo.p_image}) {
		const PlaneSettings t_settings = t_Settings(false, p_image->b_alpha);
		SearchResult reference = t_Search(*p_image, t_settings, 12, 1, SearchMethod::Plain);
		for(int n_participant_num : {2, 3, 8}) {
			for(int n_repeat = 0; n_repeat < 3; ++ n_repeat) {
				ExpectSameResult(t_Search(*p_image, t_settings, 12, n_participant_num,
					(n_repeat % 2)? SearchMethod::Plain : SearchMethod::Fast), reference);
			}
		}
	}
}

TEST(PredictorSearch, RunsOnTheThreadsThatStartWhenTheSystemRefusesSome)
{
	ImageHolder photo(p_MakeTestPicture(31, 20, 9, true));
	const PlaneSettings t_settings = t_Settings(false, true);
	for(SearchMethod n_method : {SearchMethod::Plain, SearchMethod::Fast}) {
		const SearchResult reference = t_Search(*photo.p_image, t_settings, 6, 1, n_method);
		for(int n_started_num : {0, 1, 2}) {
			ThreadStartLimit limit(n_started_num);
			ExpectSameResult(t_Search(*photo.p_image, t_settings, 6, 4, n_method), reference);
		}
	}
}

TEST(PredictorSearch, EqualStreamsGoToTheLowerNumberWhicheverFinishesFirst)
{
	// gray pixels give constant chroma planes, which "up" and "left" code equally well,
	// so candidates 0 and 1 (chroma "up" and "left", luma "up") tie
	ImageHolder image(p_NewRasterImage(16, 16));
	for(int i = 0; i < 256; ++ i)
		image->p_pixels[i] = n_Pixel(90, 90, 90) + ((i % 16 < 8)? 0 : 0x010101);
	const PlaneSettings t_settings = t_Settings(false, false);
	ASSERT_EQ(n_CandidateStreamLength(*image.p_image, t_settings, t_Candidate(0, 6, false, false)),
		n_CandidateStreamLength(*image.p_image, t_settings, t_Candidate(1, 6, false, false)));
	ReorderedSearch search(*image.p_image, t_settings, 6);
	SearchResult result;
	ASSERT_TRUE(b_RunSearch(search, 2, result));
	EXPECT_EQ(result.t_best.n_index, 0);
}

TEST(PredictorSearch, OnePixelImageGivesAValidStreamForEveryCandidate)
{
	ImageHolder pixel(p_NewRasterImage(1, 1));
	pixel->p_pixels[0] = n_Pixel(10, 200, 30);
	SearchResult result = t_Search(*pixel.p_image, t_Settings(false, false), 6, 4);
	EXPECT_EQ(result.t_best.n_index, 0);
	EXPECT_EQ(result.n_rle_size, 4u); // one literal packet holding Y, U and V
}

TEST(PredictorSearch, FailureOnAnyParticipantFailsTheSearchAndLeavesNoThread)
{
	ImageHolder image(p_MakeTestPicture(20, 20, 1, false));
	const size_t n_threads_before = n_LiveThreadNum();
	for(int n_participant_num : {1, 2, 4}) {
		for(int n_failing : {0, 17, 35}) {
			FailingSearch search(*image.p_image, t_Settings(false, false), n_failing);
			SearchResult result;
			SearchFailure failure;
			EXPECT_FALSE(b_RunSearch(search, n_participant_num, result, &failure));
			EXPECT_TRUE(failure.b_no_memory);
			EXPECT_EQ(n_LiveThreadNum(), n_threads_before);
		}
	}
}

TEST(PredictorSearch, AFailureOtherThanMemoryIsReportedWithItsCause)
{
	ImageHolder image(p_MakeTestPicture(20, 20, 1, false));
	for(int n_participant_num : {1, 3}) {
		FailingSearch search(*image.p_image, t_Settings(false, false), 17, true);
		SearchResult result;
		SearchFailure failure;
		EXPECT_FALSE(b_RunSearch(search, n_participant_num, result, &failure));
		EXPECT_FALSE(failure.b_no_memory);
		EXPECT_EQ(std::string(failure.p_s_cause), std::system_error(std::make_error_code(
			std::errc::resource_deadlock_would_occur), "mutex lock failed").what());
	}
}
