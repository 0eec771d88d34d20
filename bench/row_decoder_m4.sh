#!/bin/sh
# Measures the row decoder ("--row-decoder") on an emulated Cortex-M4 (QEMU's
# mps2-an386 board, the board support of tests/firmware): for each picture
# and setting, the decoder's code and constant bytes, its RAM (sizeof(RowWork)
# and the stack the decode used, found by painting the stack), and the
# instructions per pixel of a decode into RGB565 rows (as an SPI panel takes
# them) and into ARGB rows.
#
#   bench/row_decoder_m4.sh
#
# The pictures are made with ImageMagick: a 320x240 photo-like picture (a
# plasma, blurred, with mild noise), and a 480x272 screen of a user
# interface with a transparent background (bars, buttons, gradients, a
# translucent panel, anti-aliased shapes). Each header is compiled three
# times with arm-none-eabi-g++ -mcpu=cortex-m4 -mthumb -Os -fno-exceptions
# -fno-rtti (bench/firmware/row_bench.cpp): without a decode (the baseline
# that only keeps the text), with the RGB565 decode and with the ARGB decode;
# code and constants are the growth of .text and .rodata over the baseline.
# QEMU runs with -icount shift=0, one nanosecond of virtual time per
# instruction, so SysTick counts instructions; each run times a loop of
# 2,000,000 instructions first, which gives the instructions per tick.
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/install-deps.sh" test
cmake -S "$top" -B "$top/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$top/build" --target Pixmold -j "$(nproc)" >/dev/null
tool="$top/build/src/Pixmold"
firmware="$top/tests/firmware"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
IM=/usr/bin/convert

$IM -size 320x240 -seed 5 plasma:fractal -blur 0x1.5 -attenuate 0.2 +noise Gaussian -strip "$work/photo.png"
$IM -size 480x272 xc:none \
	-fill '#1e3a5f' -draw 'rectangle 0,0 479,36' \
	-fill '#f3f6f9e6' -draw 'roundrectangle 10,48 236,262 10,10' \
	\( -size 196x14 gradient:'#e63946-#457b9d' \) -geometry +25+70 -composite \
	\( -size 196x14 gradient:'#2a9d8f-#e9c46a' \) -geometry +25+96 -composite \
	-fill '#3d8bfd' -draw 'roundrectangle 250,48 468,104 12,12' \
	-fill '#20c997' -draw 'roundrectangle 250,116 468,172 12,12' \
	-fill '#fd7e1499' -draw 'circle 359,222 359,184' \
	-stroke '#264653' -strokewidth 3 -fill none -draw 'polyline 25,240 70,150 115,200 160,130 210,180' \
	-stroke none -fill '#ffffff' -draw 'rectangle 20,10 140,26' -draw 'circle 455,18 455,8' \
	-strip -define png:color-type=6 "$work/screen.png"

# name, picture, options
cases="photo_default photo.png -
photo_lossless photo.png --lossless
screen_default screen.png -
screen_lossless screen.png --lossless"

flags="-mcpu=cortex-m4 -mthumb -Os -fno-exceptions -fno-rtti -std=c++11 -ffunction-sections -fdata-sections
	-nostartfiles -Wl,--gc-sections -T $firmware/mps2_an386.ld -I $firmware"
printf '%-16s %9s %7s %7s %7s %9s %7s %7s %7s %11s %9s\n' case pixels text code consts RowWork stack RAM \
	"RAM/W" "RGB565 i/px" "ARGB i/px"
echo "$cases" | while read -r name picture options; do
	[ "$options" = - ] && options=
	dir="$work/$name"
	mkdir -p "$dir"
	# shellcheck disable=SC2086
	(cd "$dir" && "$tool" "$work/$picture" image.h --row-decoder --self-contained --class-name CImage $options \
		>/dev/null 2>&1)
	accessor=p_s_Base85_Data
	grep -q 'p_Base85_Literals()' "$dir/image.h" && accessor=p_Base85_Literals
	width=$(sed -n 's/^\t\tn_width = \([0-9]*\),$/\1/p' "$dir/image.h")
	height=$(sed -n 's/^\t\tn_height = \([0-9]*\)$/\1/p' "$dir/image.h")
	text=$(sed -n 's/.*p_literal, [0-9]*, \([0-9]*\),$/\1/p' "$dir/image.h")
	for output in 0 1 2; do
		# shellcheck disable=SC2086
		arm-none-eabi-g++ $flags -DPIXMOLD_BENCH_HEADER='"image.h"' -DPIXMOLD_BENCH_CLASS=CImage \
			-DPIXMOLD_BENCH_TEXT=$accessor -DPIXMOLD_BENCH_OUTPUT=$output -I "$dir" \
			-o "$dir/bench$output.elf" "$top/bench/firmware/row_bench.cpp" "$firmware/startup.cpp"
	done
	section() { # section <elf> <name>: its size
		arm-none-eabi-size -A "$1" | awk -v name="$2" '$1 == name { print $2 }'
	}
	code=$(( $(section "$dir/bench1.elf" .text) - $(section "$dir/bench0.elf" .text) ))
	consts=$(( $(section "$dir/bench1.elf" .rodata) - $(section "$dir/bench0.elf" .rodata) ))
	run() { # run <elf>: the program's line
		timeout 300 qemu-system-arm -M mps2-an386 -nographic -semihosting -icount shift=0 -kernel "$1" \
			</dev/null 2>&1 | grep '^calibration'
	}
	rgb565=$(run "$dir/bench1.elf")
	argb=$(run "$dir/bench2.elf")
	echo "$rgb565 $argb" | awk -v name="$name" -v width="$width" -v height="$height" -v text="$text" \
		-v code="$code" -v consts="$consts" '{
		if($9 != "ok" || $18 != "ok") { print name ": the decode failed"; exit 1 }
		pixels = width * height
		ram = $8 + $6
		printf "%-16s %9d %7d %7d %7d %9d %7d %7d %7.1f %11.1f %9.1f\n", name, pixels, text, code, consts, $8, $6,
			ram, ram / width, $4 * 2000000 / $2 / pixels, $13 * 2000000 / $11 / pixels
	}'
done
