#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <sstream>
#include <vector>

#include "header/optimiser_test_support.h"
#include "support/test_support.h"

namespace {

/** Used sets that reach every layout of the predictor chain. */
const std::vector<std::vector<int>> used_set_list = {
	{0}, {1}, {2}, {3}, {4}, {5}, {6}, {7}, {8}, {9}, {10}, {11},
	{3, 4}, {1, 6}, {0, 6}, {2, 5, 9}, {0, 7, 11}, {4, 8, 10}, {1, 5, 11}
};

/** The "code opts" lines that follow the predictor lines, per image kind. */
std::string s_PathNotes(int n_color_type)
{
	if(n_color_type & color_Gray) {
		return std::string("\tcode opts: can ommit code for the RGB(A) branch\n") + ((n_color_type & color_Alpha)?
			"\tcode opts: can ommit code for the gray-only branch\n" :
			"\tcode opts: can ommit code for the gray-alpha branch\n");
	}
	const bool b_alpha = (n_color_type & color_Alpha) != 0;
	return std::string("\tcode opts: can ommit code for the grayscale branch\n") + ((b_alpha)?
		"\tcode opts: can optimize code for the alpha unpredict branch\n" :
		"\tcode opts: can ommit code for the alpha unpredict branch\n") +
		((n_color_type & color_LosslessColor)? "\tcode opts: can ommit code for the lossy color branch\n" :
		"\tcode opts: can ommit code for the lossless color branch\n") +
		((b_alpha)? "\tcode opts: can ommit code for the RGB branch\n" :
		"\tcode opts: can ommit code for the RGBA branch\n") +
		"\tcode opts: can ommit forward declaration for RGB\n";
}

size_t n_Count(const std::string &s_text, char n_char)
{
	return size_t(std::count(s_text.begin(), s_text.end(), n_char));
}

/** @brief the first differing line with two lines of context, tabs shown as "\t"; empty when equal */
std::string s_FirstDifference(const std::string &s_expected, const std::string &s_actual)
{
	auto Split = [](const std::string &s_text) {
		std::vector<std::string> lines;
		std::istringstream stream(s_text);
		for(std::string s_line; std::getline(stream, s_line);) {
			for(size_t n_tab; (n_tab = s_line.find('\t')) != std::string::npos;)
				s_line.replace(n_tab, 1, "\\t");
			lines.push_back(s_line);
		}
		return lines;
	};
	if(s_expected == s_actual)
		return "";
	const std::vector<std::string> expected = Split(s_expected), actual = Split(s_actual);
	size_t n_line = 0;
	while(n_line < expected.size() && n_line < actual.size() && expected[n_line] == actual[n_line])
		++ n_line;
	std::string s_diff = "first difference at line " + std::to_string(n_line + 1) + ":\n";
	for(size_t i = (n_line > 2)? n_line - 2 : 0; i < n_line; ++ i)
		s_diff += "  " + expected[i] + "\n";
	for(size_t i = n_line; i < n_line + 3 && i < expected.size(); ++ i)
		s_diff += "- " + expected[i] + "\n";
	for(size_t i = n_line; i < n_line + 3 && i < actual.size(); ++ i)
		s_diff += "+ " + actual[i] + "\n";
	if(n_line >= expected.size() && n_line >= actual.size())
		s_diff += "(the texts differ only in the final line end)\n";
	return s_diff;
}

} // namespace

TEST(DecompressOptimiser, PaethAndMedColourImageReportsEveryCutInOrder)
{
	const OptimiserRun run = RunOptimiserOnTemplate(true, n_PredictorMask({3, 4}), 0);
	ASSERT_TRUE(run.b_ok);
	EXPECT_EQ(run.s_err, "");
	EXPECT_EQ(run.s_out, "\n"
		"\tcode opts: can ommit code for the up predictor (0)\n"
		"\tcode opts: can ommit code for the left predictor (1)\n"
		"\tcode opts: can ommit code for the avg predictor (2)\n"
		"\tcode opts: can ommit code for the gap predictor (5)\n"
		"\tcode opts: can ommit code for the up-left predictor (7)\n"
		"\tcode opts: can ommit code for the avg2 predictor (8)\n"
		"\tcode opts: can ommit code for the diff predictor (9)\n"
		"\tcode opts: can ommit code for the grad-h predictor (10)\n"
		"\tcode opts: can ommit code for the grad-v predictor (11)\n"
		"\tcode opts: can ommit code for the grayscale branch\n"
		"\tcode opts: can ommit code for the alpha unpredict branch\n"
		"\tcode opts: can ommit code for the lossless color branch\n"
		"\tcode opts: can ommit code for the RGBA branch\n"
		"\tcode opts: can ommit forward declaration for RGB\n"
		"\n");
}

