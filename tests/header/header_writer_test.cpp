#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "compress/crc32.h"
#include "driver/command_line.h"
#include "driver/run_settings.h"
#include "header/decompress_template.h"
#include "header/header_writer.h"
#include "support/test_support.h"

namespace {

/** A header for a 3x2 image with a made-up text, written with the given settings. */
struct HeaderCase {
	ConversionOptions options;
	HeaderContent content;
	std::string s_text;
	TempDir dir;
	std::string s_path;

	HeaderCase()
		:s_text("0123456789abcdefghij"), s_path(dir.s_File("img.h"))
	{
		SetDefaultOptions(options, "img/Logo-2.png", s_path.c_str());
		options.b_code_opts = false;
		content.t_params = DecodeParams{3, 2, 77, 3, 4, 5, 2, color_Alpha};
		content.p_s_text = &s_text;
		content.n_stored_crc = 0x12345678;
		content.n_original_crc = 0x12345678;
		content.n_transformed_crc = 0x12345678;
		content.t_image_time = FileTimestamp{5, 19, 2017, 8, 7, 6};
		content.p_s_build_date = "May 19 2017";
	}

	/** @brief writes the header; returns its text, or "" when writing failed */
	std::string s_Write(std::string *p_s_err = nullptr)
	{
		content.t_settings = t_HeaderSettings(options);
		FILE *p_out = tmpfile(), *p_err = tmpfile();
		AtomicFile header;
		bool b_ok = b_OpenHeader(content.t_settings.p_s_header_file, header, p_err) &&
			b_WriteHeader(content, header, p_out, p_err) &&
			b_CommitHeader(header, content.t_settings.p_s_header_file, p_err);
		AbandonAtomicFile(header);
		if(p_s_err) {
			rewind(p_err);
			for(int c; (c = fgetc(p_err)) != EOF;)
				*p_s_err += char(c);
		}
		fclose(p_out);
		fclose(p_err);
		return (b_ok)? s_ReadFile(s_path) : std::string();
	}
};

std::string s_Between(const std::string &r_s_text, const std::string &r_s_begin, const std::string &r_s_end)
{
	size_t n_begin = r_s_text.find(r_s_begin);
	if(n_begin == std::string::npos)
		return "<missing " + r_s_begin + ">";
	size_t n_end = r_s_text.find(r_s_end, n_begin + r_s_begin.size());
	return r_s_text.substr(n_begin, (n_end == std::string::npos)? n_end : n_end + r_s_end.size() - n_begin);
}

} // namespace

TEST(HeaderNames, GuardAndClassTextFromTheImagePath)
{
	EXPECT_EQ(s_GuardText("img/Logo-2.png"), "IMG_LOGO_2_PNG");
	EXPECT_EQ(s_ClassText("img/Logo-2.png"), "img_Logo_2_png");
	EXPECT_EQ(s_GuardText("logo.png"), "LOGO_PNG");
	EXPECT_EQ(s_GuardText("a b\\c\xc3\xa9.tga"), "A_B_C___TGA");
	EXPECT_EQ(s_ClassText("a b\\c\xc3\xa9.tga"), "a_b_c___tga");
}

