/*
 *	The whole conversion of a small image, from loading through the header
 *	writer to the round-trip check with the built-in decoder, as the tool runs
 *	it. The input is five option bytes and the image file:
 *
 *	byte 0  format: 0 TGA, 1 PNG, 2 JPEG (mod 3)
 *	byte 1  flags: 1 --base-64, 2 --no-code-opts, 4 --shared-decompress,
 *	        8 --gray, 16 --alpha, 32 --no-alpha, 64 --lossless, 128 --verbose
 *	byte 2  bits 0-2 --subsample (0: default), bits 3-6 --chroma-bpp (0: default),
 *	        bit 7 --exhaustive (small images only)
 *	byte 3  bits 0-3 --alpha-bpp (0: default), bits 4-7 --max-line-len (0: default,
 *	        else a length from a table that includes the extremes)
 *	byte 4  --max-cstr-len (0: default, above 250 an extreme value)
 *
 *	A completed conversion must pass its own round-trip check; the only
 *	failures allowed are line lengths the tool refuses, an image that does
 *	not load (or has no pixels), and
 *	a broken lossless promise for a TGA file whose colour-map misses give
 *	transparent pixels in an image without alpha, which no header can
 *	reproduce.
 */

#include <unistd.h>

#include <string>
#include <vector>

#include "driver/conversion.h"
#include "fuzz_support.h"

