#include "compress/predictor.h"

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <new>

#include "compress/stream_format.h"

/*
 *	A predictor codes a border of R rows and C columns apart from the rest
 *	(the sizes are in p_predictor_list below):
 *
 *	         x < C                x = C         x > C
 *	  y < R  sample               sample        sample - (x - 1, y)
 *	  y = R  sample               sample - P    sample - P
 *	  y > R  sample - (x, y - 1)  sample - P    sample - P
 *
 *	On a plane smaller than its border the prediction P is never used.
 *	Residuals are stored modulo 256; sums are signed and divisions truncate
 *	toward zero. P reads these neighbours of the sample x, all input samples
 *	(in the last column ne and nne are n and nn):
 *
 *	          nn  nne
 *	      nw  n   ne
 *	  ww  w   x
 */

namespace {

// Each prediction reads the neighbours of p_x in a plane with rows of
// n_stride bytes; n_ne_step is 1, or 0 in the last column.

// "none": the residual is the sample itself
int n_NonePrediction(const uint8_t*, ptrdiff_t, ptrdiff_t)
{
	return 0;
}

int n_UpPrediction(const uint8_t *p_x, ptrdiff_t n_stride, ptrdiff_t)
{
	return p_x[-n_stride];
}

int n_LeftPrediction(const uint8_t *p_x, ptrdiff_t, ptrdiff_t)
{
	return p_x[-1];
}

int n_AvgPrediction(const uint8_t *p_x, ptrdiff_t n_stride, ptrdiff_t)
{
	const int w = p_x[-1], n = p_x[-n_stride], nw = p_x[-n_stride - 1];
	return (w + n + nw) / 3;
}

int n_PaethPrediction(const uint8_t *p_x, ptrdiff_t n_stride, ptrdiff_t)
{
	const int w = p_x[-1], n = p_x[-n_stride], nw = p_x[-n_stride - 1];
	const int p = w + n - nw, n_pa = abs(p - w), n_pb = abs(p - n), n_pc = abs(p - nw);
	return (n_pa <= n_pb && n_pa <= n_pc)? w : (n_pb <= n_pc)? n : nw;
}

int n_MedPrediction(const uint8_t *p_x, ptrdiff_t n_stride, ptrdiff_t)
{
	const int w = p_x[-1], n = p_x[-n_stride], nw = p_x[-n_stride - 1];
	if(nw >= std::max(w, n))
		return std::min(w, n);
	if(nw <= std::min(w, n))
		return std::max(w, n);
	return w + n - nw;
}

// "gap" blends a smooth estimate f with the neighbour g across the edge
// that d detects, the more of g the stronger the edge
const int n_gap_sharp_edge = 80; // above: g alone
const int n_gap_edge = 32; // above: (f + g) / 2
const int n_gap_soft_edge = 8; // above: (3f + g) / 4; else f alone

int n_GapPrediction(const uint8_t *p_x, ptrdiff_t n_stride, ptrdiff_t n_ne_step)
{
	const uint8_t *p_n = p_x - n_stride, *p_nn = p_n - n_stride;
	const int w = p_x[-1], ww = p_x[-2], n = *p_n, nn = *p_nn, nw = p_n[-1];
	const int ne = p_n[n_ne_step], nne = p_nn[n_ne_step];
	const int d = (abs(w - nw) + abs(n - nn) + abs(ne - nne)) -
		(abs(w - ww) + abs(n - nw) + abs(n - ne));
	const int f = uint8_t((w + n) / 2 + (ne - nw) / 4);
	const int g = (d > 0)? w : n;
	const int n_edge = abs(d);
	if(n_edge > n_gap_sharp_edge)
		return g;
	if(n_edge > n_gap_edge)
		return (f + g) / 2;
	if(n_edge > n_gap_soft_edge)
		return (3 * f + g) / 4;
	return f;
}

int n_UpLeftPrediction(const uint8_t *p_x, ptrdiff_t n_stride, ptrdiff_t)
{
	return p_x[-n_stride - 1];
}

int n_Avg2Prediction(const uint8_t *p_x, ptrdiff_t n_stride, ptrdiff_t)
{
	return (p_x[-1] + p_x[-n_stride]) / 2;
}

int n_DiffPrediction(const uint8_t *p_x, ptrdiff_t n_stride, ptrdiff_t)
{
	return p_x[-1] + p_x[-n_stride] - p_x[-n_stride - 1];
}

int n_GradHPrediction(const uint8_t *p_x, ptrdiff_t n_stride, ptrdiff_t)
{
	const int w = p_x[-1], n = p_x[-n_stride], nw = p_x[-n_stride - 1];
	return w + (n - nw) / 2;
}

int n_GradVPrediction(const uint8_t *p_x, ptrdiff_t n_stride, ptrdiff_t)
{
	const int w = p_x[-1], n = p_x[-n_stride], nw = p_x[-n_stride - 1];
	return n + (w - nw) / 2;
}

/**
 *	@brief writes the residuals of the main region (x >= C, y >= R) without a
 *		second plane: each row is predicted into a ring of R + 1 rows, and
 *		copied back once no later row reads its input samples any more
 *	@note The main region must not be empty (n_width > C, n_height > R).
 */
template <int (*n_Prediction)(const uint8_t*, ptrdiff_t, ptrdiff_t)>
void PredictMainRegion(uint8_t *p_plane, int n_width, int n_height,
	int n_first_row, int n_first_col, uint8_t *p_ring)
{
	const size_t n_row_size = size_t(n_width);
	const int n_slot_num = n_first_row + 1;
	auto p_Row = [&](int y) { return p_plane + size_t(y) * n_row_size; };
	auto p_Slot = [&](int y) { return p_ring + size_t(y % n_slot_num) * n_row_size; };
	for(int y = n_first_row; y < n_height; ++ y) {
		const uint8_t *p_row = p_Row(y);
		uint8_t *p_slot = p_Slot(y);
		memcpy(p_slot, p_row, size_t(n_first_col));
		int x = n_first_col;
		for(; x < n_width - 1; ++ x)
			p_slot[x] = uint8_t(p_row[x] - n_Prediction(p_row + x, ptrdiff_t(n_width), 1));
		p_slot[x] = uint8_t(p_row[x] - n_Prediction(p_row + x, ptrdiff_t(n_width), 0));
		if(!n_first_row)
			memcpy(p_Row(y), p_slot, n_row_size);
		else if(y >= 2 * n_first_row) {
			const int n_done_row = y - n_first_row;
			memcpy(p_Row(n_done_row), p_Slot(n_done_row), n_row_size);
		}
	}
	for(int y = std::max(n_first_row, n_height - n_first_row); y < n_height; ++ y)
		memcpy(p_Row(y), p_Slot(y), n_row_size);
}

/** A predictor's main-region pass and its border of R rows and C columns. */
struct Predictor {
	void (*p_PredictMainRegion)(uint8_t*, int, int, int, int, uint8_t*);
	int n_first_row; // R
	int n_first_col; // C
};

const Predictor p_predictor_list[n_predictor_num] = {
	{PredictMainRegion<n_UpPrediction>, 1, 0}, // up
	{PredictMainRegion<n_LeftPrediction>, 0, 1}, // left
	{PredictMainRegion<n_AvgPrediction>, 1, 1}, // avg
	{PredictMainRegion<n_PaethPrediction>, 1, 1}, // paeth
	{PredictMainRegion<n_MedPrediction>, 1, 1}, // med
	{PredictMainRegion<n_GapPrediction>, 2, 2}, // gap
	{PredictMainRegion<n_NonePrediction>, 0, 0}, // none
	{PredictMainRegion<n_UpLeftPrediction>, 1, 1}, // up-left
	{PredictMainRegion<n_Avg2Prediction>, 1, 1}, // avg2
	{PredictMainRegion<n_DiffPrediction>, 1, 1}, // diff
	{PredictMainRegion<n_GradHPrediction>, 1, 1}, // grad-h
	{PredictMainRegion<n_GradVPrediction>, 1, 1} // grad-v
};

} // namespace

