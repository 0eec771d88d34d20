#include <gtest/gtest.h>

#include <csignal>
#include <string>
#include <vector>

#include <dirent.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <poll.h>
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

/** @brief starts the tool in a folder without waiting for it; its output streams are discarded */
pid_t n_StartTool(const std::vector<std::string> &r_args, const std::string &s_working_dir)
{
	const pid_t n_pid = fork();
	if(!n_pid) {
		std::vector<char*> argv = {const_cast<char*>(PIXMOLD_TOOL_PATH)};
		for(const std::string &s_arg : r_args)
			argv.push_back(const_cast<char*>(s_arg.c_str()));
		argv.push_back(nullptr);
		if(chdir(s_working_dir.c_str()) || !freopen("/dev/null", "w", stdout) || !freopen("/dev/null", "w", stderr))
			_exit(127);
		execv(argv[0], argv.data());
		_exit(127);
	}
	return n_pid;
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

TEST(OutputSafety, ASignalDuringTheWriteLeavesThePreviousHeaderAndNoTemporaryFile)
{
	TempDir dir;
	// a picture whose header takes long enough to write that the signal lands in the middle
	ImageHolder noise(p_NewRasterImage(900, 900));
	ASSERT_TRUE(noise);
	uint32_t n_state = 1;
	for(int i = 0; i < 900 * 900; ++ i)
		noise->p_pixels[i] = (n_state = n_state * 1103515245U + 12345U) | 0xff000000U;
	ASSERT_TRUE(b_SaveTgaImage(dir.s_File("noise.tga").c_str(), *noise.p_image));
	WriteFile(dir.s_File("out.h"), "previous");

	const int n_watch = inotify_init1(IN_NONBLOCK);
	ASSERT_GE(n_watch, 0);
	ASSERT_GE(inotify_add_watch(n_watch, dir.s_Path().c_str(), IN_CREATE), 0);
	const pid_t n_pid = n_StartTool({"noise.tga", "out.h", "--max-line-len", "20", "--lossless"}, dir.s_Path());
	bool b_temp_seen = false;
	for(pollfd t_poll = {n_watch, POLLIN, 0}; !b_temp_seen && poll(&t_poll, 1, 60000) > 0;) {
		alignas(inotify_event) char p_buffer[4096];
		const ssize_t n_read = read(n_watch, p_buffer, sizeof(p_buffer));
		for(ssize_t n_offset = 0; n_offset < n_read;) {
			const inotify_event *p_event = reinterpret_cast<const inotify_event*>(p_buffer + n_offset);
			b_temp_seen = b_temp_seen || (p_event->len && std::string(p_event->name).rfind(".out.h.", 0) == 0);
			n_offset += ssize_t(sizeof(inotify_event) + p_event->len);
		}
	}
	close(n_watch);
	kill(n_pid, SIGTERM);
	const int n_status = n_WaitStatus(n_pid);
	ASSERT_TRUE(b_temp_seen);
	EXPECT_TRUE(WIFSIGNALED(n_status) && WTERMSIG(n_status) == SIGTERM) << "the run ended before the signal";
	EXPECT_EQ(s_ReadFile(dir.s_File("out.h")), "previous");
	const ProcessResult listing = RunProcess({"ls", "-A", dir.s_Path()}, "");
	EXPECT_EQ(listing.s_out, "noise.tga\nout.h\n");
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
	const mode_t n_mask = umask(022);
	const ProcessResult run = RunTool({"pic0.tga", "out.h"}, files.dir.s_Path());
	umask(n_mask);
	ASSERT_EQ(run.n_status, 0) << run.s_err;
	struct stat t_link, t_header, t_image;
	ASSERT_EQ(lstat(files.s_Path("out.h").c_str(), &t_link), 0);
	EXPECT_TRUE(S_ISLNK(t_link.st_mode));
	ASSERT_EQ(stat(files.s_Path("target.h").c_str(), &t_header), 0);
	EXPECT_EQ(t_header.st_mode & 0777, 0644u); // as a newly created file gets it
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