TEST(HeaderWriter, PrivateUnprunedHeaderIsExact)
{
	HeaderCase header;
	const std::string s_expected = std::string(
		"/**\n"
		" *\t@file ") + header.s_path + "\n"
		" *\t@brief image in header, generated from 'img/Logo-2.png'\n"
		" *\t\t- using prediction / RLE / Huff / BASE85 pipe (lossy)\n"
		" *\t\t- predictors used: paeth for luminance, med for chrominance, gap for alpha\n"
		" *\t@date 2017-05-19 08:07:06\n"
		" *\t@author Pixmold (built May 19 2017)\n"
		" */\n\n"
		"#pragma once\n"
		"#ifndef __IMG_LOGO_2_PNG_INCLUDED\n"
		"#define __IMG_LOGO_2_PNG_INCLUDED\n\n"
		"/**\n *\t@brief image in header, generated from 'img/Logo-2.png'\n */\n"
		"class Cimg_Logo_2_png {\n"
		"public:\n"
		"\t/**\n\t *\t@brief gets width of the image\n\t *\t@return Returns image width, in pixels.\n\t */\n"
		"\tstatic inline int n_Width()\n\t{\n\t\treturn 3;\n\t}\n\n"
		"\t/**\n\t *\t@brief gets height of the image\n\t *\t@return Returns image height, in pixels.\n\t */\n"
		"\tstatic inline int n_Height()\n\t{\n\t\treturn 2;\n\t}\n\n"
		"\t/**\n\t *\t@brief determines whether the image contains alpha channel\n\t *\t@return Returns true if the "
		"image contains alpha channel, otherwise false.\n\t */\n"
		"\tstatic inline bool b_Alpha()\n\t{\n\t\treturn true;\n\t}\n\n"
		"\t/**\n\t *\t@brief determines whether the image is grayscale\n\t *\t@return Returns true if the image is "
		"grayscale, otherwise false.\n\t */\n"
		"\tstatic inline bool b_Grayscale()\n\t{\n\t\treturn false;\n\t}\n\n"
		"\t/**\n\t *\t@brief determines whether the compression is lossless\n\t *\t@return Returns true if the "
		"compression is lossless, otherwise false.\n\t */\n"
		"\tstatic inline bool b_Lossless()\n\t{\n\t\treturn false;\n\t}\n\n"
		"\t/**\n\t *\t@brief determines whether the BASE85 data is allocated dynamically\n\t *\t@return Returns true "
		"if the caller needs to delete the string\n\t *\t\treturned by p_s_Base85_Data(), otherwise false.\n\t */\n"
		"\tstatic inline bool b_Dynamic()\n\t{\n\t\treturn false;\n\t}\n\n"
		"\t/**\n\t *\t@brief returns CRC32 of the stored image data\n\t *\t@return Returns CRC32 of the stored image "
		"data (if lossy compression\n\t *\t\tis employed, then this is different from the original image).\n\t */\n"
		"\tstatic inline uint32_t n_CRC32()\n\t{\n\t\treturn 0x12345678;\n\t}\n\n"
		"\t/**\n\t *\t@brief gets BASE85 compressed image data\n\t *\t@return Returns BASE85 compressed image data "
		"in a null-terminated string.\n\t */\n"
		"\tstatic inline const char *p_s_Base85_Data()\n\t{\n\t\treturn \"0123456789abcdefghij\";\n\t}\n\n"
		"\t/**\n\t *\t@brief gets raw image data\n\t *\t@return Returns pointer to raw ARGB32 image data on success, "
		"0 on failure.\n\t */\n"
		"\tstatic inline uint32_t *p_Decompress()\n\t{\n\t\treturn p_Decode_RLE_Huff_Base85(p_s_Base85_Data(), "
		"3, 2, 77, 3, 4, 5, 2, 2);\n\t}\n\n"
		"protected:\n" + p_s_DecompressTemplate(true) + "};\n"
		"\n#endif // __IMG_LOGO_2_PNG_INCLUDED\n";
	EXPECT_EQ(header.s_Write(), s_expected);
}

TEST(HeaderWriter, CommentListsOnlyThePlanesTheImageHas)
{
	HeaderCase header;
	header.content.t_params.n_color_type = color_Gray | color_LosslessColor;
	header.options.b_lossless = true;
	std::string s_header = header.s_Write();
	EXPECT_NE(s_header.find(" *\t\t- using prediction / RLE / Huff / BASE85 pipe (lossless)\n"
		" *\t\t- predictors used: paeth for luminance\n"), std::string::npos);
	EXPECT_NE(s_header.find("\tstatic inline bool b_Grayscale()\n\t{\n\t\treturn true;"), std::string::npos);
	EXPECT_NE(s_header.find("\tstatic inline bool b_Lossless()\n\t{\n\t\treturn true;"), std::string::npos);
}

TEST(HeaderWriter, PathsInCommentsCanNeitherEndTheCommentNorStartALine)
{
	HeaderCase header;
	header.options.p_s_image_file = "a*/b/*c\n#error injected\r.png";
	header.options.b_self_contained = true;
	const std::string s_header = header.s_Write();
	const std::string s_line = "generated from 'a*\\/b/\\*c?#error injected?.png'\n";
	EXPECT_NE(s_header.find(" *\t@brief image in header, " + s_line), s_header.rfind(" *\t@brief image in header, " + s_line));
	EXPECT_EQ(s_header.find("#error"), s_header.find("#error injected?.png'"));
	// the class and guard names do not depend on the comment form
	EXPECT_NE(s_header.find("class Ca__b__c__error_injected__png {"), std::string::npos);
	const ProcessResult build = RunProcess({"g++", "-std=c++11", "-x", "c++-header", "-fsyntax-only", "-Wall", "-Wextra",
		"-Werror", header.s_path}, header.dir.s_Path());
	EXPECT_EQ(build.n_status, 0) << build.s_err;
}

TEST(HeaderWriter, UnknownFileTimePrintsMinusOne)
{
	HeaderCase header;
	header.content.t_image_time = FileTimestamp{-1, -1, -1, -1, -1, -1};
	EXPECT_NE(header.s_Write().find(" *\t@date   -1--1--1 -1:-1:-1\n"), std::string::npos);
}

