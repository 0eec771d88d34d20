#pragma once

#include <cstddef>
#include <cstdint>

/**
 *	The one in-memory form of a picture. Pixels are row-major, top row first,
 *	with a stride of n_width pixels; each is alpha << 24 | blue << 16 |
 *	green << 8 | red, so in memory a pixel reads red, green, blue, alpha.
 *	Alpha is 0xff wherever the source has none.
 */
struct RasterImage {
	uint8_t n_channel_bits; // bits per channel of the source file, for information
	bool b_grayscale; // red, green and blue are equal in every pixel
	bool b_alpha; // the alpha bytes carry information
	int32_t n_width;
	int32_t n_height;
	uint32_t *p_pixels; // n_width * n_height pixels
};

/** The largest image the tool takes, in pixels; every reader checks it before allocating. */
const uint64_t n_max_image_pixels = uint64_t(1) << 28;

/**
 *	@brief tells whether an image of the given size may be allocated
 *	@return true for non-negative sizes of at most n_max_image_pixels pixels
 *		(whose byte count therefore fits comfortably in size_t)
 */
bool b_AcceptableImageSize(int64_t n_width, int64_t n_height);

/**
 *	@brief allocates an image record and its pixels, without throwing
 *	@return the new image with all flags clear and the pixels uninitialised,
 *		or null when the size is not acceptable or memory runs out
 *	@note The caller owns the result and releases it with DeleteRasterImage().
 */
RasterImage *p_NewRasterImage(int n_width, int n_height);

/** @brief releases the pixels, then the record; null is ignored */
void DeleteRasterImage(RasterImage *p_image);

/** @brief size of the pixel array in bytes */
inline size_t n_RasterByteSize(const RasterImage &r_image)
{
	return size_t(r_image.n_width) * size_t(r_image.n_height) * sizeof(uint32_t);
}
