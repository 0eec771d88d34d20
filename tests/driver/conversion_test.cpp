#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/time.h>

#include <string>

#include "image/tga_reader.h"
#include "image/tga_writer.h"
#include "support/test_support.h"

namespace {

/** A folder with one test picture saved as TGA, in which the tool runs. */
struct ToolCase {
	TempDir dir;

	explicit ToolCase(bool b_alpha = false, bool b_gray = false, const std::string &s_name = "pic.tga")
	{
		ImageHolder image(p_MakeTestPicture(21, 13, 2, b_alpha));
		if(b_gray) {
			for(int i = 0; i < 21 * 13; ++ i)
				image->p_pixels[i] = (image->p_pixels[i] & 0xff) * 0x010101U | 0xff000000U;
			image->b_grayscale = true;
		}
		EXPECT_TRUE(b_SaveTgaImage(dir.s_File(s_name).c_str(), *image.p_image));
	}

	ProcessResult t_Run(const std::vector<std::string> &r_args) const
	{
		return RunTool(r_args, dir.s_Path());
	}

	std::string s_Header(const std::string &s_name = "pic.h") const
	{
		return s_ReadFile(dir.s_File(s_name));
	}
};

bool b_Contains(const std::string &r_s_text, const std::string &r_s_part)
{
	return r_s_text.find(r_s_part) != std::string::npos;
}

const char *const p_s_optimiser_warning = "warning: experimental code optimization enabled; check your decompress now\n";

/** @brief runs the tool in a folder with SOURCE_DATE_EPOCH set to a value (never inherited) */
ProcessResult RunWithEpoch(const std::string &s_epoch, const std::vector<std::string> &r_args, const std::string &s_dir)
{
	std::vector<std::string> args = {"env", "SOURCE_DATE_EPOCH=" + s_epoch, PIXMOLD_TOOL_PATH};
	args.insert(args.end(), r_args.begin(), r_args.end());
	return RunProcess(args, s_dir);
}

} // namespace

TEST(Conversion, ImagePathAloneShowsTheUsageAndSucceeds)
{
	ToolCase tool;
	ProcessResult run = tool.t_Run({"pic.tga"});
	EXPECT_EQ(run.n_status, 0);
	EXPECT_EQ(run.s_out, "");
	EXPECT_EQ(run.s_err.rfind("error: missing program arguments.\nusage:\n", 0), 0u);
}

TEST(Conversion, ReaderIsChosenByTheLastDotIgnoringCase)
{
	ToolCase tool(false, false, "pic.TgA");
	ProcessResult run = tool.t_Run({"pic.TgA", "pic.h", "--verbose"});
	EXPECT_EQ(run.n_status, 0) << run.s_err;
	EXPECT_EQ(run.s_out.rfind(std::string("Pixmold v3.20 (built "), 0), 0u);
	EXPECT_TRUE(b_Contains(run.s_out, ")\n\nloading image in TGA format ...\ncompressing image data ...\n"));
	for(const char *p_s_name : {"pic.bmp", "pic", "dir.d/pic", "pic.tga.gz"}) {
		run = tool.t_Run({p_s_name, "pic.h"});
		EXPECT_EQ(run.n_status, 255) << p_s_name;
		EXPECT_EQ(run.s_err, "error: unknown input file format\n") << p_s_name;
	}
	for(const char *p_s_name : {"missing.png", "missing.JPEG", "missing.jpg", "missing.tga"}) {
		run = tool.t_Run({p_s_name, "pic.h"});
		EXPECT_EQ(run.n_status, 255);
		EXPECT_EQ(run.s_err, std::string("error: error loading image file '") + p_s_name +
			"'\n\tcannot open the file: No such file or directory\n");
	}
}