TEST(HeaderWriter, ChecksumCommentTellsWhatChangedTheImage)
{
	const std::string s_head = "\tstatic inline uint32_t n_CRC32()\n\t{\n\t\treturn 0x00000001";
	struct {
		uint32_t n_stored, n_original, n_transformed;
		std::string s_rest;
	} cases[] = {
		{1, 1, 1, ";\n\t}\n"},
		{1, 2, 1, "; // after transformations (original image 0x00000002)\n\t}\n"},
		{1, 2, 2, "; // after lossy compression (original image 0x00000002)\n\t}\n"},
		{1, 2, 3, "; // after transformations and lossy compression\n\t\t// (transformed image 0x00000003, "
			"original 0x00000002)\n\t}\n"},
		{1, 1, 3, "; // after transformations and lossy compression\n\t\t// (transformed image 0x00000003, "
			"original 0x00000001)\n\t}\n"}
	};
	for(const auto &r_case : cases) {
		HeaderCase header;
		header.content.n_stored_crc = r_case.n_stored;
		header.content.n_original_crc = r_case.n_original;
		header.content.n_transformed_crc = r_case.n_transformed;
		EXPECT_EQ(s_Between(header.s_Write(), s_head, "\t}\n"), s_head + r_case.s_rest);
	}
}

TEST(HeaderWriter, LongTextSwitchesToTheDynamicForm)
{
	HeaderCase header;
	header.options.n_max_cstr_len = 20; // the text is exactly 20 characters
	EXPECT_NE(header.s_Write().find("\tstatic inline bool b_Dynamic()\n\t{\n\t\treturn false;"), std::string::npos);
	header.options.n_max_cstr_len = 19;
	header.options.b_base85 = false;
	std::string s_header = header.s_Write();
	EXPECT_NE(s_header.find("\tstatic inline bool b_Dynamic()\n\t{\n\t\treturn true;"), std::string::npos);
	EXPECT_NE(s_header.find("\t/**\n\t *\t@brief gets BASE64 compressed image data\n\t *\t@return Returns BASE64 "
		"compressed image data in a null-terminated string\n\t *\t\ton success, or 0 on failure (not enough memory)."
		"\n\t *\t@note The caller is responsible for deleting the data once no longer needed.\n\t */\n"
		"\tstatic inline char *p_s_Base64_Data()\n\t{\n\t\tstatic const char *p_data[] = {\n"
		"\t\t\t\"0123456789abcdefghi\",\n\t\t\t\"j\"\n\t\t};\n"), std::string::npos);
	EXPECT_NE(s_header.find("\tstatic inline uint32_t *p_Decompress()\n\t{\n\t\tchar *p_s_base64;\n\t\tif(!(p_s_base64"
		" = p_s_Base64_Data()))\n\t\t\treturn 0; // not enough memory\n\t\tuint32_t *p_result = "
		"p_Decode_RLE_Huff_Base64(p_s_base64, 3, 2, 77, 3, 4, 5, 2, 2);\n\t\tdelete[] p_s_base64;\n\t\t"
		"return p_result;\n\t}\n\n"), std::string::npos);
}

