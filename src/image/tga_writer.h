#pragma once

struct RasterImage;

/**
 *	@brief saves an image as a top-down TGA file: run-length coded grayscale
 *		for gray images without alpha, else uncompressed 24-bit colour, or
 *		32-bit when the image has alpha
 *	@param[in] p_s_filename is path to the file, replaced if it exists
 *	@param[in] r_image is the image to save (not modified)
 *	@return true when the whole file was written; false otherwise, possibly
 *		leaving a partial file behind
 *	@note Only the low 16 bits of the width and the height are stored.
 */
bool b_SaveTgaImage(const char *p_s_filename, const RasterImage &r_image);
