#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "compress/predictor.h"
#include "compress/stream_format.h"
#include "verify/builtin_decoder.h"

namespace {

typedef std::vector<uint8_t> Plane;

Plane Predicted(Plane plane, int n_width, int n_height, int n_pred_type)
{
	EXPECT_TRUE(b_PredictImagePlane(plane.data(), n_width, n_height, n_pred_type));
	return plane;
}

/** A plane and the residuals one predictor must make of it. */
struct ResidualCase {
	const char *p_s_what;
	int n_pred_type, n_width, n_height;
	Plane input, residuals;
};

void ExpectResiduals(const std::vector<ResidualCase> &r_case_list)
{
	for(const ResidualCase &r_case : r_case_list) {
		EXPECT_EQ(Predicted(r_case.input, r_case.n_width, r_case.n_height, r_case.n_pred_type),
			r_case.residuals) << r_case.p_s_what;
	}
}

} // namespace

TEST(PredictorRoundTrip, InverseRestoresEveryShapeAndPattern)
{
	std::vector<std::pair<int, int>> size_list = {{17, 13}, {101, 3}, {3, 101}, {2, 77}, {64, 65}, {300, 1}, {1, 300}};
	for(int n_height = 1; n_height <= 7; ++ n_height) {
		for(int n_width = 1; n_width <= 7; ++ n_width)
			size_list.push_back({n_width, n_height});
	}
	// noise, constant, ramps, a vertical and a horizontal edge, a checkerboard
	auto n_Sample = [](int n_pattern, int x, int y, uint32_t &r_state) {
		r_state = r_state * 1103515245U + 12345U;
		const int p_sample[] = {int(r_state >> 16), 77, 3 * x + 11 * y, 250 - 9 * x + 13 * y,
			(x < 5)? 0 : 255, (y < 4)? 255 : 3, ((x + y) & 1)? 255 : 0};
		return uint8_t(p_sample[n_pattern]);
	};
	for(const auto &r_size : size_list) {
		const int n_width = r_size.first, n_height = r_size.second;
		for(int n_pattern = 0; n_pattern < 7; ++ n_pattern) {
			Plane plane(size_t(n_width) * size_t(n_height));
			uint32_t n_state = uint32_t(n_width * 131 + n_height);
			for(size_t i = 0; i < plane.size(); ++ i)
				plane[i] = n_Sample(n_pattern, int(i) % n_width, int(i) / n_width, n_state);
			for(int n_type = 0; n_type < n_predictor_num; ++ n_type) {
				Plane coded = Predicted(plane, n_width, n_height, n_type);
				UnPredictImagePlane(coded.data(), n_width, n_height, n_type);
				ASSERT_EQ(coded, plane) << p_s_PredictorName(n_type) << " on " << n_width <<
					" x " << n_height << ", pattern " << n_pattern;
			}
		}
	}
}

TEST(PredictorRoundTrip, InverseOfMostlyZeroResidualsPredictsThemBack)
{
	// residuals that are mostly zero, the others a step up or down, restore to
	// flat areas of every shape with steps a sample or two away from them, which
	// the inverse's shortcuts for flat runs and whole blocks must tell apart; the
	// forward predictor, written apart, must find the same residuals in what the
	// inverse restores
	const std::pair<int, int> size_list[] = {{40, 9}, {33, 17}, {19, 4}, {64, 5}, {9, 30}, {200, 50}};
	uint32_t n_state = 1;
	for(const auto &r_size : size_list) {
		const int n_width = r_size.first, n_height = r_size.second;
		for(int n_zero_in_64 : {32, 56, 62}) {
			Plane residuals(size_t(n_width) * size_t(n_height));
			for(uint8_t &r_residual : residuals) {
				n_state = n_state * 1103515245U + 12345U;
				r_residual = (int(n_state >> 16 & 63) < n_zero_in_64)? 0 : (n_state >> 31)? 40 : 216;
			}
			for(int n_type = 0; n_type < n_predictor_num; ++ n_type) {
				Plane restored = residuals;
				UnPredictImagePlane(restored.data(), n_width, n_height, n_type);
				ASSERT_EQ(Predicted(restored, n_width, n_height, n_type), residuals) << p_s_PredictorName(n_type) <<
					" on " << n_width << " x " << n_height << ", " << n_zero_in_64 << " zeros in 64";
			}
		}
	}
}

TEST(PredictorRoundTrip, InverseOfZeroResidualsUnderAFlatRowPredictsThemBack)
{
	// rows that begin at one value under a flat row of another, then go on with zero
	// residuals, the upper row of each pair two samples further than the lower one:
	// for most predictors the rows do not stay flat there, though their left
	// neighbours are equal and the row above is flat
	const int n_width = 40, n_height = 7;
	for(int n_step = 3; n_step < 20; ++ n_step) {
		Plane image(size_t(n_width) * size_t(n_height));
		for(int y = 0; y < n_height; ++ y) {
			for(int x = 0; x < n_width; ++ x)
				image[size_t(y * n_width + x)] = uint8_t((y && x < n_step - 2 * (y % 2 == 0))? 40 : 200);
		}
		for(int n_type = 0; n_type < n_predictor_num; ++ n_type) {
			Plane residuals = Predicted(image, n_width, n_height, n_type);
			for(int y = 1; y < n_height; ++ y) {
				for(int x = n_step - 2 * (y % 2 == 0); x < n_width; ++ x)
					residuals[size_t(y * n_width + x)] = 0;
			}
			Plane restored = residuals;
			UnPredictImagePlane(restored.data(), n_width, n_height, n_type);
			ASSERT_EQ(Predicted(restored, n_width, n_height, n_type), residuals) << p_s_PredictorName(n_type) <<
				", step at " << n_step;
		}
	}
}

