#pragma once

#include <cstdint>

#include "image/jpeg_decoder_state.h"
#include "image/load_failure.h"
#include "image/raster_image.h"

/**
 *	The chroma terms of the YCbCr to RGB conversion, per unsigned chroma value
 *	u: trunc((u - 128) * factor), truncated toward zero.
 *	R = Y + cr_r[Cr], G = Y + cb_g[Cb] + cr_g[Cr], B = Y + cb_b[Cb].
 */
struct JpegColorTables {
	int16_t p_cr_r[256]; // factor 1.402
	int16_t p_cb_g[256]; // factor -0.34414
	int16_t p_cr_g[256]; // factor -0.71414
	int16_t p_cb_b[256]; // factor 1.772
};

void MakeJpegColorTables(JpegColorTables &r_tables);

/**
 *	@brief tells whether the frame's components are ones the output converts:
 *		one gray component, or Y, Cb and Cr; records why not
 *	@note Decides from what the file says before its scan: an Adobe APP14
 *		segment's transform, else the component identifiers.
 */
bool b_CheckJpegColorSpace(const JpegDecoder &r_decoder, LoadFailure *p_failure);

/**
 *	@brief builds the image from the component planes of a decoded frame
 *		(one gray component, or Y, Cb and Cr in frame order), replicating each
 *		plane sample over the n_hs x n_vs pixels it covers
 *	@return a new image (the caller owns it), or null when memory runs out or
 *		the component count is neither 1 nor 3, with the reason recorded in
 *		p_failure (may be null)
 */
RasterImage *p_AssembleJpegImage(const JpegDecoder &r_decoder, LoadFailure *p_failure);