TEST(DecompressOptimiser, RunWithoutVerbosePrintsNothingAndPrunesAlike)
{
	for(int n_color_type : p_image_kind_list) {
		const OptimiserRun verbose = RunOptimiserOnTemplate(true, n_PredictorMask({1}), n_color_type);
		const OptimiserRun quiet = RunOptimiser(p_s_DecompressTemplate(true), n_PredictorMask({1}),
			n_color_type, false);
		ASSERT_TRUE(quiet.b_ok);
		EXPECT_EQ(quiet.s_out, "");
		EXPECT_EQ(quiet.s_err, "");
		EXPECT_EQ(quiet.s_code, verbose.s_code);
	}
}

TEST(DecompressOptimiser, EveryUsedSetAndImageKindCutsExactlyWhatIsNotTaken)
{
	for(bool b_base85 : {true, false}) {
		for(const std::vector<int> &used : used_set_list) {
			uint32_t n_used = 0;
			for(int n_predictor : used)
				n_used |= 1U << n_predictor;
			const bool b_row_free = !(n_used & ~n_PredictorMask({1, 6}));
			const bool b_col_free = !(n_used & ~n_PredictorMask({0, 6}));
			std::string s_expected_notes = "\n";
			if(b_row_free)
				s_expected_notes += "\tcode opts: can ommit first row replication for the predictors\n";
			if(b_col_free)
				s_expected_notes += "\tcode opts: can ommit first col replication for the predictors\n";
			for(int p = 0; p < n_predictor_num; ++ p) {
				if(p != pred_None && !(n_used >> p & 1)) {
					s_expected_notes += std::string("\tcode opts: can ommit code for the ") +
						p_s_PredictorName(p) + " predictor (" + std::to_string(p) + ")\n";
				}
			}
			for(int n_color_type : p_image_kind_list) {
				SCOPED_TRACE("BASE" + std::to_string((b_base85)? 85 : 64) + " kind " +
					std::to_string(n_color_type) + " used mask " + std::to_string(n_used));
				const OptimiserRun run = RunOptimiserOnTemplate(b_base85, n_used, n_color_type);
				ASSERT_TRUE(run.b_ok) << run.s_err;
				EXPECT_EQ(run.s_out, s_expected_notes + s_PathNotes(n_color_type) + "\n");
				const std::string &s_code = run.s_code;
				const size_t n_assertion = s_code.find("_ASSERTE(n_pred_type != ");
				const std::string s_assertion = (n_assertion == std::string::npos)? "" :
					s_code.substr(n_assertion, s_code.find(';', n_assertion) - n_assertion);
				for(int p = 0; p < n_predictor_num; ++ p) {
					const std::string s_number = std::to_string(p);
					const bool b_branch = s_code.find("if(n_pred_type == " + s_number + ")") != std::string::npos;
					const bool b_asserted = s_assertion.find("!= " + s_number + " ") != std::string::npos ||
						s_assertion.find("!= " + s_number + ")") != std::string::npos;
					EXPECT_EQ(b_branch, p != pred_None && (n_used >> p & 1)) << "predictor " << p;
					EXPECT_EQ(b_asserted, p != pred_None && !(n_used >> p & 1)) << "predictor " << p;
				}
				EXPECT_EQ(s_code.find("for(int y = 0; y < n_first_row; ++ y)") == std::string::npos, b_row_free);
				EXPECT_EQ(s_code.find("for(int x = 0; x < n_first_col; ++ x)") == std::string::npos, b_col_free);
				for(const char *p_s_gone : {"if(!b_gray)", "if(b_alpha)", "if(!b_lossless_color)", "uint8_t r, g, b;"})
					EXPECT_EQ(s_code.find(p_s_gone), std::string::npos) << p_s_gone;
				EXPECT_EQ(n_Count(s_code, '{'), n_Count(s_code, '}'));
				EXPECT_EQ(n_Count(s_code, '('), n_Count(s_code, ')'));
			}
		}
	}
}

