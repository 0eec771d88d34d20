#include "compress/color_transform.h"

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <new>

#include "compress/byte_buffer.h"
#include "compress/stream_format.h"
#include "image/raster_image.h"

/*
 *	Lossy colour (JPEG weights):
 *	  Y  = trunc(0.114 B + 0.587 G + 0.299 R)
 *	  cb = 128 - trunc(0.331264 G - 0.5 B + 0.168736 R)
 *	  cr = 128 - trunc(0.081312 B + 0.418688 G - 0.5 R)
 *	each clamped to 0..255. U and V of an s x s block are the means of cb and
 *	cr weighted by (129 - |127 - Y|)^2, so mid-tones, where a chroma error
 *	shows most, dominate. Each constant is the single-precision number
 *	nearest to it; the products and sums with bytes are exact in double
 *	precision. Decoding is described beside f_red_per_v (color_transform.h).
 *
 *	Lossless colour, bytes modulo 256 read as signed, >> arithmetic:
 *	  v = B - R, u = R + (v >> 1) - G, Y = G + (u >> 1)
 *	  decoding: G = Y - (u >> 1), R = G + u - (v >> 1), B = R + v
 *	U and V of a block are the upper medians of u and v, sorted as unsigned
 *	bytes; with s = 1 the transform is exact.
 *
 *	Blocks at the right and bottom edges repeat the last column and row, so
 *	every block has s x s samples.
 */

