#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "image/tga_reader.h"
#include "support/test_support.h"

/*
 *	The row decoder where it is meant to run: headers of every kind, made with
 *	"--row-decoder", in one program built with arm-none-eabi-g++ for a
 *	Cortex-M4 as firmware is (-Os, no exceptions, no RTTI, newlib, the
 *	board support of tests/firmware), run on QEMU's mps2-an386 board. The
 *	program decodes each image from a static RowWork row by row, in ARGB and
 *	in RGB565 (both byte orders), and into buffers with a stride, and prints
 *	the CRCs; the ARGB ones must be the header's n_CRC32(), the RGB565 ones
 *	those of the host's conversion of the pixels that the tool's own decoder
 *	made. The linked program must define no floating-point helper, no heap
 *	and no exception machinery; and the classic decompressor of the same
 *	headers, p_Decompress(), must call no floating-point helper either.
 */

namespace {

struct FirmwareCase {
	const char *p_s_image; // under the test data folder
	std::vector<std::string> options;
};

// lossy colour with gap (two rows back), lossless colour with alpha, gray with gap in literals of
// 300 characters, gray with alpha in BASE64, subsampling 3 and 4, the shared form in both BASEs
const FirmwareCase p_firmware_cases[] = {
	{"corpus/rose.jpg", {}},
	{"corpus/soft_alpha.png", {"--lossless"}},
	{"corpus/rose_gray.jpg", {"--max-cstr-len", "300"}},
	{"corpus/gray_alpha.png", {"--base-64"}},
	{"corpus/rose.png", {"--subsample", "3", "--chroma-bpp", "5"}},
	{"corpus/lineart.tga", {"--subsample", "4", "--shared-decompress"}},
	{"png/palette4_trns.png", {"--subsample", "3", "--shared-decompress", "--base-64", "--max-cstr-len", "120"}}
};
const size_t n_firmware_case_num = sizeof(p_firmware_cases) / sizeof(p_firmware_cases[0]);

const char *const p_s_program_checker =
	"#include \"board.h\"\n\n"
	"// one frame buffer for the decodes into the caller's memory, rows a few pixels apart\n"
	"alignas(4) static uint8_t p_frame[100 * 64 * 4];\n\n"
	"template <class CImage>\nstatic void Check(int n_index)\n{\n"
	"\tstatic typename CImage::RowWork t_work;\n"
	"\tconst uint32_t n_width = CImage::n_width, n_height = CImage::n_height;\n"
	"\tstatic_assert(size_t((CImage::n_width + 5) * CImage::n_height * 4) <= sizeof(p_frame), \"frame buffer\");\n"
	"\tuint32_t p_crc[6] = {~0U, ~0U, ~0U, ~0U, ~0U, ~0U};\n"
	"\tint n_next_row = 0;\n\tbool b_in_order = true;\n"
	"\tbool b_ok = CImage::b_Decode_Rows(t_work, [&](int n_y, const uint32_t *p_row) {\n"
	"\t\tp_crc[0] = n_Crc32(p_row, 4 * n_width, p_crc[0]);\n\t\tb_in_order = b_in_order && n_y == n_next_row ++;\n\t});\n"
	"\tb_ok = b_ok && b_in_order && n_next_row == CImage::n_height;\n"
	"\tfor(int n_swap = 0; n_swap < 2; ++ n_swap) {\n"
	"\t\tb_ok = CImage::b_Decode_Rows_RGB565(t_work, n_swap != 0, [&](int, const uint16_t *p_row) {\n"
	"\t\t\tp_crc[1 + n_swap] = n_Crc32(p_row, 2 * n_width, p_crc[1 + n_swap]);\n\t\t}) && b_ok;\n\t}\n"
	"\tconst size_t n_stride = 4 * (n_width + 3), n_stride_565 = 2 * (n_width + 5);\n"
	"\tb_ok = CImage::b_Decompress_Into(t_work, reinterpret_cast<uint32_t*>(p_frame), n_stride) && b_ok;\n"
	"\tfor(uint32_t y = 0; y < n_height; ++ y)\n\t\tp_crc[3] = n_Crc32(p_frame + y * n_stride, 4 * n_width, p_crc[3]);\n"
	"\tfor(int n_swap = 0; n_swap < 2; ++ n_swap) {\n"
	"\t\tb_ok = CImage::b_Decompress_RGB565(t_work, reinterpret_cast<uint16_t*>(p_frame), n_stride_565, n_swap != 0) && b_ok;\n"
	"\t\tfor(uint32_t y = 0; y < n_height; ++ y)\n"
	"\t\t\tp_crc[4 + n_swap] = n_Crc32(p_frame + y * n_stride_565, 2 * n_width, p_crc[4 + n_swap]);\n\t}\n"
	"\tPrint(\"image \");\n\tPrintNumber(uint32_t(n_index));\n\tPrint((b_ok)? \" ok\" : \" failed\");\n"
	"\tPrint(\" \");\n\tPrintNumber(CImage::n_CRC32(), true);\n"
	"\tfor(int i = 0; i < 6; ++ i) {\n\t\tPrint(\" \");\n\t\tPrintNumber(~p_crc[i], true);\n\t}\n\tPrint(\"\\n\");\n}\n\n";

// the soft-float helpers by their EABI and GCC names
const char *const p_s_float_helpers = "__aeabi_([df]|[iu]l?2[df])[a-z0-9]*|__[a-z]+[sdt]f[0-9]|__float[a-z]+|__fix[a-z]+";

/** @brief the CRC-32 of the rows of an image's pixels as 32-bit words or as RGB565 (byte-swapped on request) */
uint32_t n_PixelsCrc(const RasterImage &r_image, int n_kind)
{
	std::vector<uint8_t> bytes;
	for(int i = 0; i < r_image.n_width * r_image.n_height; ++ i) {
		const uint32_t n_pixel = r_image.p_pixels[i] | ((r_image.b_alpha)? 0 : 0xff000000U);
		const uint32_t n_rgb565 = (n_pixel & 0xf8) << 8 | (n_pixel >> 10 & 0x3f) << 5 | (n_pixel >> 19 & 0x1f);
		if(!n_kind) {
			for(int n_shift = 0; n_shift < 32; n_shift += 8)
				bytes.push_back(uint8_t(n_pixel >> n_shift));
		} else {
			bytes.push_back(uint8_t((n_kind == 2)? n_rgb565 >> 8 : n_rgb565));
			bytes.push_back(uint8_t((n_kind == 2)? n_rgb565 : n_rgb565 >> 8));
		}
	}
	uint32_t n_crc = ~0U;
	for(uint8_t n_byte : bytes) {
		n_crc ^= n_byte;
		for(int j = 0; j < 8; ++ j)
			n_crc = (n_crc & 1)? (n_crc >> 1) ^ 0xedb88320U : n_crc >> 1;
	}
	return ~n_crc;
}

/** Headers of every kind, the firmware program that decodes them, built and run once for the suite. */
class FirmwareRowDecoder : public ::testing::Test {
protected:
	static void SetUpTestSuite()
	{
		p_dir = new TempDir;
		std::string s_includes, s_main = "int main()\n{\n", s_classic = "void Decompress()\n{\n";
		for(size_t i = 0; i < n_firmware_case_num; ++ i) {
			const FirmwareCase &r_case = p_firmware_cases[i];
			const std::string s_index = std::to_string(i), s_source = std::string(PIXMOLD_TEST_DATA_DIR "/") + r_case.p_s_image;
			const std::string s_image = "image" + s_index + s_source.substr(s_source.rfind('.'));
			WriteFile(p_dir->s_File(s_image), s_ReadFile(s_source));
			std::vector<std::string> args = {s_image, "image" + s_index + ".h", "--class-name", "CImage" + s_index,
				"--row-decoder", "--self-contained"};
			args.insert(args.end(), r_case.options.begin(), r_case.options.end());
			const ProcessResult run = RunTool(args, p_dir->s_Path());
			ASSERT_EQ(run.n_status, 0) << r_case.p_s_image << ": " << run.s_err;
			ASSERT_EQ(rename(p_dir->s_File("test_decompress.tga").c_str(),
				p_dir->s_File("reference" + s_index + ".tga").c_str()), 0);
			s_includes += "#include \"image" + s_index + ".h\"\n";
			s_classic += "\tdelete[] CImage" + s_index + "::p_Decompress();\n";
			s_main += "\tCheck<CImage" + s_index + ">(" + s_index + ");\n";
		}
		WriteFile(p_dir->s_File("program.cpp"), s_includes + p_s_program_checker + s_main + "\treturn 0;\n}\n");
		WriteFile(p_dir->s_File("classic.cpp"), s_includes + s_classic + "}\n");
		t_build = RunProcess({"arm-none-eabi-g++", "-mcpu=cortex-m4", "-mthumb", "-Os", "-fno-exceptions", "-fno-rtti",
			"-std=c++11", "-Wall", "-Wextra", "-Wshadow", "-Wconversion", "-Wsign-conversion", "-Werror",
			"-ffunction-sections", "-fdata-sections", "-nostartfiles", "-Wl,--gc-sections",
			"-T", PIXMOLD_FIRMWARE_DIR "/mps2_an386.ld", "-I", PIXMOLD_FIRMWARE_DIR, "-o", "program.elf",
			"program.cpp", PIXMOLD_FIRMWARE_DIR "/startup.cpp"}, p_dir->s_Path());
		if(t_build.n_status)
			return;
		t_run = RunProcess({"timeout", "300", "qemu-system-arm", "-M", "mps2-an386", "-nographic", "-semihosting",
			"-icount", "shift=0", "-kernel", "program.elf"}, p_dir->s_Path());
	}

