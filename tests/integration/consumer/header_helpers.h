#pragma once

#include <stddef.h>
#include <stdint.h>

#include "raster_crc32.h"

/** @brief decodes the image of a generated header class and compares the raster's checksum with n_CRC32() */
template <class CImage>
bool b_DecodesToItsChecksum()
{
	uint32_t *p_raster = CImage::p_Decompress();
	if(!p_raster)
		return false;
	uint32_t n_crc = n_RasterCrc32(p_raster, size_t(CImage::n_Width()) * size_t(CImage::n_Height()));
	delete[] p_raster;
	return n_crc == CImage::n_CRC32();
}