TEST(DecompressOptimiser, AssertionWrapsAfterEveryFourthCondition)
{
	const OptimiserRun run = RunOptimiserOnTemplate(true, n_PredictorMask({3, 4}), 0);
	EXPECT_NE(run.s_code.find("\tstatic void UnPredict_ImagePlane(uint8_t *p_buffer, int n_width, int n_height, int n_pred_type)\n\t{\n"
		"\t\t_ASSERTE(n_pred_type != 0 && n_pred_type != 1 && n_pred_type != 2 && n_pred_type != 5 &&\n"
		"\t\t\tn_pred_type != 7 && n_pred_type != 8 && n_pred_type != 9 && n_pred_type != 10 &&\n"
		"\t\t\tn_pred_type != 11); // some code omitted\n"), std::string::npos);
	// both border loops stay for predictors with a first row and column
	EXPECT_NE(run.s_code.find("for(int y = 0; y < n_first_row; ++ y) {"), std::string::npos);
	EXPECT_NE(run.s_code.find("for(int x = 0; x < n_first_col; ++ x) {"), std::string::npos);
	EXPECT_EQ(run.s_code.find("_ASSERTE(n_pred_type"), run.s_code.rfind("_ASSERTE(n_pred_type"));
}

TEST(DecompressOptimiser, UsingEveryPredictorLeavesTheChainAlone)
{
	const OptimiserRun run = RunOptimiserOnTemplate(true, 0xfff, color_Alpha);
	ASSERT_TRUE(run.b_ok);
	EXPECT_EQ(run.s_out, "\n" + s_PathNotes(color_Alpha) + "\n");
	const std::string s_template = p_s_DecompressTemplate(true);
	const size_t n_decoder = s_template.find("static uint8_t *p_Alloc_DecodeBuffers");
	EXPECT_EQ(run.s_code.substr(0, n_decoder), s_template.substr(0, n_decoder));
}

TEST(DecompressOptimiser, PrunedTextsMatchTheirGoldenFiles)
{
	struct Golden {
		const char *p_s_file;
		std::vector<int> used;
		int n_color_type;
		bool b_base85;
	};
	const Golden golden_list[] = {
		{"paeth_med_colour.txt", {3, 4}, 0, true}, // chain of two blocks, nine conditions on three lines
		{"left_gray.txt", {1}, color_Gray, true}, // first-row loop goes, first-column loop stays
		{"up_colour_alpha_base64.txt", {0}, color_Alpha, false}, // first-column loop goes
		{"none_colour_lossless.txt", {6}, color_LosslessColor, true}, // empty pixel loop body
		{"gap_gray_alpha.txt", {5}, color_Gray | color_Alpha, true}, // the gap block's brace ends the chain
		{"left_none_colour_alpha_lossless.txt", {1, 6}, color_Alpha | color_LosslessColor, true}
	};
	for(const Golden &r_golden : golden_list) {
		SCOPED_TRACE(r_golden.p_s_file);
		uint32_t n_used = 0;
		for(int n_predictor : r_golden.used)
			n_used |= 1U << n_predictor;
		const OptimiserRun run = RunOptimiserOnTemplate(r_golden.b_base85, n_used, r_golden.n_color_type);
		ASSERT_TRUE(run.b_ok);
		const std::string s_expected = s_ReadFile(std::string(PIXMOLD_TEST_DATA_DIR "/optimiser/") + r_golden.p_s_file);
		ASSERT_FALSE(s_expected.empty()) << "golden file missing";
		const std::string s_diff = s_FirstDifference(s_expected, run.s_code);
		EXPECT_TRUE(s_diff.empty()) << s_diff;
	}
}

