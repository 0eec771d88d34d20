#!/bin/sh
# Times the decompression of generated headers against stb_image decoding the
# same pictures stored as optimised PNG files, side by side in one run, and
# against the tool's reference decoder, the plain reading of the format that
# the fast decoder is tested against.
#
#   bench/compare_decoders.sh [picture ...]
#
# Without arguments it makes two photo-like pictures with ImageMagick. Each
# picture is converted twice, lossless and with the default settings; the PNG
# is optimised with "optipng -o2"; one program compiled with -O2 times
# p_Decompress() of both headers, p_ReferenceDecode() of the same texts with
# the same parameters and stbi_load_from_memory() of the PNG, and prints
# medians of 31 rounds in which they take turns; fast/ref is the header's
# time over the reference decoder's. The reference decoder must give the
# same pixels. Installs optipng and libstb-dev when missing.
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
missing=""
for package in optipng libstb-dev imagemagick g++; do
	dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing="$missing $package"
done
if [ -n "$missing" ]; then
	apt-get install -y --no-install-recommends $missing || { apt-get update && apt-get install -y --no-install-recommends $missing; }
fi
cmake -S "$top" -B "$top/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$top/build" --target Pixmold pixmold_core -j "$(nproc)" >/dev/null
tool="$top/build/src/Pixmold"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

if [ $# -eq 0 ]; then
	/usr/bin/convert -size 1024x768 -seed 5 plasma:fractal -blur 0x1.5 -attenuate 0.2 +noise Gaussian -strip "$work/plasma.png"
	/usr/bin/convert -size 720x477 -seed 9 plasma:fractal -blur 0x0.7 -strip "$work/detail.png"
	set -- "$work/plasma.png" "$work/detail.png"
fi

printf '%-14s %9s %12s %12s %12s %10s %10s %12s %12s\n' picture pixels "lossless ms" "default ms" "stb ms" \
	"stb/lossl" "stb/deflt" "fast/ref los" "fast/ref def"
for picture in "$@"; do
	name=$(basename "$picture" | sed 's/\.[^.]*$//')
	dir="$work/$name"
	mkdir -p "$dir"
	/usr/bin/convert "$picture" -strip "$dir/picture.tga"
	/usr/bin/convert "$picture" -strip "$dir/picture.png"
	optipng -o2 -quiet "$dir/picture.png"
	(cd "$dir" && "$tool" picture.tga lossless.h --lossless --class-name CLossless >/dev/null 2>&1 &&
		sed -i 's/__PICTURE_TGA_INCLUDED/__LOSSLESS_INCLUDED/g' lossless.h &&
		"$tool" picture.tga lossy.h --class-name CLossy >/dev/null 2>&1 &&
		sed -i 's/__PICTURE_TGA_INCLUDED/__LOSSY_INCLUDED/g' lossy.h)
	cat > "$dir/bench.cpp" <<'PROGRAM'
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
#include "verify/reference_decoder.h"
using std::min;
using std::max;
#define _ASSERTE(x) assert(x)
#include "lossless.h"
#include "lossy.h"
#define STB_IMAGE_IMPLEMENTATION
#include <stb/stb_image.h>

template <class F> static double f_TimeMs(F f)
{
	std::chrono::steady_clock::time_point t_start = std::chrono::steady_clock::now();
	f();
	return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t_start).count();
}

static double f_Median(std::vector<double> &r_times)
{
	std::sort(r_times.begin(), r_times.end());
	return r_times[r_times.size() / 2];
}

// the reference decoder on a header's text, which it fetches as p_Decompress() does
template <class CImage> static uint32_t *p_ReferenceDecompress(const DecodeParams &r_params)
{
	const char *p_s_text = CImage::p_s_Base85_Data();
	uint32_t *p_result = (p_s_text)? p_ReferenceDecode(true, p_s_text, r_params) : 0;
	if(CImage::b_Dynamic())
		delete[] p_s_text;
	return p_result;
}

int main(int n_arg_num, char **p_arg_list)
{
	FILE *p_file = fopen("picture.png", "rb");
	std::vector<unsigned char> png(64 << 20);
	const size_t n_size = fread(png.data(), 1, png.size(), p_file);
	fclose(p_file);
	// the three decoders take turns, so that a change in the machine's load
	// affects all of them alike
	// the parameters each header passes to its decoder, taken from its p_Decompress()
	const DecodeParams lossless_params = {LOSSLESS_PARAMS}, lossy_params = {LOSSY_PARAMS};
	const size_t n_pixel_num = size_t(CLossless::n_Width()) * size_t(CLossless::n_Height());
	uint32_t *p_reference[2] = {p_ReferenceDecompress<CLossless>(lossless_params),
		p_ReferenceDecompress<CLossy>(lossy_params)};
	uint32_t *p_fast[2] = {CLossless::p_Decompress(), CLossy::p_Decompress()};
	for(int i = 0; i < 2; ++ i) {
		if(!p_reference[i] || !p_fast[i] || memcmp(p_reference[i], p_fast[i], n_pixel_num * sizeof(uint32_t))) {
			fprintf(stderr, "error: the reference decoder disagrees with the header\n");
			return 1;
		}
		delete[] p_reference[i];
		delete[] p_fast[i];
	}
	std::vector<double> lossless_times, lossy_times, stb_times, lossless_reference_times, lossy_reference_times;
	for(int i = 0; i < 31; ++ i) {
		lossless_times.push_back(f_TimeMs([] { delete[] CLossless::p_Decompress(); }));
		lossy_times.push_back(f_TimeMs([] { delete[] CLossy::p_Decompress(); }));
		stb_times.push_back(f_TimeMs([&] {
			int w, h, c;
			stbi_image_free(stbi_load_from_memory(png.data(), int(n_size), &w, &h, &c, 4));
		}));
		lossless_reference_times.push_back(f_TimeMs([&] { delete[] p_ReferenceDecompress<CLossless>(lossless_params); }));
		lossy_reference_times.push_back(f_TimeMs([&] { delete[] p_ReferenceDecompress<CLossy>(lossy_params); }));
	}
	const double f_lossless = f_Median(lossless_times), f_lossy = f_Median(lossy_times), f_stb = f_Median(stb_times);
	printf("%-14s %9d %12.2f %12.2f %12.2f %10.2f %10.2f %12.2f %12.2f\n", (n_arg_num > 1)? p_arg_list[1] : "?",
		CLossless::n_Width() * CLossless::n_Height(), f_lossless, f_lossy, f_stb, f_stb / f_lossless, f_stb / f_lossy,
		f_lossless / f_Median(lossless_reference_times), f_lossy / f_Median(lossy_reference_times));
	return 0;
}
PROGRAM
	# the eight numbers after the text in each header's call of its decoder
	params() { grep -o 'p_Decode_RLE_Huff_Base85([^,]*, [-0-9, ]*)' "$1" | head -n 1 | sed 's/^[^,]*, //; s/)$//'; }
	g++ -O2 -std=c++17 -w -I"$dir" -I"$top/src" -DLOSSLESS_PARAMS="$(params "$dir/lossless.h")" \
		-DLOSSY_PARAMS="$(params "$dir/lossy.h")" "$dir/bench.cpp" "$top/build/src/libpixmold_core.a" -lpng -pthread \
		-o "$dir/bench"
	(cd "$dir" && ./bench "$name")
done
