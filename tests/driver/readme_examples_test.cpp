#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/time.h>

#include <cstdlib>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "driver/command_line.h"
#include "support/test_support.h"

// The README's examples, read from the README itself, so that the document
// cannot drift from the tool. Which blocks are examples and how each runs is
// stated once, in the README's section "Examples in this document": "$ "
// lines of `console` blocks with their output, a `cpp` block right after one,
// and the `make`, `meson` and `cpp` blocks of "Building with Make or Meson".
// Commands for a person (builds, installs, benchmarks, one's own pictures,
// root, the network, long runs) stand in indented or `sh` blocks, never run.

namespace {

const std::string s_top = PIXMOLD_TEST_DATA_DIR "/../..";

std::vector<std::string> Lines(const std::string &r_s_text)
{
	std::vector<std::string> lines;
	std::istringstream stream(r_s_text);
	for(std::string s_line; std::getline(stream, s_line);)
		lines.push_back(s_line);
	return lines;
}

/** A fenced block: the mark after its opening fence, its text, and the lines of its two fences. */
struct FencedBlock {
	std::string s_mark, s_text;
	size_t n_open, n_close;
};

std::vector<FencedBlock> FencedBlocks(const std::vector<std::string> &r_lines)
{
	std::vector<FencedBlock> blocks;
	bool b_inside = false;
	for(size_t i = 0; i < r_lines.size(); ++ i) {
		if(r_lines[i].compare(0, 3, "```")) {
			if(b_inside)
				blocks.back().s_text += r_lines[i] + "\n";
			continue;
		}
		if(b_inside)
			blocks.back().n_close = i;
		else
			blocks.push_back(FencedBlock{r_lines[i].substr(3), "", i, 0});
		b_inside = !b_inside;
	}
	return blocks;
}

/** @brief the first block of a mark in a README section, from its heading to the next heading of its level */
std::string s_SectionBlock(const std::string &r_s_document, const std::string &r_s_heading, const char *p_s_mark)
{
	const size_t n_begin = r_s_document.find("\n" + r_s_heading + "\n");
	const size_t n_end = r_s_document.find("\n## ", n_begin + 1);
	for(const FencedBlock &r_block : FencedBlocks(Lines(r_s_document.substr(n_begin, n_end - n_begin)))) {
		if(r_block.s_mark == p_s_mark)
			return r_block.s_text;
	}
	ADD_FAILURE() << "no " << p_s_mark << " block under '" << r_s_heading << "'";
	return "";
}

/**
 *	@brief puts in place the image that a Pixmold command names first: the shipped
 *		picture of that file name, else samples/sample.png under that name
 */
void ProvideImage(const std::string &r_s_command, const TempDir &r_dir)
{
	std::istringstream words(r_s_command);
	std::string s_program, s_image;
	if(!(words >> s_program >> s_image) || s_program != "Pixmold")
		return;
	const std::string s_name = s_image.substr(s_image.rfind('/') + 1);
	std::string s_picture = s_ReadFile(s_top + "/samples/" + s_name);
	if(s_picture.empty())
		s_picture = s_ReadFile(s_top + "/tests/data/corpus/" + s_name);
	if(s_picture.empty())
		s_picture = s_ReadFile(s_top + "/samples/sample.png");
	if(s_image.find('/') != std::string::npos)
		RunProcess({"mkdir", "-p", r_dir.s_File(s_image.substr(0, s_image.rfind('/')))}, "");
	WriteFile(r_dir.s_File(s_image), s_picture);
}

/** @brief the modification time of a file, in nanoseconds */
int64_t n_ModificationTime(const std::string &s_path)
{
	struct stat t_status;
	EXPECT_EQ(stat(s_path.c_str(), &t_status), 0) << s_path;
	return int64_t(t_status.st_mtim.tv_sec) * 1000000000 + t_status.st_mtim.tv_nsec;
}

/** @brief every file below a folder, with its size and time: what a build must leave as it was */
std::string s_Snapshot(const std::string &s_folder)
{
	return RunProcess({"sh", "-c", "find . -printf '%P %s %T@\\n' | sort"}, s_folder).s_out;
}

} // namespace

TEST(ReadmeExamples, CommandsPrintWhatTheReadmeShowsAndItsProgramsRun)
{
	const std::vector<std::string> lines = Lines(s_ReadFile(s_top + "/README.md"));
	const std::vector<FencedBlock> blocks = FencedBlocks(lines);
	const std::regex banner_date("\\(built [A-Z][a-z][a-z] [ 0-9][0-9] [0-9]{4}\\)");
	const std::string s_build_date = std::string("(built ") + p_s_BuildDate() + ")";
	TempDir dir;
	int n_command_num = 0, n_program_num = 0;
	for(size_t n_block = 0; n_block < blocks.size(); ++ n_block) {
		if(blocks[n_block].s_mark != "console")
			continue;
		// "$ command" lines, each followed by its output
		std::vector<std::pair<std::string, std::string>> commands;
		for(const std::string &r_s_line : Lines(blocks[n_block].s_text)) {
			if(!r_s_line.compare(0, 2, "$ "))
				commands.emplace_back(r_s_line.substr(2), "");
			else if(!commands.empty())
				commands.back().second += std::regex_replace(r_s_line, banner_date, s_build_date) + "\n";
		}
		for(const auto &r_command : commands) {
			ProvideImage(r_command.first, dir);
			const ProcessResult run = RunProcess({"sh", "-c", "PATH=\"$(dirname '" PIXMOLD_TOOL_PATH "'):$PATH\"; "
				"exec 2>&1; " + r_command.first}, dir.s_Path());
			EXPECT_EQ(run.s_out, r_command.second) << r_command.first;
			++ n_command_num;
		}
		// right after: one blank line between the blocks
		if(n_block + 1 < blocks.size() && blocks[n_block + 1].s_mark == "cpp" &&
		   blocks[n_block + 1].n_open == blocks[n_block].n_close + 2 && lines[blocks[n_block].n_close + 1].empty()) {
			WriteFile(dir.s_File("example.cpp"), blocks[n_block + 1].s_text);
			const ProcessResult build = RunProcess({PIXMOLD_CXX_COMPILER, "-std=c++11", "-Wall", "-Wextra", "-Werror",
				"-I.", "-o", "example", "example.cpp"}, dir.s_Path());
			ASSERT_EQ(build.n_status, 0) << blocks[n_block + 1].s_text << build.s_err;
			EXPECT_EQ(RunProcess({"./example"}, dir.s_Path()).n_status, 0) << blocks[n_block + 1].s_text;
			++ n_program_num;
		}
	}
	// the README has a command with a program, and the example session: a lost mark must not pass unseen
	EXPECT_GE(n_command_num, 2);
	EXPECT_GE(n_program_num, 1);
}

