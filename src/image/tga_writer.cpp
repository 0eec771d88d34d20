#include "image/tga_writer.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>

#include "common/atomic_file.h"

#include "image/raster_image.h"
#include "image/tga_format.h"

namespace {

const int n_block_pixels = 256; // true-colour pixels converted per write
const int n_max_pixel_bytes = 4; // blue, green, red, alpha

inline void PutLe16(uint8_t *p_dest, uint32_t n_value)
{
	p_dest[0] = uint8_t(n_value);
	p_dest[1] = uint8_t(n_value >> 8);
}

inline bool b_Write(FILE *p_file, const uint8_t *p_bytes, size_t n_size)
{
	return fwrite(p_bytes, 1, n_size, p_file) == n_size;
}

/** @brief writes all pixels, top row first, as blue, green, red and, with n_value_bytes 4, alpha */
bool b_WriteTrueColor(FILE *p_file, const RasterImage &r_image, int n_value_bytes)
{
	uint8_t p_block[n_block_pixels * n_max_pixel_bytes];
	const uint32_t *p_pixel = r_image.p_pixels;
	for(size_t n_left = size_t(r_image.n_width) * size_t(r_image.n_height); n_left;) {
		const size_t n_block_size = std::min(n_left, size_t(n_block_pixels));
		uint8_t *p_dest = p_block;
		for(size_t i = 0; i < n_block_size; ++ i, ++ p_pixel, p_dest += n_value_bytes) {
			p_dest[0] = uint8_t(*p_pixel >> 16);
			p_dest[1] = uint8_t(*p_pixel >> 8);
			p_dest[2] = uint8_t(*p_pixel);
			if(n_value_bytes == n_max_pixel_bytes)
				p_dest[3] = uint8_t(*p_pixel >> 24);
		}
		if(!b_Write(p_file, p_block, size_t(p_dest - p_block)))
			return false;
		n_left -= n_block_size;
	}
	return true;
}

/** @brief the gray value of a pixel: its blue byte */
inline uint8_t n_Gray(const uint32_t *p_row, int n_x)
{
	return uint8_t(p_row[n_x] >> 16);
}

inline bool b_ThreeEqual(const uint32_t *p_row, int n_x)
{
	return n_Gray(p_row, n_x) == n_Gray(p_row, n_x + 1) && n_Gray(p_row, n_x + 1) == n_Gray(p_row, n_x + 2);
}

/*
 *	Gray rows are packed by themselves, in packets of at most 128 pixels.
 *	Three or more equal values make a run packet, as long as the values stay
 *	equal; otherwise a literal packet runs up to the next three equal values,
 *	which then start the following packet. Pairs stay in literals: a run of
 *	two would cost as much as the two literal values.
 */
bool b_WriteGrayRow(FILE *p_file, const uint32_t *p_row, int n_width)
{
	uint8_t p_packet[1 + n_tga_max_packet_pixels];
	for(int x = 0; x < n_width;) {
		const int n_left = std::min(n_width - x, n_tga_max_packet_pixels);
		int n_count;
		size_t n_packet_size;
		if(n_left >= 3 && b_ThreeEqual(p_row, x)) {
			n_count = 3;
			while(n_count < n_left && n_Gray(p_row, x + n_count) == n_Gray(p_row, x))
				++ n_count;
			p_packet[0] = uint8_t(n_tga_run_flag | (n_count - 1));
			p_packet[1] = n_Gray(p_row, x);
			n_packet_size = 2;
		} else {
			n_count = n_left;
			for(int k = 2; k <= n_left - 2; ++ k) {
				if(b_ThreeEqual(p_row, x + k - 1)) {
					n_count = k - 1;
					break;
				}
			}
			p_packet[0] = uint8_t(n_count - 1);
			for(int i = 0; i < n_count; ++ i)
				p_packet[1 + i] = n_Gray(p_row, x + i);
			n_packet_size = 1 + size_t(n_count);
		}
		if(!b_Write(p_file, p_packet, n_packet_size))
			return false;
		x += n_count;
	}
	return true;
}

bool b_WriteTgaFile(FILE *p_file, const RasterImage &r_image)
{
	// gray images without alpha are stored run-length coded, one byte per
	// pixel; everything else as plain colour, with alpha when it has any
	const bool b_gray_rle = r_image.b_grayscale && !r_image.b_alpha;
	const int n_pixel_bits = (b_gray_rle)? 8 : (r_image.b_alpha)? 32 : 24;
	uint8_t p_header[n_tga_header_size] = {};
	p_header[tga_ImageType] = uint8_t((b_gray_rle)? tga_kind_Grayscale | n_tga_rle_flag : tga_kind_TrueColor);
	PutLe16(p_header + tga_Width, uint32_t(r_image.n_width));
	PutLe16(p_header + tga_Height, uint32_t(r_image.n_height));
	p_header[tga_PixelDepth] = uint8_t(n_pixel_bits);
	p_header[tga_Descriptor] = n_tga_top_down_flag;
	if(!b_Write(p_file, p_header, n_tga_header_size))
		return false;
	if(!b_gray_rle)
		return b_WriteTrueColor(p_file, r_image, n_pixel_bits / 8);
	for(int y = 0; y < r_image.n_height; ++ y) {
		if(!b_WriteGrayRow(p_file, r_image.p_pixels + size_t(y) * size_t(r_image.n_width), r_image.n_width))
			return false;
	}
	return true;
}

} // namespace

bool b_SaveTgaImage(const char *p_s_filename, const RasterImage &r_image)
{
	if(!b_FitsTgaFile(r_image)) {
		errno = EFBIG;
		return false;
	}
	AtomicFile file;
	if(!b_OpenAtomicFile(p_s_filename, LinkMode::ReplaceLink, file))
		return false;
	if(!b_WriteTgaFile(file.p_file, r_image)) {
		const int n_error = errno;
		AbandonAtomicFile(file);
		errno = n_error;
		return false;
	}
	return b_CommitAtomicFile(file);
}

bool b_FitsTgaFile(const RasterImage &r_image)
{
	return r_image.n_width <= n_tga_max_side && r_image.n_height <= n_tga_max_side;
}
