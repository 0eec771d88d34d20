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
