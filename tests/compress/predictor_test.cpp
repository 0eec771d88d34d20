#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "compress/predictor.h"
#include "compress/stream_format.h"
#include "verify/builtin_decoder.h"

namespace {

typedef std::vector<uint8_t> Plane;

Plane RandomPlane(int n_width, int n_height, uint32_t n_seed)
{
	Plane plane(size_t(n_width) * size_t(n_height));
	uint32_t n_state = n_seed * 2654435761U + 1;
	for(uint8_t &r_sample : plane) {
		n_state = n_state * 1103515245U + 12345U;
		r_sample = uint8_t(n_state >> 16);
	}
	return plane;
}

Plane Predicted(Plane plane, int n_width, int n_height, int n_pred_type)
{
	EXPECT_TRUE(b_PredictImagePlane(plane.data(), n_width, n_height, n_pred_type));
	return plane;
}

void ExpectRoundTrip(const Plane &r_plane, int n_width, int n_height)
{
	for(int n_type = 0; n_type < n_predictor_num; ++ n_type) {
		Plane coded = Predicted(r_plane, n_width, n_height, n_type);
		UnPredictImagePlane(coded.data(), n_width, n_height, n_type);
		EXPECT_EQ(coded, r_plane) << p_s_PredictorName(n_type) << " on " << n_width << " x " << n_height;
	}
}

} // namespace

TEST(PredictorRoundTrip, EverySmallShape)
{
	for(int n_height = 1; n_height <= 7; ++ n_height) {
		for(int n_width = 1; n_width <= 7; ++ n_width) {
			for(uint32_t n_seed = 0; n_seed < 3; ++ n_seed)
				ExpectRoundTrip(RandomPlane(n_width, n_height, n_seed), n_width, n_height);
		}
	}
}

TEST(PredictorRoundTrip, LargerOddShapes)
{
	const int p_size_list[][2] = {{17, 13}, {101, 3}, {3, 101}, {2, 77}, {64, 65}, {300, 1}, {1, 300}, {255, 9}};
	for(const auto &r_size : p_size_list)
		ExpectRoundTrip(RandomPlane(r_size[0], r_size[1], 7), r_size[0], r_size[1]);
}

TEST(PredictorRoundTrip, StructuredPlanes)
{
	const int n_width = 23, n_height = 19;
	auto Make = [&](int (*n_Sample)(int x, int y)) {
		Plane plane(n_width * n_height);
		for(int y = 0; y < n_height; ++ y) {
			for(int x = 0; x < n_width; ++ x)
				plane[x + y * n_width] = uint8_t(n_Sample(x, y));
		}
		return plane;
	};
	ExpectRoundTrip(Make([](int, int) { return 77; }), n_width, n_height);
	ExpectRoundTrip(Make([](int x, int y) { return 3 * x + 11 * y; }), n_width, n_height);
	ExpectRoundTrip(Make([](int x, int y) { return 250 - 9 * x + 13 * y; }), n_width, n_height);
	ExpectRoundTrip(Make([](int x, int) { return (x < 11)? 0 : 255; }), n_width, n_height);
	ExpectRoundTrip(Make([](int, int y) { return (y < 7)? 255 : 3; }), n_width, n_height);
	ExpectRoundTrip(Make([](int x, int y) { return ((x + y) & 1)? 255 : 0; }), n_width, n_height);
	ExpectRoundTrip(Make([](int x, int y) { return (x * x + y * 5) & 255; }), n_width, n_height);
}

TEST(PredictorResiduals, ConstantPlaneKeepsOnlyTheCorner)
{
	// corner cells: x <= C and y < R, or x < C and y = R
	const int p_corner_size[n_predictor_num] = {1, 1, 3, 3, 3, 8, 6 * 5, 3, 3, 3, 3, 3};
	const Plane plane(6 * 5, 77);
	for(int n_type = 0; n_type < n_predictor_num; ++ n_type) {
		const Plane coded = Predicted(plane, 6, 5, n_type);
		int n_kept = 0, n_zero = 0;
		for(uint8_t n_residual : coded) {
			n_kept += (n_residual == 77);
			n_zero += (n_residual == 0);
		}
		EXPECT_EQ(n_kept, p_corner_size[n_type]) << p_s_PredictorName(n_type);
		EXPECT_EQ(n_kept + n_zero, 6 * 5) << p_s_PredictorName(n_type);
	}
}

TEST(PredictorResiduals, NoneLeavesThePlaneUnchanged)
{
	const Plane plane = RandomPlane(9, 4, 1);
	EXPECT_EQ(Predicted(plane, 9, 4, pred_None), plane);
}

TEST(PredictorResiduals, UnknownPredictorIsRefusedAndLeavesThePlane)
{
	Plane plane = RandomPlane(5, 5, 2);
	const Plane original = plane;
	EXPECT_FALSE(b_PredictImagePlane(plane.data(), 5, 5, n_predictor_num));
	EXPECT_FALSE(b_PredictImagePlane(plane.data(), 5, 5, -1));
	EXPECT_EQ(plane, original);
}

