#!/bin/sh
# Times Pixmold against "optipng -o2" on the same pictures, side by side:
#   a 1024x768 photo-like picture, default conversion;
#   a 720x477 JPEG photograph, converted to TGA first, default conversion;
#   a 512x384 picture with a soft alpha channel, "--exhaustive".
# Each side runs RUNS times (default 7), alternately; the medians and their
# ratio are printed with the goal. Then the peak memory of a default
# conversion of the photo-like picture, against 24 bytes per pixel + 32 MB.
#   bench/compare_optipng.sh [path/to/Pixmold]
# Needs ImageMagick (/usr/bin/convert), optipng and GNU time (/usr/bin/time).
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
tool=$(cd "$(dirname "${1:-$top/build/src/Pixmold}")" && pwd)/$(basename "${1:-$top/build/src/Pixmold}")
runs=${RUNS:-7}
IM=/usr/bin/convert
for need in "$tool" "$IM" /usr/bin/time; do
	[ -x "$need" ] || { echo "missing: $need" >&2; exit 1; }
done
command -v optipng >/dev/null || { echo "missing: optipng" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

# photo-like pictures: a blurred plasma fractal with mild noise, 8 bits per channel
$IM -size 1024x768 -seed 7 plasma:fractal -blur 0x2 -attenuate 0.3 +noise Gaussian -depth 8 photo.png
$IM photo.png photo.tga
$IM -size 720x477 -seed 11 plasma:fractal -blur 0x1.5 -attenuate 0.4 +noise Gaussian \
	-sampling-factor 2x2 -quality 88 jpeg_photo.jpg
$IM jpeg_photo.jpg -depth 8 jpeg_photo.tga
$IM jpeg_photo.jpg -depth 8 jpeg_photo.png
$IM -size 512x384 -seed 3 plasma:fractal -blur 0x2 -attenuate 0.3 +noise Gaussian \
	\( -size 512x384 radial-gradient:white-black \) -alpha off -compose copy_opacity -composite \
	-depth 8 -define png:color-type=6 alpha.png
$IM alpha.png alpha.tga

now_ns() { date +%s%N; }

# prints the median of the numbers on standard input
median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2)? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# compare NAME GOAL PIXMOLD-ARGUMENTS...: times the tool on NAME.tga and optipng on NAME.png
compare() {
	name=$1 goal=$2
	shift 2
	: > pixmold.times
	: > optipng.times
	i=0
	while [ $i -lt "$runs" ]; do
		t0=$(now_ns)
		"$tool" "$name.tga" "$name.h" "$@" > /dev/null 2>&1 || { echo "Pixmold failed on $name" >&2; exit 1; }
		t1=$(now_ns)
		rm -f "$name.opt.png" # optipng refuses to replace its output
		t2=$(now_ns)
		optipng -quiet -o2 -force -out "$name.opt.png" "$name.png"
		t3=$(now_ns)
		echo $(( (t1 - t0) / 1000 )) >> pixmold.times
		echo $(( (t3 - t2) / 1000 )) >> optipng.times
		i=$((i + 1))
	done
	p=$(median < pixmold.times)
	o=$(median < optipng.times)
	awk -v n="$name $*" -v p="$p" -v o="$o" -v g="$goal" 'BEGIN {
		r = p / o
		printf "| %-24s | %9.1f ms | %9.1f ms | %5.3f | <= %5.3f | %s |\n", n, p / 1000, o / 1000, r, g, (r <= g)? "met" : "MISSED" }'
}

echo "median of $runs runs each, wall time"
echo "| conversion               |   Pixmold    | optipng -o2  | ratio |  goal    |        |"
echo "|--------------------------|--------------|--------------|-------|----------|--------|"
compare photo 0.2
compare jpeg_photo 0.2
compare alpha 0.5 --exhaustive

pixels=$((1024 * 768))
/usr/bin/time -f %M -o rss.txt "$tool" photo.tga photo.h > /dev/null 2>&1
rss_kb=$(cat rss.txt)
limit_kb=$(( (24 * pixels + 32 * 1024 * 1024) / 1024 ))
echo
echo "peak memory, default conversion of photo.tga (1024x768, one run):"
awk -v r="$rss_kb" -v l="$limit_kb" -v n="$pixels" 'BEGIN {
	printf "  maximum resident set %.1f MB (%.1f bytes per pixel), limit 24 bytes per pixel + 32 MB = %.1f MB: %s\n",
		r / 1024, r * 1024 / n, l / 1024, (r <= l)? "met" : "MISSED" }'
