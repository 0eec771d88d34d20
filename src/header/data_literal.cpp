#include "header/data_literal.h"

namespace {

/** @brief true when the rest of a piece fits a line of the given width */
bool b_Fits(size_t n_remaining, int32_t n_width)
{
	return n_remaining <= size_t(uint32_t(n_width)); // a negative width fits anything
}

/**
 *	@brief writes the characters [n_begin, n_end) as continuation lines "\t\t\t\"...\""
 *	@param[in] n_first_width is the width of the first line, which continues the
 *		line before it when b_first_continues is set
 *	@note The last line is left open after its closing quote.
 */
void WriteLines(FILE *p_file, const std::string &r_s_text, size_t n_begin, size_t n_end,
	int32_t n_first_width, bool b_first_continues, int32_t n_line_width)
{
	int32_t n_width = n_first_width;
	for(bool b_first = true; n_begin < n_end; b_first = false, n_width = n_line_width) {
		fputs((b_first && b_first_continues)? "\"" : "\t\t\t\"", p_file);
		const size_t n_remaining = n_end - n_begin;
		if(b_Fits(n_remaining, n_width)) {
			fwrite(r_s_text.data() + n_begin, 1, n_remaining, p_file);
			fputs("\"", p_file);
			return;
		}
		const size_t n_part = (n_width > 0)? size_t(n_width) : 0;
		fwrite(r_s_text.data() + n_begin, 1, n_part, p_file);
		fputs("\"\n", p_file);
		n_begin += n_part;
	}
}

} // namespace

void WriteSingleLiteral(FILE *p_file, const std::string &r_s_text, int32_t n_line_width)
{
	// the return line begins with two tabs and "return " (15 columns), a continuation
	// line with three tabs (12 columns)
	const int32_t n_return_extra = 15 - 12;
	// the most negative widths stay negative, that is one line, instead of overflowing
	const int32_t n_return_width = (n_line_width < INT32_MIN + n_return_extra)? INT32_MIN :
		n_line_width - n_return_extra;
	WriteLines(p_file, r_s_text, 0, r_s_text.size(), n_return_width, true, n_line_width);
	fputs(";\n\t}\n\n", p_file);
}

void WriteLiteralElements(FILE *p_file, const std::string &r_s_text, int32_t n_line_width, uint32_t n_max_cstr_len)
{
	const size_t n_length = r_s_text.size(), n_chunk = n_max_cstr_len;
	const size_t n_element_num = n_LiteralNum(n_length, n_max_cstr_len);
	for(size_t i = 0; i < n_element_num; ++ i) {
		const size_t n_begin = i * n_chunk, n_end = (i + 1 < n_element_num)? n_begin + n_chunk : n_length;
		WriteLines(p_file, r_s_text, n_begin, n_end, n_line_width, false, n_line_width);
		if(i + 1 < n_element_num)
			fputs(",\n", p_file);
	}
}

void WriteJoinCode(FILE *p_file, size_t n_text_length, uint32_t n_max_cstr_len, const char *p_s_element_num)
{
	const size_t n_chunk = n_max_cstr_len;
	const size_t n_last_length = n_text_length - n_chunk * (n_LiteralNum(n_text_length, n_max_cstr_len) - 1);
	fprintf(p_file, "\t\tchar *p_s_data;\n\t\tif(!(p_s_data = new(std::nothrow) char[%u]))\n"
		"\t\t\treturn 0;\n\t\tchar *p_s_dest = p_s_data;\n"
		"\t\tfor(size_t i = 0, n = %s; i < n; ++ i) {\n"
		"\t\t\tsize_t n_chunk = (i + 1 < n)? %u : %u;\n"
		"\t\t\tmemcpy(p_s_dest, p_data[i], n_chunk * sizeof(char));\n\t\t\tp_s_dest += n_chunk;\n"
		"\t\t}\n\t\t*p_s_dest = 0;\n\t\treturn p_s_data;\n\t}\n\n",
		unsigned(n_text_length + 1), p_s_element_num, unsigned(n_chunk), unsigned(n_last_length));
}

void WriteDynamicLiterals(FILE *p_file, const std::string &r_s_text, int32_t n_line_width, uint32_t n_max_cstr_len)
{
	WriteLiteralElements(p_file, r_s_text, n_line_width, n_max_cstr_len);
	fputs("\n\t\t};\n\n", p_file);
	WriteJoinCode(p_file, r_s_text.size(), n_max_cstr_len, "sizeof(p_data) / sizeof(p_data[0])");
}
