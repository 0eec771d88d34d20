#include <gtest/gtest.h>

#include "support/test_support.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "driver/command_line.h"

namespace {

/** The outcome of one parse with both streams captured. */
struct Parsed {
	CommandLineVerdict n_verdict;
	ConversionOptions options;
	std::string s_out, s_err;
};

/** @brief parses "Pixmold in.tga out.h" followed by the given options */
Parsed t_Parse(const std::vector<const char*> &r_options, bool b_with_files = true)
{
	std::vector<const char*> args = {"Pixmold"};
	if(b_with_files) {
		args.push_back("in.tga");
		args.push_back("out.h");
	}
	args.insert(args.end(), r_options.begin(), r_options.end());
	Parsed parsed;
	FILE *p_out = tmpfile(), *p_err = tmpfile();
	parsed.n_verdict = n_ParseCommandLine(int(args.size()), args.data(), parsed.options, p_out, p_err);
	parsed.s_out = s_ReadAndClose(p_out);
	parsed.s_err = s_ReadAndClose(p_err);
	return parsed;
}

const std::string s_needs_value(const char *p_s_arg)
{
	return std::string("warning: parameter: '") + p_s_arg + "': unknown parameter or needs a value (skipping)\n";
}

const std::string s_unknown(const char *p_s_arg)
{
	return std::string("warning: unknown parameter: '") + p_s_arg + "' (skipping)\n";
}

} // namespace

TEST(CommandLine, MissingArgumentsPrintTheUsageTextOnStandardError)
{
	Parsed parsed = t_Parse({"in.tga"}, false);
	EXPECT_EQ(parsed.n_verdict, CommandLineVerdict::Usage);
	EXPECT_EQ(parsed.s_out, "");
	ASSERT_EQ(std::count(parsed.s_err.begin(), parsed.s_err.end(), '\n'), 22);
	EXPECT_EQ(parsed.s_err.compare(0, 34, "error: missing program arguments.\n"), 0);
	EXPECT_NE(parsed.s_err.find("--alpha-bpp m parameter sets alpha channe\xf9 bpp to m bits\n"), std::string::npos);
	EXPECT_NE(parsed.s_err.find("\n               --shared-decompress not specified)\n"), std::string::npos);
	EXPECT_EQ(parsed.s_err.substr(parsed.s_err.size() - 63),
		"--base-64 uses BASE-64 decoding instead of the default BASE-85\n");
	EXPECT_EQ(t_Parse({}, false).n_verdict, CommandLineVerdict::Usage);
}

TEST(CommandLine, DefaultsWithoutOptions)
{
	Parsed parsed = t_Parse({});
	ASSERT_EQ(parsed.n_verdict, CommandLineVerdict::Run);
	const ConversionOptions &o = parsed.options;
	EXPECT_STREQ(o.p_s_image_file, "in.tga");
	EXPECT_STREQ(o.p_s_header_file, "out.h");
	EXPECT_FALSE(o.b_verbose);
	EXPECT_TRUE(o.b_base85);
	EXPECT_TRUE(o.b_code_opts);
	EXPECT_FALSE(o.b_gray);
	EXPECT_EQ(o.n_alpha_mode, -1);
	EXPECT_FALSE(o.b_exhaustive);
	EXPECT_FALSE(o.b_shared_decompress);
	EXPECT_FALSE(o.b_lossless);
	EXPECT_FALSE(o.b_row_decoder);
	EXPECT_EQ(o.n_max_line_len, 100);
	EXPECT_EQ(o.n_max_cstr_len, 32767u);
	EXPECT_EQ(o.n_chroma_bpp, 6);
	EXPECT_EQ(o.n_alpha_bpp, 8);
	EXPECT_EQ(o.n_subsample, 2);
	EXPECT_EQ(o.p_s_class_name, nullptr);
	EXPECT_EQ(n_DataLineWidth(o), 86);
	EXPECT_EQ(parsed.s_out + parsed.s_err, "");
}