TEST(Conversion, VerboseRunReportsEveryStage)
{
	ToolCase tool(true);
	ProcessResult run = tool.t_Run({"pic.tga", "pic.h", "--verbose", "--no-code-opts"});
	ASSERT_EQ(run.n_status, 0) << run.s_err;
	EXPECT_EQ(run.s_err, "");
	const std::string &s = run.s_out;
	size_t n_pos = s.find("compressing image data ...\n\tencoding ");
	ASSERT_NE(n_pos, std::string::npos) << s;
	EXPECT_TRUE(b_Contains(s, " bytes as BASE85\n\tthe last 5 bytes of data to BASE85 are: 0x"));
	EXPECT_TRUE(b_Contains(s, " for predicting Y, ") && b_Contains(s, " for UV and ") && b_Contains(s, " for A)\n"));
	EXPECT_TRUE(b_Contains(s, "\tcompression ratio: "));
	EXPECT_TRUE(b_Contains(s, ":1\nwriting image data ...\n\tdecompress CRC test passed\n\twarning: lossy compression ("));
	EXPECT_TRUE(b_Contains(s, " out of 273 pixels differ)\n\ndone\n"));
	EXPECT_TRUE(b_FileExists(tool.dir.s_File("test_decompress.tga")));
}

TEST(Conversion, QuietRunPrintsOnlyTheOptimiserWarning)
{
	ToolCase tool;
	ProcessResult run = tool.t_Run({"pic.tga", "pic.h"});
	EXPECT_EQ(run.n_status, 0);
	EXPECT_EQ(run.s_out, "");
	EXPECT_EQ(run.s_err, p_s_optimiser_warning);
	run = tool.t_Run({"pic.tga", "pic.h", "--shared-decompress"});
	EXPECT_EQ(run.s_out + run.s_err, "");
}

TEST(Conversion, GrayscaleImageIsCompressedInGrayscaleMode)
{
	ToolCase tool(false, true);
	ProcessResult run = tool.t_Run({"pic.tga", "pic.h", "--verbose", "--lossless"});
	ASSERT_EQ(run.n_status, 0) << run.s_err;
	EXPECT_TRUE(b_Contains(run.s_out, " for predicting Y, there is no UV and there is no A)\n"));
	EXPECT_TRUE(b_Contains(run.s_out, "\tlossless compression achieved\n"));
	const std::string s_header = tool.s_Header();
	EXPECT_TRUE(b_Contains(s_header, "\tstatic inline bool b_Grayscale()\n\t{\n\t\treturn true;"));
	EXPECT_TRUE(b_Contains(s_header, ", 6, 6, 1, 5);\n")) << "UV and A are \"none\", colour type gray + lossless";
	EXPECT_TRUE(b_Contains(s_header, "\tstatic inline uint32_t n_CRC32()\n\t{\n\t\treturn 0x")) << "plain form";
	EXPECT_FALSE(b_Contains(s_header, " // after"));
}

TEST(Conversion, GrayOptionConvertsColourAndKeepsAlpha)
{
	for(bool b_alpha : {false, true}) {
		ToolCase tool(b_alpha);
		ImageHolder original(p_LoadTgaImage(tool.dir.s_File("pic.tga").c_str()));
		ProcessResult run = tool.t_Run({"pic.tga", "pic.h", "--gray", "--lossless", "--verbose"});
		ASSERT_EQ(run.n_status, 0) << run.s_err;
		EXPECT_TRUE(b_Contains(run.s_out, "there is no UV"));
		EXPECT_TRUE(b_Contains(tool.s_Header(), " // after transformations (original image 0x"));
		ImageHolder decoded(p_LoadTgaImage(tool.dir.s_File("test_decompress.tga").c_str()));
		ASSERT_TRUE(decoded);
		for(int i = 0; i < 21 * 13; ++ i) {
			uint32_t n_pixel = decoded->p_pixels[i];
			EXPECT_EQ(n_pixel & 0xffffff, (n_pixel & 0xff) * 0x010101U);
			EXPECT_EQ(n_pixel >> 24, (b_alpha)? original->p_pixels[i] >> 24 : 0xffU);
		}
	}
}

TEST(Conversion, AlphaDecisionsAreReportedWithoutVerbose)
{
	ToolCase opaque(false), translucent(true);
	ProcessResult run = opaque.t_Run({"pic.tga", "pic.h", "--alpha", "--lossless"});
	EXPECT_EQ(run.s_out, "forcing alpha channel as per --alpha\n");
	const std::string s_forced = opaque.s_Header();
	EXPECT_TRUE(b_Contains(s_forced, "\tstatic inline bool b_Alpha()\n\t{\n\t\treturn true;"));
	EXPECT_FALSE(b_Contains(s_forced, " // after")) << "forcing alpha changes no pixel";
	run = opaque.t_Run({"pic.tga", "pic.h", "--no-alpha"});
	EXPECT_EQ(run.s_out, "");
	run = translucent.t_Run({"pic.tga", "pic.h", "--no-alpha", "--lossless"});
	EXPECT_EQ(run.s_out, "stripping alpha channel as per --no-alpha\n");
	EXPECT_TRUE(b_Contains(translucent.s_Header(), " // after transformations (original image 0x"));
	EXPECT_TRUE(b_Contains(translucent.s_Header(), "\tstatic inline bool b_Alpha()\n\t{\n\t\treturn false;"));
}

