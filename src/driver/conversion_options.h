#pragma once

#include <cstdint>

#include "compress/stream_format.h"

/**
 *	Every setting of a run. The command line fills it once; afterwards it is
 *	read-only, except b_gray, which the driver takes from the loaded image.
 */
struct ConversionOptions {
	const char *p_s_image_file; // first argument, as passed
	const char *p_s_header_file; // second argument, as passed
	bool b_verbose; // "--verbose"
	bool b_base85; // cleared by "--base-64"
	bool b_code_opts; // cleared by "--no-code-opts"
	bool b_gray; // "--gray", or a grayscale image
	int n_alpha_mode; // -1 follow the image, 1 force alpha ("--alpha"), 0 strip it ("--no-alpha")
	bool b_exhaustive; // "--exhaustive": 12 predictors instead of 6
	bool b_shared_decompress; // "--shared-decompress"
	bool b_lossless; // "--lossless"
	int32_t n_max_line_len; // "--max-line-len"
	uint32_t n_max_cstr_len; // "--max-cstr-len", compared as unsigned
	int32_t n_chroma_bpp; // "--chroma-bpp", bits per Cb and per Cr sample
	int32_t n_alpha_bpp; // "--alpha-bpp"
	int32_t n_subsample; // "--subsample", chroma subsampling factor
	const char *p_s_class_name; // "--class-name", or null
	bool b_self_contained; // "--self-contained": the header includes what its code uses
	bool b_names_from_file_name; // "--names-from-file-name": the header names the files without their folders
	const char *p_s_guard_name; // "--guard-name", or null
	const char *p_s_test_image; // "--test-image", else "test_decompress.tga"; null with "--no-test-image"
	bool b_quiet; // "--quiet": no message but errors, unless "--verbose" asks for the report
	bool b_row_decoder; // "--row-decoder": the header also carries the row decoder for firmware
};

/** @brief number of characters on one continuation line of a data literal */
inline int32_t n_DataLineWidth(const ConversionOptions &r_options)
{
	const int32_t n_data_indent = 14; // columns of a line that are not data
	// any negative width means one line; the most negative lengths stay negative instead of overflowing
	return (r_options.n_max_line_len < INT32_MIN + n_data_indent)? INT32_MIN :
		r_options.n_max_line_len - n_data_indent;
}

/** @brief 85 or 64, as printed in messages and generated names */
inline int n_BaseNumber(const ConversionOptions &r_options)
{
	return n_BaseNumber(r_options.b_base85);
}