bool b_PredictImagePlane(uint8_t *p_plane, int n_width, int n_height, int n_pred_type)
{
	if(n_pred_type < 0 || n_pred_type >= n_predictor_num)
		return false;
	const Predictor &r_predictor = p_predictor_list[n_pred_type];
	const int n_first_row = r_predictor.n_first_row, n_first_col = r_predictor.n_first_col;
	const size_t n_row_size = size_t(n_width);

	if(n_width > n_first_col && n_height > n_first_row) {
		uint8_t *p_ring = new(std::nothrow) uint8_t[size_t(n_first_row + 1) * n_row_size];
		if(!p_ring)
			return false;
		r_predictor.p_PredictMainRegion(p_plane, n_width, n_height, n_first_row, n_first_col, p_ring);
		delete[] p_ring;
	}

	// The border reads only border samples, which the main region never
	// overwrites. Right to left and bottom to top, each difference is taken
	// while its neighbour still holds the input sample.
	for(int y = 0; y < std::min(n_first_row, n_height); ++ y) {
		uint8_t *p_row = p_plane + size_t(y) * n_row_size;
		for(int x = n_width - 1; x > n_first_col; -- x)
			p_row[x] = uint8_t(p_row[x] - p_row[x - 1]);
	}
	for(int x = 0; x < std::min(n_first_col, n_width); ++ x) {
		for(int y = n_height - 1; y > n_first_row; -- y) {
			uint8_t *p_sample = p_plane + size_t(y) * n_row_size + x;
			*p_sample = uint8_t(*p_sample - p_sample[-ptrdiff_t(n_width)]);
		}
	}
	return true;
}