namespace {

const double f_luma_r = 0.299f, f_luma_g = 0.587f, f_luma_b = 0.114f;
const double f_cb_r = 0.168736f, f_cb_g = 0.331264f, f_cb_b = 0.5f;
const double f_cr_r = 0.5f, f_cr_g = 0.418688f, f_cr_b = 0.081312f;

const int n_chroma_zero = 128; // lossy U and V of a colourless pixel
const int n_mid_tone = 127; // the luma of the greatest chroma weight
const uint32_t n_opaque = 0xff000000U;

inline int n_Red(uint32_t n_pixel) { return int(n_pixel & 0xff); }
inline int n_Green(uint32_t n_pixel) { return int(n_pixel >> 8 & 0xff); }
inline int n_Blue(uint32_t n_pixel) { return int(n_pixel >> 16 & 0xff); }
inline int n_Alpha(uint32_t n_pixel) { return int(n_pixel >> 24); }

/** @brief a truncated colour value as a byte: 255 or more gives 255, 0 or less gives 0 */
inline int n_ClampByte(int n_value)
{
	return (n_value >= 255)? 255 : (n_value <= 0)? 0 : n_value;
}

inline int n_Luma(uint32_t n_pixel)
{
	return n_ClampByte(int(f_luma_b * n_Blue(n_pixel) + f_luma_g * n_Green(n_pixel) +
		f_luma_r * n_Red(n_pixel)));
}

inline int n_BlueChroma(uint32_t n_pixel)
{
	return n_ClampByte(n_chroma_zero - int(f_cb_g * n_Green(n_pixel) - f_cb_b * n_Blue(n_pixel) +
		f_cb_r * n_Red(n_pixel)));
}

inline int n_RedChroma(uint32_t n_pixel)
{
	return n_ClampByte(n_chroma_zero - int(f_cr_b * n_Blue(n_pixel) + f_cr_g * n_Green(n_pixel) -
		f_cr_r * n_Red(n_pixel)));
}

/** @brief chroma weight of a luma value: 16641 at 127, down to 1 at 255 */
inline int64_t n_ChromaWeight(int n_luma)
{
	const int n_closeness = 129 - abs(n_mid_tone - n_luma);
	return n_closeness * n_closeness;
}

/** One pixel under the lifting transform. */
struct LiftedColor {
	uint8_t n_y;
	uint8_t n_u; // R + (v >> 1) - G
	uint8_t n_v; // B - R
};

inline LiftedColor LiftColor(uint32_t n_pixel)
{
	const int r = n_Red(n_pixel), g = n_Green(n_pixel), b = n_Blue(n_pixel);
	const int v = int8_t(uint8_t(b - r));
	const int u = int8_t(uint8_t(r + (v >> 1) - g));
	return LiftedColor{uint8_t(g + (u >> 1)), uint8_t(u), uint8_t(v)};
}

/** The chroma planes and the block grid over the image. */
struct ChromaBlocks {
	int n_subsample;
	size_t n_chroma_w, n_chroma_h;
	uint8_t *p_u, *p_v;
};

/**
 *	@brief calls visit(pixel index) for the s x s positions of the block at
 *		chroma column n_cx and row n_cy, rows outer, clamped to the image
 */
template <class Visit>
inline void VisitBlock(const ChromaBlocks &r_blocks, size_t n_cx, size_t n_cy,
	int n_width, int n_height, Visit visit)
{
	const int s = r_blocks.n_subsample;
	const int n_bx = int(n_cx) * s, n_by = int(n_cy) * s;
	for(int dy = 0; dy < s; ++ dy) {
		const size_t n_row = size_t(std::min(n_by + dy, n_height - 1)) * size_t(n_width);
		for(int dx = 0; dx < s; ++ dx)
			visit(n_row + size_t(std::min(n_bx + dx, n_width - 1)));
	}
}

void BuildLossyChroma(const RasterImage &r_image, const uint8_t *p_y, const ChromaBlocks &r_blocks)
{
	for(size_t n_cy = 0; n_cy < r_blocks.n_chroma_h; ++ n_cy) {
		for(size_t n_cx = 0; n_cx < r_blocks.n_chroma_w; ++ n_cx) {
			// up to 256^2 * 16641 * 255 for the largest factor: needs 64 bits
			int64_t n_weight_sum = 0, n_cb_sum = 0, n_cr_sum = 0;
			VisitBlock(r_blocks, n_cx, n_cy, r_image.n_width, r_image.n_height, [&](size_t i) {
				const uint32_t n_pixel = r_image.p_pixels[i];
				const int64_t n_weight = n_ChromaWeight(p_y[i]);
				n_weight_sum += n_weight;
				n_cb_sum += n_weight * n_BlueChroma(n_pixel);
				n_cr_sum += n_weight * n_RedChroma(n_pixel);
			});
			const size_t n_index = n_cy * r_blocks.n_chroma_w + n_cx;
			r_blocks.p_u[n_index] = uint8_t(n_cb_sum / n_weight_sum);
			r_blocks.p_v[n_index] = uint8_t(n_cr_sum / n_weight_sum);
		}
	}
}

/** @return false when the scratch vectors cannot be allocated */
bool b_BuildLosslessChroma(const RasterImage &r_image, const ChromaBlocks &r_blocks)
{
	const size_t n_block_size = size_t(r_blocks.n_subsample) * size_t(r_blocks.n_subsample);
	uint8_t *p_scratch = new(std::nothrow) uint8_t[2 * n_block_size];
	if(!p_scratch)
		return false;
	uint8_t *p_u_list = p_scratch, *p_v_list = p_scratch + n_block_size;
	uint8_t *p_u_median = p_u_list + n_block_size / 2, *p_v_median = p_v_list + n_block_size / 2;
	for(size_t n_cy = 0; n_cy < r_blocks.n_chroma_h; ++ n_cy) {
		for(size_t n_cx = 0; n_cx < r_blocks.n_chroma_w; ++ n_cx) {
			size_t n_count = 0;
			VisitBlock(r_blocks, n_cx, n_cy, r_image.n_width, r_image.n_height, [&](size_t i) {
				const LiftedColor lifted = LiftColor(r_image.p_pixels[i]);
				p_u_list[n_count] = lifted.n_u;
				p_v_list[n_count] = lifted.n_v;
				++ n_count;
			});
			std::nth_element(p_u_list, p_u_median, p_u_list + n_block_size);
			std::nth_element(p_v_list, p_v_median, p_v_list + n_block_size);
			const size_t n_index = n_cy * r_blocks.n_chroma_w + n_cx;
			r_blocks.p_u[n_index] = *p_u_median;
			r_blocks.p_v[n_index] = *p_v_median;
		}
	}
	delete[] p_scratch;
	return true;
}

} // namespace

