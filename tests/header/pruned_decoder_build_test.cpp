/*
 *	Pruned decompressors are compiled as a user's program would compile them
 *	(g++ and clang++, C++11 to C++20, -Wall -Wextra -Wshadow -Wconversion
 *	-Wsign-conversion -Werror, with and without NDEBUG) and run on data of the
 *	predictors and image kind they were pruned for; every result must equal
 *	the unpruned decompressor's, pixel for pixel, and the tool's built-in
 *	decoder of the image's kind. All variants go into one translation unit per
 *	build to keep this fast.
 */
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <random>
#include <vector>

#include <unistd.h>

#include "compress/crc32.h"
#include "header/optimiser_test_support.h"
#include "support/test_support.h"
#include "verify/builtin_decoder.h"

namespace {

/*
 *	A stand-in encoder, independent of the tool's own: the planes are random
 *	bytes, the run-length stream is all literal blocks (code 2k - 2, then k
 *	bytes) and the Huffman code has 256 codes of 8 bits in symbol order, so
 *	every byte codes as itself.
 */
std::string s_EncodeStream(const std::string &s_planes, size_t &r_n_huff_stage_size)
{
	std::string s_stream(4 * n_max_code_length, '\0');
	s_stream[4 * 7 + 1] = 1; // 256 codes of 8 bits, little-endian
	for(int n_symbol = 0; n_symbol < 256; ++ n_symbol)
		s_stream += char(n_symbol);
	const size_t n_stream_start = s_stream.size();
	for(size_t i = 0; i < s_planes.size(); i += 128) {
		const size_t n_length = std::min(s_planes.size() - i, size_t(128));
		s_stream += char(2 * n_length - 2);
		s_stream.append(s_planes, i, n_length);
	}
	r_n_huff_stage_size = s_stream.size() - n_stream_start;
	return s_stream;
}

std::string s_Base64(const std::string &s_bytes)
{
	const char p_s_alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
	std::string s_text;
	for(size_t i = 0; i < s_bytes.size(); i += 3) {
		const size_t n_group = std::min(s_bytes.size() - i, size_t(3));
		uint32_t n_value = 0;
		for(size_t j = 0; j < 3; ++ j)
			n_value = n_value << 8 | ((j < n_group)? uint8_t(s_bytes[i + j]) : 0);
		for(size_t j = 0; j <= n_group; ++ j)
			s_text += p_s_alphabet[n_value >> (18 - 6 * j) & 63];
	}
	return s_text;
}

std::string s_Base85(const std::string &s_bytes)
{
	const char p_s_alphabet[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz!#$%&()*+-;<=>.@^_,{|}~";
	std::string s_text;
	for(size_t i = 0; i < s_bytes.size(); i += 4) {
		const size_t n_group = std::min(s_bytes.size() - i, size_t(4));
		uint32_t n_value = 0;
		for(size_t j = 0; j < 4; ++ j)
			n_value = n_value << 8 | ((j < n_group)? uint8_t(s_bytes[i + j]) : 0);
		if(!n_value && n_group == 4) {
			s_text += '~';
			continue;
		}
		char p_digit[5];
		for(int j = 4; j >= 0; -- j, n_value /= 85)
			p_digit[j] = p_s_alphabet[n_value % 85];
		s_text.append(p_digit, n_group + 1);
	}
	return s_text;
}

/**
 *	@brief the text of random planes for the image the parameters describe
 *	@param[in,out] r_params gets the run-length stream size
 */
std::string s_RandomImageText(bool b_base85, std::mt19937 &r_random, DecodeParams &r_params)
{
	std::string s_planes(MakePlaneLayout(r_params.n_image_width, r_params.n_image_height,
		r_params.n_subsample, r_params.n_color_type).n_image_data_size, '\0');
	for(char &r_byte : s_planes)
		r_byte = char(r_random());
	const std::string s_stream = s_EncodeStream(s_planes, r_params.n_huff_stage_size);
	return (b_base85)? s_Base85(s_stream) : s_Base64(s_stream);
}

/** One decoder text pruned for a used set and an image kind. */
struct Variant {
	std::vector<int> used;
	int n_color_type;
	bool b_base85;
};

/** One call of a pruned decoder and of the unpruned one. */
struct DecodeCase {
	size_t n_variant;
	std::string s_text;
	DecodeParams params;
};

/** @brief how many predictors the image kind passes to the decoder (its largest used set) */
size_t n_PlaneRoleNum(int n_color_type)
{
	return ((n_color_type & color_Gray)? 1 : 2) + ((n_color_type & color_Alpha)? 1 : 0);
}

std::vector<Variant> VariantList()
{
	std::vector<Variant> variant_list;
	// each single predictor with one of the twelve kind and BASE pairs, so every pair is met
	for(int n_predictor = 0; n_predictor < n_predictor_num; ++ n_predictor) {
		variant_list.push_back({{n_predictor}, p_image_kind_list[n_predictor % 6],
			n_predictor < 6});
	}
	// larger sets with every kind that can use them
	const std::vector<std::vector<int>> set_list = {
		{3, 4}, {1, 6}, {0, 6}, {2, 5, 9}, {0, 7, 11}, {4, 8, 10}, {1, 5, 11}
	};
	bool b_base85 = true;
	for(const std::vector<int> &used : set_list) {
		for(int n_color_type : p_image_kind_list) {
			if(used.size() <= n_PlaneRoleNum(n_color_type)) {
				variant_list.push_back({used, n_color_type, b_base85});
				b_base85 = !b_base85;
			}
		}
	}
	return variant_list;
}

/**
 *	@brief predictors for the Y, UV and A planes that together give the used
 *		set; 6 where the image kind has no such plane
 *	@param[in] b_reversed hands the set out from its other end
 */
void AssignPredictors(const Variant &r_variant, bool b_reversed, DecodeParams &r_params)
{
	std::vector<int> used = r_variant.used;
	if(b_reversed)
		std::reverse(used.begin(), used.end());
	const bool b_gray = (r_variant.n_color_type & color_Gray) != 0;
	r_params.n_predictor_y = used.front();
	r_params.n_predictor_uv = (b_gray)? pred_None : used[std::min(size_t(1), used.size() - 1)];
	r_params.n_predictor_a = (r_variant.n_color_type & color_Alpha)? used.back() : pred_None;
}

std::vector<DecodeCase> CaseList(const std::vector<Variant> &r_variant_list)
{
	struct Geometry {
		int n_width, n_height, n_subsample;
	};
	const Geometry geometry_list[] = {{1, 1, 1}, {7, 5, 2}, {5, 9, 3}, {16, 3, 1}, {3, 2, 2}, {13, 6, 3}, {1, 4, 2}};
	const size_t n_geometry_num = sizeof(geometry_list) / sizeof(geometry_list[0]);
	std::mt19937 random(12345);
	std::vector<DecodeCase> case_list;
	size_t n_geometry = 0;
	for(size_t v = 0; v < r_variant_list.size(); ++ v) {
		const Variant &r_variant = r_variant_list[v];
		for(bool b_reversed : {false, true}) {
			if(b_reversed && r_variant.used.size() == 1)
				break;
			for(int n_repeat = 0; n_repeat < 2; ++ n_repeat, n_geometry = (n_geometry + 1) % n_geometry_num) {
				const Geometry &r_geometry = geometry_list[n_geometry];
				DecodeCase new_case;
				new_case.n_variant = v;
				new_case.params.n_image_width = r_geometry.n_width;
				new_case.params.n_image_height = r_geometry.n_height;
				new_case.params.n_subsample = r_geometry.n_subsample;
				new_case.params.n_color_type = r_variant.n_color_type;
				AssignPredictors(r_variant, b_reversed, new_case.params);
				new_case.s_text = s_RandomImageText(r_variant.b_base85, random, new_case.params);
				case_list.push_back(new_case);
			}
		}
	}
	return case_list;
}

/** The test program and what it must print. */
struct TestProgram {
	std::string s_source;
	std::string s_expected_output;
	size_t n_case_num;
};

const char p_s_program_head[] =
	"#include <stdint.h>\n#include <stddef.h>\n#include <string.h>\n#include <stdlib.h>\n"
	"#include <ctype.h>\n#include <assert.h>\n#include <new>\n#include <algorithm>\n"
	"using std::min;\nusing std::max;\n#define _ASSERTE(x) assert(x)\n\n";

const char p_s_program_check[] =
	"#include <stdio.h>\n\n"
	"typedef uint32_t *(*Decoder)(const char*, int, int, size_t, int, int, int, int, int);\n\n"
	"static int n_Check(int n_case, Decoder p_pruned, Decoder p_reference, const char *p_s_text,\n"
	"\tint w, int h, size_t n_huff, int n_y, int n_uv, int n_a, int n_s, int n_type)\n"
	"{\n"
	"\tuint32_t *p_image = p_pruned(p_s_text, w, h, n_huff, n_y, n_uv, n_a, n_s, n_type);\n"
	"\tuint32_t *p_expected = p_reference(p_s_text, w, h, n_huff, n_y, n_uv, n_a, n_s, n_type);\n"
	"\tconst size_t n_size = size_t(w) * size_t(h) * 4;\n"
	"\tconst bool b_same = p_image && p_expected && !memcmp(p_image, p_expected, n_size);\n"
	"\tuint32_t n_crc = 0xffffffffU;\n"
	"\tfor(size_t i = 0; b_same && i < n_size; ++ i) {\n"
	"\t\tn_crc ^= ((const uint8_t*)p_image)[i];\n"
	"\t\tfor(int n_bit = 0; n_bit < 8; ++ n_bit)\n"
	"\t\t\tn_crc = (n_crc & 1)? (n_crc >> 1) ^ 0xedb88320U : n_crc >> 1;\n"
	"\t}\n"
	"\tif(b_same)\n"
	"\t\tprintf(\"case %d %08x\\n\", n_case, ~n_crc);\n"
	"\telse\n"
	"\t\tprintf(\"case %d differs from the unpruned decoder\\n\", n_case);\n"
	"\tdelete[] p_image;\n"
	"\tdelete[] p_expected;\n"
	"\treturn (b_same)? 0 : 1;\n"
	"}\n\n";

std::string s_DecoderName(bool b_base85)
{
	return (b_base85)? "p_Decode_RLE_Huff_Base85" : "p_Decode_RLE_Huff_Base64";
}

TestProgram MakeTestProgram()
{
	const std::vector<Variant> variant_list = VariantList();
	const std::vector<DecodeCase> case_list = CaseList(variant_list);
	TestProgram program;
	program.n_case_num = case_list.size();
	std::string &s = program.s_source;
	s = p_s_program_head;
	s += std::string("struct CReference85 {\n") + p_s_DecompressTemplate(true) + "};\n\n";
	s += std::string("struct CReference64 {\n") + p_s_DecompressTemplate(false) + "};\n\n";
	for(size_t v = 0; v < variant_list.size(); ++ v) {
		uint32_t n_used = 0;
		for(int n_predictor : variant_list[v].used)
			n_used |= 1U << n_predictor;
		const OptimiserRun run = RunOptimiserOnTemplate(variant_list[v].b_base85, n_used, variant_list[v].n_color_type);
		if(!run.b_ok)
			throw std::runtime_error("optimiser failed: " + run.s_err);
		s += "struct CTest" + std::to_string(v) + " {\n" + run.s_code + "};\n\n";
	}
	s += p_s_program_check;
	s += "int main()\n{\n\tint n_failure_num = 0;\n";
	for(size_t i = 0; i < case_list.size(); ++ i) {
		const DecodeCase &r_case = case_list[i];
		const DecodeParams &p = r_case.params;
		const bool b_base85 = variant_list[r_case.n_variant].b_base85;
		const std::string s_decoder = s_DecoderName(b_base85);
		s += "\tn_failure_num += n_Check(" + std::to_string(i) + ", &CTest" +
			std::to_string(r_case.n_variant) + "::" + s_decoder + ", &CReference" +
			((b_base85)? "85::" : "64::") + s_decoder + ",\n\t\t\"" + r_case.s_text + "\",\n\t\t" +
			std::to_string(p.n_image_width) + ", " + std::to_string(p.n_image_height) + ", " +
			std::to_string(p.n_huff_stage_size) + ", " + std::to_string(p.n_predictor_y) + ", " +
			std::to_string(p.n_predictor_uv) + ", " + std::to_string(p.n_predictor_a) + ", " +
			std::to_string(p.n_subsample) + ", " + std::to_string(p.n_color_type) + ");\n";

		// the tool's own decoder, the template as the build prunes it for the image's kind,
		// gives the expected pixels
		std::unique_ptr<uint32_t[]> p_pixels(p_BuiltinDecode(b_base85, r_case.s_text.c_str(), p));
		if(!p_pixels)
			throw std::runtime_error("the built-in decoder rejected test data");
		char p_s_line[64];
		snprintf(p_s_line, sizeof(p_s_line), "case %d %08x\n", int(i),
			n_Crc32_Raster(p_pixels.get(), p.n_image_width, p.n_image_height));
		program.s_expected_output += p_s_line;
	}
	s += "\treturn n_failure_num;\n}\n";
	return program;
}

const TestProgram &r_TestProgram()
{
	static const TestProgram program = MakeTestProgram();
	return program;
}

/** @brief path of a program as found on PATH; empty if absent */
std::string s_FindProgram(const std::string &s_name)
{
	std::string s_path = (s_name.find('/') != std::string::npos)? s_name : "";
	const char *p_s_path_list = getenv("PATH");
	for(std::string s_dirs = (p_s_path_list)? p_s_path_list : ""; s_path.empty() && !s_dirs.empty();) {
		const size_t n_colon = s_dirs.find(':');
		const std::string s_candidate = s_dirs.substr(0, n_colon) + "/" + s_name;
		if(!access(s_candidate.c_str(), X_OK))
			s_path = s_candidate;
		s_dirs = (n_colon == std::string::npos)? "" : s_dirs.substr(n_colon + 1);
	}
	return s_path;
}

class PrunedDecoderBuild : public ::testing::TestWithParam<const char*> {};

std::string s_CompilerTestName(const ::testing::TestParamInfo<const char*> &r_info)
{
	const char *const p_name_list[] = {"Gcc", "Clang"};
	return p_name_list[r_info.index];
}

} // namespace

TEST_P(PrunedDecoderBuild, CompilesWithoutWarningsAndDecodesLikeTheUnprunedDecoder)
{
	const std::string s_compiler = s_FindProgram(GetParam());
	ASSERT_FALSE(s_compiler.empty()) << GetParam() << " not found";

	const TestProgram &r_program = r_TestProgram();
	ASSERT_GT(r_program.n_case_num, 100u);
	TempDir dir;
	WriteFile(dir.s_File("pruned.cpp"), r_program.s_source);
	// debug builds check every assertion the optimiser put in; release builds
	// check that nothing is left unused once the assertions vanish, and one
	// optimised build brings out the warnings that need data-flow analysis
	const char *const p_build_list[] = {
		"-std=c++20 -O2 -DNDEBUG", // the slowest build, given a lane of its own
		"-std=c++11 -O0", "-std=c++11 -O0 -DNDEBUG", "-std=c++14 -O0 -DNDEBUG",
		"-std=c++17 -O0", "-std=c++20 -O0"
	};
	const size_t n_build_num = sizeof(p_build_list) / sizeof(p_build_list[0]);
	// two lanes of builds run side by side; each build leaves its compiler
	// messages, the program's output and the exit status in files
	std::string p_lane_script[2];
	for(size_t i = 0; i < n_build_num; ++ i) {
		const std::string s_n = std::to_string(i);
		p_lane_script[(i)? 1 : 0] += "'" + s_compiler + "' -Wall -Wextra -Wshadow -Wconversion -Wsign-conversion -Werror " + p_build_list[i] +
			" pruned.cpp -o pruned" + s_n + " 2> compiled" + s_n + " && ./pruned" + s_n + " > ran" + s_n +
			" 2>&1; echo $? > status" + s_n + "; ";
	}
	const ProcessResult script = RunProcess({"/bin/sh", "-c",
		"(" + p_lane_script[0] + ") & (" + p_lane_script[1] + ") & wait"}, dir.s_Path());
	ASSERT_EQ(script.n_status, 0) << script.s_err;
	for(size_t i = 0; i < n_build_num; ++ i) {
		const std::string s_n = std::to_string(i);
		SCOPED_TRACE(s_compiler + " " + p_build_list[i]);
		const std::string s_compiled = s_ReadFile(dir.s_File("compiled" + s_n));
		EXPECT_EQ(s_compiled, "") << s_compiled.substr(0, 4000);
		EXPECT_EQ(s_ReadFile(dir.s_File("status" + s_n)), "0\n");
		EXPECT_EQ(s_ReadFile(dir.s_File("ran" + s_n)), r_program.s_expected_output);
	}
}

INSTANTIATE_TEST_SUITE_P(Compilers, PrunedDecoderBuild,
	::testing::Values("g++", "clang++"), s_CompilerTestName);

TEST(BuiltinDecoder, DecodesEveryColourTypeLikeTheWholeTemplate)
{
	// the decoders pruned for each kind, which the round-trip check of a private header runs,
	// against the whole template, for each BASE and every value of the colour type bits
	// (grayscale with the lossless colour bit too, as "--gray --lossless" passes it)
	std::mt19937 random(777);
	for(bool b_base85 : {false, true}) {
		for(int n_color_type = 0; n_color_type <= (color_Gray | color_Alpha | color_LosslessColor); ++ n_color_type) {
			SCOPED_TRACE("BASE" + std::to_string((b_base85)? 85 : 64) + ", colour type " + std::to_string(n_color_type));
			DecodeParams params = {9, 6, 0, n_color_type, (n_color_type + 3) % n_predictor_num,
				(n_color_type + 7) % n_predictor_num, n_color_type % 3 + 1, n_color_type};
			const std::string s_text = s_RandomImageText(b_base85, random, params);
			std::unique_ptr<uint32_t[]> p_pruned(p_BuiltinDecode(b_base85, s_text.c_str(), params));
			std::unique_ptr<uint32_t[]> p_whole(p_BuiltinDecodeUnpruned(b_base85, s_text.c_str(), params));
			ASSERT_TRUE(p_pruned && p_whole);
			EXPECT_EQ(memcmp(p_pruned.get(), p_whole.get(), 9 * 6 * sizeof(uint32_t)), 0);
		}
	}
}