TEST(CommandLine, FlagsSetTheirFields)
{
	Parsed parsed = t_Parse({"--base-64", "--no-code-opts", "--gray", "--exhaustive", "--shared-decompress", "--alpha"});
	EXPECT_FALSE(parsed.options.b_base85);
	EXPECT_FALSE(parsed.options.b_code_opts);
	EXPECT_TRUE(parsed.options.b_gray);
	EXPECT_TRUE(parsed.options.b_exhaustive);
	EXPECT_TRUE(parsed.options.b_shared_decompress);
	EXPECT_EQ(parsed.options.n_alpha_mode, 1);
	EXPECT_EQ(t_Parse({"--alpha", "--no-alpha"}).options.n_alpha_mode, 0);
	EXPECT_EQ(t_Parse({"--no-alpha", "--alpha"}).options.n_alpha_mode, 1);
	EXPECT_TRUE(t_Parse({"--row-decoder"}).options.b_row_decoder);
}

TEST(CommandLine, FilePositionsAreNeverOptions)
{
	std::vector<const char*> args = {"Pixmold", "--verbose", "--gray"};
	ConversionOptions options;
	FILE *p_null = tmpfile();
	ASSERT_EQ(n_ParseCommandLine(3, args.data(), options, p_null, p_null), CommandLineVerdict::Run);
	fclose(p_null);
	EXPECT_STREQ(options.p_s_image_file, "--verbose");
	EXPECT_STREQ(options.p_s_header_file, "--gray");
	EXPECT_FALSE(options.b_verbose);
	EXPECT_FALSE(options.b_gray);
}

TEST(CommandLine, VerboseAsLastArgumentIsAFlagAndPrintsTheBanner)
{
	Parsed parsed = t_Parse({"--verbose"});
	EXPECT_TRUE(parsed.options.b_verbose);
	EXPECT_EQ(parsed.s_out, std::string("Pixmold v3.20 (built ") + p_s_BuildDate() + ")\n\n");
	EXPECT_EQ(parsed.s_err, "");
}

TEST(CommandLine, BuildDateHasTheFormOfMonthDayYear)
{
	std::string s_date = p_s_BuildDate();
	ASSERT_EQ(s_date.size(), 11u); // "May 19 2017"
	EXPECT_NE(std::string("JanFebMarAprMayJunJulAugSepOctNovDec").find(s_date.substr(0, 3)), std::string::npos);
	EXPECT_EQ(s_date[3], ' ');
	EXPECT_EQ(s_date[6], ' ');
}

TEST(CommandLine, LastArgumentRule)
{
	EXPECT_EQ(t_Parse({"--subsample"}).s_err, s_needs_value("--subsample"));
	EXPECT_EQ(t_Parse({"--bogus"}).s_err, s_needs_value("--bogus"));
	EXPECT_EQ(t_Parse({"--bogus", "x"}).s_err, s_unknown("--bogus") + s_needs_value("x"));
	EXPECT_EQ(t_Parse({"--Verbose", "--gray"}).s_err, s_unknown("--Verbose")) <<
		"option names are case-sensitive";
}

TEST(CommandLine, ValueOptionsConsumeTheNextArgument)
{
	Parsed parsed = t_Parse({"--class-name", "--gray", "--subsample", "3", "--chroma-bpp", "5",
		"--alpha-bpp", "4", "--max-line-len", "120", "--max-cstr-len", "500"});
	EXPECT_STREQ(parsed.options.p_s_class_name, "--gray");
	EXPECT_FALSE(parsed.options.b_gray);
	EXPECT_EQ(parsed.options.n_subsample, 3);
	EXPECT_EQ(parsed.options.n_chroma_bpp, 5);
	EXPECT_EQ(parsed.options.n_alpha_bpp, 4);
	EXPECT_EQ(parsed.options.n_max_line_len, 120);
	EXPECT_EQ(parsed.options.n_max_cstr_len, 500u);
	EXPECT_EQ(parsed.s_err, "");
}

TEST(CommandLine, NumbersConvertLikeStrtol)
{
	EXPECT_EQ(t_Parse({"--subsample", "3abc"}).options.n_subsample, 3);
	EXPECT_EQ(t_Parse({"--max-line-len", "  +40"}).options.n_max_line_len, 40);
	EXPECT_EQ(t_Parse({"--max-line-len", "-7"}).options.n_max_line_len, -7);
	EXPECT_EQ(t_Parse({"--max-line-len", "99999999999"}).options.n_max_line_len, INT32_MAX);
	// letters alone give 0, which the subsampling then refuses
	Parsed parsed = t_Parse({"--subsample", "abc"});
	EXPECT_EQ(parsed.options.n_subsample, 0);
	EXPECT_EQ(parsed.n_verdict, CommandLineVerdict::Refused);
}

