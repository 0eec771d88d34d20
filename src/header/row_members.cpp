#include "header/row_members.h"

#include "header/data_literal.h"

void WriteRowDeclarations(FILE *p_file, const HeaderContent &r_content)
{
	const DecodeParams &p = r_content.t_params;
	fprintf(p_file, "\t/**\n\t *\t@brief the size of the image, in pixels, as constants (for static_assert and "
		"array bounds)\n\t */\n\tenum {\n\t\tn_width = %d,\n\t\tn_height = %d\n\t};\n\n",
		p.n_image_width, p.n_image_height);
	fputs("\t/**\n\t *\t@brief all the working memory of a row decode: the code table, a cursor per plane, the "
		"rows\n\t *\t\tthat the predictors look back at and one row of pixels (its size grows with the width\n"
		"\t *\t\tonly); instantiate it where you like (static, on the stack, in a section of your own)\n"
		"\t *\t@note It is defined at the end of this header. Its contents need no setting.\n\t */\n"
		"\tstruct RowWork;\n\n", p_file);
	fputs("\t/**\n\t *\t@brief decodes the image a row at a time into memory the caller owns, with no heap and\n"
		"\t *\t\tno floating point\n\t *\t@param[in] r_work is the working memory\n"
		"\t *\t@param[in] r_sink is called as r_sink(int n_y, const uint32_t *p_row) for n_y = 0 to\n"
		"\t *\t\tn_height - 1 in order, each row n_width pixels as p_Decompress() gives them\n"
		"\t *\t@return Returns true on success, false for damaged data (whose rows handed out\n"
		"\t *\t\tbefore are not to be trusted).\n\t */\n"
		"\ttemplate <class RowSink>\n\tstatic bool b_Decode_Rows(RowWork &r_work, RowSink &&r_sink);\n\n", p_file);
	fputs("\t/**\n\t *\t@brief decodes the image a row at a time as b_Decode_Rows(), in RGB565: each pixel\n"
		"\t *\t\t(r >> 3) << 11 | (g >> 2) << 5 | b >> 3, alpha left out\n"
		"\t *\t@param[in] b_swap_bytes swaps the two bytes of each pixel (as SPI panels take them)\n"
		"\t *\t@param[in] r_sink is called as r_sink(int n_y, const uint16_t *p_row)\n\t */\n"
		"\ttemplate <class RowSink>\n"
		"\tstatic bool b_Decode_Rows_RGB565(RowWork &r_work, bool b_swap_bytes, RowSink &&r_sink);\n\n", p_file);
	fputs("\t/**\n\t *\t@brief decodes the image into the caller's buffer, as p_Decompress() gives it\n"
		"\t *\t@param[out] p_dest is the first row; the rows are n_stride_bytes apart\n"
		"\t *\t@return Returns true on success, false for damaged data.\n\t */\n"
		"\tstatic bool b_Decompress_Into(RowWork &r_work, uint32_t *p_dest, size_t n_stride_bytes);\n\n", p_file);
	fputs("\t/**\n\t *\t@brief decodes the image into the caller's buffer in RGB565, as b_Decode_Rows_RGB565()\n"
		"\t *\t@param[out] p_dest is the first row; the rows are n_stride_bytes apart\n"
		"\t *\t@return Returns true on success, false for damaged data.\n\t */\n"
		"\tstatic bool b_Decompress_RGB565(RowWork &r_work, uint16_t *p_dest, size_t n_stride_bytes,\n"
		"\t\tbool b_swap_bytes);\n\n", p_file);
}

void WriteRowProtectedDeclaration(FILE *p_file)
{
	fputs("\t/**\n\t *\t@brief decodes the image a row at a time, each row to r_output (the decoder's "
		"CRows_ARGB,\n\t *\t\tCRows_RGB565 or CRows_Into)\n\t */\n\ttemplate <class COutput>\n"
		"\tstatic bool b_Row_Decode(RowWork &r_work, const COutput &r_output);\n", p_file);
}

void WriteRowLiterals(FILE *p_file, const HeaderContent &r_content, int n_base)
{
	const HeaderSettings &r_settings = r_content.t_settings;
	const std::string &r_s_text = *r_content.p_s_text;
	fprintf(p_file, "\t/**\n\t *\t@brief gets the literals of the BASE%d compressed image data, which the row "
		"decoder\n\t *\t\treads in place\n\t *\t@return Returns %u literals, each of %u characters but the "
		"last.\n\t */\n\tstatic inline const char *const *p_Base%d_Literals()\n\t{\n"
		"\t\tstatic const char *const p_literal[] = {\n", n_base,
		unsigned(n_LiteralNum(r_s_text.size(), r_settings.n_max_cstr_len)), unsigned(r_settings.n_max_cstr_len), n_base);
	WriteLiteralElements(p_file, r_s_text, r_settings.n_data_line_width, r_settings.n_max_cstr_len);
	fputs("\n\t\t};\n\t\treturn p_literal;\n\t}\n\n", p_file);
	fprintf(p_file, "\t/**\n\t *\t@brief gets BASE%d compressed image data\n\t *\t@return Returns BASE%d "
		"compressed image data in a null-terminated string\n\t *\t\ton success, or 0 on failure (not enough "
		"memory).\n\t *\t@note The caller is responsible for deleting the data once no longer needed.\n\t */\n",
		n_base, n_base);
	fprintf(p_file, "\tstatic inline char *p_s_Base%d_Data()\n\t{\n\t\tconst char *const *p_data = "
		"p_Base%d_Literals();\n\n", n_base, n_base);
	const std::string s_literal_num = std::to_string(n_LiteralNum(r_s_text.size(), r_settings.n_max_cstr_len));
	WriteJoinCode(p_file, r_s_text.size(), r_settings.n_max_cstr_len, s_literal_num.c_str());
}

