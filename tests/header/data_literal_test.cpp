#include <gtest/gtest.h>

#include "support/test_support.h"

#include <cstdio>
#include <string>
#include <vector>

#include "header/data_literal.h"

namespace {

std::string s_Text(size_t n_length)
{
	std::string s_text;
	for(size_t i = 0; i < n_length; ++ i)
		s_text += char('A' + i % 26);
	return s_text;
}

std::string s_SingleLiteral(const std::string &r_s_text, int32_t n_max_line_len)
{
	FILE *p_file = tmpfile();
	WriteSingleLiteral(p_file, r_s_text, n_max_line_len - 14);
	return s_ReadAndClose(p_file);
}

std::string s_DynamicLiterals(const std::string &r_s_text, int32_t n_max_line_len, uint32_t n_max_cstr_len)
{
	FILE *p_file = tmpfile();
	WriteDynamicLiterals(p_file, r_s_text, n_max_line_len - 14, n_max_cstr_len);
	return s_ReadAndClose(p_file);
}

std::string s_Closing(unsigned n_alloc, unsigned n_chunk, unsigned n_last)
{
	char p_buffer[1024];
	snprintf(p_buffer, sizeof(p_buffer), "\n\t\t};\n\n\t\tchar *p_s_data;\n\t\tif(!(p_s_data = new(std::nothrow) "
		"char[%u]))\n\t\t\treturn 0;\n\t\tchar *p_s_dest = p_s_data;\n\t\tfor(size_t i = 0, n = sizeof(p_data) / "
		"sizeof(p_data[0]); i < n; ++ i) {\n\t\t\tsize_t n_chunk = (i + 1 < n)? %u : %u;\n\t\t\tmemcpy(p_s_dest, "
		"p_data[i], n_chunk * sizeof(char));\n\t\t\tp_s_dest += n_chunk;\n\t\t}\n\t\t*p_s_dest = 0;\n\t\treturn "
		"p_s_data;\n\t}\n\n", n_alloc, n_chunk, n_last);
	return p_buffer;
}

} // namespace

TEST(SingleLiteral, DefaultWidthsSplit200CharactersAs83Then86ThenTheRest)
{
	const std::string s_text = s_Text(200);
	EXPECT_EQ(s_SingleLiteral(s_text, 100), "\"" + s_text.substr(0, 83) + "\"\n\t\t\t\"" + s_text.substr(83, 86) +
		"\"\n\t\t\t\"" + s_text.substr(169) + "\";\n\t}\n\n");
}

TEST(SingleLiteral, ShortTextStaysOnTheReturnLine)
{
	EXPECT_EQ(s_SingleLiteral(s_Text(83), 100), "\"" + s_Text(83) + "\";\n\t}\n\n");
	EXPECT_EQ(s_SingleLiteral(s_Text(84), 100), "\"" + s_Text(83) + "\"\n\t\t\t\"" + s_Text(84).substr(83) + "\";\n\t}\n\n");
}

TEST(SingleLiteral, LineLength17LeavesTheReturnLineEmpty)
{
	const std::string s_text = s_Text(7);
	EXPECT_EQ(s_SingleLiteral(s_text, 17), "\"\"\n\t\t\t\"ABC\"\n\t\t\t\"DEF\"\n\t\t\t\"G\";\n\t}\n\n");
}

TEST(SingleLiteral, LineLengthsBelow17PutEverythingOnTheReturnLine)
{
	const std::string s_text = s_Text(300);
	for(int32_t n_line_len : {16, 15, 13, 0, -50})
		EXPECT_EQ(s_SingleLiteral(s_text, n_line_len), "\"" + s_text + "\";\n\t}\n\n") << n_line_len;
}

TEST(DynamicLiterals, ElementsOfTheLiteralLengthSplitIntoLines)
{
	const std::string s_text = s_Text(230);
	const std::string s_a = s_text.substr(0, 100), s_b = s_text.substr(100, 100), s_c = s_text.substr(200);
	auto s_Element = [](const std::string &r_s) {
		return "\t\t\t\"" + r_s.substr(0, 36) + "\"\n\t\t\t\"" + r_s.substr(36, 36) + "\"\n\t\t\t\"" + r_s.substr(72) + "\"";
	};
	EXPECT_EQ(s_DynamicLiterals(s_text, 50, 100), s_Element(s_a) + ",\n" + s_Element(s_b) + ",\n" +
		"\t\t\t\"" + s_c + "\"" + s_Closing(231, 100, 30));
}

TEST(DynamicLiterals, TextOfAMultipleOfTheLiteralLengthEndsWithAFullElement)
{
	const std::string s_text = s_Text(200);
	EXPECT_EQ(s_DynamicLiterals(s_text, 200, 100), "\t\t\t\"" + s_text.substr(0, 100) + "\",\n\t\t\t\"" +
		s_text.substr(100) + "\"" + s_Closing(201, 100, 100));
}

TEST(DynamicLiterals, LineLengthsBelow14PutEachElementOnOneLine)
{
	const std::string s_text = s_Text(250);
	EXPECT_EQ(s_DynamicLiterals(s_text, 10, 100), "\t\t\t\"" + s_text.substr(0, 100) + "\",\n\t\t\t\"" +
		s_text.substr(100, 100) + "\",\n\t\t\t\"" + s_text.substr(200) + "\"" + s_Closing(251, 100, 50));
}

TEST(DynamicLiterals, FormIsChosenByTheLiteralLength)
{
	EXPECT_FALSE(b_DynamicDataForm(32767, 32767));
	EXPECT_TRUE(b_DynamicDataForm(32768, 32767));
	EXPECT_FALSE(b_DynamicDataForm(1u << 31, 0xffffffffu));
}

TEST(DataLines, EveryFullLineSpansTheLineLength)
{
	// a tab counts four columns
	auto n_Columns = [](const std::string &r_s_line) {
		size_t n_columns = 0;
		for(char c : r_s_line)
			n_columns += (c == '\t')? 4 : 1;
		return n_columns;
	};
	for(int32_t n_line_len : {40, 100, 123}) {
		std::string s_out = "\t\treturn " + s_SingleLiteral(s_Text(1000), n_line_len);
		size_t n_line_num = 0;
		for(size_t n_begin = 0, n_end; (n_end = s_out.find("\"\n", n_begin)) != std::string::npos; n_begin = n_end + 2) {
			EXPECT_EQ(n_Columns(s_out.substr(n_begin, n_end + 1 - n_begin)), size_t(n_line_len));
			++ n_line_num;
		}
		EXPECT_GT(n_line_num, 5u);
	}
}
