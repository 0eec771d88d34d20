#pragma once

#include "compress/stream_format.h"

/** Why a decoder returned no raster. */
enum class DecodeRefusal {
	None, // it returned a raster
	Parameters, // a decoding parameter is out of range (b_AcceptableDecodeParams())
	Data, // the text does not decode to the plane block that the parameters give
	NoMemory // memory ran out
};

/**
 *	@brief the rules on the eight decoding parameters, which every decoder
 *		checks before it reads the text: sizes and subsampling factor at least
 *		1, at most the tool's pixel limit (b_AcceptableImageSize()) and an
 *		int's worth of pixels, byte counts (up to 16 per pixel) within size_t,
 *		every predictor number (used or not) 0 to 11, and n_huff_stage_size
 *		from a 64th of the plane block to twice it (a run-length packet takes
 *		at least one byte for 64, a run of 128 taking two, and at most two for
 *		one), so that a stream too short or too long for the planes costs no
 *		memory
 */
bool b_AcceptableDecodeParams(const DecodeParams &r_params);

/** @brief the reason in a few plain words, for messages ("the decoding parameters are out of range", ...) */
const char *p_s_DecodeRefusal(DecodeRefusal n_refusal);
