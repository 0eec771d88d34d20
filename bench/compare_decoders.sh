#!/bin/sh
# Times the decompression of generated headers against stb_image and libpng
# decoding the same pictures stored as optimised PNG files, and against QOI
# decoding them as QOI images, side by side in one process
# (bench/compare_decoders.cpp: medians of 31 rounds in which the decoders take
# turns, headers compiled with g++ -O2).
#
#   bench/compare_decoders.sh [picture ...]
#
# Without arguments it times the pictures of bench/make_pictures.sh: the
# 1280x800 screenshot and the 720x477 photo-like picture. Each picture is
# converted twice, with "--lossless" and with the default settings; the PNG is
# optimised with "optipng -o2". The columns x/lossless and x/default are the
# other decoder's time over the header's, so above 1 the header is faster.
# Installs optipng, libstb-dev, libqoi-dev and ImageMagick when missing.
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
missing=""
for package in optipng libstb-dev libqoi-dev libpng-dev imagemagick fonts-dejavu-core g++; do
	dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing="$missing $package"
done
if [ -n "$missing" ]; then
	apt-get install -y --no-install-recommends $missing || { apt-get update && apt-get install -y --no-install-recommends $missing; }
fi
cmake -S "$top" -B "$top/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$top/build" --target Pixmold pixmold_core -j "$(nproc)" >/dev/null
tool="$top/build/src/Pixmold"
work=${KEEP_DIR:-$(mktemp -d)}
[ -n "${KEEP_DIR:-}" ] || trap 'rm -rf "$work"' EXIT
mkdir -p "$work"

if [ $# -eq 0 ]; then
	"$top/bench/make_pictures.sh" "$work"
	set -- "$work/screenshot.png" "$work/photo.png"
fi

echo "| picture | size | lossless header | default header | stb_image | libpng | QOI |" \
	"stb/lossless | stb/default | QOI/lossless | QOI/default |"
echo "|---|---|---|---|---|---|---|---|---|---|---|"
for picture in "$@"; do
	name=$(basename "$picture" | sed 's/\.[^.]*$//')
	dir="$work/$name"
	mkdir -p "$dir"
	# (the tool reads the PNG: ImageMagick 6 writes TGA files upside down)
	/usr/bin/convert "$picture" -strip "$dir/picture.png"
	optipng -o2 -quiet "$dir/picture.png"
	(cd "$dir" && "$tool" picture.png lossless.h --lossless --class-name CLossless >/dev/null 2>&1 &&
		sed -i 's/__PICTURE_PNG_INCLUDED/__LOSSLESS_INCLUDED/g' lossless.h &&
		"$tool" picture.png lossy.h --class-name CLossy >/dev/null 2>&1 &&
		sed -i 's/__PICTURE_PNG_INCLUDED/__LOSSY_INCLUDED/g' lossy.h)
	# the eight numbers after the text in each header's call of its decoder
	params() { grep -o 'p_Decode_RLE_Huff_Base85([^,]*, [-0-9, ]*)' "$1" | head -n 1 | sed 's/^[^,]*, //; s/)$//'; }
	g++ -O2 -std=c++17 -w -g -I"$dir" -I"$top/src" -DLOSSLESS_PARAMS="$(params "$dir/lossless.h")" \
		-DLOSSY_PARAMS="$(params "$dir/lossy.h")" "$top/bench/compare_decoders.cpp" \
		"$top/build/src/libpixmold_core.a" -lpng -pthread -o "$dir/bench"
	(cd "$dir" && ./bench "$name")
done
