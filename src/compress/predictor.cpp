#include "compress/predictor.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstring>
#include <new>
#include <utility>

#include "compress/prediction.h"
#include "compress/stream_format.h"

/*
 *	A predictor codes a border of R rows and C columns apart from the rest
 *	(the sizes are in p_predictor_info, the formulas in prediction.h):
 *
 *	         x < C                x = C         x > C
 *	  y < R  sample               sample        sample - (x - 1, y)
 *	  y = R  sample               sample - P    sample - P
 *	  y > R  sample - (x, y - 1)  sample - P    sample - P
 *
 *	On a plane smaller than its border the prediction P is never used.
 *	Residuals are stored modulo 256. P reads input samples only.
 */

namespace {

/**
 *	@brief writes the residuals of the main region (x >= C, y >= R) without a
 *		second plane: each row is predicted into a ring of R + 1 rows, and
 *		copied back once no later row reads its input samples any more
 *	@note The main region must not be empty (n_width > C, n_height > R).
 */
template <int n_pred_type>
void PredictMainRegion(uint8_t *p_plane, int n_width, int n_height,
	int n_first_row, int n_first_col, uint8_t *p_ring)
{
	constexpr PredictionFormula n_Prediction = p_PredictionFormula(n_pred_type);
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

typedef void (*MainRegionPass)(uint8_t*, int, int, int, int, uint8_t*);

/** @brief the main-region passes of all predictors, indexed by PredictorType */
template <size_t... n_pred_type>
constexpr std::array<MainRegionPass, sizeof...(n_pred_type)> MainRegionPasses(std::index_sequence<n_pred_type...>)
{
	return {{PredictMainRegion<int(n_pred_type)>...}};
}

const std::array<MainRegionPass, n_predictor_num> p_main_region_pass =
	MainRegionPasses(std::make_index_sequence<n_predictor_num>());

} // namespace

bool b_PredictImagePlane(uint8_t *p_plane, int n_width, int n_height, int n_pred_type)
{
	if(!b_KnownPredictor(n_pred_type))
		return false;
	const int n_first_row = p_predictor_info[n_pred_type].n_first_row;
	const int n_first_col = p_predictor_info[n_pred_type].n_first_col;
	const size_t n_row_size = size_t(n_width);

	if(n_width > n_first_col && n_height > n_first_row) {
		uint8_t *p_ring = new(std::nothrow) uint8_t[size_t(n_first_row + 1) * n_row_size];
		if(!p_ring)
			return false;
		p_main_region_pass[size_t(n_pred_type)](p_plane, n_width, n_height, n_first_row, n_first_col, p_ring);
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

bool b_PredictPlaneBlock(uint8_t *p_planes, int n_width, int n_height, int n_subsample, int n_color_type,
	const int p_predictor[3])
{
	PlaneSpan p_span[n_max_plane_num];
	for(int i = 0, n = n_PlaneSpans(n_width, n_height, n_subsample, n_color_type, p_span); i < n; ++ i) {
		if(!b_PredictImagePlane(p_planes + p_span[i].n_offset, p_span[i].n_width, p_span[i].n_height,
		   p_predictor[p_span[i].n_kind]))
			return false;
	}
	return true;
}
