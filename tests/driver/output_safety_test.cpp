#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <csignal>
#include <string>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <png.h>

#include "image/tga_writer.h"
#include "support/test_support.h"

/*
 *	Nothing is lost: an input is never overwritten, and an output appears
 *	complete or not at all, whatever stops the run.
 */

namespace {

/** A folder holding two test pictures, in which the tool runs. */
struct OutputCase {
	TempDir dir;

	OutputCase()
	{
		for(int i = 0; i < 2; ++ i) {
			ImageHolder image(p_MakeTestPicture(23 + i, 17, uint32_t(i)));
			EXPECT_TRUE(b_SaveTgaImage(s_File(i).c_str(), *image.p_image));
		}
	}

	std::string s_File(int n_picture) const { return dir.s_File("pic" + std::to_string(n_picture) + ".tga"); }
	std::string s_Path(const std::string &s_name) const { return dir.s_File(s_name); }

	/** @brief names in the folder that begin with a dot: temporary files left behind */
	std::vector<std::string> HiddenFiles() const
	{
		std::vector<std::string> names;
		if(DIR *p_dir = opendir(dir.s_Path().c_str())) {
			while(const dirent *p_entry = readdir(p_dir)) {
				const std::string s_name = p_entry->d_name;
				if(s_name[0] == '.' && s_name != "." && s_name != "..")
					names.push_back(s_name);
			}
			closedir(p_dir);
		}
		return names;
	}
};

/**
 *	@brief starts the tool in a folder without waiting for it
 *	@param[in] n_out and n_err are the descriptors its standard output and
 *		error go to; -1 discards the stream
 */
pid_t n_StartTool(const std::vector<std::string> &r_args, const std::string &s_working_dir,
	int n_out = -1, int n_err = -1)
{
	const pid_t n_pid = fork();
	if(!n_pid) {
		std::vector<char*> argv = {const_cast<char*>(PIXMOLD_TOOL_PATH)};
		for(const std::string &s_arg : r_args)
			argv.push_back(const_cast<char*>(s_arg.c_str()));
		argv.push_back(nullptr);
		const int n_null = open("/dev/null", O_WRONLY);
		if(chdir(s_working_dir.c_str()) || dup2((n_out >= 0)? n_out : n_null, STDOUT_FILENO) < 0 ||
		   dup2((n_err >= 0)? n_err : n_null, STDERR_FILENO) < 0)
			_exit(127);
		execv(argv[0], argv.data());
		_exit(127);
	}
	return n_pid;
}

/** A pipe without room, so that the first write into it waits for good: a fixed moment of the run. */
struct FullPipe {
	int p_end[2] = {-1, -1};

	FullPipe()
	{
		if(pipe2(p_end, O_CLOEXEC))
			return;
		fcntl(p_end[1], F_SETPIPE_SZ, 4096);
		fcntl(p_end[1], F_SETFL, O_NONBLOCK);
		const char p_fill[512] = {};
		while(write(p_end[1], p_fill, sizeof(p_fill)) > 0)
			;
		fcntl(p_end[1], F_SETFL, 0);
	}

	~FullPipe()
	{
		close(p_end[0]);
		close(p_end[1]);
	}

