#pragma once

#include <stddef.h>
#include <stdint.h>

/**
 *	@brief CRC-32 of a decoded raster, the checksum that n_CRC32() of a generated header reports
 *	@param[in] p_pixels is the raster returned by p_Decompress()
 *	@param[in] n_pixel_num is width times height
 *	@return Returns the CRC-32 of the raster's bytes in memory order.
 */
uint32_t n_RasterCrc32(const uint32_t *p_pixels, size_t n_pixel_num);
