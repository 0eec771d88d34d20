#include "raster_crc32.h"

// Reflected polynomial 0xEDB88320, preset all ones, final complement: the
// common CRC-32, computed a bit at a time since the example checks only a few
// small images.
uint32_t n_RasterCrc32(const uint32_t *p_pixels, size_t n_pixel_num)
{
	const uint32_t n_polynomial = 0xedb88320U;
	const uint8_t *p_byte = reinterpret_cast<const uint8_t*>(p_pixels);
	uint32_t n_crc = 0xffffffffU;
	for(size_t i = 0, n = n_pixel_num * sizeof(uint32_t); i < n; ++ i) {
		n_crc ^= p_byte[i];
		for(int n_bit = 0; n_bit < 8; ++ n_bit)
			n_crc = (n_crc >> 1) ^ ((n_crc & 1)? n_polynomial : 0);
	}
	return ~n_crc;
}
