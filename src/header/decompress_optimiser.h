#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

/**
 *	@brief prunes the decompressor source of a private header to the branches
 *		that one image takes
 *
 *	Every cut branch is replaced by an assertion of the condition that made
 *	it unnecessary, so a decoder called with other parameters fails loudly in
 *	a debug build instead of decoding garbage. The text is edited by searching
 *	for the marker strings the decompressor template carries.
 *
 *	@param[in,out] r_s_code is the decompressor source text, edited in place
 *	@param[in] n_used_predictors has bit p set for each predictor p the image
 *		uses (luma; chroma for colour images; alpha for images with alpha)
 *	@param[in] b_gray, b_alpha and b_lossless_color are the image's colour type
 *	@param[in] b_verbose enables the "code opts" report on p_out
 *	@param[in] p_out receives the report (only with b_verbose)
 *	@param[in] p_err receives any error message
 *	@return true on success; false when a marker is missing from the text or
 *		memory runs out (the message is then on p_err and the text is unusable)
 */
bool b_OptimiseDecompressor(std::string &r_s_code, uint32_t n_used_predictors, bool b_gray,
	bool b_alpha, bool b_lossless_color, bool b_verbose, FILE *p_out, FILE *p_err);