TEST(ReadmeRecipes, MakeAndMesonBuildInParallelRemakeWhatChangedAndLeaveTheSourceTreeAsItWas)
{
	const std::string s_readme = s_ReadFile(s_top + "/README.md"), s_heading = "## Building with Make or Meson";
	// a project as the section describes it: one file name in two folders, two different pictures
	TempDir dir;
	const std::string s_source = dir.s_File("src"), s_tool = dir.s_File("tool/Pixmold");
	ASSERT_EQ(RunProcess({"mkdir", "-p", s_source + "/ui", s_source + "/icons", dir.s_File("tool")}, "").n_status, 0);
	WriteFile(s_source + "/Makefile", s_SectionBlock(s_readme, s_heading, "make"));
	WriteFile(s_source + "/meson.build", s_SectionBlock(s_readme, s_heading, "meson"));
	WriteFile(s_source + "/main.cpp", s_SectionBlock(s_readme, s_heading, "cpp"));
	WriteFile(s_source + "/ui/logo.png", s_ReadFile(s_top + "/tests/data/corpus/soft_alpha.png"));
	WriteFile(s_source + "/icons/logo.png", s_ReadFile(s_top + "/tests/data/png/rgb8.png"));
	// a copy of the tool, whose time the test may change
	ASSERT_EQ(RunProcess({"cp", PIXMOLD_TOOL_PATH, s_tool}, "").n_status, 0);
	const std::string s_before = s_Snapshot(s_source);

	const std::string s_make = dir.s_File("make"), s_meson = dir.s_File("meson");
	const std::vector<std::string> make = {"make", "-C", s_source, "-j4", "PIXMOLD=" + s_tool, "BUILD=" + s_make};
	const std::vector<std::string> ninja = {"ninja", "-C", s_meson, "-j4"};
	ProcessResult run = RunProcess(make, "");
	ASSERT_EQ(run.n_status, 0) << run.s_out << run.s_err;
	run = RunProcess({"env", "PATH=" + dir.s_File("tool") + ":" + getenv("PATH"), "meson", "setup", s_meson, s_source}, "");
	ASSERT_EQ(run.n_status, 0) << run.s_out << run.s_err;
	run = RunProcess(ninja, "");
	ASSERT_EQ(run.n_status, 0) << run.s_out << run.s_err;
	for(const std::string &r_s_program : {s_make + "/game", s_meson + "/game"}) {
		run = RunProcess({r_s_program}, "");
		EXPECT_EQ(run.n_status, 0) << run.s_out;
		EXPECT_NE(run.s_out.find("ui/logo.png: 72 x 40, ok\n"), std::string::npos) << run.s_out;
		EXPECT_NE(run.s_out.find("icons/logo.png: 8 x 4, ok\n"), std::string::npos) << run.s_out;
	}
	EXPECT_EQ(s_Snapshot(s_source), s_before);

	// the names are the tool's to give: the header is the same whatever builds it from wherever
	const std::string p_s_header[] = {s_make + "/pixmold/ui_logo.h", s_meson + "/ui_logo.h",
		s_make + "/pixmold/icons_logo.h", s_meson + "/icons_logo.h"};
	EXPECT_EQ(s_ReadFile(p_s_header[0]), s_ReadFile(p_s_header[1]));
	EXPECT_EQ(s_ReadFile(p_s_header[2]), s_ReadFile(p_s_header[3]));

	// a changed image remakes its header alone; a changed tool remakes every one
	int64_t p_time[4];
	for(int i = 0; i < 4; ++ i)
		p_time[i] = n_ModificationTime(p_s_header[i]);
	for(const std::string &r_s_changed : {s_source + "/ui/logo.png", s_tool}) {
		ASSERT_EQ(utimes(r_s_changed.c_str(), nullptr), 0);
		ASSERT_EQ(RunProcess(make, "").n_status, 0);
		ASSERT_EQ(RunProcess(ninja, "").n_status, 0);
		const bool b_tool = r_s_changed == s_tool;
		for(int i = 0; i < 4; ++ i) {
			const int64_t n_time = n_ModificationTime(p_s_header[i]);
			EXPECT_EQ(n_time != p_time[i], b_tool || i < 2) << p_s_header[i] << " after " << r_s_changed;
			p_time[i] = n_time;
		}
	}
}