	FullPipe(const FullPipe&) = delete;
	FullPipe &operator =(const FullPipe&) = delete;
};

/** @brief waits until a process sleeps in a write into a pipe @return false when it ended first, or after a minute */
bool b_WaitForPipeWrite(pid_t n_pid)
{
	const std::string s_proc = "/proc/" + std::to_string(n_pid);
	for(int n_wait = 0; n_wait < 60000; ++ n_wait) {
		if(s_ReadFile(s_proc + "/wchan").find("pipe_write") != std::string::npos)
			return true;
		const std::string s_stat = s_ReadFile(s_proc + "/stat"); // "pid (name) state ..."
		if(s_stat.empty() || s_stat[s_stat.rfind(')') + 2] == 'Z')
			return false;
		usleep(1000);
	}
	return false;
}

/** @brief tells whether a process has a file of the folder open other than the one named: an output being written */
bool b_WritesInto(pid_t n_pid, const std::string &s_folder, const std::string &s_input)
{
	const std::string s_fd_folder = "/proc/" + std::to_string(n_pid) + "/fd";
	bool b_found = false;
	if(DIR *p_dir = opendir(s_fd_folder.c_str())) {
		while(const dirent *p_entry = readdir(p_dir)) {
			char p_s_link[PATH_MAX];
			const ssize_t n_length = readlink((s_fd_folder + "/" + p_entry->d_name).c_str(), p_s_link, sizeof(p_s_link));
			const std::string s_link(p_s_link, size_t(std::max(n_length, ssize_t(0))));
			b_found = b_found || (s_link.rfind(s_folder + "/", 0) == 0 && s_link != s_folder + "/" + s_input);
		}
		closedir(p_dir);
	}
	return b_found;
}

/** @brief writes an 8-bit gray PNG file of a gradient with libpng */
bool b_WriteGrayPng(const std::string &s_path, int n_width, int n_height)
{
	FILE *p_file = fopen(s_path.c_str(), "wb");
	png_structp p_png = (p_file)? png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr) : nullptr;
	png_infop p_info = (p_png)? png_create_info_struct(p_png) : nullptr;
	const bool b_ready = p_info && !setjmp(png_jmpbuf(p_png));
	if(b_ready) {
		png_init_io(p_png, p_file);
		png_set_IHDR(p_png, p_info, png_uint_32(n_width), png_uint_32(n_height), 8, PNG_COLOR_TYPE_GRAY,
			PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
		png_write_info(p_png, p_info);
		std::vector<png_byte> row(static_cast<size_t>(n_width));
		for(int y = 0; y < n_height; ++ y) {
			for(int x = 0; x < n_width; ++ x)
				row[size_t(x)] = png_byte(x * 7 + y);
			png_write_row(p_png, row.data());
		}
		png_write_end(p_png, nullptr);
	}
	png_destroy_write_struct(&p_png, &p_info);
	return p_file && !fclose(p_file) && b_ready;
}

int n_WaitStatus(pid_t n_pid)
{
	int n_status = 0;
	while(waitpid(n_pid, &n_status, 0) < 0 && errno == EINTR)
		;
	return n_status;
}

} // namespace

TEST(OutputSafety, AnInputIsNeverOverwritten)
{
	OutputCase files;
	const std::string s_image = s_ReadFile(files.s_File(0));
	ASSERT_EQ(symlink("pic0.tga", files.s_Path("link.h").c_str()), 0);
	struct Refused {
		std::vector<std::string> args;
		std::string s_message;
	};
	const std::string s_is_test_image = "' that the run writes the decoded image to\n";
	const Refused refused_list[] = {
		{{"pic0.tga", "./pic0.tga"}, "error: the header file './pic0.tga' is the image file 'pic0.tga'\n"},
		{{"pic0.tga", "link.h"}, "error: the header file 'link.h' is the image file 'pic0.tga'\n"},
		{{"pic0.tga", "../" + files.dir.s_Path().substr(files.dir.s_Path().rfind('/') + 1) + "/test_decompress.tga"},
			"error: the header file '../" + files.dir.s_Path().substr(files.dir.s_Path().rfind('/') + 1) +
			"/test_decompress.tga' is the 'test_decompress.tga" + s_is_test_image}
	};
	for(const Refused &r_refused : refused_list) {
		const ProcessResult run = RunTool(r_refused.args, files.dir.s_Path());
		EXPECT_EQ(run.n_status, 255);
		EXPECT_EQ(run.s_err, r_refused.s_message);
		EXPECT_EQ(s_ReadFile(files.s_File(0)), s_image);
		EXPECT_FALSE(b_FileExists(files.s_Path("test_decompress.tga")));
	}
	ASSERT_EQ(rename(files.s_File(0).c_str(), files.s_Path("test_decompress.tga").c_str()), 0);
	const ProcessResult run = RunTool({"test_decompress.tga", "out.h"}, files.dir.s_Path());
	EXPECT_EQ(run.n_status, 255);
	EXPECT_EQ(run.s_err, "error: the image file 'test_decompress.tga' is the 'test_decompress.tga" + s_is_test_image);
	EXPECT_EQ(s_ReadFile(files.s_Path("test_decompress.tga")), s_image);
	EXPECT_FALSE(b_FileExists(files.s_Path("out.h")));
}

