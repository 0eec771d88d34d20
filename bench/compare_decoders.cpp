// The decoders of bench/compare_decoders.sh, side by side in one process: the
// lossless and the default header of one picture (compiled in, with -O2),
// stb_image and libpng on the same picture as an optimised PNG file, and QOI
// on it as a QOI image made here. They take turns for 31 rounds, so that a
// change in the machine's load affects all of them alike, and each column is
// a median. Before timing, the lossless header must give the PNG's pixels and
// both headers the readable reference decoder's.
//   bench NAME             prints one row of the table
//   bench NAME DECODER     decodes once with DECODER (lossless, default, stb,
//                          libpng or qoi), for callgrind

#include <assert.h>
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <chrono>
#include <new>
#include <vector>

#include <png.h>

#include "verify/reference_decoder.h"

using std::max;
using std::min;
#define _ASSERTE(x) assert(x)
#include "lossless.h"
#include "lossy.h"

#define STB_IMAGE_IMPLEMENTATION
#include <stb/stb_image.h>
#define QOI_IMPLEMENTATION
#include <qoi.h>

namespace {

template <class F> double f_TimeMs(F f)
{
	const std::chrono::steady_clock::time_point t_start = std::chrono::steady_clock::now();
	f();
	return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t_start).count();
}

double f_Median(std::vector<double> times)
{
	std::sort(times.begin(), times.end());
	return times[times.size() / 2];
}

/** @brief the reference decoder on a header's text, which it fetches as p_Decompress() does */
template <class CImage> uint32_t *p_ReferenceDecompress(const DecodeParams &r_params)
{
	const char *p_s_text = CImage::p_s_Base85_Data();
	uint32_t *p_result = (p_s_text)? p_ReferenceDecode(true, p_s_text, r_params) : nullptr;
	if(CImage::b_Dynamic())
		delete[] p_s_text;
	return p_result;
}

/** @brief libpng's simplified reading, to 8-bit RGBA */
uint8_t *p_LibpngDecode(const std::vector<uint8_t> &r_png)
{
	png_image image;
	memset(&image, 0, sizeof(image));
	image.version = PNG_IMAGE_VERSION;
	if(!png_image_begin_read_from_memory(&image, r_png.data(), r_png.size()))
		return nullptr;
	image.format = PNG_FORMAT_RGBA;
	uint8_t *p_pixels = new uint8_t[PNG_IMAGE_SIZE(image)];
	if(!png_image_finish_read(&image, nullptr, p_pixels, 0, nullptr)) {
		delete[] p_pixels;
		return nullptr;
	}
	return p_pixels;
}

} // namespace