TEST(PredictorResiduals, BordersOfSmallPlanes)
{
	ExpectResiduals({
		{"none keeps the samples", pred_None, 3, 2, {9, 200, 3, 0, 255, 17}, {9, 200, 3, 0, 255, 17}},
		{"up on one row: raw sample, then left differences", pred_Up, 4, 1, {10, 13, 13, 7}, {10, 3, 0, 250}},
		{"gap on one row: three raw samples", pred_Gap, 5, 1, {10, 20, 30, 25, 25}, {10, 20, 30, 251, 0}},
		{"gap on two rows: both are first rows", pred_Gap, 4, 2, {1, 2, 3, 9, 4, 5, 6, 2}, {1, 2, 3, 6, 4, 5, 6, 252}},
		{"gap one pixel wide: three raw samples, then up differences", pred_Gap, 1, 5,
			{10, 20, 30, 25, 25}, {10, 20, 30, 251, 0}},
		{"left on one column: raw sample, then up differences", pred_Left, 1, 3, {50, 40, 45}, {50, 246, 5}},
		{"a constant plane keeps only its corner", pred_Avg, 3, 3, Plane(9, 77), {77, 77, 0, 77, 0, 0, 0, 0, 0}}
	});
}

TEST(PredictorResiduals, GapDetails)
{
	ExpectResiduals({
		// row 2 is the only main row. (2, 2): d = 0, ne - nw = -3, f = 100 + (-3) / 4 =
		// 100, not 99. (3, 2), last column: d = 3, f = 207 / 2 + (-3) / 4 = 103
		{"third row, division toward zero", pred_Gap, 4, 3,
			{100, 100, 100, 100, 100, 100, 100, 97, 100, 100, 110, 100},
			{100, 100, 100, 0, 100, 100, 100, 253, 100, 100, 10, 253}},
		// (2, 2): w 50, ww 90, n = ne 60, nn = nne 50, nw 50: d = -30, f = 57, g = 60,
		// (3f + g) / 4 = 57; reading the next row's start as ne would give 61
		{"last column uses n for ne", pred_Gap, 3, 3,
			{5, 7, 50, 10, 50, 60, 90, 50, 70}, {5, 7, 50, 10, 50, 60, 90, 50, 13}},
		// last-column cell (2, 2) with nw = n = 100, so f = (w + n) / 2 and g = w
		{"d = 80 takes (f + g) / 2", pred_Gap, 3, 3,
			{0, 0, 130, 0, 100, 100, 120, 120, 150}, {0, 0, 130, 0, 100, 100, 120, 120, 150 - 115}},
		{"d = 32 takes (3f + g) / 4", pred_Gap, 3, 3,
			{0, 0, 106, 0, 100, 100, 120, 120, 150}, {0, 0, 106, 0, 100, 100, 120, 120, 150 - 112}},
		{"d = 8 takes f", pred_Gap, 3, 3,
			{0, 0, 100, 0, 100, 100, 108, 108, 150}, {0, 0, 100, 0, 100, 100, 108, 108, 150 - 104}}
	});
}

TEST(PredictorResiduals, RoundingTiesAndWrapAround)
{
	// 2 x 2 planes nw, n, w, sample: only the sample is predicted
	ExpectResiduals({
		{"grad-h: 100 + (-3) / 2 = 99", pred_GradH, 2, 2, {13, 10, 100, 120}, {13, 10, 100, 21}},
		{"paeth pa = pb <= pc: w", pred_Paeth, 2, 2, {10, 20, 20, 25}, {10, 20, 20, 5}},
		{"paeth pa = pc < pb: w, not nw", pred_Paeth, 2, 2, {50, 60, 30, 40}, {50, 60, 30, 10}},
		{"paeth pb = pc < pa: n, not nw", pred_Paeth, 2, 2, {50, 30, 60, 40}, {50, 30, 60, 10}},
		{"med nw = max(w, n): min", pred_Med, 2, 2, {80, 80, 30, 33}, {80, 80, 30, 3}},
		{"med nw below both: max", pred_Med, 2, 2, {20, 80, 30, 83}, {20, 80, 30, 3}},
		{"med nw between: w + n - nw", pred_Med, 2, 2, {50, 80, 30, 63}, {50, 80, 30, 3}},
		{"diff 200 + 200 - 10 = 390, modulo 256 134", pred_Diff, 2, 2, {10, 200, 200, 140}, {10, 200, 200, 6}},
		{"avg (10 + 20 + 31) / 3 = 20", pred_Avg, 2, 2, {31, 20, 10, 25}, {31, 20, 10, 5}}
	});
}
