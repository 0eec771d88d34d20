#!/bin/sh
# Makes the small pictures that the tests convert and compile as users would.
# Written by ImageMagick 6 (Debian's imagemagick package); re-running it needs
# the same version to give the same bytes, so the files are kept in the repository.
set -eu
cd "$(dirname "$0")"
IM=/usr/bin/convert
strip="-strip -define png:exclude-chunks=date,time"
# a photograph (ImageMagick's built-in rose), as JPEG 4:2:0 and as PNG
$IM rose: $strip -quality 85 -sampling-factor 2x2 rose.jpg
$IM rose: $strip rose.png
# a gray photograph as a one-component JPEG
$IM rose: $strip -colorspace Gray -quality 90 rose_gray.jpg
# line art with flat colours and hard edges, as a run-length TGA
$IM -size 64x48 xc:white -fill navy -draw "rectangle 4,4 30,40" -fill orange -draw "circle 45,24 45,10" \
	-fill black -draw "line 0,47 63,0" -alpha off -type TrueColor $strip -compress RLE lineart.tga
# smooth colours with a soft alpha edge
$IM -size 72x40 -seed 3 plasma:fractal -blur 0x2 \( -size 72x40 radial-gradient:white-black \) -alpha off \
	-compose copy_opacity -composite $strip -define png:color-type=6 soft_alpha.png
# gray with alpha
$IM -size 40x30 gradient:black-white \( -size 40x30 gradient:white-black -rotate 90 -resize 40x30! \) -alpha off \
	-compose copy_opacity -composite $strip -define png:color-type=4 gray_alpha.png