namespace {

const uint64_t n_max_fuzz_pixels = 64 * 64; // keeps one run in the milliseconds
const uint64_t n_max_exhaustive_pixels = 16 * 16; // 12^3 candidates instead of 6^3
const uint64_t n_unknown_size = 0;

inline uint32_t n_Be16(const uint8_t *p) { return uint32_t(p[0]) << 8 | p[1]; }
inline uint32_t n_Be32(const uint8_t *p) { return n_Be16(p) << 16 | n_Be16(p + 2); }
inline uint32_t n_Le16(const uint8_t *p) { return uint32_t(p[1]) << 8 | p[0]; }

/**
 *	@brief the largest pixel count the file's header claims: the TGA header,
 *		the PNG IHDR, or every SOF0 / SOF1 byte pattern of a JPEG file (any of
 *		them may be the frame header the decoder ends up reading)
 */
uint64_t n_ClaimedPixels(int n_format, const uint8_t *p_file, size_t n_size)
{
	if(n_format == 0)
		return (n_size >= 16)? uint64_t(n_Le16(p_file + 12)) * n_Le16(p_file + 14) : n_unknown_size;
	if(n_format == 1)
		return (n_size >= 24)? uint64_t(n_Be32(p_file + 16)) * n_Be32(p_file + 20) : n_unknown_size;
	uint64_t n_largest = n_unknown_size;
	for(size_t i = 0; i + 9 <= n_size; ++ i) {
		if(p_file[i] == 0xff && (p_file[i + 1] == 0xc0 || p_file[i + 1] == 0xc1)) {
			const uint64_t n_pixels = uint64_t(n_Be16(p_file + i + 5)) * n_Be16(p_file + i + 7);
			n_largest = (n_pixels > n_largest)? n_pixels : n_largest;
		}
	}
	return n_largest;
}

bool b_EndsWith(const std::string &r_s_text, const std::string &r_s_suffix)
{
	return r_s_text.size() >= r_s_suffix.size() &&
		!r_s_text.compare(r_s_text.size() - r_s_suffix.size(), r_s_suffix.size(), r_s_suffix);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *p_data, size_t n_size)
{
	FuzzInput input = {p_data, n_size};
	const int n_format = input.n_Byte() % 3;
	const uint8_t n_flags = input.n_Byte(), n_bits = input.n_Byte(), n_alpha_line = input.n_Byte();
	const uint8_t n_cstr_len = input.n_Byte();
	const uint64_t n_pixels = n_ClaimedPixels(n_format, input.p_data, input.n_size);
	if(n_pixels > n_max_fuzz_pixels)
		return 0;

	// the tool runs in the temp folder and is given names, not paths: the names
	// reach the header and the messages, and must be the same in every process
	static const char *const p_s_image_name[] = {"input.tga", "input.png", "input.jpg"};
	const std::string s_image = p_s_image_name[n_format];
	const std::string s_image_path = s_WriteFuzzFile(s_image.c_str(), input.p_data, input.n_size);
	const std::string s_header = "output.h";

	std::vector<std::string> args = {"Pixmold", s_image, s_header};
	static const char *const p_s_flag[] = {"--base-64", "--no-code-opts", "--shared-decompress",
		"--gray", "--alpha", "--no-alpha", "--lossless", "--verbose"};
	for(int i = 0; i < 8; ++ i) {
		if(n_flags >> i & 1)
			args.push_back(p_s_flag[i]);
	}
	static const int p_subsample[] = {0, 1, 2, 3, 4, 5, 7, 256};
	if(n_bits & 7)
		args.insert(args.end(), {"--subsample", std::to_string(p_subsample[n_bits & 7])});
	if(n_bits >> 3 & 15)
		args.insert(args.end(), {"--chroma-bpp", std::to_string(((n_bits >> 3 & 15) - 1) % 8 + 1)});
	if(n_bits & 128 && n_pixels <= n_max_exhaustive_pixels)
		args.push_back("--exhaustive");
	if(n_alpha_line & 15)
		args.insert(args.end(), {"--alpha-bpp", std::to_string(((n_alpha_line & 15) - 1) % 8 + 1)});
	static const char *const p_s_line_len[] = {nullptr, "14", "15", "16", "17", "18", "24", "42", "100",
		"13", "1", "0", "-1", "-99999999999", "-2147483634", "99999999999"};
	if(n_alpha_line >> 4)
		args.insert(args.end(), {"--max-line-len", p_s_line_len[n_alpha_line >> 4]});
	static const char *const p_s_extreme_cstr_len[] = {"-1", "4294967295", "99999999999", "-99999999999", "0"};
	const int n_max_small_cstr_len = 250;
	if(n_cstr_len > n_max_small_cstr_len)
		args.insert(args.end(), {"--max-cstr-len", p_s_extreme_cstr_len[n_cstr_len - n_max_small_cstr_len - 1]});
	else if(n_cstr_len)
		args.insert(args.end(), {"--max-cstr-len", std::to_string(n_cstr_len)});
	std::vector<const char*> arg_list;
	for(const std::string &r_s_arg : args)
		arg_list.push_back(r_s_arg.c_str());

	char p_s_saved_dir[4096];
	FUZZ_CHECK(getcwd(p_s_saved_dir, sizeof(p_s_saved_dir)));
	FUZZ_CHECK(!chdir(r_s_FuzzTempDir().c_str()));
	int n_result;
	std::string s_errors;
	{
		StreamCapture capture;
		n_result = n_RunConversion(int(arg_list.size()), arg_list.data());
		s_errors = capture.s_Errors();
	}
	FUZZ_CHECK(!chdir(p_s_saved_dir));

	if(n_result) {
		// option warnings may come first; the refusal is the last message, but
		// for the tab-indented line of the reason that may follow a load error
		std::string s_last = s_errors;
		const size_t n_reason = s_last.rfind("\n\t");
		if(n_reason != std::string::npos && s_last.find('\n', n_reason + 1) + 1 == s_last.size())
			s_last.resize(n_reason + 1);
		const bool b_not_loaded = b_EndsWith(s_last, "error: error loading image file '" + s_image + "'\n") ||
			b_EndsWith(s_last, "error: image file '" + s_image + "' holds no pixels\n");
		const bool b_refused = b_EndsWith(s_last, "error: maximum line length of 14 leaves no room for data\n") ||
			b_EndsWith(s_last, "error: maximum \"C\"-string length must be at least 1\n");
		if(!b_refused && !b_not_loaded)
			fprintf(stderr, "conversion failed with:\n%s", s_errors.c_str());
		FUZZ_CHECK(n_result == -1 && (b_refused || b_not_loaded));
	}
	return 0;
}
