#include <gtest/gtest.h>

#include "support/test_support.h"

#include <cstdio>
#include <string>

#include "driver/terminal_progress.h"

TEST(TerminalProgress, NothingReachesAStreamThatIsNoTerminal)
{
	FILE *p_file = tmpfile();
	{
		TerminalProgress progress(p_file, false, 0);
		progress.Report(36, false, 3, 24);
		progress.Report(36, true, 10, 36);
	}
	EXPECT_EQ(s_ReadAndClose(p_file), "");
}

TEST(TerminalProgress, LineIsRewrittenInPlaceAndErasedAtTheEnd)
{
	FILE *p_file = tmpfile();
	{
		TerminalProgress progress(p_file, true, 0);
		progress.Report(1728, false, 5, 48);
	}
	const std::string s_line = "searching predictors: 1728 candidates, planes predicted: 5 of 48";
	EXPECT_EQ(s_ReadAndClose(p_file), "\r" + s_line + "\r" + std::string(s_line.size(), ' ') + "\r");
}

TEST(TerminalProgress, QuickSearchShowsNothing)
{
	FILE *p_file = tmpfile();
	{
		TerminalProgress progress(p_file, true, 60000);
		progress.Report(36, true, 35, 36);
	}
	EXPECT_EQ(s_ReadAndClose(p_file), "");
}
