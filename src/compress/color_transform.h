#pragma once

#include <cstdint>

struct RasterImage;
class ByteBuffer;

/**
 *	The decoding constants of the lossy colour transform: with u = U - 128 and
 *	v = V - 128, R = Y + 1.402 v, G = Y - 0.34414 u - 0.71414 v and
 *	B = Y + 1.772 u, each constant the single-precision number nearest to it.
 *	The sums are formed exactly, rounded once to single precision, clamped to
 *	0..255 and truncated. The decompressor computes the same bytes in integers.
 */
constexpr float f_red_per_v = 1.402f, f_green_per_u = -0.34414f, f_green_per_v = -0.71414f, f_blue_per_u = 1.772f;

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