TEST(CommandLine, LosslessSetsItsDefaults)
{
	Parsed parsed = t_Parse({"--lossless"});
	EXPECT_TRUE(parsed.options.b_lossless);
	EXPECT_EQ(parsed.options.n_subsample, 1);
	EXPECT_EQ(parsed.options.n_chroma_bpp, 8);
	EXPECT_EQ(parsed.s_err, "");
}

TEST(CommandLine, ExplicitSubsamplingWinsOverLosslessOnEitherSide)
{
	const std::string s_warning = "warning: lossless color transformation selected, and subsampling is 4\n";
	for(const std::vector<const char*> &r_args : {std::vector<const char*>{"--subsample", "4", "--lossless"},
	   std::vector<const char*>{"--lossless", "--subsample", "4"}}) {
		Parsed parsed = t_Parse(r_args);
		EXPECT_EQ(parsed.options.n_subsample, 4);
		EXPECT_EQ(parsed.options.n_chroma_bpp, 8);
		EXPECT_EQ(parsed.s_err, s_warning);
	}
	Parsed parsed = t_Parse({"--chroma-bpp", "5", "--lossless"});
	EXPECT_EQ(parsed.options.n_chroma_bpp, 5);
	EXPECT_EQ(parsed.s_err, "warning: lossless color transformation selected and chroma bits is only 5\n");
}

TEST(CommandLine, ArgumentsBeforeLosslessAreScannedTwice)
{
	EXPECT_EQ(t_Parse({"--bogus", "--lossless"}).s_err, s_unknown("--bogus") + s_unknown("--bogus"));
	EXPECT_EQ(t_Parse({"--lossless", "--bogus", "--gray"}).s_err, s_unknown("--bogus"));
}

TEST(CommandLine, LiteralLengthIsNeverBelowTheLineLength)
{
	EXPECT_EQ(t_Parse({"--max-cstr-len", "50"}).options.n_max_cstr_len, 100u);
	EXPECT_EQ(t_Parse({"--max-cstr-len", "-1"}).options.n_max_cstr_len, 0xffffffffu);
	Parsed parsed = t_Parse({"--max-line-len", "200"});
	EXPECT_EQ(parsed.options.n_max_cstr_len, 32767u);
	EXPECT_EQ(n_DataLineWidth(parsed.options), 186);
	// a negative line length counts as a huge one in the unsigned comparison
	EXPECT_EQ(t_Parse({"--max-line-len", "-5"}).options.n_max_cstr_len, uint32_t(-5));
}

TEST(CommandLine, ValuesNoStageCanUseAreRefused)
{
	struct {
		std::vector<const char*> args;
		const char *p_s_error;
	} cases[] = {
		{{"--subsample", "0"}, "error: subsampling must be from 1 to 256 (it is 0)\n"},
		{{"--subsample", "257"}, "error: subsampling must be from 1 to 256 (it is 257)\n"},
		{{"--chroma-bpp", "9"}, "error: chroma bits must be from 1 to 8 (it is 9)\n"},
		{{"--chroma-bpp", "0"}, "error: chroma bits must be from 1 to 8 (it is 0)\n"},
		{{"--alpha-bpp", "-1"}, "error: alpha bits must be from 1 to 8 (it is -1)\n"},
		{{"--max-line-len", "0", "--max-cstr-len", "0"}, "error: maximum \"C\"-string length must be at least 1\n"},
		{{"--max-line-len", "14"}, "error: maximum line length of 14 leaves no room for data\n"}
	};
	for(const auto &r_case : cases) {
		Parsed parsed = t_Parse(r_case.args);
		EXPECT_EQ(parsed.n_verdict, CommandLineVerdict::Refused) << r_case.p_s_error;
		EXPECT_EQ(parsed.s_err, r_case.p_s_error);
	}
	EXPECT_EQ(t_Parse({"--subsample", "256", "--chroma-bpp", "1", "--alpha-bpp", "8"}).n_verdict,
		CommandLineVerdict::Run);
	EXPECT_EQ(t_Parse({"--max-line-len", "13"}).n_verdict, CommandLineVerdict::Run);
}
