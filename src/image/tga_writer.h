#pragma once

struct RasterImage;

/**
 *	@brief saves an image as a top-down TGA file: run-length coded grayscale
 *		for gray images without alpha, else uncompressed 24-bit colour, or
 *		32-bit when the image has alpha
 *	@param[in] p_s_filename is path to the file; it appears complete or not at
 *		all, and a file or symbolic link of that name is replaced (a link is
 *		never written through; a file keeps its mode and owner)
 *	@param[in] r_image is the image to save (not modified)
 *	@return true when the whole file is in place; false with errno set
 *		otherwise (EFBIG for an image a TGA file cannot hold), leaving any
 *		previous file as it was
 */
bool b_SaveTgaImage(const char *p_s_filename, const RasterImage &r_image);

const int n_tga_max_side = 0xffff; // the header's width and height are 16-bit fields

/** @brief tells whether the image's sides fit the 16-bit fields of a TGA header */
bool b_FitsTgaFile(const RasterImage &r_image);
