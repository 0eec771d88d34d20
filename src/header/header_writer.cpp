#include "header/header_writer.h"

#include <cerrno>
#include <cstring>
#include <new>

#include "compress/crc32.h"
#include "compress/stream_format.h"
#include "header/data_literal.h"
#include "header/decompress_optimiser.h"
#include "header/decompress_template.h"
#include "header/row_members.h"

namespace {

/*
 *	With "--self-contained" the header brings what its code uses, so that it
 *	compiles wherever it is included, also on its own (a precompiled header,
 *	an IDE's indexer). An _ASSERTE of the includer (MSVC's <crtdbg.h> has one)
 *	is kept. The data literal layout and the fixed texts of the dynamic data
 *	form can draw warnings that no line of the header could avoid (a null
 *	pointer written 0, an array element split over two lines): those two are
 *	silenced from here to the end of the header only.
 */
const char p_s_self_contained_prelude[] =
	"#include <assert.h>\n"
	"#include <stddef.h>\n"
	"#include <stdint.h>\n"
	"#include <stdlib.h>\n"
	"#include <string.h>\n"
	"#include <new>\n"
	"#ifndef _ASSERTE\n"
	"#define _ASSERTE(x) assert(x)\n"
	"#endif\n"
	"#if defined(__clang__)\n"
	"#pragma clang diagnostic push\n"
	"#pragma clang diagnostic ignored \"-Wzero-as-null-pointer-constant\"\n"
	"#if __has_warning(\"-Wstring-concatenation\")\n"
	"#pragma clang diagnostic ignored \"-Wstring-concatenation\"\n"
	"#endif\n"
	"#elif defined(__GNUC__)\n"
	"#pragma GCC diagnostic push\n"
	"#pragma GCC diagnostic ignored \"-Wzero-as-null-pointer-constant\"\n"
	"#endif\n";

/** Closes what the prelude opened, before the header's last line. */
const char p_s_self_contained_epilogue[] =
	"\n#if defined(__clang__)\n"
	"#pragma clang diagnostic pop\n"
	"#elif defined(__GNUC__)\n"
	"#pragma GCC diagnostic pop\n"
	"#endif\n";

bool b_IsAsciiLetter(char n_char)
{
	return (n_char >= 'a' && n_char <= 'z') || (n_char >= 'A' && n_char <= 'Z');
}

bool b_IsAsciiDigit(char n_char)
{
	return n_char >= '0' && n_char <= '9';
}

const char *p_s_Bool(bool b_value)
{
	return (b_value)? "true" : "false";
}

/**
 *	@brief a path as it may stand in a comment: a "*" and a "/" next to each
 *		other get a backslash between them, so that the path can neither end
 *		the comment nor open a nested one, and a control byte (a line end
 *		above all) becomes "?", so that the path stays on its comment line;
 *		any other path is written byte for byte
 */
std::string s_CommentSafePath(const char *p_s_path)
{
	std::string s_safe;
	for(const char *p_s = p_s_path; *p_s; ++ p_s) {
		const char n_char = *p_s;
		const char n_previous = (s_safe.empty())? 0 : s_safe.back();
		if((n_char == '/' && n_previous == '*') || (n_char == '*' && n_previous == '/'))
			s_safe += '\\';
		s_safe += (uint8_t(n_char) < 0x20 || n_char == 0x7f)? '?' : n_char;
	}
	return s_safe;
}

void WriteCommentBlock(FILE *p_file, const HeaderContent &r_content, int n_base, const std::string &r_s_image_path,
	const std::string &r_s_header_path)
{
	const HeaderSettings &r_settings = r_content.t_settings;
	fprintf(p_file, "/**\n");
	fprintf(p_file, " *\t@file %s\n", r_s_header_path.c_str());
	fprintf(p_file, " *\t@brief image in header, generated from '%s'\n", r_s_image_path.c_str());
	fprintf(p_file, " *\t\t- using prediction / RLE / Huff / BASE%d pipe (loss%s)\n",
		n_base, (r_settings.b_lossless)? "less" : "y");
	const DecodeParams &r_params = r_content.t_params;
	fprintf(p_file, " *\t\t- predictors used: %s for luminance", p_s_PredictorName(r_params.n_predictor_y));
	if(!(r_params.n_color_type & color_Gray))
		fprintf(p_file, ", %s for chrominance", p_s_PredictorName(r_params.n_predictor_uv));
	if(r_params.n_color_type & color_Alpha)
		fprintf(p_file, ", %s for alpha", p_s_PredictorName(r_params.n_predictor_a));
	fprintf(p_file, "\n");
	const FileTimestamp &t = r_content.t_image_time;
	fprintf(p_file, " *\t@date %4d-%02d-%02d %02d:%02d:%02d\n",
		t.n_year, t.n_month, t.n_day, t.n_hour, t.n_minute, t.n_second);
	fprintf(p_file, " *\t@author Pixmold (built %s)\n", r_content.p_s_build_date);
	fprintf(p_file, " */\n\n");
}

void WriteAccessors(FILE *p_file, const HeaderContent &r_content, int n_base, bool b_dynamic)
{
	const HeaderSettings &r_settings = r_content.t_settings;
	fprintf(p_file, "\t/**\n\t *\t@brief gets width of the image\n\t *\t@return Returns image width, in pixels.\n\t */\n");
	fprintf(p_file, "\tstatic inline int n_Width()\n\t{\n\t\treturn %d;\n\t}\n\n", r_content.t_params.n_image_width);
	fprintf(p_file, "\t/**\n\t *\t@brief gets height of the image\n\t *\t@return Returns image height, in pixels.\n\t */\n");
	fprintf(p_file, "\tstatic inline int n_Height()\n\t{\n\t\treturn %d;\n\t}\n\n", r_content.t_params.n_image_height);

	fprintf(p_file, "\t/**\n\t *\t@brief determines whether the image contains alpha channel\n\t *\t@return Returns "
		"true if the image contains alpha channel, otherwise false.\n\t */\n");
	fprintf(p_file, "\tstatic inline bool b_Alpha()\n\t{\n\t\treturn %s;\n\t}\n\n", p_s_Bool((r_content.t_params.n_color_type & color_Alpha) != 0));
	fprintf(p_file, "\t/**\n\t *\t@brief determines whether the image is grayscale\n\t *\t@return Returns "
		"true if the image is grayscale, otherwise false.\n\t */\n");
	fprintf(p_file, "\tstatic inline bool b_Grayscale()\n\t{\n\t\treturn %s;\n\t}\n\n", p_s_Bool((r_content.t_params.n_color_type & color_Gray) != 0));
	fprintf(p_file, "\t/**\n\t *\t@brief determines whether the compression is lossless\n\t *\t@return Returns "
		"true if the compression is lossless, otherwise false.\n\t */\n");
	fprintf(p_file, "\tstatic inline bool b_Lossless()\n\t{\n\t\treturn %s;\n\t}\n\n", p_s_Bool(r_settings.b_lossless));
	fprintf(p_file, "\t/**\n\t *\t@brief determines whether the BASE%d data is allocated dynamically\n\t *\t@return "
		"Returns true if the caller needs to delete the string\n\t *\t\treturned by p_s_Base%d_Data(), "
		"otherwise false.\n\t */\n", n_base, n_base);
	fprintf(p_file, "\tstatic inline bool b_Dynamic()\n\t{\n\t\treturn %s;\n\t}\n\n", p_s_Bool(b_dynamic));

	// the checksum comment tells which steps made the stored image differ from the file's
	const uint32_t n_stored = r_content.n_stored_crc, n_original = r_content.n_original_crc,
		n_transformed = r_content.n_transformed_crc;
	fprintf(p_file, "\t/**\n\t *\t@brief returns CRC32 of the stored image data\n\t *\t@return Returns CRC32 of the "
		"stored image data (if lossy compression\n\t *\t\tis employed, then this is different from the original "
		"image).\n\t */\n");
	if(n_stored == n_original && n_original == n_transformed)
		fprintf(p_file, "\tstatic inline uint32_t n_CRC32()\n\t{\n\t\treturn 0x%08x;\n\t}\n\n", n_stored);
	else if(n_stored == n_transformed) {
		fprintf(p_file, "\tstatic inline uint32_t n_CRC32()\n\t{\n\t\treturn 0x%08x; // after transformations "
			"(original image 0x%08x)\n\t}\n\n", n_stored, n_original);
	} else if(n_original == n_transformed) {
		fprintf(p_file, "\tstatic inline uint32_t n_CRC32()\n\t{\n\t\treturn 0x%08x; // after lossy compression "
			"(original image 0x%08x)\n\t}\n\n", n_stored, n_original);
	} else {
		fprintf(p_file, "\tstatic inline uint32_t n_CRC32()\n\t{\n\t\treturn 0x%08x; // after transformations and "
			"lossy compression\n\t\t// (transformed image 0x%08x, original 0x%08x)\n\t}\n\n",
			n_stored, n_transformed, n_original);
	}
}

void WriteDataAccessor(FILE *p_file, const HeaderContent &r_content, int n_base, bool b_dynamic)
{
	const HeaderSettings &r_settings = r_content.t_settings;
	if(!b_dynamic) {
		fprintf(p_file, "\t/**\n\t *\t@brief gets BASE%d compressed image data\n\t *\t@return Returns BASE%d "
			"compressed image data in a null-terminated string.\n\t */\n", n_base, n_base);
		fprintf(p_file, "\tstatic inline const char *p_s_Base%d_Data()\n\t{\n\t\treturn ", n_base);
		WriteSingleLiteral(p_file, *r_content.p_s_text, r_settings.n_data_line_width);
	} else {
		fprintf(p_file, "\t/**\n\t *\t@brief gets BASE%d compressed image data\n\t *\t@return Returns BASE%d "
			"compressed image data in a null-terminated string\n\t *\t\ton success, or 0 on failure (not enough "
			"memory).\n\t *\t@note The caller is responsible for deleting the data once no longer needed.\n\t */\n",
			n_base, n_base);
		fprintf(p_file, "\tstatic inline char *p_s_Base%d_Data()\n\t{\n\t\tstatic const char *p_data[] = {\n", n_base);
		WriteDynamicLiterals(p_file, *r_content.p_s_text, r_settings.n_data_line_width, r_settings.n_max_cstr_len);
	}
}

void WriteDecompressAccessor(FILE *p_file, const HeaderContent &r_content, int n_base, bool b_dynamic)
{
	const HeaderSettings &r_settings = r_content.t_settings;
	const char *p_s_decoder = (r_settings.b_shared_decompress)? "p_Call_Decompress" :
		(r_settings.b_base85)? "p_Decode_RLE_Huff_Base85" : "p_Decode_RLE_Huff_Base64";
	fprintf(p_file, "\t/**\n\t *\t@brief gets raw image data\n\t *\t@return Returns pointer to raw ARGB32 image "
		"data on success, 0 on failure.\n\t */\n");
	// every decoder takes the parameters in this order
	const DecodeParams &p = r_content.t_params;
	if(!b_dynamic) {
		fprintf(p_file, "\tstatic inline uint32_t *p_Decompress()\n\t{\n\t\treturn %s(p_s_Base%d_Data(), "
			"%d, %d, %u, %d, %d, %d, %d, %d);\n\t}\n\n", p_s_decoder, n_base, p.n_image_width, p.n_image_height,
			unsigned(p.n_huff_stage_size), p.n_predictor_y, p.n_predictor_uv, p.n_predictor_a, p.n_subsample,
			p.n_color_type);
	} else {
		fprintf(p_file, "\tstatic inline uint32_t *p_Decompress()\n\t{\n\t\tchar *p_s_base%d;\n\t\t"
			"if(!(p_s_base%d = p_s_Base%d_Data()))\n\t\t\treturn 0; // not enough memory\n\t\t"
			"uint32_t *p_result = %s(p_s_base%d, %d, %d, %u, %d, %d, %d, %d, %d);\n\t\t"
			"delete[] p_s_base%d;\n\t\treturn p_result;\n\t}\n\n", n_base, n_base, n_base, p_s_decoder,
			n_base, p.n_image_width, p.n_image_height, unsigned(p.n_huff_stage_size), p.n_predictor_y,
			p.n_predictor_uv, p.n_predictor_a, p.n_subsample, p.n_color_type, n_base);
	}
}

/** @brief bit mask of the predictors the decoder is called with */
uint32_t n_UsedPredictors(const HeaderContent &r_content)
{
	const DecodeParams &p = r_content.t_params;
	uint32_t n_used = 1U << p.n_predictor_y;
	if(!(p.n_color_type & color_Gray))
		n_used |= 1U << p.n_predictor_uv;
	if(p.n_color_type & color_Alpha)
		n_used |= 1U << p.n_predictor_a;
	return n_used;
}

/**
 *	@brief writes the pruned (unless disabled) decompressor into the image class
 *		and closes it; a pruned one comes with a warning (the run proves it later)
 */
bool b_WritePrivateDecompressor(FILE *p_file, const HeaderContent &r_content, std::string &r_s_code,
	FILE *p_out, FILE *p_err)
{
	const HeaderSettings &r_settings = r_content.t_settings;
	const int n_color_type = r_content.t_params.n_color_type;
	if(b_PrunesDecompressor(r_settings) && !r_settings.b_quiet)
		fputs("warning: experimental code optimization enabled; check your decompress now\n", p_err);
	if(b_PrunesDecompressor(r_settings) && !b_OptimiseDecompressor(r_s_code, n_UsedPredictors(r_content),
	   (n_color_type & color_Gray) != 0, (n_color_type & color_Alpha) != 0,
	   (n_color_type & color_LosslessColor) != 0, r_settings.b_verbose, p_out, p_err))
		return false;
	fputs("protected:\n", p_file);
	fputs(r_s_code.c_str(), p_file);
	if(r_settings.b_row_decoder) {
		// behind the pruned text, whose markers the optimiser searched
		fputs(p_s_RowDecoderTemplate(r_settings.b_base85), p_file);
		fputs("\n", p_file);
		WriteRowProtectedDeclaration(p_file);
	}
	fputs("};\n", p_file);
	return true;
}

/** @brief closes the image class and writes the decompressor class that headers made with this BASE share */
void WriteSharedDecompressor(FILE *p_file, const HeaderSettings &r_settings, const std::string &r_s_code, int n_base,
	const std::string &r_s_class_name)
{
	const uint32_t n_key = n_Crc32(r_s_code.data(), r_s_code.size());
	fprintf(p_file, "protected:\n");
	fprintf(p_file, "\t/**\n\t *\t@copydoc CPXMDecompressCode_%08x::p_Decode_RLE_Huff_Base%d\n\t */\n\tstatic "
		"inline uint32_t *p_Call_Decompress(const char *p_s_base%d,\n\t\tint n_image_width, int n_image_height, "
		"size_t n_huff_stage_size,\n\t\tint n_predictor_y, int n_predictor_uv, int n_predictor_a,\n\t\tint "
		"n_subsample, int n_color_type);\n", n_key, n_base, n_base);
	if(r_settings.b_row_decoder)
		WriteRowProtectedDeclaration(p_file);
	fprintf(p_file, "};\n");
	fprintf(p_file, "\n#ifndef __PIXMOLD_DECOMPRESS_%08X_INCLUDED\n", n_key);
	fprintf(p_file, "#define __PIXMOLD_DECOMPRESS_%08X_INCLUDED\n\n", n_key);
	fprintf(p_file, "/**\n *\t@brief decompression routine implementation\n *\t@note While this allows all the "
		"compressed files to share decompressor implementation,\n *\t\tit restricts all the files to be included "
		"in a single .cpp file, otherwise linking\n *\t\tfails because of duplicate symbols (remove body of "
		"decompress function in such case).\n */\nclass CPXMDecompressCode_%08x {\npublic:\n", n_key);
	fputs(r_s_code.c_str(), p_file);
	fprintf(p_file, "};\n\n#endif // __PIXMOLD_DECOMPRESS_%08X_INCLUDED\n\n", n_key);
	fprintf(p_file, "inline uint32_t *%s::p_Call_Decompress(const char *p_s_base%d,\n\tint n_image_width, int "
		"n_image_height, size_t n_huff_stage_size,\n\tint n_predictor_y, int n_predictor_uv, int n_predictor_a,\n"
		"\tint n_subsample, int n_color_type)\n{\n\treturn CPXMDecompressCode_%08x::p_Decode_RLE_Huff_Base%d"
		"(p_s_base%d,\n\t\tn_image_width, n_image_height, n_huff_stage_size, n_predictor_y,\n\t\tn_predictor_uv, "
		"n_predictor_a, n_subsample, n_color_type);\n}\n// a dummy function that calls the decompressor, which "
		"is now declared\n// (allows us to keep it at the end of the file)\n",
		r_s_class_name.c_str(), n_base, n_key, n_base, n_base);
}

} // namespace

