#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "image/jpeg_decoder.h"
#include "image/png_reader.h"
#include "image/tga_reader.h"
#include "support/test_support.h"

/*
 *	Generated headers are what users compile. These tests convert real pictures
 *	with the tool, include the headers in one program as a user would, build it
 *	with both compilers under every language standard, with and without
 *	assertions, warnings as errors, and check that every decompressed raster
 *	hashes to its n_CRC32(), equals what the tool's own decoder made of the
 *	same text (test_decompress.tga), and equals the input where lossless.
 *	Each case is also made with "--self-contained": those headers compile on
 *	their own, and in a program that provides nothing but min and max macros
 *	(as <windows.h> defines them), or the whole prelude of the default form.
 *	And each case is made with "--row-decoder" (every second one also
 *	self-contained), in the first program: its sizes serve as array bounds,
 *	and its row decoders give the pixels of p_Decompress() through rows,
 *	buffers with a stride, and RGB565 in both byte orders.
 */

namespace {

struct HeaderCase {
	const char *p_s_image; // under the test data folder
	std::vector<std::string> options;
	bool b_exact; // the decoded pixels must equal the input
};

const HeaderCase p_header_cases[] = {
	{"corpus/rose.jpg", {}, false},
	{"corpus/rose.png", {"--base-64"}, false},
	{"corpus/rose_gray.jpg", {}, true},
	{"corpus/soft_alpha.png", {"--lossless"}, true},
	{"corpus/gray_alpha.png", {"--lossless", "--base-64"}, true},
	{"corpus/lineart.tga", {"--exhaustive"}, false},
	{"corpus/rose.png", {"--max-cstr-len", "200"}, false},
	{"corpus/soft_alpha.png", {"--shared-decompress"}, false},
	{"corpus/lineart.tga", {"--shared-decompress", "--base-64", "--max-cstr-len", "150", "--lossless"}, true},
	{"corpus/rose.jpg", {"--shared-decompress", "--gray"}, false},
	{"tga/mapped_rle_top_down.tga", {"--lossless", "--no-code-opts"}, true},
	{"png/rgba16.png", {"--subsample", "3", "--chroma-bpp", "4", "--alpha-bpp", "5"}, false},
	{"png/palette4_trns.png", {"--exhaustive", "--lossless", "--max-line-len", "40"}, true}
};

const char *const p_s_program_head =
	"// what a program that includes generated headers provides\n"
	"#include <assert.h>\n#include <ctype.h>\n#include <stddef.h>\n#include <stdint.h>\n"
	"#include <stdio.h>\n#include <stdlib.h>\n#include <string.h>\n#include <new>\n#include <algorithm>\n"
	"using std::min;\nusing std::max;\n#define _ASSERTE(x) assert(x)\n\n";

// a program of self-contained headers may define anything, or nothing
const char *const p_s_min_max_macros =
	"#define min(a, b) (((a) < (b))? (a) : (b))\n#define max(a, b) (((a) > (b))? (a) : (b))\n\n";

const char *const p_s_program_checker =
	"#include <stdio.h>\n\n"
	"static uint32_t n_Crc32(const uint32_t *p_pixels, size_t n_pixel_num)\n{\n"
	"\tconst uint8_t *p_byte = (const uint8_t*)p_pixels;\n\tuint32_t n_crc = 0xffffffffU;\n"
	"\tfor(size_t i = 0; i < n_pixel_num * 4; ++ i) {\n\t\tn_crc ^= p_byte[i];\n"
	"\t\tfor(int j = 0; j < 8; ++ j)\n\t\t\tn_crc = (n_crc & 1)? (n_crc >> 1) ^ 0xedb88320U : n_crc >> 1;\n\t}\n"
	"\treturn ~n_crc;\n}\n\n"
	"template <class CImage>\nstatic bool b_Check(const char *p_s_raw_file)\n{\n"
	"\tuint32_t *p_pixels = CImage::p_Decompress();\n\tif(!p_pixels)\n\t\treturn false;\n"
	"\tconst size_t n_pixel_num = size_t(CImage::n_Width()) * size_t(CImage::n_Height());\n"
	"\tbool b_ok = n_Crc32(p_pixels, n_pixel_num) == CImage::n_CRC32();\n"
	"\tif(FILE *p_file = fopen(p_s_raw_file, \"wb\")) {\n"
	"\t\tb_ok = fwrite(p_pixels, 4, n_pixel_num, p_file) == n_pixel_num && b_ok;\n\t\tfclose(p_file);\n"
	"\t} else\n\t\tb_ok = false;\n"
	"\tdelete[] p_pixels; // the raster is the caller's\n"
	"\treturn b_ok;\n}\n\n";

// the row decoders of a header made with "--row-decoder", against its p_Decompress()
const char *const p_s_row_checker =
	"static uint16_t n_Rgb565(uint32_t n_pixel, bool b_swap)\n{\n"
	"\tconst uint16_t n = uint16_t((n_pixel & 0xf8) << 8 | (n_pixel >> 10 & 0x3f) << 5 | (n_pixel >> 19 & 0x1f));\n"
	"\treturn (b_swap)? uint16_t(n >> 8 | n << 8) : n;\n}\n\n"
	"template <class CImage>\nstatic bool b_Check_Rows()\n{\n"
	"\tstatic_assert(CImage::n_width > 0 && CImage::n_height > 0, \"sizes as constants\");\n"
	"\tstatic typename CImage::RowWork t_work;\n"
	"\tstatic uint32_t p_frame[CImage::n_height][CImage::n_width + 3]; // rows with a stride\n"
	"\tstatic uint16_t p_frame_565[CImage::n_height][CImage::n_width + 5];\n"
	"\tconst size_t n_width = CImage::n_width, n_height = CImage::n_height;\n"
	"\tuint32_t *p_pixels = CImage::p_Decompress();\n\tif(!p_pixels)\n\t\treturn false;\n"
	"\tbool b_rows_ok = true;\n\tsize_t n_next_row = 0;\n"
	"\tbool b_ok = CImage::b_Decode_Rows(t_work, [&](int n_y, const uint32_t *p_row) {\n"
	"\t\tb_rows_ok = b_rows_ok && size_t(n_y) == n_next_row ++ &&\n"
	"\t\t\t!memcmp(p_row, p_pixels + size_t(n_y) * n_width, n_width * 4);\n\t});\n"
	"\tb_ok = b_ok && n_next_row == n_height && CImage::b_Decompress_Into(t_work, p_frame[0], sizeof(p_frame[0]));\n"
	"\tfor(size_t y = 0; y < n_height; ++ y)\n"
	"\t\tb_ok = b_ok && !memcmp(p_frame[y], p_pixels + y * n_width, n_width * 4);\n"
	"\tfor(int n_swap = 0; n_swap < 2; ++ n_swap) {\n"
	"\t\tconst bool b_swap = n_swap != 0;\n"
	"\t\tb_ok = CImage::b_Decode_Rows_RGB565(t_work, b_swap, [&](int n_y, const uint16_t *p_row) {\n"
	"\t\t\tfor(size_t x = 0; x < n_width; ++ x)\n"
	"\t\t\t\tb_rows_ok = b_rows_ok && p_row[x] == n_Rgb565(p_pixels[size_t(n_y) * n_width + x], b_swap);\n"
	"\t\t}) && CImage::b_Decompress_RGB565(t_work, p_frame_565[0], sizeof(p_frame_565[0]), b_swap) && b_ok;\n"
	"\t\tfor(size_t y = 0; y < n_height; ++ y) {\n\t\t\tfor(size_t x = 0; x < n_width; ++ x)\n"
	"\t\t\t\tb_ok = b_ok && p_frame_565[y][x] == n_Rgb565(p_pixels[y * n_width + x], b_swap);\n\t\t}\n\t}\n"
	"\tdelete[] p_pixels;\n\treturn b_ok && b_rows_ok;\n}\n\n";

/** @brief loads any input the tool reads, with the tool's own readers */
RasterImage *p_LoadImage(const std::string &s_path)
{
	if(s_path.size() > 4 && s_path.compare(s_path.size() - 4, 4, ".tga") == 0)
		return p_LoadTgaImage(s_path.c_str());
	if(s_path.size() > 4 && s_path.compare(s_path.size() - 4, 4, ".png") == 0)
		return p_LoadPngImage(s_path.c_str());
	FILE *p_file = fopen(s_path.c_str(), "rb");
	RasterImage *p_image = (p_file)? p_DecodeJpeg(p_file) : nullptr;
	if(p_file)
		fclose(p_file);
	return p_image;
}

/** Headers made from every case in one folder, and the program that includes them all. */
class CompiledHeaders : public ::testing::Test {
protected:
	static void SetUpTestSuite()
	{
		p_dir = new TempDir;
		std::string s_includes, s_self_contained_includes;
		std::string s_main = "int main()\n{\n\tint n_failed = 0;\n", s_self_contained_main = s_main;
		for(size_t i = 0; i < sizeof(p_header_cases) / sizeof(p_header_cases[0]); ++ i) {
			const HeaderCase &r_case = p_header_cases[i];
			const std::string s_index = std::to_string(i), s_source = std::string(PIXMOLD_TEST_DATA_DIR "/") + r_case.p_s_image;
			// the row decoders' headers come from a copy of their own, whose name gives them a guard of their own
			const std::string s_image = "image" + s_index + s_source.substr(s_source.rfind('.'));
			const std::string s_rows_image = "rows" + s_index + s_source.substr(s_source.rfind('.'));
			WriteFile(p_dir->s_File(s_image), s_ReadFile(s_source));
			WriteFile(p_dir->s_File(s_rows_image), s_ReadFile(s_source));
			for(const char *p_s_form : {"image", "self_contained", "rows"}) {
				const bool b_self_contained = !strcmp(p_s_form, "self_contained");
				const bool b_rows = !strcmp(p_s_form, "rows");
				const std::string s_name = p_s_form + s_index, s_class = "C" + s_name;
				std::vector<std::string> args = {(b_rows)? s_rows_image : s_image, s_name + ".h", "--class-name", s_class};
				args.insert(args.end(), r_case.options.begin(), r_case.options.end());
				if(b_self_contained || (b_rows && i % 2))
					args.push_back("--self-contained");
				if(b_rows)
					args.push_back("--row-decoder");
				ProcessResult run = RunTool(args, p_dir->s_Path());
				ASSERT_EQ(run.n_status, 0) << r_case.p_s_image << ": " << run.s_err;
				ASSERT_EQ(rename(p_dir->s_File("test_decompress.tga").c_str(),
					p_dir->s_File("reference" + s_index + ".tga").c_str()), 0);
				(b_self_contained? s_self_contained_includes : s_includes) += "#include \"" + s_name + ".h\"\n";
				(b_self_contained? s_self_contained_main : s_main) += "\tif(!b_Check<" + s_class + ">(\"" +
					((b_rows)? "rows" : "decoded") + s_index + ".raw\")) {\n\t\tprintf(\"image " + s_index +
					" failed\\n\");\n\t\t++ n_failed;\n\t}\n";
				if(b_rows) {
					s_main += "\tif(!b_Check_Rows<" + s_class + ">()) {\n\t\tprintf(\"row decoders of image " + s_index +
						" failed\\n\");\n\t\t++ n_failed;\n\t}\n";
				}
			}
		}
		s_main += "\treturn n_failed;\n}\n";
		s_self_contained_main += "\treturn n_failed;\n}\n";
		WriteFile(p_dir->s_File("program.cpp"), p_s_program_head + s_includes + p_s_program_checker + p_s_row_checker +
			s_main);
		WriteFile(p_dir->s_File("self_contained.cpp"), p_s_min_max_macros + s_self_contained_includes +
			p_s_program_checker + s_self_contained_main);
		WriteFile(p_dir->s_File("self_contained_prelude.cpp"), p_s_program_head + s_self_contained_includes +
			p_s_program_checker + s_self_contained_main);
	}

