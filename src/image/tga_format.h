#pragma once

#include <cstddef>
#include <cstdint>

/*
 *	A TGA file is an 18-byte little-endian header, the image ID, the colour
 *	map and the pixel rows:
 *
 *	offset size field
 *	     0    1 ID length, in bytes
 *	     1    1 colour map type (not looked at: the map length alone counts)
 *	     2    1 image type: bits 0-2 the kind, bit 3 run-length coding
 *	     3    2 first colour map entry index, subtracted from every stored index
 *	     5    2 colour map length, in entries
 *	     7    1 colour map entry size, in bits
 *	     8    4 x and y origin (not looked at)
 *	    12    2 width
 *	    14    2 height
 *	    16    1 pixel depth, in bits
 *	    17    1 image descriptor: bit 5 set when the first stored row is the top row
 *
 *	Run-length rows are packets, each a byte h and then values:
 *	h & 0x80 set: one value, repeated (h & 0x7f) + 1 times;
 *	otherwise:    h + 1 values.
 *	A packet never runs past the end of a row.
 */

const size_t n_tga_header_size = 18;

/** Byte offsets of the header fields. */
enum TgaHeaderField {
	tga_IdLength = 0,
	tga_ImageType = 2,
	tga_FirstEntry = 3,
	tga_MapLength = 5,
	tga_EntrySize = 7,
	tga_Width = 12,
	tga_Height = 14,
	tga_PixelDepth = 16,
	tga_Descriptor = 17
};

/** Image kinds, the low three bits of the image type. */
enum TgaKind {
	tga_kind_ColorMapped = 1, // one byte per pixel, an index into the colour map
	tga_kind_TrueColor = 2, // 16, 24 or 32 bits per pixel
	tga_kind_Grayscale = 3 // pixel depth 8: a gray byte; 16: a gray byte, then an alpha byte
};

const int n_tga_kind_mask = 7;
const int n_tga_rle_flag = 8; // in the image type
const int n_tga_top_down_flag = 0x20; // in the image descriptor
const int n_tga_run_flag = 0x80; // in a packet byte
const int n_tga_max_packet_pixels = 128;
