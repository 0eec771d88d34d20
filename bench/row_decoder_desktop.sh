#!/bin/sh
# Times the row decoder ("--row-decoder") on the desktop: b_Decompress_Into()
# into a buffer the program owns, against p_Decompress() of the same header
# and against QOI's decoder (Debian's libqoi-dev) on the same picture.
#
#   bench/row_decoder_desktop.sh [picture ...]
#
# Without arguments it makes the pictures of bench/row_decoder_m4.sh (a
# 320x240 photo-like picture, a 480x272 screen with alpha) and a 1024x768
# photo-like one, whose 3 MB raster does not stay in the cache. Each picture
# is converted twice, default and lossless; QOI encodes the picture's exact
# pixels (the lossless header's); one program compiled with g++ -O2 decodes
# with the five decoders taking turns for 31 rounds and prints the medians.
# The row decoder must give the pixels of p_Decompress(). Installs libqoi-dev
# and imagemagick when missing.
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
missing=""
for package in libqoi-dev imagemagick g++; do
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
IM=/usr/bin/convert

if [ $# -eq 0 ]; then
	$IM -size 320x240 -seed 5 plasma:fractal -blur 0x1.5 -attenuate 0.2 +noise Gaussian -strip "$work/photo.png"
	$IM -size 480x272 xc:none -fill '#1e3a5f' -draw 'rectangle 0,0 479,36' \
		-fill '#f3f6f9e6' -draw 'roundrectangle 10,48 236,262 10,10' \
		\( -size 196x14 gradient:'#e63946-#457b9d' \) -geometry +25+70 -composite \
		-fill '#3d8bfd' -draw 'roundrectangle 250,48 468,104 12,12' -fill '#fd7e1499' -draw 'circle 359,222 359,184' \
		-strip -define png:color-type=6 "$work/screen.png"
	$IM -size 1024x768 -seed 5 plasma:fractal -blur 0x1.5 -attenuate 0.2 +noise Gaussian -strip "$work/large.png"
	set -- "$work/photo.png" "$work/screen.png" "$work/large.png"
fi

printf '%-10s %9s %10s %10s %10s %10s %8s %10s %10s\n' picture pixels "into def" "p_Dec def" "into lsl" \
	"p_Dec lsl" "qoi" "def ratio" "lsl ratio"
for picture in "$@"; do
	name=$(basename "$picture" | sed 's/\.[^.]*$//')
	dir="$work/$name"
	mkdir -p "$dir"
	cp "$picture" "$dir/lossless.png"
	cp "$picture" "$dir/lossy.png"
	(cd "$dir" && "$tool" lossless.png lossless.h --lossless --row-decoder --self-contained --class-name CLossless \
		>/dev/null 2>&1 && "$tool" lossy.png lossy.h --row-decoder --self-contained --class-name CLossy >/dev/null 2>&1)
	cat > "$dir/bench.cpp" <<'PROGRAM'
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <algorithm>
#include <chrono>
#include <vector>
#include "lossless.h"
#include "lossy.h"
#define QOI_IMPLEMENTATION
#include <qoi.h>

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

static CLossless::RowWork t_lossless_work;
static CLossy::RowWork t_lossy_work;

int main(int n_arg_num, char **p_arg_list)
{
	const size_t n_pixel_num = size_t(CLossless::n_width) * CLossless::n_height;
	std::vector<uint32_t> buffer(n_pixel_num);
	// the row decoder must give the pixels of p_Decompress()
	for(int i = 0; i < 2; ++ i) {
		uint32_t *p_classic = (i)? CLossy::p_Decompress() : CLossless::p_Decompress();
		const bool b_decoded = (i)? CLossy::b_Decompress_Into(t_lossy_work, buffer.data(), CLossy::n_width * 4) :
			CLossless::b_Decompress_Into(t_lossless_work, buffer.data(), CLossless::n_width * 4);
		if(!p_classic || !b_decoded || memcmp(p_classic, buffer.data(), n_pixel_num * 4)) {
			fprintf(stderr, "error: the row decoder disagrees with p_Decompress()\n");
			return 1;
		}
		delete[] p_classic;
	}
	// QOI of the exact pixels (in memory R, G, B, A, as QOI takes them)
	uint32_t *p_exact = CLossless::p_Decompress();
	const qoi_desc t_desc = {unsigned(CLossless::n_width), unsigned(CLossless::n_height), 4, QOI_SRGB};
	int n_qoi_size = 0;
	void *p_qoi = qoi_encode(p_exact, &t_desc, &n_qoi_size);
	delete[] p_exact;
	std::vector<double> p_times[5];
	for(int i = 0; i < 31; ++ i) {
		p_times[0].push_back(f_TimeMs([&] { CLossy::b_Decompress_Into(t_lossy_work, buffer.data(), CLossy::n_width * 4); }));
		p_times[1].push_back(f_TimeMs([] { delete[] CLossy::p_Decompress(); }));
		p_times[2].push_back(f_TimeMs([&] {
			CLossless::b_Decompress_Into(t_lossless_work, buffer.data(), CLossless::n_width * 4);
		}));
		p_times[3].push_back(f_TimeMs([] { delete[] CLossless::p_Decompress(); }));
		p_times[4].push_back(f_TimeMs([&] {
			qoi_desc t_out;
			free(qoi_decode(p_qoi, n_qoi_size, &t_out, 4));
		}));
	}
	free(p_qoi);
	double p_median[5];
	for(int i = 0; i < 5; ++ i)
		p_median[i] = f_Median(p_times[i]);
	printf("%-10s %9zu %10.2f %10.2f %10.2f %10.2f %8.2f %10.2f %10.2f\n", (n_arg_num > 1)? p_arg_list[1] : "?",
		n_pixel_num, p_median[0], p_median[1], p_median[2], p_median[3], p_median[4], p_median[1] / p_median[0],
		p_median[3] / p_median[2]);
	return 0;
}
PROGRAM
	g++ -O2 -std=c++17 -I"$dir" "$dir/bench.cpp" -o "$dir/bench"
	(cd "$dir" && ./bench "$name")
done
