#pragma once

#include <cstdio>

#include "image/load_failure.h"
#include "image/raster_image.h"

/**
 *	@brief decodes a baseline or extended sequential, Huffman-coded JPEG file
 *		with 8-bit samples and one (gray) or three (YCbCr) components
 *	@param[in] p_file is a stream opened for binary reading; the caller closes it
 *	@return a new image (release with DeleteRasterImage()), or null when the
 *		file is not such a JPEG, is damaged or truncated, cannot be read, or
 *		memory runs out
 *	@param[out] p_failure receives the reason when no image is returned (may be
 *		null): every refusal records one
 *	@note Prints nothing.
 */
RasterImage *p_DecodeJpeg(FILE *p_file, LoadFailure *p_failure = nullptr);
