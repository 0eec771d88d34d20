#include "compress/crc32.h"

#include "image/raster_image.h"

namespace {

const uint32_t n_crc32_polynomial = 0xedb88320U;

struct Crc32Table {
	uint32_t p_entry[256];

	constexpr Crc32Table()
		:p_entry()
	{
		for(uint32_t i = 0; i < 256; ++ i) {
			uint32_t n_value = i;
			for(int n_bit = 0; n_bit < 8; ++ n_bit)
				n_value = (n_value & 1)? (n_value >> 1) ^ n_crc32_polynomial : n_value >> 1;
			p_entry[i] = n_value;
		}
	}
};

constexpr Crc32Table crc32_table;

} // namespace

uint32_t n_Crc32_Update(size_t n_length, const void *p_data, uint32_t n_running)
{
	const uint8_t *p_byte = static_cast<const uint8_t*>(p_data);
	for(const uint8_t *p_end = p_byte + n_length; p_byte != p_end; ++ p_byte)
		n_running = (n_running >> 8) ^ crc32_table.p_entry[(n_running ^ *p_byte) & 0xff];
	return n_running;
}

uint32_t n_Crc32(const void *p_data, size_t n_length)
{
	return ~n_Crc32_Update(n_length, p_data, 0xffffffffU);
}

uint32_t n_Crc32_Raster(const uint32_t *p_pixels, int n_width, int n_height)
{
	// pixels are stored little-endian, so memory order is already R, G, B, A
	static_assert(sizeof(uint32_t) == 4, "pixels are 32-bit words");
	return n_Crc32(p_pixels, size_t(n_width) * size_t(n_height) * sizeof(uint32_t));
}

uint32_t n_Crc32_Image(const RasterImage &r_image)
{
	return n_Crc32_Raster(r_image.p_pixels, r_image.n_width, r_image.n_height);
}