	static void TearDownTestSuite()
	{
		delete p_dir;
		p_dir = nullptr;
	}

	static TempDir *p_dir;
	static ProcessResult t_build, t_run;
};

/** @brief the lines of a symbol listing that match a pattern of names */
std::vector<std::string> SymbolsMatching(const std::string &r_s_listing, const std::string &s_names)
{
	const std::regex pattern("^[0-9a-f]* *[A-Za-z] (" + s_names + ")$");
	std::vector<std::string> matching;
	std::istringstream lines(r_s_listing);
	for(std::string s_line; std::getline(lines, s_line);) {
		if(std::regex_match(s_line, pattern))
			matching.push_back(s_line);
	}
	return matching;
}

TempDir *FirmwareRowDecoder::p_dir = nullptr;
ProcessResult FirmwareRowDecoder::t_build = {-1, "", "not built"}, FirmwareRowDecoder::t_run = {-1, "", "not run"};

} // namespace

TEST_F(FirmwareRowDecoder, EveryKindDecodesOnACortexM4ToTheChecksumAndTheHostsRGB565)
{
	ASSERT_EQ(t_build.n_status, 0) << "arm-none-eabi-g++ (gcc-arm-none-eabi, libnewlib-arm-none-eabi, "
		"libstdc++-arm-none-eabi-newlib; scripts/install-deps.sh test installs them) failed:\n" << t_build.s_err;
	ASSERT_EQ(t_run.n_status, 0) << "qemu-system-arm (qemu-system-arm) failed:\n" << t_run.s_out << t_run.s_err;
	// QEMU writes what the program prints to its standard output, or to its error output when its input is not a terminal
	std::istringstream lines(t_run.s_out + t_run.s_err);
	size_t n_seen = 0;
	for(std::string s_line; std::getline(lines, s_line);) {
		if(s_line.compare(0, 6, "image ") != 0)
			continue;
		SCOPED_TRACE(s_line);
		std::istringstream fields(s_line);
		std::string s_word, s_verdict;
		size_t n_index;
		uint32_t n_header_crc, p_crc[6];
		fields >> s_word >> n_index >> s_verdict >> std::hex >> n_header_crc;
		for(uint32_t &r_n_crc : p_crc)
			fields >> r_n_crc;
		ASSERT_TRUE(fields && s_word == "image" && n_index == n_seen ++);
		EXPECT_EQ(s_verdict, "ok");
		ImageHolder reference(p_LoadTgaImage(p_dir->s_File("reference" + std::to_string(n_index) + ".tga").c_str()));
		ASSERT_TRUE(reference);
		EXPECT_EQ(n_PixelsCrc(*reference.p_image, 0), n_header_crc); // the tool's decoder: what n_CRC32() states
		const uint32_t p_expected[6] = {n_header_crc, n_PixelsCrc(*reference.p_image, 1),
			n_PixelsCrc(*reference.p_image, 2), n_header_crc, n_PixelsCrc(*reference.p_image, 1),
			n_PixelsCrc(*reference.p_image, 2)};
		for(int i = 0; i < 6; ++ i)
			EXPECT_EQ(p_crc[i], p_expected[i]) << "rows, RGB565 rows, swapped, into, RGB565 into, swapped: " << i;
	}
	EXPECT_EQ(n_seen, n_firmware_case_num);
}

