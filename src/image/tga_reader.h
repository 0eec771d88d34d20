#pragma once

#include "image/load_failure.h"

struct RasterImage;

/**
 *	@brief loads a TGA file: colour-mapped, true-colour (16, 24 or 32 bits)
 *		or grayscale (8 bits, or 16 with alpha), uncompressed or run-length
 *		coded, stored either way up
 *	@param[in] p_s_filename is path to the file
 *	@return a new image (release with DeleteRasterImage()), or null when the
 *		file cannot be read, is malformed or truncated, or is too large
 *	@param[out] p_failure receives the reason when no image is returned (may be null)
 *	@note Prints nothing; the caller reports failures.
 */
RasterImage *p_LoadTgaImage(const char *p_s_filename, LoadFailure *p_failure = nullptr);
