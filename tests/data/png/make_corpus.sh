#!/bin/sh
# Rebuilds the PNG files of this folder with ImageMagick 6 from the pixel
# listings beside them (ImageMagick's "txt:" enumeration, 8 bits a channel,
# written by hand so that every pixel is known):
#
#   colour.txt     8x4, 15 colours, alpha 255, 192, 128, 64 and 0 (transparent pixels are 0,0,0,0)
#   keyed.txt      8x4, opaque colours and one fully transparent key colour 10,200,30
#   gray.txt       8x4, levels 0, 85, 170, 255 (exact at 2 bits and up), alpha 255, 128 and 0
#   graykeyed.txt  8x4, opaque levels and the fully transparent level 85
#   bw.txt         8x4, black and white only
#   two.txt        8x4, red and blue only
#
# "-alpha off" drops the alpha channel and keeps the colours, so those files
# hold the listing's colours, opaque. Sample depths above 8 bits hold each
# 8-bit value times 257, so the high byte is the listed value.
# Run from this folder: sh make_corpus.sh
set -e
IM=/usr/bin/convert
# no time stamps or comments, so that a rebuild gives the same bytes
OPT="-strip -define png:exclude-chunks=date,time"

im() { src=$1; out=$2; shift 2; "$IM" "$src.txt" "$@" $OPT "$out.png"; }

im bw         gray1                -alpha off -define png:color-type=0 -define png:bit-depth=1
im gray       gray2                -alpha off -define png:color-type=0 -define png:bit-depth=2
im gray       gray4                -alpha off -define png:color-type=0 -define png:bit-depth=4
im gray       gray8                -alpha off -define png:color-type=0 -define png:bit-depth=8
im gray       gray8_interlaced     -alpha off -define png:color-type=0 -define png:bit-depth=8 -interlace PNG
im gray       gray16               -alpha off -define png:color-type=0 -define png:bit-depth=16
im graykeyed  gray8_trns           -define png:color-type=0 -define png:bit-depth=8
im gray       grayalpha8           -define png:color-type=4 -define png:bit-depth=8
im gray       grayalpha16          -define png:color-type=4 -define png:bit-depth=16
im colour     rgb8                 -alpha off -define png:color-type=2 -define png:bit-depth=8
im colour     rgb8_interlaced      -alpha off -define png:color-type=2 -define png:bit-depth=8 -interlace PNG
im colour     rgb16                -alpha off -define png:color-type=2 -define png:bit-depth=16
im keyed      rgb8_trns            -define png:color-type=2 -define png:bit-depth=8
im colour     rgba8                -define png:color-type=6 -define png:bit-depth=8
im colour     rgba8_interlaced     -define png:color-type=6 -define png:bit-depth=8 -interlace PNG
im colour     rgba16               -define png:color-type=6 -define png:bit-depth=16
im two        palette1             -define png:color-type=3 -define png:bit-depth=1
im two        palette2             -define png:color-type=3 -define png:bit-depth=2
im colour     palette4             -alpha off -define png:color-type=3 -define png:bit-depth=4
im colour     palette8_interlaced  -alpha off -define png:color-type=3 -define png:bit-depth=8 -interlace PNG
# forcing png:color-type=3 would drop the alpha; a palette type with alpha gives colour type 3 with tRNS
im colour     palette4_trns        -type PaletteAlpha -define png:bit-depth=4
im colour     palette8_trns        -type PaletteAlpha -define png:bit-depth=8