TEST_F(FirmwareRowDecoder, LinkedProgramHasNoFloatingPointNoHeapNoExceptions)
{
	ASSERT_EQ(t_build.n_status, 0) << t_build.s_err;
	const ProcessResult symbols = RunProcess({"arm-none-eabi-nm", "--defined-only", "program.elf"}, p_dir->s_Path());
	ASSERT_EQ(symbols.n_status, 0) << symbols.s_err;
	ASSERT_NE(symbols.s_out.find(" T main"), std::string::npos); // the listing is real
	// soft-float helpers, the heap, operator new, and unwinding
	EXPECT_EQ(SymbolsMatching(symbols.s_out, std::string(p_s_float_helpers) + "|_?malloc|_malloc_r|_Zn[wa][jm].*|"
		"__cxa_[a-z_]+|_Unwind_[A-Za-z_]+|__gxx_personality_v0"), std::vector<std::string>());
}

TEST_F(FirmwareRowDecoder, ClassicDecompressorCallsNoFloatingPointHelper)
{
	ASSERT_EQ(t_build.n_status, 0) << t_build.s_err;
	const ProcessResult build = RunProcess({"arm-none-eabi-g++", "-mcpu=cortex-m4", "-mthumb", "-Os", "-fno-exceptions",
		"-fno-rtti", "-std=c++11", "-c", "-o", "classic.o", "classic.cpp"}, p_dir->s_Path());
	ASSERT_EQ(build.n_status, 0) << build.s_err;
	const ProcessResult symbols = RunProcess({"arm-none-eabi-nm", "classic.o"}, p_dir->s_Path());
	ASSERT_EQ(symbols.n_status, 0) << symbols.s_err;
	ASSERT_FALSE(SymbolsMatching(symbols.s_out, "_Zna[jm].*").empty()); // the listing is real: p_Decompress() allocates
	EXPECT_EQ(SymbolsMatching(symbols.s_out, p_s_float_helpers), std::vector<std::string>());
}