	static void TearDownTestSuite()
	{
		delete p_dir;
		p_dir = nullptr;
	}

	/** @brief builds a program with a compiler and flags, runs it, and expects all its checks to pass */
	static void BuildAndRun(const std::string &s_compiler, const std::vector<std::string> &r_flags,
		const std::string &s_program = "program.cpp")
	{
		std::vector<std::string> args = {s_compiler, "-Wall", "-Wextra", "-Wshadow", "-Wconversion", "-Wsign-conversion",
			"-Werror", "-o", "program", s_program};
		args.insert(args.end(), r_flags.begin(), r_flags.end());
		ProcessResult build = RunProcess(args, p_dir->s_Path());
		ASSERT_EQ(build.n_status, 0) << s_compiler << " failed:\n" << build.s_err.substr(0, 4000);
		ProcessResult run = RunProcess({p_dir->s_File("program")}, p_dir->s_Path());
		EXPECT_EQ(run.n_status, 0) << run.s_out;
	}

	static TempDir *p_dir;
};

TempDir *CompiledHeaders::p_dir = nullptr;

} // namespace

TEST_F(CompiledHeaders, DecodeToTheirChecksumWithGccUnderEveryStandard)
{
	for(const char *p_s_std : {"-std=c++11", "-std=c++14", "-std=c++17", "-std=c++20"}) {
		for(const char *p_s_assert : {"-DNDEBUG", "-UNDEBUG"})
			BuildAndRun("g++", {p_s_std, p_s_assert, "-O1"});
	}
}

