#!/bin/sh
# Rebuilds the example's own images with ImageMagick 6:
#   badge.png    48x48, a shaded disc on a transparent background (alpha)
#   stripes.tga  64x32, 24-bit uncompressed: a colour ramp crossed by light bars
# Run from this folder: sh make_images.sh
set -e
IM=/usr/bin/convert
"$IM" -size 48x48 radial-gradient:'#ffd040-#c03000' \
	\( -size 48x48 xc:black -fill white -draw 'circle 23.5,23.5 23.5,2' \) \
	-alpha off -compose CopyOpacity -composite \
	-depth 8 -strip -define png:exclude-chunks=date,time badge.png
"$IM" -size 32x64 gradient:'#2060ff-#20e060' -rotate 90 \
	-fill '#f0f0f0' -draw 'rectangle 0,9 63,12' -draw 'rectangle 0,21 63,22' \
	-type TrueColor -compress None stripes.tga
