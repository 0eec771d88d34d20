#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "compress/stream_format.h"
#include "driver/conversion_options.h"

/** Calendar time of the image file's last write, in UTC; -1 in every field when unknown. */
struct FileTimestamp {
	int16_t n_month, n_day, n_year, n_hour, n_minute, n_second;
};

/** Everything the generated header states. */
struct HeaderContent {
	const ConversionOptions *p_options; // paths, class name, layout and decompressor settings
	DecodeParams t_params; // the numbers the decompress call passes; they give the image's size and kind
	const std::string *p_s_text; // the BASE text of the compressed stream
	uint32_t n_stored_crc; // of the image the decoder reproduces
	uint32_t n_original_crc; // of the image as loaded
	uint32_t n_transformed_crc; // after the grayscale and alpha steps
	FileTimestamp t_image_time;
	const char *p_s_build_date;
};

/**
 *	@brief tells whether the header carries its decompressor pruned for its
 *		image (privately, unless "--no-code-opts"), or the whole template
 */
bool b_PrunesDecompressor(const ConversionOptions &r_options);

/**
 *	@brief derives the include guard text from the image path: letters in upper
 *		case, digits kept, every other byte "_"
 */
std::string s_GuardText(const char *p_s_image_file);

/** @brief derives the class text from the image path: letters and digits kept, every other byte "_" */
std::string s_ClassText(const char *p_s_image_file);

/**
 *	@brief writes the header file: comment block, guard, image class with its
 *		accessors and data, and the decompressor (private and pruned, or shared)
 *	@param[in] p_out receives the optimiser's progress, p_err every failure message
 *	@return true on success; false after printing the failure (the file may stay incomplete)
 */
bool b_WriteHeader(const HeaderContent &r_content, FILE *p_out, FILE *p_err);
