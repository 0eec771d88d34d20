#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

/**
 *	@brief prunes a private decompressor to the branches one image takes
 *	@param[in,out] r_s_code is the decompressor source text, edited in place
 *	@param[in] n_used_predictors has bit p set for every predictor p the decoder is called with
 *	@return false after a fatal error (printed on p_err); the text is then unusable
 */
bool b_OptimiseDecompressor(std::string &r_s_code, uint32_t n_used_predictors, bool b_gray,
	bool b_alpha, bool b_lossless_color, bool b_verbose, FILE *p_out, FILE *p_err);
