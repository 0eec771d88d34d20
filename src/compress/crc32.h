#pragma once

#include <cstddef>
#include <cstdint>

struct RasterImage;

/*
 *	CRC-32 of ISO-HDLC / IEEE 802.3, the function zlib's crc32 computes:
 *	reflected polynomial 0xEDB88320, preset all ones, final complement.
 *	The table is a compile-time constant, so it exists before any thread.
 */

/** @brief running update without preset or complement: r = (r >> 8) ^ T[(r ^ byte) & 255] */
uint32_t n_Crc32_Update(size_t n_length, const void *p_data, uint32_t n_running);

/** @brief the whole checksum of a byte block (preset and complement included) */
uint32_t n_Crc32(const void *p_data, size_t n_length);

/**
 *	@brief running update over pixels, each as its bytes red, green, blue,
 *		alpha (the raster's memory order on a little-endian machine, whatever
 *		the machine)
 */
uint32_t n_Crc32_PixelsUpdate(size_t n_pixel_num, const uint32_t *p_pixels, uint32_t n_running);

/** @brief checksum of a raster's width * height pixels, as bytes R, G, B, A per pixel */
uint32_t n_Crc32_Raster(const uint32_t *p_pixels, int n_width, int n_height);

/** @brief checksum of an image's pixels */
uint32_t n_Crc32_Image(const RasterImage &r_image);
