#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "driver/terminal_progress.h"

namespace {

std::string s_ReadBack(FILE *p_file)
{
	std::string s_text;
	rewind(p_file);
	for(int c; (c = fgetc(p_file)) != EOF;)
		s_text += char(c);
	fclose(p_file);
	return s_text;
}

} // namespace

TEST(TerminalProgress, NothingReachesAStreamThatIsNoTerminal)
{
	FILE *p_file = tmpfile();
	{
		TerminalProgress progress(p_file, false, 0);
		progress.Report(36, false, 3, 24);
		progress.Report(36, true, 10, 36);
	}
	EXPECT_EQ(s_ReadBack(p_file), "");
}

TEST(TerminalProgress, LineIsRewrittenInPlaceAndErasedAtTheEnd)
{
	FILE *p_file = tmpfile();
	{
		TerminalProgress progress(p_file, true, 0);
		progress.Report(1728, false, 5, 48);
	}
	const std::string s_line = "searching predictors: 1728 candidates, planes predicted: 5 of 48";
	EXPECT_EQ(s_ReadBack(p_file), "\r" + s_line + "\r" + std::string(s_line.size(), ' ') + "\r");
}

TEST(TerminalProgress, QuickSearchShowsNothing)
{
	FILE *p_file = tmpfile();
	{
		TerminalProgress progress(p_file, true, 60000);
		progress.Report(36, true, 35, 36);
	}
	EXPECT_EQ(s_ReadBack(p_file), "");
}