void WriteRowDefinitions(FILE *p_file, const HeaderContent &r_content, int n_base, const std::string &r_s_class,
	const std::string &r_s_code_scope)
{
	const DecodeParams &p = r_content.t_params;
	const HeaderSettings &r_settings = r_content.t_settings;
	const char *const p_s_class = r_s_class.c_str(), *const p_s_scope = r_s_code_scope.c_str();
	fprintf(p_file, "\n/**\n *\t@brief the working memory of a row decode of %s: the code table, a cursor per "
		"plane\n *\t\tand rows of the image's width\n */\nstruct %s::RowWork {\n\t%sCRowState t_state;\n"
		"\tuint32_t p_rows[(%sn_Row_Work_Bytes(n_width, %d, %d, %d, %d, %d) + 3) / 4];\n};\n\n", p_s_class, p_s_class,
		p_s_scope, p_s_scope, p.n_subsample, p.n_color_type, p.n_predictor_y, p.n_predictor_uv, p.n_predictor_a);

	// the text: one literal, or the literals of a split text
	const size_t n_length = r_content.p_s_text->size();
	const bool b_dynamic = b_DynamicDataForm(n_length, r_settings.n_max_cstr_len);
	fprintf(p_file, "template <class COutput>\ninline bool %s::b_Row_Decode(RowWork &r_work, const COutput "
		"&r_output)\n{\n", p_s_class);
	if(b_dynamic)
		fprintf(p_file, "\tconst char *const *p_literal = p_Base%d_Literals();\n", n_base);
	else
		fprintf(p_file, "\tconst char *const p_literal[] = {p_s_Base%d_Data()};\n", n_base);
	// the decoding parameters, the text, and where the planes after the first begin
	fprintf(p_file, "\tconst %sCRowImage t_image = {n_width, n_height, %u, %d, %d, %d, %d, %d, p_literal, %u, %u,\n\t\t{",
		p_s_scope, unsigned(p.n_huff_stage_size), p.n_predictor_y, p.n_predictor_uv, p.n_predictor_a, p.n_subsample,
		p.n_color_type, unsigned((b_dynamic)? r_settings.n_max_cstr_len : n_length), unsigned(n_length));
	const RowEntryPoints &r_entries = *r_content.p_row_entries;
	for(int i = 1; i < n_max_plane_num; ++ i) {
		const RowEntryPoint t_entry = (i < r_entries.n_plane_num)? r_entries.p_entry[i] : RowEntryPoint{0, 0, 0, 0};
		fprintf(p_file, "{%llu, %llu, %llu, %d}%s", (unsigned long long)t_entry.n_text,
			(unsigned long long)t_entry.n_bit, (unsigned long long)t_entry.n_code, t_entry.n_skip,
			(i + 1 < n_max_plane_num)? ", " : "}};\n");
	}
	// the kind of image as constants, which leave only its own predictors and colour path
	fprintf(p_file, "\treturn %sb_Decode_Image_Rows<%sCRowText_Base%d, %sCRowKind<%d, %d, %d, %d, %d> >(t_image, "
		"r_work.t_state,\n\t\tr_work.p_rows, sizeof(r_work.p_rows) / sizeof(r_work.p_rows[0]), r_output);\n}\n\n",
		p_s_scope, p_s_scope, n_base, p_s_scope, p.n_color_type, p.n_subsample, p.n_predictor_y, p.n_predictor_uv,
		p.n_predictor_a);

	fprintf(p_file, "template <class RowSink>\ninline bool %s::b_Decode_Rows(RowWork &r_work, RowSink &&r_sink)\n"
		"{\n\treturn b_Row_Decode(r_work, %st_Rows_ARGB(r_sink));\n}\n\n", p_s_class, p_s_scope);
	fprintf(p_file, "template <class RowSink>\ninline bool %s::b_Decode_Rows_RGB565(RowWork &r_work, bool "
		"b_swap_bytes, RowSink &&r_sink)\n{\n\treturn b_Row_Decode(r_work, %st_Rows_RGB565(r_sink, b_swap_bytes));"
		"\n}\n\n", p_s_class, p_s_scope);
	fprintf(p_file, "inline bool %s::b_Decompress_Into(RowWork &r_work, uint32_t *p_dest, size_t n_stride_bytes)\n"
		"{\n\treturn b_Row_Decode(r_work, %st_Into_ARGB(p_dest, n_stride_bytes));\n}\n\n", p_s_class, p_s_scope);
	fprintf(p_file, "inline bool %s::b_Decompress_RGB565(RowWork &r_work, uint16_t *p_dest, size_t n_stride_bytes,"
		"\n\tbool b_swap_bytes)\n{\n\treturn b_Row_Decode(r_work, %st_Into_RGB565(p_dest, n_stride_bytes, "
		"b_swap_bytes));\n}\n", p_s_class, p_s_scope);
}
