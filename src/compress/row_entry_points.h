#pragma once

#include <cstddef>
#include <cstdint>

#include "compress/stream_format.h"

/*
 *	Where each plane begins in the stream, for a decoder that restores the
 *	planes side by side, one cursor per plane, without a first pass over the
 *	data (the row decoder of headers made with "--row-decoder"). The planes
 *	follow one another in one run-length stream under one Huffman code, and a
 *	packet may straddle two planes, so a plane begins inside the packet that
 *	holds its first byte:
 *
 *	  codes  ... [c][b1 b2 b3 b4 b5] ...     a literal packet of 5 bytes
 *	  planes ...  U  U  U |V  V              V begins with the packet's 4th byte:
 *	                                          n_bit, n_code of [c], n_skip = 3
 *
 *	The text position is that of the BASE group which holds the byte of
 *	n_bit: a BASE64 group is four characters for three bytes, but a BASE85
 *	group is five characters for four bytes, or a single '~' for four zero
 *	bytes, so only a walk over the text can tell where a group begins.
 */

/** Where one plane begins. */
struct RowEntryPoint {
	uint64_t n_bit; // the first code of the packet holding the plane's first byte, in bits from the stream's start
	size_t n_code; // the number of codes before that code
	int n_skip; // bytes of that packet that belong to the planes before, 0 to 127
	size_t n_text; // where in the text the group holding the byte of n_bit begins (the text's length past its end)
};

/** The entry points of every plane of an image, in the plane block's order. */
struct RowEntryPoints {
	int n_plane_num;
	RowEntryPoint p_entry[n_max_plane_num];
};

/**
 *	@brief finds the entry points by reading the stream as the reference
 *		decoder does, a code at a time and a packet at a time
 *	@param[in] b_base85 and p_s_text are the BASE of the text and the text,
 *		for the text positions
 *	@param[in] p_stream is the CompressedStream the text decodes to
 *	@param[in] r_params are the decoding parameters; sizes and the subsampling
 *		factor of at least 1, and a plane block that fits the memory
 *	@return false where the reference decoder refuses the stream: the code
 *		table is malformed, a code matches no code, a packet is cut by the end
 *		of the codes or runs past the plane block, or the packets do not fill it
 */
bool b_FindRowEntryPoints(bool b_base85, const char *p_s_text, const uint8_t *p_stream, size_t n_stream_size,
	const DecodeParams &r_params, RowEntryPoints &r_entries);