TEST(OutputSafety, AFullDiskLeavesThePreviousHeader)
{
	OutputCase files;
	WriteFile(files.s_Path("out.h"), "previous");
	// a file size limit fails the writes as a full disk does
	const ProcessResult run = RunProcess({"sh", "-c", std::string("ulimit -f 8 && exec ") + PIXMOLD_TOOL_PATH +
		" pic0.tga out.h --no-code-opts"}, files.dir.s_Path());
	EXPECT_EQ(run.n_status, 255);
	EXPECT_EQ(run.s_err, "error: failed to write code to 'out.h'\n\tFile too large\n");
	EXPECT_EQ(s_ReadFile(files.s_Path("out.h")), "previous");
	EXPECT_TRUE(files.HiddenFiles().empty());
}

TEST(OutputDeaths, AKillAtAFixedMomentLeavesThePreviousHeaderAndNoTemporaryFile)
{
	OutputCase files;
	WriteFile(files.s_Path("out.h"), "previous");
	// The run stops at its first write into a full pipe: standard output, with
	// "--verbose", is first written just before the header; standard error
	// receives the optimiser's warning in the middle of the header.
	struct Moment {
		const char *p_s_name;
		std::vector<std::string> args;
		bool b_stderr;
		int n_signal;
	};
	const Moment moment_list[] = {
		{"before the header is written", {"pic0.tga", "out.h", "--verbose"}, false, SIGKILL},
		{"while the header is written", {"pic0.tga", "out.h"}, true, SIGKILL},
		{"while the header is written", {"pic0.tga", "out.h"}, true, SIGTERM}
	};
	for(const Moment &r_moment : moment_list) {
		FullPipe full;
		const pid_t n_pid = n_StartTool(r_moment.args, files.dir.s_Path(),
			(r_moment.b_stderr)? -1 : full.p_end[1], (r_moment.b_stderr)? full.p_end[1] : -1);
		const bool b_stopped = b_WaitForPipeWrite(n_pid);
		const bool b_writing = b_stopped && b_WritesInto(n_pid, files.dir.s_Path(), "pic0.tga");
		kill(n_pid, r_moment.n_signal);
		const int n_status = n_WaitStatus(n_pid);
		EXPECT_TRUE(b_writing) << r_moment.p_s_name << ": the run did not stop with its header open";
		EXPECT_TRUE(WIFSIGNALED(n_status) && WTERMSIG(n_status) == r_moment.n_signal) << r_moment.p_s_name;
		EXPECT_EQ(s_ReadFile(files.s_Path("out.h")), "previous") << r_moment.p_s_name;
		EXPECT_EQ(RunProcess({"ls", "-A", files.dir.s_Path()}, "").s_out, "out.h\npic0.tga\npic1.tga\n");
	}
}

TEST(OutputSafety, AClosedPipeOnTheOutputStreamsNeverEndsTheRun)
{
	OutputCase files;
	ASSERT_EQ(RunTool({"pic0.tga", "alone.h", "--verbose"}, files.dir.s_Path()).n_status, 0);
	// as in "Pixmold pic0.tga out.h --verbose 2>&1 | true", once true has ended
	int p_end[2];
	ASSERT_EQ(pipe(p_end), 0);
	close(p_end[0]);
	const pid_t n_pid = n_StartTool({"pic0.tga", "out.h", "--verbose"}, files.dir.s_Path(), p_end[1], p_end[1]);
	close(p_end[1]);
	const int n_status = n_WaitStatus(n_pid);
	EXPECT_TRUE(WIFEXITED(n_status) && WEXITSTATUS(n_status) == 0);
	std::string s_alone = s_ReadFile(files.s_Path("alone.h"));
	EXPECT_EQ(s_ReadFile(files.s_Path("out.h")), s_alone.replace(s_alone.find("alone.h"), 7, "out.h"));
	EXPECT_TRUE(files.HiddenFiles().empty());
}

