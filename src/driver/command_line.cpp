#include "driver/command_line.h"

#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

const int n_max_subsample = 256; // larger factors cannot improve an image and explode the block loops
const char *const p_s_default_test_image = "test_decompress.tga"; // in the working folder

// Line 9 carries the byte 0xf9 where "l" belongs; the text is the tool's own, kept byte for byte.
const char *const p_s_usage_text =
	"error: missing program arguments.\n"
	"usage:\n"
	"Pixmold <image-file> <header-file> [options]\n"
	"where image-file is source file, containing image in jpeg or tga format,\n"
	"and header-file is output file to contain image.\n"
	"--verbose parameter turns on verbose output\n"
	"--subsample n parameter sets croma subsampling to n pixels (default 2)\n"
	"--chroma-bpp m parameter sets chroma bpp to 2 * m bits (per Cb and Cr)\n"
	"--alpha-bpp m parameter sets alpha channe\xf9 bpp to m bits\n"
	"--gray forces grayscale colors (single channel)\n"
	"--lossless turns on lossless color transform\n"
	"--exhaustive tests some extra predictors (takes longer, might compress better)\n"
	"--class-name n sets class name to n (does not perform any syntax checking)\n"
	"--max-cstr-len sets maximum \"C\"-string length (default 32767)\n"
	"--max-line-len sets maximum line length in the generated header\n"
	"               (only applies to the lines with data; default 100)\n"
	"--alpha|--no-alpha enables or disables alpha channel (otherwise follows image)\n"
	"--shared-decompress sets shared decompression routines (otherwise the\n"
	"               decompressor is private)\n"
	"--no-code-opts disables decompress code optimizations (only if\n"
	"               --shared-decompress not specified)\n"
	"--base-64 uses BASE-64 decoding instead of the default BASE-85\n";

/**
 *	@brief converts a value the way the C library converts decimal text to a long:
 *		leading white space, a sign, digits up to the first other character, 0 without digits
 *	@note Results are saturated to 32 bits, as a 32-bit long would be, so that an
 *		over-long number means the same on every platform.
 */
int32_t n_ParseNumber(const char *p_s_value)
{
	long n_value = strtol(p_s_value, nullptr, 10);
	if(n_value > INT32_MAX)
		return INT32_MAX;
	if(n_value < INT32_MIN)
		return INT32_MIN;
	return int32_t(n_value);
}

/** @brief applies a flag option; false when the argument is no flag */
bool b_ApplyFlag(const char *p_s_arg, ConversionOptions &r_options)
{
	if(!strcmp(p_s_arg, "--verbose"))
		r_options.b_verbose = true;
	else if(!strcmp(p_s_arg, "--base-64"))
		r_options.b_base85 = false;
	else if(!strcmp(p_s_arg, "--no-code-opts"))
		r_options.b_code_opts = false;
	else if(!strcmp(p_s_arg, "--gray"))
		r_options.b_gray = true;
	else if(!strcmp(p_s_arg, "--alpha"))
		r_options.n_alpha_mode = 1;
	else if(!strcmp(p_s_arg, "--no-alpha"))
		r_options.n_alpha_mode = 0;
	else if(!strcmp(p_s_arg, "--exhaustive"))
		r_options.b_exhaustive = true;
	else if(!strcmp(p_s_arg, "--shared-decompress"))
		r_options.b_shared_decompress = true;
	else if(!strcmp(p_s_arg, "--self-contained"))
		r_options.b_self_contained = true;
	else if(!strcmp(p_s_arg, "--names-from-file-name"))
		r_options.b_names_from_file_name = true;
	else if(!strcmp(p_s_arg, "--no-test-image"))
		r_options.p_s_test_image = nullptr;
	else if(!strcmp(p_s_arg, "--quiet"))
		r_options.b_quiet = true;
	else if(!strcmp(p_s_arg, "--row-decoder"))
		r_options.b_row_decoder = true;
	else
		return false;
	return true;
}

/** @brief applies an option that takes a value; false when the argument is no such option */
bool b_ApplyValueOption(const char *p_s_arg, const char *p_s_value, ConversionOptions &r_options)
{
	if(!strcmp(p_s_arg, "--max-line-len"))
		r_options.n_max_line_len = n_ParseNumber(p_s_value);
	else if(!strcmp(p_s_arg, "--max-cstr-len"))
		r_options.n_max_cstr_len = uint32_t(n_ParseNumber(p_s_value));
	else if(!strcmp(p_s_arg, "--chroma-bpp"))
		r_options.n_chroma_bpp = n_ParseNumber(p_s_value);
	else if(!strcmp(p_s_arg, "--alpha-bpp"))
		r_options.n_alpha_bpp = n_ParseNumber(p_s_value);
	else if(!strcmp(p_s_arg, "--subsample"))
		r_options.n_subsample = n_ParseNumber(p_s_value);
	else if(!strcmp(p_s_arg, "--class-name"))
		r_options.p_s_class_name = p_s_value;
	else if(!strcmp(p_s_arg, "--guard-name"))
		r_options.p_s_guard_name = p_s_value;
	else if(!strcmp(p_s_arg, "--test-image"))
		r_options.p_s_test_image = p_s_value;
	else
		return false;
	return true;
}