TEST_F(CompiledHeaders, DecodeToTheirChecksumWithClangUnderEveryStandard)
{
	for(const char *p_s_std : {"-std=c++11", "-std=c++14", "-std=c++17", "-std=c++20"}) {
		for(const char *p_s_assert : {"-DNDEBUG", "-UNDEBUG"})
			BuildAndRun("clang++", {p_s_std, p_s_assert, "-O1"});
	}
}

TEST_F(CompiledHeaders, SelfContainedOnesNeedNothingFromTheIncluder)
{
	for(const char *p_s_compiler : {"g++", "clang++"}) {
		for(const char *p_s_program : {"self_contained.cpp", "self_contained_prelude.cpp"}) {
			BuildAndRun(p_s_compiler, {"-std=c++11", "-UNDEBUG", "-O1", "-Wzero-as-null-pointer-constant"}, p_s_program);
			BuildAndRun(p_s_compiler, {"-std=c++20", "-DNDEBUG", "-O1", "-Wzero-as-null-pointer-constant"}, p_s_program);
		}
	}
	// each on its own, as a precompiled header or an indexer takes it
	for(size_t i = 0; i < sizeof(p_header_cases) / sizeof(p_header_cases[0]); ++ i) {
		const std::string s_header = "self_contained" + std::to_string(i) + ".h";
		for(const char *p_s_compiler : {"g++", "clang++"}) {
			const ProcessResult build = RunProcess({p_s_compiler, "-std=c++11", "-x", "c++-header", "-fsyntax-only",
				"-Wall", "-Wextra", "-Wshadow", "-Wconversion", "-Wsign-conversion", "-Werror", s_header}, p_dir->s_Path());
			EXPECT_EQ(build.n_status, 0) << p_s_compiler << " " << s_header << ":\n" << build.s_err.substr(0, 2000);
		}
	}
}