TEST(OutputSafety, RunsWritingOneHeaderLeaveOneCompleteHeader)
{
	OutputCase files;
	std::string p_s_header[2], p_s_image[2]; // what each run writes alone
	for(int i = 0; i < 2; ++ i) {
		ASSERT_EQ(RunTool({"pic" + std::to_string(i) + ".tga", "out.h"}, files.dir.s_Path()).n_status, 0);
		p_s_header[i] = s_ReadFile(files.s_Path("out.h"));
		p_s_image[i] = s_ReadFile(files.s_Path("test_decompress.tga"));
	}
	for(int n_round = 0; n_round < 5; ++ n_round) {
		const pid_t p_pid[2] = {n_StartTool({"pic0.tga", "out.h"}, files.dir.s_Path()),
			n_StartTool({"pic1.tga", "out.h"}, files.dir.s_Path())};
		for(pid_t n_pid : p_pid)
			EXPECT_EQ(n_WaitStatus(n_pid), 0);
		// the header and the test image each come whole from one of the runs
		const std::string s_header = s_ReadFile(files.s_Path("out.h")), s_image = s_ReadFile(files.s_Path("test_decompress.tga"));
		EXPECT_TRUE(s_header == p_s_header[0] || s_header == p_s_header[1]);
		EXPECT_TRUE(s_image == p_s_image[0] || s_image == p_s_image[1]);
	}
	EXPECT_TRUE(files.HiddenFiles().empty());
}

TEST(OutputSafety, LinksAreReplacedAsTheirRoleSays)
{
	OutputCase files;
	// the header replaces the file its link points to; the test image replaces a link of its name
	WriteFile(files.s_Path("target.h"), "previous");
	WriteFile(files.s_Path("elsewhere.tga"), "untouched");
	ASSERT_EQ(symlink("target.h", files.s_Path("out.h").c_str()), 0);
	ASSERT_EQ(symlink("elsewhere.tga", files.s_Path("test_decompress.tga").c_str()), 0);
	const ProcessResult run = RunTool({"pic0.tga", "out.h"}, files.dir.s_Path());
	ASSERT_EQ(run.n_status, 0) << run.s_err;
	struct stat t_link, t_image;
	ASSERT_EQ(lstat(files.s_Path("out.h").c_str(), &t_link), 0);
	EXPECT_TRUE(S_ISLNK(t_link.st_mode));
	EXPECT_EQ(s_ReadFile(files.s_Path("target.h")).rfind("/**\n *\t@file out.h\n", 0), 0u);
	ASSERT_EQ(lstat(files.s_Path("test_decompress.tga").c_str(), &t_image), 0);
	EXPECT_TRUE(S_ISREG(t_image.st_mode));
	EXPECT_EQ(s_ReadFile(files.s_Path("elsewhere.tga")), "untouched");
}

TEST(OutputSafety, AClosedStandardErrorNeverReceivesTheHeader)
{
	OutputCase files;
	const ProcessResult run = RunProcess({"sh", "-c", std::string("exec ") + PIXMOLD_TOOL_PATH +
		" pic0.tga out.h 2>&-"}, files.dir.s_Path());
	EXPECT_EQ(run.n_status, 0);
	const std::string s_header = s_ReadFile(files.s_Path("out.h"));
	EXPECT_EQ(s_header.rfind("/**\n", 0), 0u);
	EXPECT_EQ(s_header.find("warning:"), std::string::npos);
}