TEST(DecompressOptimiser, MissingMarkerIsFatal)
{
	struct BrokenMarker {
		const char *p_s_context; // a text holding the marker, unique in the template
		const char *p_s_broken; // the same text with the marker spoilt
		uint32_t n_used;
		int n_color_type;
		const char *p_s_message;
	};
	const BrokenMarker broken_list[] = {
		{"if(n_pred_type == 7)", "if(n_pred_type == 07)", 1, 0,
			"fatal error: can't find pattern for this predictor\n"},
		{"void UnPredict_ImagePlane", "void Unpredict_ImagePlane", 1, 0,
			"fatal error: can't find pattern for UnPredict_ImagePlane()\n"},
		{"\n\t\tif(!b_gray) {", "\n\t\tif(!b_gray)  {", 0xfff, color_Gray,
			"fatal error: can't find pattern for the outer color type branch\n"},
		{"\n\t\t} else {\n\t\t\tUnPredict", "\n\t\t}  else {\n\t\t\tUnPredict", 0xfff, 0,
			"fatal error: can't find pattern for the outer color type branch\n"},
		{"\n\t\t}\n\n\t\tdelete[] p_data;", "\n\t\t} \n\n\t\tdelete[] p_data;", 0xfff, 0,
			"fatal error: can't find pattern for the outer color type branch\n"},
		{"\n\t\t\tif(b_alpha) {", "\n\t\t\tif (b_alpha) {", 0xfff, color_Gray,
			"fatal error: can't find pattern for the inner gray type branch\n"},
		{"\n\t\t\t} else {\n\t\t\t\tfor(size_t", "\n\t\t\t}  else {\n\t\t\t\tfor(size_t", 0xfff, color_Gray | color_Alpha,
			"fatal error: can't find pattern for the inner gray type branch\n"},
		{"\n\t\t\t}\n\t\t}\n\n\t\tdelete[]", "\n\t\t\t} \n\t\t}\n\n\t\tdelete[]", 0xfff, color_Gray,
			"fatal error: can't find pattern for the inner gray type branch\n"},
		{"\n\t\t\tif(b_alpha)\n", "\n\t\t\tif(b_alpha) \n", 0xfff, color_Alpha,
			"fatal error: can't find pattern for the inner alpha unpredict branch\n"},
		{"\n\t\t\t\t\tif(!b_lossless_color) {", "\n\t\t\t\t\tif(!b_lossless_color)  {", 0xfff, 0,
			"fatal error: can't find pattern for the inner compression type branch\n"},
		{"\n\t\t\t\t\t} else {\n\t\t\t\t\t\tg = ", "\n\t\t\t\t\t}  else {\n\t\t\t\t\t\tg = ", 0xfff, color_LosslessColor,
			"fatal error: can't find pattern for the inner compression type branch\n"},
		{"\n\t\t\t\t\t}\n\t\t\t\t\tif(b_alpha) {", "\n\t\t\t\t\t} \n\t\t\t\t\tif(b_alpha) {", 0xfff, 0,
			"fatal error: can't find pattern for the inner compression type branch\n"},
		{"\n\t\t\t\t\tif(b_alpha) {", "\n\t\t\t\t\tif(b_alpha)  {", 0xfff, color_Alpha,
			"fatal error: can't find pattern for the inner compression type branch\n"},
		{"\n\t\t\t\t\t} else\n", "\n\t\t\t\t\t} else \n", 0xfff, 0,
			"fatal error: can't find pattern for the inner compression type branch\n"}
	};
	for(bool b_base85 : {true, false}) {
		for(const BrokenMarker &r_broken : broken_list) {
			SCOPED_TRACE(r_broken.p_s_broken);
			std::string s_code = p_s_DecompressTemplate(b_base85);
			const size_t n_context = s_code.find(r_broken.p_s_context);
			ASSERT_NE(n_context, std::string::npos);
			s_code.replace(n_context, strlen(r_broken.p_s_context), r_broken.p_s_broken);
			const OptimiserRun run = RunOptimiser(s_code, r_broken.n_used, r_broken.n_color_type);
			EXPECT_FALSE(run.b_ok);
			EXPECT_EQ(run.s_err, r_broken.p_s_message);
		}
	}
}

TEST(DecompressOptimiser, BranchWithoutEndIsFatal)
{
	// the chain's last statement runs into the end of the text
	const std::string s_template = p_s_DecompressTemplate(true);
	const size_t n_last = s_template.find("if(n_pred_type == 11)\n");
	ASSERT_NE(n_last, std::string::npos);
	const std::string s_code = s_template.substr(0, s_template.find(';', n_last) + 1);
	const OptimiserRun run = RunOptimiser(s_code, n_PredictorMask({0}), 0);
	EXPECT_FALSE(run.b_ok);
	EXPECT_EQ(run.s_err, "fatal error: can't find end-pattern for this predictor\n");
}
