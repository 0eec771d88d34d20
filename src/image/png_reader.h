#pragma once

#include "image/load_failure.h"
#include "image/raster_image.h"

/**
 *	@brief loads a PNG file of any colour type, bit depth and interlace method
 *		through libpng
 *	@param[in] p_s_filename path of the file
 *	@return a new image that the caller owns (release with DeleteRasterImage()),
 *		or null when the file cannot be opened or decoded, is larger than the
 *		tool's pixel limit, or memory runs out; nothing is printed
 *	@param[out] p_failure receives the reason when no image is returned (may be null)
 *	@note Palette files and gray files below 8 bits arrive as RGB, 16-bit
 *		samples are cut to their high byte and a tRNS chunk becomes an alpha
 *		channel; n_channel_bits keeps the bit depth the file was stored with.
 *	@note Besides the raster, a load holds a few rows (its own and libpng's),
 *		or for an interlaced file every row at up to 4 bytes a pixel, whatever
 *		the image's shape.
 */
RasterImage *p_LoadPngImage(const char *p_s_filename, LoadFailure *p_failure = nullptr);
