#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "common/atomic_file.h"
#include "compress/row_entry_points.h"
#include "compress/stream_format.h"

/** Calendar time of the image file's last write, in UTC; -1 in every field when unknown. */
struct FileTimestamp {
	int16_t n_month, n_day, n_year, n_hour, n_minute, n_second;
};

/** The settings of a run that shape the header's text; the driver takes them from the command line. */
struct HeaderSettings {
	const char *p_s_image_file; // as passed: the comments name it, the default class and guard derive from it
	const char *p_s_header_file; // as passed: where the header goes, which its comment names
	bool b_names_from_file_name; // the comments, class and guard take the files' names without their folders
	const char *p_s_class_name; // "--class-name", or null
	const char *p_s_guard_name; // "--guard-name": the include guard's whole macro name, or null
	bool b_base85; // BASE85 text, else BASE64
	bool b_lossless; // what b_Lossless() answers: the option, not the outcome
	bool b_shared_decompress; // the decompressor as a class that headers share
	bool b_code_opts; // a private decompressor is pruned for its image
	bool b_self_contained; // the header includes what its code uses
	bool b_verbose; // the optimiser reports its cuts
	bool b_quiet; // no warning that the decompressor is pruned
	int32_t n_data_line_width; // data characters on a continuation line of a literal
	uint32_t n_max_cstr_len; // the longest literal
	bool b_row_decoder; // "--row-decoder": the row decoder and its members too
};

/** Everything the generated header states. */
struct HeaderContent {
	HeaderSettings t_settings;
	DecodeParams t_params; // the numbers the decompress call passes; they give the image's size and kind
	const std::string *p_s_text; // the BASE text of the compressed stream
	uint32_t n_stored_crc; // of the image the decoder reproduces
	uint32_t n_original_crc; // of the image as loaded
	uint32_t n_transformed_crc; // after the grayscale and alpha steps
	FileTimestamp t_image_time;
	const char *p_s_build_date;
	const RowEntryPoints *p_row_entries = nullptr; // where the planes begin, for the row decoder (with b_row_decoder)
};

/**
 *	@brief tells whether the header carries its decompressor pruned for its
 *		image (privately, unless "--no-code-opts"), or the whole template
 */
bool b_PrunesDecompressor(const HeaderSettings &r_settings);

/**
 *	@brief derives the include guard text from the image path: letters in upper
 *		case, digits kept, every other byte "_"
 */
std::string s_GuardText(const char *p_s_image_file);

/** @brief derives the class text from the image path: letters and digits kept, every other byte "_" */
std::string s_ClassText(const char *p_s_image_file);

/** @brief the file name of a path, without its folders: the text after the last "/" */
const char *p_s_FileName(const char *p_s_path);

/**
 *	@brief starts the header's output before the conversion does, so that a
 *		path that cannot be written (a folder that takes no new file, a file
 *		the process may not write, a link loop) is refused before any work
 *	@return true with r_header open; false after printing the failure
 */
bool b_OpenHeader(const char *p_s_header_file, AtomicFile &r_header, FILE *p_err);

/**
 *	@brief writes the header into r_header (from b_OpenHeader()): comment
 *		block, guard, image class with its accessors and data, and the
 *		decompressor (private and pruned, or shared), and stores it completely;
 *		it is not put in place: the caller commits it once the run succeeded
 *		(b_CommitHeader()), or abandons it
 *	@param[in] p_out receives the optimiser's progress, p_err every failure message
 *	@return true on success; false after printing the failure
 */
bool b_WriteHeader(const HeaderContent &r_content, AtomicFile &r_header, FILE *p_out, FILE *p_err);

/**
 *	@brief puts the written header in place of the previous one
 *	@return true on success; false after printing the failure (the previous header stays)
 */
bool b_CommitHeader(AtomicFile &r_header, const char *p_s_header_file, FILE *p_err);
