#!/bin/sh
# Mutation test of the whole tool as a user meets it: real TGA, PNG and JPEG
# files (made by ImageMagick, libjpeg and libpng) and the files of hostile
# sizes, each mutated the given number of times (default 250, some 4500
# files; CI uses 20), are converted with one of four option sets by the
# Pixmold executable built with AddressSanitizer and UndefinedBehaviorSanitizer,
# under a time-out and a cap on every single allocation. Every run must end
# with status 0, or with 255 and an error message: never a signal, a
# sanitizer report or a time-out.
#
# usage: scripts/fuzz-mutate.sh [mutations-per-file]
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
build="$top/build-fuzz"

# one run: the file to convert; prints "pass STATUS" or "FAIL file: reason"
if [ "${1:-}" = --check ]; then
	file=$2
	dir=$(mktemp -d)
	status=0
	# the mutation number picks one of four option sets
	number=$(basename "$file" | sed -n 's/.*_0*\([0-9][0-9]*\)\..*/\1/p')
	case $(( ${number:-0} % 4 )) in
	0) options= ;;
	1) options="--lossless --base-64" ;;
	2) options="--shared-decompress --alpha --subsample 3 --chroma-bpp 4" ;;
	*) options="--gray --no-code-opts --no-alpha --max-line-len 20 --max-cstr-len 50" ;;
	esac
	(cd "$dir" && exec timeout 20 "$build/fuzz/pixmold_asan" "$file" out.h $options) >"$dir/out" 2>"$dir/err" || status=$?
	reason=
	if grep -q -e 'Sanitizer' -e 'runtime error:' "$dir/err"; then
		reason="sanitizer report"
	elif [ "$status" -eq 124 ]; then
		reason="time-out"
	elif [ "$status" -ne 0 ] && [ "$status" -ne 255 ]; then
		reason="status $status"
	elif [ "$status" -eq 255 ] && ! grep -q 'error' "$dir/err"; then
		reason="status 255 without a message"
	fi
	if [ -n "$reason" ]; then
		echo "FAIL $file: $reason: $(head -c 300 "$dir/err" | tr '\n' ' ')"
	else
		echo "pass $status"
	fi
	rm -rf "$dir"
	exit 0
fi

mutations=${1:-250}
"$top/scripts/fuzz-build.sh"
work="$build/fuzz-mutate"
rm -rf "$work"
mkdir -p "$work/sources"
convert=/usr/bin/convert
(
	cd "$work/sources"
	$convert rose: -resize 48x32! rose24.tga
	$convert rose: -resize 40x30! -compress RLE rose_rle.tga
	$convert rose: -resize 32x24! -alpha set -channel A -fx 'i/w' +channel rose_alpha.tga
	$convert rose: -resize 30x20! -colorspace gray -type grayscale gray.tga
	$convert rose: -resize 30x20! -colors 16 -type palette palette.tga
	$convert rose: -resize 48x32! rose.png
	$convert rose: -resize 40x30! -colors 8 -type palette palette.png
	$convert rose: -resize 32x24! -alpha set -channel A -fx 'j/h' +channel -depth 16 alpha16.png
	$convert rose: -resize 30x20! -colorspace gray -depth 8 -interlace PNG gray_adam7.png
	$convert rose: -resize 48x32! -quality 85 rose.jpg
	$convert rose: -resize 40x30! -sampling-factor 1x1 -quality 95 rose444.jpg
	$convert rose: -resize 30x20! -colorspace gray gray.jpg
)
seeds="$build/seeds"
cp "$seeds/jpeg_decoder/ycc_2x2_rst1_q95_24x24.jpg" "$seeds/jpeg_decoder/gray_1x1_rst1_q90_17x13.jpg" \
	"$seeds/png_reader/type3_4_trns.png" "$seeds/png_reader/type0_2_trns_adam7.png" \
	"$seeds/tga_reader/kind9_16.tga" "$seeds/tga_reader/kind11_8.tga" "$work/sources/"

"$build/fuzz/mutate_files" "$work/files" "$mutations" 1 "$work/sources"/*
cp "$seeds/hostile"/* "$work/files/"

export ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=0:max_allocation_size_mb=256
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
start=$(date +%s)
find "$work/files" -type f | sort | xargs -P 2 -n 1 "$0" --check >"$work/results.txt"
grep '^FAIL' "$work/results.txt" || true
total=$(wc -l <"$work/results.txt")
failed=$(grep -c '^FAIL' "$work/results.txt" || true)
echo "mutation test: $total files in $(( $(date +%s) - start )) s:" \
	"$(grep -c '^pass 0$' "$work/results.txt" || true) converted," \
	"$(grep -c '^pass 255$' "$work/results.txt" || true) refused with a message"
echo "$((total - failed)) passed, $failed failed"
[ "$failed" -eq 0 ]
