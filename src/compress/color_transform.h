#pragma once

#include <cstdint>

struct RasterImage;
class ByteBuffer;

/** How an image becomes planes: the run's decisions, read by every candidate. */
struct PlaneSettings {
	bool b_gray; // one gray plane (the red bytes) instead of Y, U and V
	bool b_alpha; // an alpha plane follows
	bool b_lossless_color; // the reversible lifting transform instead of lossy YCbCr
	int n_subsample; // chroma subsampling factor s, 1 to 256
	int n_chroma_bpp; // bits kept per U and V sample, 1 to 8
	int n_alpha_bpp; // bits kept per alpha sample, 1 to 8
};

/** @brief the ColorType mask of the planes these settings make */
int n_ColorType(const PlaneSettings &r_settings);

/**
 *	@brief replaces every pixel by its luma in red, green and blue, and marks
 *		the image grayscale
 *	@param[in] b_keep_alpha keeps the alpha bytes; otherwise they become 255
 */
void ConvertToGrayscale(RasterImage &r_image, bool b_keep_alpha);

/**
 *	@brief reduces every byte of a plane, in place, to its top n_bits bits
 *		(1 to 8), refilling the low bits so that the levels span 0 to 255
 */
void ReduceBitDepth(uint8_t *p_plane, int n_width, int n_height, int n_bits);

/**
 *	@brief sizes r_planes to the plane block and fills it: the colour
 *		transform, chroma subsampling, alpha and bit-depth reduction
 *	@return false only when memory runs out
 *	@note Only reads the image and the settings, so threads may run it at once.
 */
bool b_BuildPlanes(const RasterImage &r_image, const PlaneSettings &r_settings, ByteBuffer &r_planes);

/**
 *	@brief the pixel that every decoder rebuilds from one pixel's plane
 *		samples: gray, the inverse lifting transform, or YCbCr to RGB with
 *		single-precision constants and one rounding (the reconstruction
 *		checksum and the reference decoder both use it)
 *	@param[in] n_color_type is the ColorType mask
 *	@param[in] n_y is the pixel's Y (gray) sample
 *	@param[in] n_u and n_v are the chroma samples of its block (unused for gray)
 *	@param[in] n_alpha is its A sample, or 255 without an alpha plane
 *	@return alpha << 24 | blue << 16 | green << 8 | red
 */
uint32_t n_ReconstructPixel(int n_color_type, int n_y, int n_u, int n_v, int n_alpha);

/**
 *	@brief CRC-32 of the raster that decoding a plane block yields, taken
 *		before prediction and without building the raster
 *	@param[in] p_planes is the plane block made by b_BuildPlanes()
 */
uint32_t n_ChecksumReconstruction(const uint8_t *p_planes, int n_width, int n_height,
	const PlaneSettings &r_settings);