bool b_PrunesDecompressor(const HeaderSettings &r_settings)
{
	return r_settings.b_code_opts && !r_settings.b_shared_decompress;
}

std::string s_GuardText(const char *p_s_image_file)
{
	std::string s_guard(p_s_image_file);
	for(char &r_char : s_guard) {
		if(b_IsAsciiLetter(r_char))
			r_char = char((r_char >= 'a')? r_char - 'a' + 'A' : r_char);
		else if(!b_IsAsciiDigit(r_char))
			r_char = '_';
	}
	return s_guard;
}

const char *p_s_FileName(const char *p_s_path)
{
	const char *p_s_slash = strrchr(p_s_path, '/');
	return (p_s_slash)? p_s_slash + 1 : p_s_path;
}

std::string s_ClassText(const char *p_s_image_file)
{
	std::string s_class(p_s_image_file);
	for(char &r_char : s_class) {
		if(!b_IsAsciiLetter(r_char) && !b_IsAsciiDigit(r_char))
			r_char = '_';
	}
	return s_class;
}

bool b_OpenHeader(const char *p_s_header_file, AtomicFile &r_header, FILE *p_err)
{
	// a link at the header's path has its target replaced
	if(b_OpenAtomicFile(p_s_header_file, LinkMode::ReplaceTarget, r_header))
		return true;
	fprintf(p_err, "error: failed to open '%s' for writing\n\t%s\n", p_s_header_file, strerror(errno));
	return false;
}

