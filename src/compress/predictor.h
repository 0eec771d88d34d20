#pragma once

#include <cstdint>

/**
 *	@brief replaces a plane's samples by the residuals of a predictor, in place
 *	@param[in,out] p_plane is the plane, n_width * n_height bytes, row-major
 *	@param[in] n_width and n_height are the plane size (not negative)
 *	@param[in] n_pred_type is the PredictorType
 *	@return true on success; false, with the plane unchanged, when the row
 *		ring cannot be allocated or the predictor type is unknown
 *	@note UnPredictImagePlane() restores the samples. Keeps no shared state,
 *		so threads may run it at once on different planes.
 */
bool b_PredictImagePlane(uint8_t *p_plane, int n_width, int n_height, int n_pred_type);

/**
 *	@brief replaces every plane of a plane block by the residuals of its predictor
 *	@param[in,out] p_planes is the plane block of an image of n_width x n_height
 *	@param[in] n_subsample and n_color_type give its planes (n_PlaneSpans())
 *	@param[in] p_predictor is the predictor of each PlaneKind: Y, UV and A
 *	@return false when memory runs out or a predictor type is unknown
 */
bool b_PredictPlaneBlock(uint8_t *p_planes, int n_width, int n_height, int n_subsample, int n_color_type,
	const int p_predictor[3]);