int n_ColorType(const PlaneSettings &r_settings)
{
	return ((r_settings.b_gray)? color_Gray : 0) | ((r_settings.b_alpha)? color_Alpha : 0) |
		((r_settings.b_lossless_color)? color_LosslessColor : 0);
}

void ConvertToGrayscale(RasterImage &r_image, bool b_keep_alpha)
{
	const size_t n_pixel_num = size_t(r_image.n_width) * size_t(r_image.n_height);
	for(size_t i = 0; i < n_pixel_num; ++ i) {
		const uint32_t n_pixel = r_image.p_pixels[i];
		const uint32_t n_alpha = (b_keep_alpha)? n_pixel & n_opaque : n_opaque;
		r_image.p_pixels[i] = n_alpha | uint32_t(n_Luma(n_pixel)) * 0x010101U;
	}
	r_image.b_grayscale = true;
}

void ReduceBitDepth(uint8_t *p_plane, int n_width, int n_height, int n_bits)
{
	if(n_bits >= 8)
		return;
	// the kept bits, then shifted copies of the byte down to bit 0; below
	// 4 bits one shift does not reach it, and as the copies are of the whole
	// byte the low bits are no longer a pure repetition of the kept ones
	const int n_mask = (0xff << (8 - n_bits)) & 0xff;
	uint8_t p_reduced[256];
	for(int b = 0; b < 256; ++ b) {
		int n_value = (b & n_mask) | (b >> n_bits);
		if(n_bits < 4)
			n_value |= (b >> (2 * n_bits)) | (b >> (4 * n_bits));
		p_reduced[b] = uint8_t(n_value);
	}
	const size_t n_size = size_t(n_width) * size_t(n_height);
	for(size_t i = 0; i < n_size; ++ i)
		p_plane[i] = p_reduced[p_plane[i]];
}

bool b_BuildPlanes(const RasterImage &r_image, const PlaneSettings &r_settings, ByteBuffer &r_planes)
{
	const int n_width = r_image.n_width, n_height = r_image.n_height;
	const PlaneLayout layout = MakePlaneLayout(n_width, n_height,
		r_settings.n_subsample, n_ColorType(r_settings));
	if(!r_planes.b_Resize(layout.n_image_data_size))
		return false;
	uint8_t *p_data = r_planes.p_Data();
	const uint32_t *p_pixels = r_image.p_pixels;

	if(r_settings.b_gray) {
		for(size_t i = 0; i < layout.n_image_size; ++ i)
			p_data[i] = uint8_t(n_Red(p_pixels[i]));
	} else {
		const ChromaBlocks blocks = {r_settings.n_subsample, layout.n_chroma_w, layout.n_chroma_h,
			p_data + layout.n_u_offset, p_data + layout.n_v_offset};
		if(r_settings.b_lossless_color) {
			for(size_t i = 0; i < layout.n_image_size; ++ i)
				p_data[i] = LiftColor(p_pixels[i]).n_y;
			if(!b_BuildLosslessChroma(r_image, blocks))
				return false;
		} else {
			for(size_t i = 0; i < layout.n_image_size; ++ i)
				p_data[i] = uint8_t(n_Luma(p_pixels[i]));
			BuildLossyChroma(r_image, p_data, blocks);
		}
		ReduceBitDepth(blocks.p_u, int(layout.n_chroma_w), int(layout.n_chroma_h), r_settings.n_chroma_bpp);
		ReduceBitDepth(blocks.p_v, int(layout.n_chroma_w), int(layout.n_chroma_h), r_settings.n_chroma_bpp);
	}

	if(r_settings.b_alpha) {
		uint8_t *p_alpha = p_data + layout.n_alpha_offset;
		for(size_t i = 0; i < layout.n_image_size; ++ i)
			p_alpha[i] = uint8_t(n_Alpha(p_pixels[i]));
		ReduceBitDepth(p_alpha, n_width, n_height, r_settings.n_alpha_bpp);
	}
	return true;
}
