#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

/*
 *	The BASE text inside the data accessor of a header. A text of at most the
 *	maximum literal length C is one literal, continued over lines:
 *
 *		return "<F characters>"
 *			"<W characters>"
 *			"<the rest>";
 *
 *	with W = line length - 14 data characters on every continuation line (so a
 *	full line spans the line length, a tab counting four columns) and
 *	F = W - 3 on the return line. A longer text becomes an array of literals
 *	of at most C characters each, laid out the same way, which the accessor
 *	joins at run time into a string the caller deletes. Widths are compared
 *	with character counts as unsigned numbers, so a negative width puts a
 *	whole piece on one line. The alphabets need no escaping.
 */

/** @brief the number of literals of the dynamic form: pieces of at most the longest literal C */
inline size_t n_LiteralNum(size_t n_text_length, uint32_t n_max_cstr_len)
{
	return (n_text_length + n_max_cstr_len - 1) / n_max_cstr_len;
}

/** @brief true when the text needs the dynamic (array) form */
inline bool b_DynamicDataForm(size_t n_text_length, uint32_t n_max_cstr_len)
{
	return n_text_length > n_max_cstr_len;
}

/**
 *	@brief writes the text as one literal, continuing the line "\t\treturn "
 *		and ending the accessor
 *	@param[in] n_line_width is the data line width W
 */
void WriteSingleLiteral(FILE *p_file, const std::string &r_s_text, int32_t n_line_width);

/**
 *	@brief writes the elements of the literal array and the code that joins them,
 *		following the line "\t\tstatic const char *p_data[] = {\n", to the end of the accessor
 *	@param[in] n_line_width is the data line width W
 *	@param[in] n_max_cstr_len is the longest literal C
 */
void WriteDynamicLiterals(FILE *p_file, const std::string &r_s_text, int32_t n_line_width, uint32_t n_max_cstr_len);

/**
 *	@brief writes the literals of the dynamic form, one array element each,
 *		separated by ",\n"; the last is left open after its closing quote
 */
void WriteLiteralElements(FILE *p_file, const std::string &r_s_text, int32_t n_line_width, uint32_t n_max_cstr_len);

/**
 *	@brief writes the code of the dynamic form that joins the literals of an
 *		array p_data, to the end of the accessor
 *	@param[in] p_s_element_num is the expression of the number of literals
 */
void WriteJoinCode(FILE *p_file, size_t n_text_length, uint32_t n_max_cstr_len, const char *p_s_element_num);