TEST(HeaderWriter, SharedDecompressorIsKeyedByTheTemplateChecksum)
{
	for(bool b_base85 : {true, false}) {
		HeaderCase header;
		header.options.b_base85 = b_base85;
		header.options.b_shared_decompress = true;
		header.options.p_s_class_name = "CMyImage";
		const int n_base = (b_base85)? 85 : 64;
		const std::string s_code = p_s_DecompressTemplate(b_base85);
		char p_s_key[9], p_s_upper_key[9], p_s_base[3];
		snprintf(p_s_key, sizeof(p_s_key), "%08x", n_Crc32(s_code.data(), s_code.size()));
		snprintf(p_s_upper_key, sizeof(p_s_upper_key), "%08X", n_Crc32(s_code.data(), s_code.size()));
		snprintf(p_s_base, sizeof(p_s_base), "%d", n_base);
		const std::string s_key = p_s_key, s_upper = p_s_upper_key, s_b = p_s_base;
		const std::string s_expected_tail = "protected:\n"
			"\t/**\n\t *\t@copydoc CPXMDecompressCode_" + s_key + "::p_Decode_RLE_Huff_Base" + s_b + "\n\t */\n"
			"\tstatic inline uint32_t *p_Call_Decompress(const char *p_s_base" + s_b + ",\n"
			"\t\tint n_image_width, int n_image_height, size_t n_huff_stage_size,\n"
			"\t\tint n_predictor_y, int n_predictor_uv, int n_predictor_a,\n"
			"\t\tint n_subsample, int n_color_type);\n"
			"};\n"
			"\n#ifndef __PIXMOLD_DECOMPRESS_" + s_upper + "_INCLUDED\n"
			"#define __PIXMOLD_DECOMPRESS_" + s_upper + "_INCLUDED\n\n"
			"/**\n *\t@brief decompression routine implementation\n *\t@note While this allows all the compressed files "
			"to share decompressor implementation,\n *\t\tit restricts all the files to be included in a single .cpp "
			"file, otherwise linking\n *\t\tfails because of duplicate symbols (remove body of decompress function in "
			"such case).\n */\nclass CPXMDecompressCode_" + s_key + " {\npublic:\n" + s_code +
			"};\n\n#endif // __PIXMOLD_DECOMPRESS_" + s_upper + "_INCLUDED\n\n"
			"inline uint32_t *CMyImage::p_Call_Decompress(const char *p_s_base" + s_b + ",\n"
			"\tint n_image_width, int n_image_height, size_t n_huff_stage_size,\n"
			"\tint n_predictor_y, int n_predictor_uv, int n_predictor_a,\n"
			"\tint n_subsample, int n_color_type)\n{\n"
			"\treturn CPXMDecompressCode_" + s_key + "::p_Decode_RLE_Huff_Base" + s_b + "(p_s_base" + s_b + ",\n"
			"\t\tn_image_width, n_image_height, n_huff_stage_size, n_predictor_y,\n"
			"\t\tn_predictor_uv, n_predictor_a, n_subsample, n_color_type);\n}\n"
			"// a dummy function that calls the decompressor, which is now declared\n"
			"// (allows us to keep it at the end of the file)\n"
			"\n#endif // __IMG_LOGO_2_PNG_INCLUDED\n";
		std::string s_header = header.s_Write();
		ASSERT_GT(s_header.size(), s_expected_tail.size());
		EXPECT_EQ(s_header.substr(s_header.size() - s_expected_tail.size()), s_expected_tail);
		EXPECT_NE(s_header.find("\nclass CMyImage {\npublic:\n"), std::string::npos);
		EXPECT_NE(s_header.find("\t\treturn p_Call_Decompress(p_s_Base" + s_b + "_Data(), 3, 2, 77, 3, 4, 5, 2, 2);\n"),
			std::string::npos);
		// the optimiser never touches the shared form
		header.options.b_code_opts = true;
		EXPECT_EQ(header.s_Write(), s_header);
	}
	EXPECT_NE(std::string(p_s_DecompressTemplate(true)), std::string(p_s_DecompressTemplate(false)));
}

TEST(HeaderWriter, UnwritablePathFailsWithItsMessage)
{
	HeaderCase header;
	const std::string s_path = header.dir.s_File("no/such/dir/img.h");
	header.options.p_s_header_file = s_path.c_str();
	std::string s_err;
	EXPECT_EQ(header.s_Write(&s_err), "");
	EXPECT_EQ(s_err, "error: failed to open '" + s_path + "' for writing\n\tNo such file or directory\n");
}

// The row decoder ships as the tool compiles it: whole, behind the decompressor
// (pruned or not), whose optimiser never sees it; the shared class's key is
// that of its whole text, row decoder included. Without the option nothing of
// it appears.
TEST(HeaderWriter, RowDecoderShipsWholeBehindTheDecompressor)
{
	const std::string s_rows = p_s_RowDecoderTemplate(true);
	for(bool b_shared : {false, true}) {
		HeaderCase header;
		header.options.b_code_opts = true;
		header.options.b_shared_decompress = b_shared;
		EXPECT_EQ(header.s_Write().find("RowWork"), std::string::npos);
		RowEntryPoints entries = {2, {{0, 0, 0, 0}, {600, 70, 3, 13}}}; // bit, code, skip, text
		header.content.p_row_entries = &entries;
		header.options.b_row_decoder = true;
		const std::string s_header = header.s_Write();
		const size_t n_rows = s_header.find(s_rows);
		ASSERT_NE(n_rows, std::string::npos) << "b_shared " << b_shared;
		EXPECT_LT(s_header.rfind("p_Decode_Huff_RLE_Planes", n_rows), n_rows);
		EXPECT_NE(s_header.find("{{13, 600, 70, 3}, {0, 0, 0, 0}, {0, 0, 0, 0}}};", n_rows), std::string::npos);
		EXPECT_NE(s_header.find("\tenum {\n\t\tn_width = 3,\n\t\tn_height = 2\n\t};\n"), std::string::npos);
		if(b_shared) {
			const std::string s_code = std::string(p_s_DecompressTemplate(true)) + s_rows;
			char p_s_class[40];
			snprintf(p_s_class, sizeof(p_s_class), "class CPXMDecompressCode_%08x {", n_Crc32(s_code.data(), s_code.size()));
			EXPECT_NE(s_header.find(p_s_class), std::string::npos);
		}
	}
}
