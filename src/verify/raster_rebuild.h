#pragma once

#include <cstddef>
#include <cstdint>

#include "compress/stream_format.h"
#include "image/raster_image.h"

/*
 *	The last step of decoding: every pixel rebuilt from its Y sample, the
 *	chroma samples of its block and its A sample (255 without an alpha
 *	plane), by the colour terms of the decompressor every header carries:
 *	gray, the lifting transform undone, or the lossy colours computed in
 *	integers. Pixels are alpha << 24 | blue << 16 | green << 8 | red.
 */

/**
 *	@brief rebuilds a run of pixels, in raster order, from a plane block whose
 *		prediction is undone (or not yet applied)
 *	@param[in] r_params gives the image size, the subsampling factor and the colour type
 *	@param[in] n_first is the index of the first pixel (y * width + x)
 *	@param[out] p_pixel receives n_count pixels
 */
void RebuildPixels(const uint8_t *p_planes, const DecodeParams &r_params, size_t n_first, size_t n_count,
	uint32_t *p_pixel);

/** The raster a plane block decodes to, against the image it was made from. */
struct RebuiltRaster {
	uint32_t n_crc; // over each pixel's bytes red, green, blue, alpha, as the header's n_CRC32() states it
	uint32_t n_differ; // pixels that differ from the image's
};

/**
 *	@brief rebuilds the raster a plane block decodes to, a chunk at a time, and
 *		compares it with the image (if any) as it goes, so that no second raster
 *		is held
 *	@param[in] p_image is the image the planes were made from, or null; the alpha
 *		bytes of an image without alpha mean opaque whatever they hold (a
 *		colour-mapped TGA gives all-zero pixels for indices outside its map)
 */
RebuiltRaster t_RebuildRaster(const uint8_t *p_planes, const DecodeParams &r_params, const RasterImage *p_image);

/** @brief CRC-32 of the raster that a plane block decodes to, as the header's n_CRC32() states it */
inline uint32_t n_RebuiltRasterChecksum(const uint8_t *p_planes, const DecodeParams &r_params)
{
	return t_RebuildRaster(p_planes, r_params, nullptr).n_crc;
}
