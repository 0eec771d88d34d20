#pragma once

#include <cstdio>

#include "driver/conversion_options.h"

/** What the command line asks for. */
enum class CommandLineVerdict {
	Run, // options filled, go on
	Usage, // arguments missing: the usage text was printed, exit with 0
	Refused // a value no stage can work with: an error was printed, exit with -1
};

/**
 *	@brief parses `Pixmold <image-file> <header-file> [options]` into the settings record
 *	@param[in] n_arg_num and p_arg_list are main()'s arguments, the program name first
 *	@param[out] r_options receives every setting (valid only for CommandLineVerdict::Run)
 *	@param[in] p_out receives the banner (verbose mode), p_err the usage text, warnings and errors
 */
CommandLineVerdict n_ParseCommandLine(int n_arg_num, const char *const *p_arg_list,
	ConversionOptions &r_options, FILE *p_out, FILE *p_err);

/** @brief fills the settings with the defaults of a run without options */
void SetDefaultOptions(ConversionOptions &r_options, const char *p_s_image_file, const char *p_s_header_file);

/** @brief the date the tool was built, month abbreviation, day and year, as in "May 19 2017" */
const char *p_s_BuildDate();