TEST(Conversion, LosslessWithReducedAlphaDepthOnlyWarns)
{
	ToolCase tool(true);
	ProcessResult run = tool.t_Run({"pic.tga", "pic.h", "--lossless", "--alpha-bpp", "4", "--verbose"});
	EXPECT_EQ(run.n_status, 0) << run.s_err;
	EXPECT_TRUE(b_Contains(run.s_out, "\twarning: lossy compression ("));
	EXPECT_FALSE(b_Contains(run.s_err, "fatal"));
}

TEST(Conversion, SameInputGivesTheSameHeaderBytes)
{
	ToolCase tool(true);
	ASSERT_EQ(tool.t_Run({"pic.tga", "a.h", "--exhaustive"}).n_status, 0);
	ASSERT_EQ(tool.t_Run({"pic.tga", "b.h", "--exhaustive"}).n_status, 0);
	std::string s_a = tool.s_Header("a.h"), s_b = tool.s_Header("b.h");
	// the file comment names the header; everything else must match
	EXPECT_EQ(s_a.substr(s_a.find("\n", 8)), s_b.substr(s_b.find("\n", 8)));
}

TEST(Conversion, RefusedOptionsWriteNothing)
{
	ToolCase tool;
	ProcessResult run = tool.t_Run({"pic.tga", "pic.h", "--subsample", "0"});
	EXPECT_EQ(run.n_status, 255);
	EXPECT_EQ(run.s_err, "error: subsampling must be from 1 to 256 (it is 0)\n");
	EXPECT_FALSE(b_FileExists(tool.dir.s_File("pic.h")));
}

TEST(Conversion, ImageWithoutPixelsIsRefused)
{
	TempDir dir;
	// an 18-byte header of an uncompressed 24-bit image of width 0
	std::string s_tga(18, '\0');
	s_tga[2] = 2;
	s_tga[14] = 5;
	s_tga[16] = 24;
	WriteFile(dir.s_File("empty.tga"), s_tga);
	ProcessResult run = RunTool({"empty.tga", "e.h"}, dir.s_Path());
	EXPECT_EQ(run.n_status, 255);
	EXPECT_EQ(run.s_err, "error: image file 'empty.tga' holds no pixels\n");
}

TEST(Conversion, UnwritableHeaderFails)
{
	ToolCase tool;
	ProcessResult run = tool.t_Run({"pic.tga", "no/dir/pic.h"});
	EXPECT_EQ(run.n_status, 255);
	EXPECT_EQ(run.s_err, "error: failed to open 'no/dir/pic.h' for writing\n\tNo such file or directory\n");
}

TEST(Conversion, NamesFromFileNameMatchARunBesideTheImageAndGivenNamesWin)
{
	// the oracle is the run that pixmold_add_header makes: in the image's folder, with file names alone
	ToolCase tool;
	ASSERT_EQ(RunProcess({"sh", "-c", "mkdir -p sub/dir && cp -p pic.tga sub/dir"}, tool.dir.s_Path()).n_status, 0);
	ASSERT_EQ(RunTool({"pic.tga", "pic.h"}, tool.dir.s_File("sub/dir")).n_status, 0);
	ASSERT_EQ(tool.t_Run({"./sub//dir/pic.tga", "sub/pic.h", "--names-from-file-name"}).n_status, 0);
	EXPECT_EQ(tool.s_Header("sub/pic.h"), s_ReadFile(tool.dir.s_File("sub/dir/pic.h")));

	ASSERT_EQ(tool.t_Run({"sub/dir/pic.tga", "named.h", "--names-from-file-name", "--shared-decompress",
		"--guard-name", "SUB_PIC_H", "--class-name", "CSubPic"}).n_status, 0);
	const std::string s_named = tool.s_Header("named.h");
	EXPECT_TRUE(b_Contains(s_named, "\n#ifndef SUB_PIC_H\n#define SUB_PIC_H\n") &&
		b_Contains(s_named, "\n#endif // SUB_PIC_H\n") && b_Contains(s_named, " *CSubPic::p_Call_Decompress("));
	EXPECT_FALSE(b_Contains(s_named, "PIC_TGA") || b_Contains(s_named, "pic_tga"));
}

