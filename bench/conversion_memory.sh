#!/bin/sh
# Peak memory of default conversions of photo-like pictures (bench/make_pictures.sh)
# of about 0.3, 2 and 12 megapixels, as the maximum resident set that GNU time
# reports, in bytes per pixel, against the goal of 8 bytes per pixel + 16 MB.
#   bench/conversion_memory.sh [path/to/Pixmold]
# Needs ImageMagick (/usr/bin/convert), the DejaVu fonts and GNU time (/usr/bin/time).
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
tool=$(cd "$(dirname "${1:-$top/build/src/Pixmold}")" && pwd)/$(basename "${1:-$top/build/src/Pixmold}")
for need in "$tool" /usr/bin/convert /usr/bin/time; do
	[ -x "$need" ] || { echo "missing: $need" >&2; exit 1; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
sizes="640x480 1632x1224 4000x3000"
"$top/bench/make_pictures.sh" "$work" $sizes

echo "| picture | pixels | peak resident set | bytes per pixel | goal: 8 bytes per pixel + 16 MB |"
echo "|---|---|---|---|---|"
cd "$work"
for size in $sizes; do
	/usr/bin/time -f %M -o rss.txt "$tool" "photo-$size.png" photo.h > /dev/null 2>&1
	awk -v s="$size" -v r="$(cat rss.txt)" 'BEGIN {
		split(s, d, "x"); n = d[1] * d[2]; b = r * 1024; l = 8 * n + 16 * 1024 * 1024
		printf "| %s | %.1f MP | %.1f MB | %.2f | %.1f MB: %s |\n", s, n / 1e6, b / 1e6, b / n, l / 1e6, (b <= l)? "met" : "MISSED" }'
done