TEST(OutputSafety, AnImageTooWideForATgaFileLeavesNoTestImage)
{
	TempDir dir;
	ASSERT_TRUE(b_WriteGrayPng(dir.s_File("wide.png"), 70000, 2));
	WriteFile(dir.s_File("test_decompress.tga"), "of an earlier run");
	const ProcessResult run = RunTool({"wide.png", "wide.h", "--no-code-opts"}, dir.s_Path());
	EXPECT_EQ(run.n_status, 0);
	EXPECT_EQ(run.s_err, "warning: test_decompress.tga is not written: the image is 70000 x 2 pixels, "
		"and a TGA file holds at most 65535 per side\n");
	EXPECT_FALSE(b_FileExists(dir.s_File("test_decompress.tga")));
	EXPECT_TRUE(b_FileExists(dir.s_File("wide.h")));
	EXPECT_EQ(RunTool({"wide.png", "wide.h", "--no-code-opts", "--quiet"}, dir.s_Path()).s_err, "") <<
		"the warning is no failure";
}

TEST(OutputSafety, AReplacedFileKeepsItsModeAndOwner)
{
	OutputCase files;
	WriteFile(files.s_Path("out.h"), "previous");
	WriteFile(files.s_Path("test_decompress.tga"), "previous");
	ASSERT_EQ(chmod(files.s_Path("out.h").c_str(), 0600), 0);
	ASSERT_EQ(chmod(files.s_Path("test_decompress.tga").c_str(), 0755), 0);
	const bool b_root = !geteuid(); // only root may give a file to another owner
	if(b_root) {
		ASSERT_EQ(chown(files.s_Path("out.h").c_str(), 1234, 5678), 0);
	}
	const mode_t n_mask = umask(027);
	const ProcessResult run = RunTool({"pic0.tga", "out.h"}, files.dir.s_Path());
	const ProcessResult fresh = RunTool({"pic0.tga", "fresh.h"}, files.dir.s_Path());
	umask(n_mask);
	ASSERT_EQ(run.n_status, 0) << run.s_err;
	ASSERT_EQ(fresh.n_status, 0) << fresh.s_err;
	struct stat t_header, t_image, t_fresh;
	ASSERT_EQ(stat(files.s_Path("out.h").c_str(), &t_header), 0);
	ASSERT_EQ(stat(files.s_Path("test_decompress.tga").c_str(), &t_image), 0);
	ASSERT_EQ(stat(files.s_Path("fresh.h").c_str(), &t_fresh), 0);
	EXPECT_EQ(t_header.st_mode & 07777, 0600u);
	EXPECT_EQ(t_image.st_mode & 07777, 0755u);
	EXPECT_EQ(t_fresh.st_mode & 07777, 0640u); // a new file: 0666 less the umask
	if(b_root) {
		EXPECT_TRUE(t_header.st_uid == 1234 && t_header.st_gid == 5678);
	}
	EXPECT_NE(s_ReadFile(files.s_Path("out.h")), "previous");
}

TEST(OutputSafety, StandardOutputAsTheHeaderPathIsWrittenIntoAPipeOrReplacedAsAFile)
{
	OutputCase files;
	// into a pipe: the link of /dev/stdout ends in "pipe:[n]", which is no path; the pipe is written to
	const std::string s_piped = std::string("{ ") + PIXMOLD_TOOL_PATH + " pic0.tga %s; echo $? > status; } | cat";
	for(const char *p_s_path : {"/dev/stdout", "/proc/self/fd/1"}) {
		char p_s_command[PATH_MAX + 100];
		snprintf(p_s_command, sizeof(p_s_command), s_piped.c_str(), p_s_path);
		const ProcessResult piped = RunProcess({"sh", "-c", p_s_command}, files.dir.s_Path());
		EXPECT_EQ(s_ReadFile(files.s_Path("status")), "0\n") << p_s_path << ": " << piped.s_err;
		EXPECT_EQ(piped.s_out.rfind(std::string("/**\n *\t@file ") + p_s_path + "\n", 0), 0u) << p_s_path;
		const std::string s_last_line = "#endif // __PIC0_TGA_INCLUDED\n";
		EXPECT_EQ(piped.s_out.substr(piped.s_out.size() - s_last_line.size()), s_last_line) << p_s_path;
		// into a file (the capture file of RunTool): the file the link leads to is replaced
		const ProcessResult filed = RunTool({"pic0.tga", p_s_path}, files.dir.s_Path());
		EXPECT_EQ(filed.n_status, 0) << filed.s_err;
		EXPECT_EQ(filed.s_out, piped.s_out) << p_s_path;
	}
}

