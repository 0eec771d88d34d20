#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "support/jpeg_reference.h"
#include "support/test_support.h"

/*
 *	Damaged files must give null or a whole image, never a crash or a read
 *	outside the data. Worth running in a build with
 *	-fsanitize=address,undefined, where any stray access fails the test.
 */

namespace {

std::vector<std::string> SampleFiles()
{
	std::vector<std::string> files;
	const struct {
		int n_width, n_height, n_h, n_v, n_restart;
		bool b_gray, b_extra;
	} p_kind[] = {{40, 24, 2, 2, 2, false, false}, {24, 16, 2, 2, 0, true, false},
		{16, 16, 1, 1, 0, false, true}, {35, 9, 4, 1, 1, false, false}, {19, 21, 1, 2, 3, true, true}};
	for(const auto &r_kind : p_kind) {
		JpegWriteSettings settings;
		settings.n_luma_h = r_kind.n_h;
		settings.n_luma_v = r_kind.n_v;
		settings.n_restart_interval = r_kind.n_restart;
		settings.b_gray = r_kind.b_gray;
		settings.b_extra_markers = r_kind.b_extra;
		ImageHolder picture(p_MakeTestPicture(r_kind.n_width, r_kind.n_height, uint32_t(files.size())));
		files.push_back(s_WriteJpeg(*picture.p_image, settings));
	}
	return files;
}

/** @brief the image is whole: a sane size, and every pixel readable and opaque */
bool b_WholeImage(const RasterImage &r_image)
{
	if(r_image.n_width <= 0 || r_image.n_height <= 0 || r_image.n_width > 32767 || r_image.n_height > 32767)
		return false;
	for(size_t i = 0, n = size_t(r_image.n_width) * r_image.n_height; i < n; ++ i) {
		if(r_image.p_pixels[i] >> 24 != 0xff)
			return false;
	}
	return true;
}

TEST(JpegRobustness, EveryTruncationFailsAsEndingEarly)
{
	for(const std::string &s_jpeg : SampleFiles()) {
		ASSERT_TRUE(ImageHolder(p_DecodeJpegBytes(s_jpeg)).p_image);
		for(size_t n_size = 0; n_size < s_jpeg.size(); ++ n_size) {
			LoadFailure failure;
			ImageHolder image(p_DecodeJpegBytes(s_jpeg.substr(0, n_size), &failure));
			ASSERT_FALSE(image) << "cut to " << n_size << " of " << s_jpeg.size();
			// shorter than SOI, the file is no JPEG at all
			const LoadError n_expected = (n_size < 2)? LoadError::NotThisFormat : LoadError::EndsEarly;
			ASSERT_EQ(int(failure.n_error), int(n_expected)) << "cut to " << n_size << ": " << failure.p_s_detail;
		}
	}
}

TEST(JpegRobustness, MutatedFilesGiveNullOrAWholeImage)
{
	const int n_mutation_num = 1000; // per file
	uint32_t n_state = 2024;
	auto n_Random = [&n_state](size_t n_range) {
		n_state = n_state * 1103515245U + 12345U;
		return size_t((n_state >> 4) % n_range);
	};
	int n_decoded = 0, n_refused = 0;
	for(const std::string &s_original : SampleFiles()) {
		for(int n_mutation = 0; n_mutation < n_mutation_num; ++ n_mutation) {
			std::string s_jpeg = s_original;
			for(size_t n_edit = 1 + n_Random(4); n_edit; -- n_edit) {
				const size_t n_at = n_Random(s_jpeg.size());
				switch(n_Random(5)) {
				case 0:
					s_jpeg[n_at] = char(n_Random(256));
					break;
				case 1:
					s_jpeg[n_at] = char(s_jpeg[n_at] ^ (1 << n_Random(8)));
					break;
				case 2:
					s_jpeg[n_at] = '\xff'; // markers and stuffing are where parsers slip
					break;
				case 3:
					s_jpeg.insert(n_at, 1, char(n_Random(256)));
					break;
				default:
					s_jpeg.erase(n_at, 1 + n_Random(3));
					break;
				}
			}
			LoadFailure failure;
			ImageHolder image(p_DecodeJpegBytes(s_jpeg, &failure));
			// a refusal always says why, and only a refusal
			ASSERT_EQ(image.p_image == nullptr, failure.n_error != LoadError::None) << "mutation " << n_mutation;
			if(image) {
				ASSERT_TRUE(b_WholeImage(*image.p_image)) << "mutation " << n_mutation;
				++ n_decoded;
			} else
				++ n_refused;
		}
	}
	printf("\t%d mutations decoded, %d refused\n", n_decoded, n_refused);
	// damage inside the scan data mostly still decodes; damage to the
	// structure mostly does not: both paths must have been taken often
	EXPECT_GT(n_decoded, 200);
	EXPECT_GT(n_refused, 200);
}

} // namespace
