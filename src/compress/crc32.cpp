#include "compress/crc32.h"

#include "image/raster_image.h"

namespace {

const uint32_t n_crc32_polynomial = 0xedb88320U;

/*
 *	p_entry[0] is the classic table: entry i is i shifted right eight times,
 *	each shift followed by an exclusive-or with the polynomial when the bit
 *	shifted out was 1. p_entry[k] advances a byte through k more zero bytes,
 *	so eight bytes can be folded in at once ("slicing by eight"); the result
 *	is the same as one byte at a time.
 */
struct Crc32Table {
	uint32_t p_entry[8][256];

	constexpr Crc32Table()
		:p_entry()
	{
		for(uint32_t i = 0; i < 256; ++ i) {
			uint32_t n_value = i;
			for(int n_bit = 0; n_bit < 8; ++ n_bit)
				n_value = (n_value & 1)? (n_value >> 1) ^ n_crc32_polynomial : n_value >> 1;
			p_entry[0][i] = n_value;
		}
		for(int k = 1; k < 8; ++ k) {
			for(uint32_t i = 0; i < 256; ++ i)
				p_entry[k][i] = (p_entry[k - 1][i] >> 8) ^ p_entry[0][p_entry[k - 1][i] & 0xff];
		}
	}
};

constexpr Crc32Table crc32_table;

} // namespace

uint32_t n_Crc32_Update(size_t n_length, const void *p_data, uint32_t n_running)
{
	const uint8_t *p_byte = static_cast<const uint8_t*>(p_data);
	const uint32_t (&t)[8][256] = crc32_table.p_entry;
	for(; n_length >= 8; n_length -= 8, p_byte += 8) {
		const uint32_t n_low = n_running ^ (uint32_t(p_byte[0]) | uint32_t(p_byte[1]) << 8 |
			uint32_t(p_byte[2]) << 16 | uint32_t(p_byte[3]) << 24);
		n_running = t[7][n_low & 0xff] ^ t[6][(n_low >> 8) & 0xff] ^ t[5][(n_low >> 16) & 0xff] ^
			t[4][n_low >> 24] ^ t[3][p_byte[4]] ^ t[2][p_byte[5]] ^ t[1][p_byte[6]] ^ t[0][p_byte[7]];
	}
	for(const uint8_t *p_end = p_byte + n_length; p_byte != p_end; ++ p_byte)
		n_running = (n_running >> 8) ^ t[0][(n_running ^ *p_byte) & 0xff];
	return n_running;
}

uint32_t n_Crc32(const void *p_data, size_t n_length)
{
	return ~n_Crc32_Update(n_length, p_data, 0xffffffffU);
}

uint32_t n_Crc32_PixelsUpdate(size_t n_pixel_num, const uint32_t *p_pixels, uint32_t n_running)
{
	// a chunk at a time, each pixel written out least significant byte first
	const size_t n_chunk_pixels = 1024;
	uint8_t p_bytes[4 * n_chunk_pixels];
	for(size_t n_done = 0; n_done < n_pixel_num; n_done += n_chunk_pixels) {
		const size_t n_count = (n_pixel_num - n_done < n_chunk_pixels)? n_pixel_num - n_done : n_chunk_pixels;
		for(size_t i = 0; i < n_count; ++ i) {
			const uint32_t n_pixel = p_pixels[n_done + i];
			for(size_t n_byte = 0; n_byte < 4; ++ n_byte)
				p_bytes[4 * i + n_byte] = uint8_t(n_pixel >> (8 * n_byte));
		}
		n_running = n_Crc32_Update(4 * n_count, p_bytes, n_running);
	}
	return n_running;
}

uint32_t n_Crc32_Raster(const uint32_t *p_pixels, int n_width, int n_height)
{
	return ~n_Crc32_PixelsUpdate(size_t(n_width) * size_t(n_height), p_pixels, 0xffffffffU);
}

uint32_t n_Crc32_Image(const RasterImage &r_image)
{
	return n_Crc32_Raster(r_image.p_pixels, r_image.n_width, r_image.n_height);
}