TEST(Conversion, TestImageGoesWhereTheOptionsSayAndNeverOverAnInputOrTheHeader)
{
	ToolCase tool;
	ASSERT_EQ(tool.t_Run({"pic.tga", "pic.h"}).n_status, 0);
	const std::string s_default = s_ReadFile(tool.dir.s_File("test_decompress.tga"));
	ASSERT_EQ(RunProcess({"sh", "-c", "rm test_decompress.tga && mkdir out"}, tool.dir.s_Path()).n_status, 0);
	ASSERT_EQ(tool.t_Run({"pic.tga", "pic.h", "--no-test-image", "--test-image", "out/pic.tga"}).n_status, 0);
	EXPECT_EQ(s_ReadFile(tool.dir.s_File("out/pic.tga")), s_default);
	ASSERT_EQ(tool.t_Run({"pic.tga", "pic.h", "--test-image", "none.tga", "--no-test-image"}).n_status, 0);

	const std::string s_is = "' that the run writes the decoded image to\n";
	ProcessResult run = tool.t_Run({"pic.tga", "pic.h", "--test-image", "./out/../pic.tga"});
	EXPECT_EQ(run.s_err, "error: the image file 'pic.tga' is the './out/../pic.tga" + s_is);
	run = tool.t_Run({"pic.tga", "out/new.h", "--test-image", "out/./new.h"});
	EXPECT_EQ(run.s_err, "error: the header file 'out/new.h' is the 'out/./new.h" + s_is);
	EXPECT_EQ(run.n_status, 255);
	EXPECT_EQ(RunProcess({"ls", "-AR"}, tool.dir.s_Path()).s_out, ".:\nout\npic.h\npic.tga\n\n./out:\npic.tga\n");
}

TEST(Conversion, QuietRunIsSilentUnlessItFails)
{
	// every kind of message that is no error: option warnings, the alpha line, the pruning warning
	ToolCase tool;
	std::vector<std::string> args = {"pic.tga", "pic.h", "--bogus", "--alpha", "--lossless", "--subsample", "2"};
	ProcessResult run = tool.t_Run(args);
	ASSERT_TRUE(b_Contains(run.s_err, "--bogus") && b_Contains(run.s_err, p_s_optimiser_warning) &&
		b_Contains(run.s_err, "subsampling is 2") && b_Contains(run.s_out, "forcing alpha"));
	args.push_back("--quiet");
	run = tool.t_Run(args);
	EXPECT_EQ(run.n_status, 0);
	EXPECT_EQ(run.s_out + run.s_err, "");
	// with --verbose too, the report is whole on standard output, and standard error carries errors alone
	args.push_back("--verbose");
	run = tool.t_Run(args);
	args.erase(args.end() - 2);
	EXPECT_EQ(run.s_out, tool.t_Run(args).s_out);
	EXPECT_EQ(run.s_err, "");

	run = tool.t_Run({"missing.png", "pic.h", "--quiet"});
	EXPECT_EQ(run.s_err, "error: error loading image file 'missing.png'\n\tcannot open the file: No such file or directory\n");
}

