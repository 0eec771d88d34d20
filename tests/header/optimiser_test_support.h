#pragma once

#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <stdexcept>
#include <string>

#include "compress/stream_format.h"
#include "header/decompress_optimiser.h"
#include "header/decompress_template.h"
#include "support/test_support.h"

/** What one run of the optimiser left behind. */
struct OptimiserRun {
	bool b_ok;
	std::string s_code; // the pruned text
	std::string s_out; // what went to standard output
	std::string s_err; // what went to standard error
};

/** @brief bit mask of a set of predictors, as the optimiser takes it */
inline uint32_t n_PredictorMask(std::initializer_list<int> used)
{
	uint32_t n_mask = 0;
	for(int n_predictor : used)
		n_mask |= 1U << n_predictor;
	return n_mask;
}

/**
 *	@brief prunes a text for an image of the given ColorType mask, capturing
 *		both output streams
 */
inline OptimiserRun RunOptimiser(const std::string &s_code, uint32_t n_used, int n_color_type,
	bool b_verbose = true)
{
	OptimiserRun run = {false, s_code, "", ""};
	FILE *p_out = tmpfile(), *p_err = tmpfile();
	if(!p_out || !p_err)
		throw std::runtime_error("tmpfile failed");
	run.b_ok = b_OptimiseDecompressor(run.s_code, n_used, (n_color_type & color_Gray) != 0,
		(n_color_type & color_Alpha) != 0, (n_color_type & color_LosslessColor) != 0,
		b_verbose, p_out, p_err);
	run.s_out = s_ReadAndClose(p_out);
	run.s_err = s_ReadAndClose(p_err);
	return run;
}

/** @brief prunes the BASE85 or BASE64 template */
inline OptimiserRun RunOptimiserOnTemplate(bool b_base85, uint32_t n_used, int n_color_type)
{
	return RunOptimiser(p_s_DecompressTemplate(b_base85), n_used, n_color_type);
}

/** The six kinds of image the decoder distinguishes, as ColorType masks. */
const int p_image_kind_list[] = {
	color_Gray, color_Gray | color_Alpha,
	0, color_Alpha, color_LosslessColor, color_LosslessColor | color_Alpha
};