bool b_WriteHeader(const HeaderContent &r_content, AtomicFile &r_header, FILE *p_out, FILE *p_err)
{
	const HeaderSettings &r_settings = r_content.t_settings;
	const int n_base = n_BaseNumber(r_settings.b_base85);
	const bool b_dynamic = b_DynamicDataForm(r_content.p_s_text->size(), r_settings.n_max_cstr_len);

	// the names the header states: the paths as passed, or the files' names alone, which
	// stay the same wherever the build runs; "--class-name" and "--guard-name" win
	const char *p_s_image_name = (r_settings.b_names_from_file_name)?
		p_s_FileName(r_settings.p_s_image_file) : r_settings.p_s_image_file;
	const char *p_s_header_name = (r_settings.b_names_from_file_name)?
		p_s_FileName(r_settings.p_s_header_file) : r_settings.p_s_header_file;
	std::string s_guard, s_class, s_image_path, s_header_path, s_code;
	try {
		s_guard = (r_settings.p_s_guard_name)? r_settings.p_s_guard_name :
			"__" + s_GuardText(p_s_image_name) + "_INCLUDED";
		s_class = (r_settings.p_s_class_name)? r_settings.p_s_class_name : "C" + s_ClassText(p_s_image_name);
		s_image_path = s_CommentSafePath(p_s_image_name);
		s_header_path = s_CommentSafePath(p_s_header_name);
		s_code = p_s_DecompressTemplate(r_settings.b_base85);
		// a shared class carries the row decoder in its text (so its key differs); a
		// private one gets it behind the pruned text
		if(r_settings.b_row_decoder && r_settings.b_shared_decompress)
			s_code += p_s_RowDecoderTemplate(r_settings.b_base85);
	} catch(std::bad_alloc&) {
		fprintf(p_err, "error: not enough memory\n");
		return false;
	}

	FILE *p_file = r_header.p_file;
	WriteCommentBlock(p_file, r_content, n_base, s_image_path, s_header_path);
	// GCC warns about "#pragma once" in a file compiled by itself (a precompiled
	// header); the include guard below does the same work there
	fputs((r_settings.b_self_contained)? "#if !defined(__INCLUDE_LEVEL__) || __INCLUDE_LEVEL__ > 0\n"
		"#pragma once\n#endif\n" : "#pragma once\n", p_file);
	fprintf(p_file, "#ifndef %s\n", s_guard.c_str());
	fprintf(p_file, "#define %s\n", s_guard.c_str());
	if(r_settings.b_self_contained)
		fputs(p_s_self_contained_prelude, p_file);
	fprintf(p_file, "\n");
	fprintf(p_file, "/**\n *\t@brief image in header, generated from '%s'\n */\n", s_image_path.c_str());
	fprintf(p_file, "class %s {\n", s_class.c_str());
	fprintf(p_file, "public:\n");
	WriteAccessors(p_file, r_content, n_base, b_dynamic);
	if(r_settings.b_row_decoder && b_dynamic)
		WriteRowLiterals(p_file, r_content, n_base); // the literals, which the row decoder reads in place
	else
		WriteDataAccessor(p_file, r_content, n_base, b_dynamic);
	WriteDecompressAccessor(p_file, r_content, n_base, b_dynamic);
	if(r_settings.b_row_decoder)
		WriteRowDeclarations(p_file, r_content);

	if(!r_settings.b_shared_decompress) {
		if(!b_WritePrivateDecompressor(p_file, r_content, s_code, p_out, p_err))
			return false;
		if(r_settings.b_row_decoder)
			WriteRowDefinitions(p_file, r_content, n_base, s_class, "");
	} else {
		WriteSharedDecompressor(p_file, r_settings, s_code, n_base, s_class);
		if(r_settings.b_row_decoder) {
			char p_s_scope[32];
			snprintf(p_s_scope, sizeof(p_s_scope), "CPXMDecompressCode_%08x::", n_Crc32(s_code.data(), s_code.size()));
			WriteRowDefinitions(p_file, r_content, n_base, s_class, p_s_scope);
		}
	}
	if(r_settings.b_self_contained)
		fputs(p_s_self_contained_epilogue, p_file);
	fprintf(p_file, "\n#endif // %s\n", s_guard.c_str());

	if(!b_FinishAtomicFile(r_header)) {
		fprintf(p_err, "error: failed to write code to '%s'\n\t%s\n", r_settings.p_s_header_file, strerror(errno));
		return false;
	}
	return true;
}

bool b_CommitHeader(AtomicFile &r_header, const char *p_s_header_file, FILE *p_err)
{
	if(b_CommitAtomicFile(r_header))
		return true;
	fprintf(p_err, "error: failed to write code to '%s'\n\t%s\n", p_s_header_file, strerror(errno));
	return false;
}