TEST(Conversion, SourceDateEpochClampsTheDateLine)
{
	// two copies of the image, changed at different times after 2001-09-09 01:46:40 UTC (1000000000)
	ToolCase first, second;
	const timeval p_first[2] = {{1200000000, 0}, {1200000000, 0}}, p_second[2] = {{1300000000, 0}, {1300000000, 0}};
	ASSERT_EQ(utimes(first.dir.s_File("pic.tga").c_str(), p_first), 0);
	ASSERT_EQ(utimes(second.dir.s_File("pic.tga").c_str(), p_second), 0);
	for(const ToolCase *p_case : {&first, &second})
		ASSERT_EQ(RunWithEpoch("1000000000", {"pic.tga", "pic.h"}, p_case->dir.s_Path()).n_status, 0);
	EXPECT_EQ(first.s_Header(), second.s_Header());
	EXPECT_TRUE(b_Contains(first.s_Header(), " *\t@date 2001-09-09 01:46:40\n"));
	// an earlier image keeps its time; empty is unset
	for(const char *p_s_epoch : {"1250000000", ""}) {
		remove(first.dir.s_File("pic.h").c_str());
		ASSERT_EQ(RunWithEpoch(p_s_epoch, {"pic.tga", "pic.h"}, first.dir.s_Path()).n_status, 0);
		EXPECT_TRUE(b_Contains(first.s_Header(), " *\t@date 2008-01-10 21:20:00\n")) << p_s_epoch;
	}

	// a value that means no time fails the run before anything is written
	for(const char *p_s_epoch : {"12a", "-1", " 5", "1.5", "253402300800", "99999999999999999999"}) {
		const ProcessResult run = RunWithEpoch(p_s_epoch, {"pic.tga", "new.h"}, first.dir.s_Path());
		EXPECT_EQ(run.n_status, 255);
		EXPECT_EQ(run.s_err, std::string("error: SOURCE_DATE_EPOCH is '") + p_s_epoch +
			"', not a number of seconds from 0 to 253402300799\n");
		EXPECT_FALSE(b_FileExists(first.dir.s_File("new.h")));
	}
	EXPECT_EQ(RunWithEpoch("253402300799", {"pic.tga", "new.h"}, first.dir.s_Path()).n_status, 0);
}

TEST(Conversion, AFileOfAnotherFormatIsNamedForItsRealFormat)
{
	TempDir dir;
	const std::string s_data = PIXMOLD_TEST_DATA_DIR;
	const std::string s_png = s_ReadFile(s_data + "/corpus/rose.png"), s_jpeg = s_ReadFile(s_data + "/corpus/rose.jpg");
	struct Misnamed {
		std::string s_bytes;
		const char *p_s_name;
		const char *p_s_reason;
	};
	const Misnamed misnamed_list[] = {
		{s_png, "rose.jpg", "a PNG file named .jpg"},
		{s_png, "rose.TGA", "a PNG file named .TGA"},
		{s_jpeg, "rose.png", "a JPEG file named .png"},
		{s_jpeg, "rose.tga", "a JPEG file named .tga"},
		{s_ReadFile(s_data + "/tga/source_color.pam"), "pam.jpeg", "a PAM file named .jpeg"},
		{"P6\n2 2\n255\n" + std::string(12, '\x40'), "ppm.tga", "a PPM file named .tga"},
		{"GIF89a" + std::string(20, '\0'), "anim.png", "a GIF file named .png"},
		{"BM" + std::string(12, '\0') + std::string("\x28\0\0\0", 4) + std::string(40, '\0'), "bmp.jpg",
			"a BMP file named .jpg"},
		{std::string("RIFF\x24\0\0\0WEBPVP8 ", 16) + std::string(24, '\0'), "photo.jpg", "a WebP file named .jpg"},
		// a damaged file of the format its name says keeps its reader's reason
		{s_png.substr(0, 100), "cut.png", "the file ends early"}
	};
	for(const Misnamed &r_file : misnamed_list) {
		WriteFile(dir.s_File(r_file.p_s_name), r_file.s_bytes);
		const ProcessResult run = RunTool({r_file.p_s_name, "out.h"}, dir.s_Path());
		EXPECT_EQ(run.n_status, 255);
		EXPECT_EQ(run.s_err, std::string("error: error loading image file '") + r_file.p_s_name + "'\n\t" +
			r_file.p_s_reason + "\n");
	}
	// nobody writes into this FIFO: the run must not wait for a writer (timeout ends it with 124 if it does)
	ASSERT_EQ(mkfifo(dir.s_File("fifo.tga").c_str(), 0600), 0);
	const ProcessResult run = RunProcess({"timeout", "20", PIXMOLD_TOOL_PATH, "fifo.tga", "out.h"}, dir.s_Path());
	EXPECT_EQ(run.n_status, 255);
	EXPECT_EQ(run.s_err, "error: error loading image file 'fifo.tga'\n\tcannot read a FIFO: the readers need a file they can seek in\n");
}
