#!/bin/sh
# Times the decompression of generated headers against stb_image decoding the
# same pictures stored as optimised PNG files, side by side in one run.
#
#   bench/compare_decoders.sh [picture ...]
#
# Without arguments it makes two photo-like pictures with ImageMagick. Each
# picture is converted twice, lossless and with the default settings; the PNG
# is optimised with "optipng -o2"; one program compiled with -O2 times
# p_Decompress() of both headers and stbi_load_from_memory() of the PNG and
# prints medians of 31 rounds in which the three take turns. Installs optipng
# and libstb-dev when missing.
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
cmake --build "$top/build" --target Pixmold -j "$(nproc)" >/dev/null
tool="$top/build/src/Pixmold"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

if [ $# -eq 0 ]; then
	/usr/bin/convert -size 1024x768 -seed 5 plasma:fractal -blur 0x1.5 -attenuate 0.2 +noise Gaussian -strip "$work/plasma.png"
	/usr/bin/convert -size 720x477 -seed 9 plasma:fractal -blur 0x0.7 -strip "$work/detail.png"
	set -- "$work/plasma.png" "$work/detail.png"
fi

printf '%-14s %9s %12s %12s %12s %10s %10s\n' picture pixels "lossless ms" "default ms" "stb ms" "stb/lossl" "stb/deflt"
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

int main(int n_arg_num, char **p_arg_list)
{
	FILE *p_file = fopen("picture.png", "rb");
	std::vector<unsigned char> png(64 << 20);
	const size_t n_size = fread(png.data(), 1, png.size(), p_file);
	fclose(p_file);
	// the three decoders take turns, so that a change in the machine's load
	// affects all of them alike
	std::vector<double> lossless_times, lossy_times, stb_times;
	for(int i = 0; i < 31; ++ i) {
		lossless_times.push_back(f_TimeMs([] { delete[] CLossless::p_Decompress(); }));
		lossy_times.push_back(f_TimeMs([] { delete[] CLossy::p_Decompress(); }));
		stb_times.push_back(f_TimeMs([&] {
			int w, h, c;
			stbi_image_free(stbi_load_from_memory(png.data(), int(n_size), &w, &h, &c, 4));
		}));
	}
	const double f_lossless = f_Median(lossless_times), f_lossy = f_Median(lossy_times), f_stb = f_Median(stb_times);
	printf("%-14s %9d %12.2f %12.2f %12.2f %10.2f %10.2f\n", (n_arg_num > 1)? p_arg_list[1] : "?",
		CLossless::n_Width() * CLossless::n_Height(), f_lossless, f_lossy, f_stb, f_stb / f_lossless, f_stb / f_lossy);
	return 0;
}
PROGRAM
	g++ -O2 -std=c++17 -w -I"$dir" "$dir/bench.cpp" -o "$dir/bench"
	(cd "$dir" && ./bench "$name")
done