TEST(OutputSafety, AHeaderPathThatCannotBeWrittenIsRefusedBeforeLoading)
{
	OutputCase files;
	// a missing image: an error about it would mean the run got as far as loading
	auto s_Refusal = [](const std::string &s_path, const char *p_s_reason) {
		return "error: failed to open '" + s_path + "' for writing\n\t" + p_s_reason + "\n";
	};
	ASSERT_EQ(symlink("loop2", files.s_Path("loop1").c_str()), 0);
	ASSERT_EQ(symlink("loop3", files.s_Path("loop2").c_str()), 0);
	ASSERT_EQ(symlink("loop1", files.s_Path("loop3").c_str()), 0);
	const ProcessResult loop = RunTool({"missing.png", "loop1"}, files.dir.s_Path());
	EXPECT_EQ(loop.n_status, 255);
	EXPECT_EQ(loop.s_err, s_Refusal("loop1", "Too many levels of symbolic links"));
	struct stat t_link;
	for(const char *p_s_link : {"loop1", "loop2", "loop3"})
		EXPECT_TRUE(!lstat(files.s_Path(p_s_link).c_str(), &t_link) && S_ISLNK(t_link.st_mode)) << p_s_link;

	if(geteuid())
		GTEST_SKIP() << "the refusals of permissions need a user the tool runs as that is not root";
	// as nobody: a file that may not be written, and a writable file in a folder that takes no new one
	ASSERT_EQ(chmod(files.dir.s_Path().c_str(), 0777), 0);
	ASSERT_EQ(mkdir(files.s_Path("locked").c_str(), 0555), 0);
	WriteFile(files.s_Path("locked/out.h"), "previous");
	WriteFile(files.s_Path("read_only.h"), "previous");
	ASSERT_EQ(chmod(files.s_Path("locked/out.h").c_str(), 0666), 0);
	ASSERT_EQ(chmod(files.s_Path("read_only.h").c_str(), 0444), 0);
	for(const char *p_s_header : {"locked/out.h", "read_only.h"}) {
		const ProcessResult run = RunProcess({"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups",
			PIXMOLD_TOOL_PATH, "missing.png", p_s_header}, files.dir.s_Path());
		EXPECT_EQ(run.n_status, 255);
		EXPECT_EQ(run.s_err, s_Refusal(p_s_header, "Permission denied"));
		EXPECT_EQ(s_ReadFile(files.s_Path(p_s_header)), "previous");
	}
}

TEST(OutputSafety, ARunThatFailsAfterWritingTheHeaderLeavesThePreviousOne)
{
	OutputCase files;
	WriteFile(files.s_Path("out.h"), "previous");
	// the test image cannot be written, as its name is a folder's
	ASSERT_EQ(mkdir(files.s_Path("test_decompress.tga").c_str(), 0755), 0);
	const ProcessResult run = RunTool({"pic0.tga", "out.h"}, files.dir.s_Path());
	EXPECT_EQ(run.n_status, 255);
	EXPECT_NE(run.s_err.find("error: failed to save tga\n\tIs a directory\n"), std::string::npos) << run.s_err;
	EXPECT_EQ(s_ReadFile(files.s_Path("out.h")), "previous");
	EXPECT_TRUE(files.HiddenFiles().empty());
}
