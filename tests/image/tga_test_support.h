#pragma once

#include <cstdint>
#include <initializer_list>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "image/raster_image.h"

/** ImageMagick, which made the TGA corpus and reads back the writer's files. */
const char *const p_s_image_magick = "/usr/bin/convert";

/** @brief bytes given as small numbers, for building files by hand */
inline std::string s_Bytes(std::initializer_list<int> values)
{
	std::string s_bytes;
	for(int n_value : values)
		s_bytes += char(uint8_t(n_value));
	return s_bytes;
}

/** @brief an 18-byte TGA header; origin and colour map type are zero */
inline std::string s_TgaHeader(int n_image_type, int n_width, int n_height, int n_pixel_bits,
	int n_descriptor, int n_map_length = 0, int n_entry_bits = 0, int n_first_entry = 0, int n_id_length = 0)
{
	return s_Bytes({n_id_length, 0, n_image_type, n_first_entry & 0xff, n_first_entry >> 8,
		n_map_length & 0xff, n_map_length >> 8, n_entry_bits, 0, 0, 0, 0,
		n_width & 0xff, n_width >> 8, n_height & 0xff, n_height >> 8, n_pixel_bits, n_descriptor});
}

/**
 *	@brief parses a binary PAM file of maxval 255 with the tuple type
 *		GRAYSCALE, RGB, GRAYSCALE_ALPHA or RGB_ALPHA
 *	@return the image, flagged grayscale and alpha by its tuple type, or null
 *		for anything else
 */
inline RasterImage *p_ParsePamImage(const std::string &s_file)
{
	const size_t n_header_end = s_file.find("ENDHDR\n");
	if(s_file.compare(0, 3, "P7\n") || n_header_end == std::string::npos)
		return nullptr;
	std::istringstream header(s_file.substr(3, n_header_end - 3));
	int n_width = -1, n_height = -1, n_depth = 0, n_maxval = 0;
	std::string s_tuple_type, s_key;
	while(header >> s_key) {
		if(s_key == "WIDTH")
			header >> n_width;
		else if(s_key == "HEIGHT")
			header >> n_height;
		else if(s_key == "DEPTH")
			header >> n_depth;
		else if(s_key == "MAXVAL")
			header >> n_maxval;
		else if(s_key == "TUPLTYPE")
			header >> s_tuple_type;
	}
	const bool b_gray = s_tuple_type.compare(0, 9, "GRAYSCALE") == 0;
	const bool b_alpha = s_tuple_type.size() > 6 && s_tuple_type.compare(s_tuple_type.size() - 6, 6, "_ALPHA") == 0;
	const size_t n_data = n_header_end + 7;
	if(n_maxval != 255 || n_depth != (b_gray? 1 : 3) + (b_alpha? 1 : 0) ||
	   (!b_gray && s_tuple_type.compare(0, 3, "RGB")) || !b_AcceptableImageSize(n_width, n_height) ||
	   s_file.size() != n_data + size_t(n_width) * size_t(n_height) * size_t(n_depth))
		return nullptr;
	RasterImage *p_image = p_NewRasterImage(n_width, n_height);
	if(!p_image)
		return nullptr;
	p_image->b_grayscale = b_gray;
	p_image->b_alpha = b_alpha;
	const uint8_t *p_sample = reinterpret_cast<const uint8_t*>(s_file.data() + n_data);
	for(size_t i = 0, n = size_t(n_width) * size_t(n_height); i < n; ++ i, p_sample += n_depth) {
		const uint32_t n_red = p_sample[0];
		const uint32_t n_green = (b_gray)? n_red : p_sample[1];
		const uint32_t n_blue = (b_gray)? n_red : p_sample[2];
		const uint32_t n_alpha = (b_alpha)? p_sample[n_depth - 1] : 0xff;
		p_image->p_pixels[i] = n_alpha << 24 | n_blue << 16 | n_green << 8 | n_red;
	}
	return p_image;
}

/** @brief succeeds when two images have the same size and pixels; the flags are not compared */
inline ::testing::AssertionResult SamePixels(const RasterImage &r_a, const RasterImage &r_b)
{
	if(r_a.n_width != r_b.n_width || r_a.n_height != r_b.n_height) {
		return ::testing::AssertionFailure() << "size " << r_a.n_width << "x" << r_a.n_height <<
			" against " << r_b.n_width << "x" << r_b.n_height;
	}
	for(size_t i = 0, n = size_t(r_a.n_width) * size_t(r_a.n_height); i < n; ++ i) {
		if(r_a.p_pixels[i] != r_b.p_pixels[i]) {
			return ::testing::AssertionFailure() << "pixel " << i <<
				" (x " << i % size_t(r_a.n_width) << ", y " << i / size_t(r_a.n_width) << ") is 0x" <<
				std::hex << r_a.p_pixels[i] << " against 0x" << r_b.p_pixels[i];
		}
	}
	return ::testing::AssertionSuccess();
}