TEST_F(CompiledHeaders, DecodeExactlyWhatTheToolsOwnDecoderDecodes)
{
	BuildAndRun("g++", {"-std=c++17", "-O2", "-fsanitize=address,undefined", "-fno-sanitize-recover=all"});
	for(size_t i = 0; i < sizeof(p_header_cases) / sizeof(p_header_cases[0]); ++ i) {
		const std::string s_index = std::to_string(i);
		ImageHolder reference(p_LoadTgaImage(p_dir->s_File("reference" + s_index + ".tga").c_str()));
		ASSERT_TRUE(reference);
		const std::string s_decoded = s_ReadFile(p_dir->s_File("decoded" + s_index + ".raw"));
		ASSERT_EQ(s_decoded.size(), n_RasterByteSize(*reference.p_image)) << p_header_cases[i].p_s_image;
		EXPECT_EQ(memcmp(s_decoded.data(), reference->p_pixels, s_decoded.size()), 0) << p_header_cases[i].p_s_image;
		EXPECT_EQ(s_ReadFile(p_dir->s_File("rows" + s_index + ".raw")), s_decoded) << p_header_cases[i].p_s_image;
		if(p_header_cases[i].b_exact) {
			ImageHolder source(p_LoadImage(std::string(PIXMOLD_TEST_DATA_DIR "/") + p_header_cases[i].p_s_image));
			ASSERT_TRUE(source);
			if(!source->b_alpha) { // opaque pictures decode with alpha 0xff whatever the file held
				for(int n = 0; n < source->n_width * source->n_height; ++ n)
					source->p_pixels[n] |= 0xff000000U;
			}
			EXPECT_EQ(memcmp(s_decoded.data(), source->p_pixels, s_decoded.size()), 0) << p_header_cases[i].p_s_image;
		}
	}
}
