#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "compress/stream_format.h"

/*
 *	The prediction formulas, one per predictor, which both the encoder (its
 *	residuals) and the reference decoder (restoring the samples) evaluate.
 *	Each reads the neighbours of p_x in a plane with rows of n_stride bytes
 *	(in the last column n_ne_step is 0, so that ne and nne are n and nn):
 *
 *	          nn  nne
 *	      nw  n   ne
 *	  ww  w   x
 *
 *	Sums are signed and divisions truncate toward zero; the caller reduces
 *	sample - prediction (or residual + prediction) modulo 256. A formula is
 *	only evaluated outside its predictor's border (p_predictor_info), so
 *	every neighbour it reads exists.
 */

typedef int (*PredictionFormula)(const uint8_t *p_x, ptrdiff_t n_stride, ptrdiff_t n_ne_step);

/** @brief "none": the residual is the sample itself */
inline int n_NonePrediction(const uint8_t*, ptrdiff_t, ptrdiff_t)
{
	return 0;
}

inline int n_UpPrediction(const uint8_t *p_x, ptrdiff_t n_stride, ptrdiff_t)
{
	return p_x[-n_stride];
}

inline int n_LeftPrediction(const uint8_t *p_x, ptrdiff_t, ptrdiff_t)
{
	return p_x[-1];
}

inline int n_AvgPrediction(const uint8_t *p_x, ptrdiff_t n_stride, ptrdiff_t)
{
	const int w = p_x[-1], n = p_x[-n_stride], nw = p_x[-n_stride - 1];
	return (w + n + nw) / 3;
}

/** @brief the Paeth predictor of PNG: whichever of w, n, nw is nearest to w + n - nw, ties in that order */
inline int n_PaethPrediction(const uint8_t *p_x, ptrdiff_t n_stride, ptrdiff_t)
{
	const int w = p_x[-1], n = p_x[-n_stride], nw = p_x[-n_stride - 1];
	const int p = w + n - nw, n_pa = abs(p - w), n_pb = abs(p - n), n_pc = abs(p - nw);
	return (n_pa <= n_pb && n_pa <= n_pc)? w : (n_pb <= n_pc)? n : nw;
}

/** @brief the median edge detector of LOCO-I / JPEG-LS: the median of w, n and w + n - nw */
inline int n_MedPrediction(const uint8_t *p_x, ptrdiff_t n_stride, ptrdiff_t)
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

/**
 *	@brief a simplified gradient-adjusted prediction after CALIC: d compares
 *		the vertical gradients with the horizontal ones and picks w across a
 *		vertical edge, n across a horizontal one
 */
inline int n_GapPrediction(const uint8_t *p_x, ptrdiff_t n_stride, ptrdiff_t n_ne_step)
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

inline int n_UpLeftPrediction(const uint8_t *p_x, ptrdiff_t n_stride, ptrdiff_t)
{
	return p_x[-n_stride - 1];
}

inline int n_Avg2Prediction(const uint8_t *p_x, ptrdiff_t n_stride, ptrdiff_t)
{
	return (p_x[-1] + p_x[-n_stride]) / 2;
}

/** @brief the plane through w, n and nw, without clamping */
inline int n_DiffPrediction(const uint8_t *p_x, ptrdiff_t n_stride, ptrdiff_t)
{
	return p_x[-1] + p_x[-n_stride] - p_x[-n_stride - 1];
}

/** @brief w plus half the horizontal gradient of the row above */
inline int n_GradHPrediction(const uint8_t *p_x, ptrdiff_t n_stride, ptrdiff_t)
{
	const int w = p_x[-1], n = p_x[-n_stride], nw = p_x[-n_stride - 1];
	return w + (n - nw) / 2;
}

/** @brief n plus half the vertical gradient of the column on the left */
inline int n_GradVPrediction(const uint8_t *p_x, ptrdiff_t n_stride, ptrdiff_t)
{
	const int w = p_x[-1], n = p_x[-n_stride], nw = p_x[-n_stride - 1];
	return n + (w - nw) / 2;
}

/** @brief the formula of a predictor; null for a number that is not a PredictorType */
constexpr PredictionFormula p_PredictionFormula(int n_pred_type)
{
	switch(n_pred_type) {
	case pred_Up: return n_UpPrediction;
	case pred_Left: return n_LeftPrediction;
	case pred_Avg: return n_AvgPrediction;
	case pred_Paeth: return n_PaethPrediction;
	case pred_Med: return n_MedPrediction;
	case pred_Gap: return n_GapPrediction;
	case pred_None: return n_NonePrediction;
	case pred_UpLeft: return n_UpLeftPrediction;
	case pred_Avg2: return n_Avg2Prediction;
	case pred_Diff: return n_DiffPrediction;
	case pred_GradH: return n_GradHPrediction;
	case pred_GradV: return n_GradVPrediction;
	default: return nullptr;
	}
}