int main(int n_arg_num, char **p_arg_list)
{
	const char *p_s_name = (n_arg_num > 1)? p_arg_list[1] : "?";
	// the parameters each header passes to its decoder, taken from its p_Decompress()
	const DecodeParams lossless_params = {LOSSLESS_PARAMS}, lossy_params = {LOSSY_PARAMS};
	std::vector<uint8_t> png;
	if(FILE *p_file = fopen("picture.png", "rb")) {
		png.resize(64 << 20);
		png.resize(fread(png.data(), 1, png.size(), p_file));
		fclose(p_file);
	}
	int n_width = 0, n_height = 0, n_channels;
	uint8_t *p_png_pixels = stbi_load_from_memory(png.data(), int(png.size()), &n_width, &n_height, &n_channels, 4);
	const size_t n_pixel_num = size_t(CLossless::n_Width()) * size_t(CLossless::n_Height());
	const qoi_desc t_desc = {unsigned(n_width), unsigned(n_height), 4, QOI_SRGB};
	int n_qoi_size = 0;
	void *p_qoi = (p_png_pixels)? qoi_encode(p_png_pixels, &t_desc, &n_qoi_size) : nullptr;
	if(n_arg_num > 2) { // one decode, for a profiler (which counts the set-up above apart)
		const char *p_s_which = p_arg_list[2];
		if(!strcmp(p_s_which, "lossless") || !strcmp(p_s_which, "default")) {
			delete[] ((!strcmp(p_s_which, "lossless"))? CLossless::p_Decompress() : CLossy::p_Decompress());
		} else if(!strcmp(p_s_which, "stb")) {
			int w, h, c;
			stbi_image_free(stbi_load_from_memory(png.data(), int(png.size()), &w, &h, &c, 4));
		} else if(!strcmp(p_s_which, "libpng"))
			delete[] p_LibpngDecode(png);
		else {
			qoi_desc t;
			free(qoi_decode(p_qoi, n_qoi_size, &t, 4));
		}
		return 0;
	}

	// every decoder gives the pixels it should: the header's pixels are
	// little-endian words of red, green, blue, alpha, the PNG's bytes
	const size_t n_bytes = n_pixel_num * 4;
	auto b_Same = [&](const void *p_pixels) {
		return p_png_pixels && p_pixels && size_t(n_width) * size_t(n_height) == n_pixel_num &&
			!memcmp(p_pixels, p_png_pixels, n_bytes);
	};
	uint32_t *p_reference[2] = {p_ReferenceDecompress<CLossless>(lossless_params),
		p_ReferenceDecompress<CLossy>(lossy_params)};
	uint32_t *p_fast[2] = {CLossless::p_Decompress(), CLossy::p_Decompress()};
	uint8_t *p_libpng = p_LibpngDecode(png);
	qoi_desc t_read;
	void *p_qoi_pixels = (p_qoi)? qoi_decode(p_qoi, n_qoi_size, &t_read, 4) : nullptr;
	const char *p_s_wrong = (!b_Same(p_libpng))? "libpng" : (!b_Same(p_qoi_pixels))? "QOI" :
		(!b_Same(p_fast[0]))? "the lossless header" : (!p_fast[1] || !p_reference[1] ||
		memcmp(p_reference[1], p_fast[1], n_bytes))? "the default header and the reference decoder" :
		(!b_Same(p_reference[0]))? "the lossless header's reference decoding" : nullptr;
	for(int i = 0; i < 2; ++ i) {
		delete[] p_reference[i];
		delete[] p_fast[i];
	}
	delete[] p_libpng;
	free(p_qoi_pixels);
	if(p_s_wrong) {
		fprintf(stderr, "error: %s: wrong pixels from %s\n", p_s_name, p_s_wrong);
		return 1;
	}

	std::vector<double> lossless_times, lossy_times, stb_times, libpng_times, qoi_times;
	for(int i = 0; i < 31; ++ i) {
		lossless_times.push_back(f_TimeMs([] { delete[] CLossless::p_Decompress(); }));
		lossy_times.push_back(f_TimeMs([] { delete[] CLossy::p_Decompress(); }));
		stb_times.push_back(f_TimeMs([&] {
			int w, h, c;
			stbi_image_free(stbi_load_from_memory(png.data(), int(png.size()), &w, &h, &c, 4));
		}));
		libpng_times.push_back(f_TimeMs([&] { delete[] p_LibpngDecode(png); }));
		qoi_times.push_back(f_TimeMs([&] {
			qoi_desc t;
			free(qoi_decode(p_qoi, n_qoi_size, &t, 4));
		}));
	}
	const double f_lossless = f_Median(lossless_times), f_lossy = f_Median(lossy_times);
	const double f_stb = f_Median(stb_times), f_libpng = f_Median(libpng_times), f_qoi = f_Median(qoi_times);
	printf("| %s | %dx%d | %.2f ms | %.2f ms | %.2f ms | %.2f ms | %.2f ms | %.2f | %.2f | %.2f | %.2f |\n",
		p_s_name, n_width, n_height, f_lossless, f_lossy, f_stb, f_libpng, f_qoi, f_stb / f_lossless, f_stb / f_lossy,
		f_qoi / f_lossless, f_qoi / f_lossy);
	stbi_image_free(p_png_pixels);
	free(p_qoi);
	return 0;
}