TEST(PredictorResiduals, OneRowUpIsRawSampleThenLeftDifferences)
{
	EXPECT_EQ(Predicted({10, 13, 13, 7}, 4, 1, pred_Up), Plane({10, 3, 0, 250}));
}

TEST(PredictorResiduals, GapOnPlanesShorterThanItsBorder)
{
	// one row: three corner samples, then left differences
	EXPECT_EQ(Predicted({10, 20, 30, 25, 25}, 5, 1, pred_Gap), Plane({10, 20, 30, 251, 0}));
	// two rows: both are first rows
	EXPECT_EQ(Predicted({1, 2, 3, 9, 4, 5, 6, 2}, 4, 2, pred_Gap), Plane({1, 2, 3, 6, 4, 5, 6, 252}));
}

TEST(PredictorResiduals, GapOnePixelWideIsThreeRawSamplesThenUpDifferences)
{
	EXPECT_EQ(Predicted({10, 20, 30, 25, 25}, 1, 5, pred_Gap), Plane({10, 20, 30, 251, 0}));
}

TEST(PredictorResiduals, GapThirdRowIsTheOnlyMainRowAndRoundsTowardZero)
{
	// (2, 2): d = 0, ne - nw = -3, f = 100 + (-3) / 4 = 100 (not 99), so 110 -> 10;
	// (3, 2): last column, d = 3, f = 207 / 2 + (-3) / 4 = 103, so 100 -> 253
	const Plane plane = {
		100, 100, 100, 100,
		100, 100, 100, 97,
		100, 100, 110, 100};
	EXPECT_EQ(Predicted(plane, 4, 3, pred_Gap), Plane({
		100, 100, 100, 0,
		100, 100, 100, 253,
		100, 100, 10, 253}));
}

TEST(PredictorResiduals, GapLastColumnUsesNorthForNorthEast)
{
	// (2, 2): w 50, ww 90, n = ne 60, nn = nne 50, nw 50: d = 20 - 50 = -30,
	// f = 55 + 10 / 4 = 57, g = n = 60, P = (3 * 57 + 60) / 4 = 57; reading the
	// next row's start as ne would give 61
	const Plane plane = {
		5, 7, 50,
		10, 50, 60,
		90, 50, 70};
	EXPECT_EQ(Predicted(plane, 3, 3, pred_Gap), Plane({5, 7, 50, 10, 50, 60, 90, 50, 13}));
}

TEST(PredictorResiduals, GapThresholdsAreStrict)
{
	// last-column cell (2, 2) with nw = n, so f = (w + n) / 2 and g = w:
	// d = 80 gives (f + g) / 2, d = 32 gives (3f + g) / 4, d = 8 gives f
	struct Case { uint8_t nn, w, n_expected; } case_list[] = {
		{130, 120, 150 - 115}, // d = 20 + 30 + 30
		{106, 120, 150 - 112}, // d = 20 + 6 + 6
		{100, 108, 150 - 104} // d = 8
	};
	for(const Case &r_case : case_list) {
		const Plane plane = {
			0, 0, r_case.nn,
			0, 100, 100,
			r_case.w, r_case.w, 150};
		EXPECT_EQ(Predicted(plane, 3, 3, pred_Gap)[8], r_case.n_expected) << int(r_case.nn);
	}
}

TEST(PredictorResiduals, GradHHalvesTowardZero)
{
	// w = 100, n = 10, nw = 13: 100 + (-3) / 2 = 99
	EXPECT_EQ(Predicted({13, 10, 100, 120}, 2, 2, pred_GradH), Plane({13, 10, 100, 21}));
}

TEST(PredictorResiduals, PaethTiesPreferLeftThenUp)
{
	// 2 x 2 planes {nw, n, w, sample}
	// pa = pb = 10 <= pc = 20 (then w = n): 20
	EXPECT_EQ(Predicted({10, 20, 20, 25}, 2, 2, pred_Paeth)[3], 5);
	// pa = pc = 10 < pb = 20: w = 30, not nw = 50
	EXPECT_EQ(Predicted({50, 60, 30, 40}, 2, 2, pred_Paeth)[3], 10);
	// pb = pc = 10 < pa = 20: n = 30, not nw = 50
	EXPECT_EQ(Predicted({50, 30, 60, 40}, 2, 2, pred_Paeth)[3], 10);
}

TEST(PredictorResiduals, MedWithUpLeftAtTheMaximumTakesTheMinimum)
{
	// nw = n = 80 = max(w, n): min(w, n) = 30
	EXPECT_EQ(Predicted({80, 80, 30, 33}, 2, 2, pred_Med)[3], 3);
	// nw below both: max(w, n) = 80
	EXPECT_EQ(Predicted({20, 80, 30, 83}, 2, 2, pred_Med)[3], 3);
	// nw between: w + n - nw = 60
	EXPECT_EQ(Predicted({50, 80, 30, 63}, 2, 2, pred_Med)[3], 3);
}

TEST(PredictorResiduals, DiffIsNotClamped)
{
	// w = n = 200, nw = 10: 390 modulo 256 = 134
	EXPECT_EQ(Predicted({10, 200, 200, 140}, 2, 2, pred_Diff), Plane({10, 200, 200, 6}));
}