/**
 *	@brief refuses the values that the later stages cannot work with
 *	@return true when every value is usable, otherwise prints an error and returns false
 */
bool b_CheckRanges(const ConversionOptions &r_options, FILE *p_err)
{
	if(r_options.n_subsample < 1 || r_options.n_subsample > n_max_subsample) {
		fprintf(p_err, "error: subsampling must be from 1 to %d (it is %d)\n",
			n_max_subsample, int(r_options.n_subsample));
		return false;
	}
	if(r_options.n_chroma_bpp < 1 || r_options.n_chroma_bpp > 8) {
		fprintf(p_err, "error: chroma bits must be from 1 to 8 (it is %d)\n", int(r_options.n_chroma_bpp));
		return false;
	}
	if(r_options.n_alpha_bpp < 1 || r_options.n_alpha_bpp > 8) {
		fprintf(p_err, "error: alpha bits must be from 1 to 8 (it is %d)\n", int(r_options.n_alpha_bpp));
		return false;
	}
	if(!r_options.n_max_cstr_len) {
		fprintf(p_err, "error: maximum \"C\"-string length must be at least 1\n");
		return false;
	}
	if(!n_DataLineWidth(r_options)) {
		fprintf(p_err, "error: maximum line length of 14 leaves no room for data\n");
		return false;
	}
	return true;
}

} // namespace

void SetDefaultOptions(ConversionOptions &r_options, const char *p_s_image_file, const char *p_s_header_file)
{
	r_options.p_s_image_file = p_s_image_file;
	r_options.p_s_header_file = p_s_header_file;
	r_options.b_verbose = false;
	r_options.b_base85 = true;
	r_options.b_code_opts = true;
	r_options.b_gray = false;
	r_options.n_alpha_mode = -1;
	r_options.b_exhaustive = false;
	r_options.b_shared_decompress = false;
	r_options.b_lossless = false;
	r_options.n_max_line_len = 100;
	r_options.n_max_cstr_len = 32767;
	r_options.n_chroma_bpp = 6;
	r_options.n_alpha_bpp = 8;
	r_options.n_subsample = 2;
	r_options.p_s_class_name = nullptr;
	r_options.b_self_contained = false;
	r_options.b_names_from_file_name = false;
	r_options.p_s_guard_name = nullptr;
	r_options.p_s_test_image = p_s_default_test_image;
	r_options.b_quiet = false;
	r_options.b_row_decoder = false;
}

const char *p_s_BuildDate()
{
	return __DATE__;
}

CommandLineVerdict n_ParseCommandLine(int n_arg_num, const char *const *p_arg_list,
	ConversionOptions &r_options, FILE *p_out, FILE *p_err)
{
	if(n_arg_num < 3) {
		fputs(p_s_usage_text, p_err);
		return CommandLineVerdict::Usage;
	}
	SetDefaultOptions(r_options, p_arg_list[1], p_arg_list[2]);

	// The first "--lossless" changes two defaults and starts the scan over, so that
	// an explicit "--subsample" or "--chroma-bpp" wins wherever it stands. The
	// scan's warnings wait until it ends, as a "--quiet" anywhere drops them.
	std::string s_warnings;
	const int n_first_option = 3;
	bool b_lossless_defaults_set = false;
	for(int i = n_first_option; i < n_arg_num; ++ i) {
		const char *p_s_arg = p_arg_list[i];
		if(b_ApplyFlag(p_s_arg, r_options))
			continue;
		if(!strcmp(p_s_arg, "--lossless")) {
			r_options.b_lossless = true;
			if(!b_lossless_defaults_set) {
				b_lossless_defaults_set = true;
				r_options.n_subsample = 1;
				r_options.n_chroma_bpp = 8;
				i = n_first_option - 1;
			}
			continue;
		}
		if(i + 1 == n_arg_num) {
			s_warnings += std::string("warning: parameter: '") + p_s_arg +
				"': unknown parameter or needs a value (skipping)\n";
			break;
		}
		if(b_ApplyValueOption(p_s_arg, p_arg_list[i + 1], r_options))
			++ i; // the value is never examined as an option
		else
			s_warnings += std::string("warning: unknown parameter: '") + p_s_arg + "' (skipping)\n";
	}
	if(!r_options.b_quiet)
		fputs(s_warnings.c_str(), p_err);

	if(r_options.b_verbose)
		fprintf(p_out, "Pixmold v%s (built %s)\n\n", PIXMOLD_VERSION, p_s_BuildDate());
	if(r_options.b_lossless && !r_options.b_quiet) {
		if(r_options.n_subsample > 1) {
			fprintf(p_err, "warning: lossless color transformation selected, and subsampling is %d\n",
				int(r_options.n_subsample));
		}
		if(r_options.n_chroma_bpp < 8) {
			fprintf(p_err, "warning: lossless color transformation selected and chroma bits is only %d\n",
				int(r_options.n_chroma_bpp));
		}
	}
	if(r_options.n_max_cstr_len < uint32_t(r_options.n_max_line_len))
		r_options.n_max_cstr_len = uint32_t(r_options.n_max_line_len);

	return (b_CheckRanges(r_options, p_err))? CommandLineVerdict::Run : CommandLineVerdict::Refused;
}
