#!/bin/sh
# Rebuilds the TGA files in this folder, all written by ImageMagick 6
# (/usr/bin/convert; made with 6.9.11-60 Q16), together with the pictures
# they were made from. The tests load each TGA and require exactly the
# pixels of its source picture.
#
# The sources are written as text by awk and turned into PAM files, whose
# pixels are exact: 133 x 6 pixels, so that the flat top row needs two
# run-length packets (128 + 5); fewer than 256 colours, so that the
# colour-mapped files hold every colour exactly.
#   source_color.pam  RGB
#   source_alpha.pam  RGB with alpha (0 to 255, colours kept under alpha 0)
#   source_gray.pam   GRAYSCALE
#
# ImageMagick writes rows in the order it holds them and only records the
# orientation in the image descriptor: with "-orient TopLeft" the file is
# top-down (descriptor bit 5 set); by default it says bottom-up, so the
# bottom-up files are written from the flipped picture ("-flip").
# "-set comment" stores an image ID, which the reader has to skip.
set -eu
cd "$(dirname "$0")"
convert=/usr/bin/convert

# picture W H MODE: MODE is color, alpha or gray
picture() {
	awk -v w="$1" -v h="$2" -v mode="$3" 'BEGIN {
		kind = (mode == "gray")? "gray" : (mode == "alpha")? "srgba" : "srgb"
		printf "# ImageMagick pixel enumeration: %d,%d,255,%s\n", w, h, kind
		for(y = 0; y < h; ++ y) {
			for(x = 0; x < w; ++ x) {
				flat = int(x / 9) % 2 == 0
				if(y == 0) {
					r = 200; g = 30; b = 90; a = 255; v = 77
				} else if(flat) {
					c = (int(x / 9) * 7 + y * 3) % 32
					r = c * 8; g = 255 - c * 8; b = (c * 40) % 256
					a = (y * 40) % 256
					v = (int(x / 9) * 17 + y * 5) % 256
				} else {
					c = (x * 13 + y * 29) % 48
					r = (c * 5) % 256; g = (c * 71) % 256; b = (c * 113) % 256
					a = (x * 19 + y * 50) % 256
					v = (x * x * 3 + y * 31) % 256
				}
				if(mode == "gray")
					printf "%d,%d: (%d)\n", x, y, v
				else if(mode == "alpha")
					printf "%d,%d: (%d,%d,%d,%d)\n", x, y, r, g, b, a
				else
					printf "%d,%d: (%d,%d,%d)\n", x, y, r, g, b
			}
		}
	}' > "source_$3.txt"
	"$convert" "source_$3.txt" "source_$3.pam"
	rm "source_$3.txt"
}

picture 133 6 color
picture 133 6 alpha
picture 133 6 gray

"$convert" source_color.pam -flip color24_bottom_up.tga
"$convert" source_color.pam -orient TopLeft -set comment "Pixmold test corpus" color24_top_down_id.tga
"$convert" source_color.pam -flip -compress RLE color24_rle_bottom_up.tga
"$convert" source_color.pam -orient TopLeft -compress RLE color24_rle_top_down.tga
"$convert" source_color.pam -flip -type Palette mapped_bottom_up.tga
"$convert" source_color.pam -orient TopLeft -type Palette -compress RLE mapped_rle_top_down.tga
"$convert" source_alpha.pam -flip alpha32_bottom_up.tga
"$convert" source_alpha.pam -orient TopLeft -compress RLE alpha32_rle_top_down.tga
"$convert" source_gray.pam -flip -type Grayscale gray_bottom_up.tga
"$convert" source_gray.pam -orient TopLeft -type Grayscale -compress RLE -set comment "gray" gray_rle_top_down_id.tga
