#!/bin/bash
# Makes the benchmarks' pictures in a folder, the same bytes on every run with
# the same ImageMagick and fonts (Debian 12: imagemagick 6.9.11, fonts-dejavu-core):
#   screenshot.png  1280x800 user interface: flat panels, antialiased text in
#                   DejaVu Sans, buttons, a table with striped rows, two
#                   gradients and a line chart, the kind of picture firmware
#                   and tools embed most;
#   photo.png       720x477 photo-like picture: a plasma fractal, blurred, with
#                   Gaussian noise, stored as a JPEG of quality 88 with 2x2
#                   chroma subsampling and decoded again (a camera's output);
#   photo-WxH.png   further photo-like pictures of the sizes given as WxH
#                   arguments (the conversion memory benchmark's).
#   bench/make_pictures.sh FOLDER [WxH ...]
set -eu
dir=$1
shift
dejavu=/usr/share/fonts/truetype/dejavu
IM=/usr/bin/convert

words=(status queue buffer render layout window channel sample filter export import settings profile network
	storage device driver update signal output input module)
# $1 words of the list, the first one word $2, each the 7th after the one before
text() {
	local s="" i
	for ((i = 0; i < $1; ++ i)); do
		s+="${words[($2 + i * 7) % ${#words[@]}]}"
		((i + 1 < $1)) && s+=" "
	done
	printf '%s' "$s"
}
side=() para=() table=()
for ((i = 0; i < 14; ++ i)); do side+=(-annotate +44+$((100 + 34 * i)) "$(text 2 $((i * 3)))"); done
for ((i = 0; i < 7; ++ i)); do
	para+=(-annotate +284+$((182 + 20 * i)) "$(text 8 $((i * 5 + 1)))")
	para+=(-annotate +760+$((182 + 20 * i)) "$(text 7 $((i * 3 + 2)))")
done
for ((i = 0; i < 11; ++ i)); do
	y=$((436 + 28 * i))
	table+=(-annotate +292+$y "$(text 1 $i)" -annotate +452+$y "$((i * 37 % 100)).$((i * 13 % 10)) MB"
		-annotate +592+$y "2024-0$((i % 9 + 1))-1$((i % 10))" -annotate +772+$y "$(text 2 $((i + 4)))")
done
$IM -size 1280x800 xc:'#f3f4f6' \
	\( -size 1280x36 gradient:'#4c566a-#2e3440' \) -geometry +0+0 -composite \
	-fill '#e5e7eb' -draw 'rectangle 0,36 1279,63' \
	-fill white -stroke '#d1d5db' -draw 'rectangle 0,64 239,775' -stroke none \
	-fill '#dbeafe' -draw 'rectangle 8,148 231,176' \
	-fill '#6366f1' -draw 'circle 24,96 29,96' \
	-fill white -stroke '#d1d5db' -draw 'roundrectangle 264,84 1256,372 8,8' \
	-draw 'roundrectangle 264,392 1000,752 8,8' -draw 'roundrectangle 1016,392 1256,752 8,8' -stroke none \
	-fill '#f9fafb' -draw 'rectangle 272,444 992,471' -draw 'rectangle 272,500 992,527' \
	-draw 'rectangle 272,556 992,583' -draw 'rectangle 272,612 992,639' -draw 'rectangle 272,668 992,695' \
	-fill '#2563eb' -draw 'roundrectangle 284,320 404,352 6,6' \
	-fill '#e5e7eb' -draw 'roundrectangle 416,320 536,352 6,6' \
	-fill '#dc2626' -draw 'roundrectangle 548,320 668,352 6,6' \
	\( -size 14x560 gradient:'#22c55e-#15803d' -rotate 90 \) -geometry +688+330 -composite \
	\( -size 220x200 gradient:'#bfdbfe-#ffffff' \) -geometry +1026+440 -composite \
	-fill none -stroke '#2563eb' -strokewidth 2 \
	-draw 'polyline 1030,620 1060,580 1090,600 1120,520 1150,540 1180,470 1210,500 1240,450' \
	-stroke none -strokewidth 1 \
	-fill '#1f2937' -draw 'rectangle 0,776 1279,799' \
	-font $dejavu/DejaVuSans-Bold.ttf -pointsize 14 -fill white -annotate +16+24 'Control panel - device settings' \
	-font $dejavu/DejaVuSans.ttf -pointsize 13 -fill '#111827' \
	-annotate +12+55 'File    Edit    View    Tools    Window    Help' \
	-fill '#374151' "${side[@]}" \
	-font $dejavu/DejaVuSans-Bold.ttf -pointsize 18 -fill '#111827' -annotate +284+122 'Network and storage' \
	-font $dejavu/DejaVuSans.ttf -pointsize 12 -fill '#6b7280' \
	-annotate +284+146 'Last updated 12 minutes ago by the scheduler' \
	-fill '#374151' "${para[@]}" \
	-fill white -annotate +324+341 'Apply' -fill '#111827' -annotate +454+341 'Cancel' \
	-fill white -annotate +586+341 'Delete' \
	-font $dejavu/DejaVuSans-Bold.ttf -pointsize 13 -fill '#111827' -annotate +284+416 'Name' \
	-annotate +452+416 'Size' -annotate +592+416 'Modified' -annotate +772+416 'Tags' \
	-font $dejavu/DejaVuSans.ttf -pointsize 12 -fill '#374151' "${table[@]}" \
	-font $dejavu/DejaVuSans-Bold.ttf -pointsize 13 -fill '#111827' -annotate +1030+420 'Throughput' \
	-font $dejavu/DejaVuSansMono.ttf -pointsize 11 -fill '#6b7280' -annotate +1030+680 'min 12.4  max 98.1' \
	-annotate +1030+700 'avg 51.7  p95 90.2' \
	-fill '#e5e7eb' -annotate +10+792 'Ready   42 items   3 selected   UTF-8   Ln 128, Col 17' \
	-depth 8 -strip "$dir/screenshot.png"

# photo-like: WxH SEED NAME
photo() {
	$IM -size "$1" -seed "$2" plasma:fractal -blur 0x1.5 -attenuate 0.4 +noise Gaussian \
		-sampling-factor 2x2 -quality 88 "$dir/$3.jpg"
	$IM "$dir/$3.jpg" -depth 8 -strip "$dir/$3.png"
	rm -f "$dir/$3.jpg"
}
photo 720x477 11 photo
for size in "$@"; do
	photo "$size" 13 "photo-$size"
done
