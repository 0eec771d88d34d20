#include "image/jpeg_color_output.h"

namespace {

const int n_level_shift = 128; // planes hold sample - 128
const uint32_t n_opaque = 0xff000000U;

void FillColorTable(int16_t *p_table, float f_factor)
{
	// (u - 128) * factor is exact in double for a single-precision factor
	for(int u = 0; u < 256; ++ u)
		p_table[u] = int16_t(double(u - n_level_shift) * double(f_factor));
}

inline uint32_t n_ClampChannel(int n_value)
{
	return uint32_t((n_value < 0)? 0 : (n_value > 255)? 255 : n_value);
}

/** @brief the row of a component's plane that covers pixel row y */
inline const int8_t *p_PlaneRow(const JpegDecoder &r_decoder, int n_component, int y)
{
	return r_decoder.p_plane[n_component] +
		size_t(y / r_decoder.p_component[n_component].n_vs) * r_decoder.p_plane_width[n_component];
}

} // namespace

void MakeJpegColorTables(JpegColorTables &r_tables)
{
	FillColorTable(r_tables.p_cr_r, 1.402f);
	FillColorTable(r_tables.p_cb_g, -0.34414f);
	FillColorTable(r_tables.p_cr_g, -0.71414f);
	FillColorTable(r_tables.p_cb_b, 1.772f);
}

/*
 *	Three components are Y, Cb and Cr unless the file says they are R, G and
 *	B: by an Adobe segment with transform 0, or, without one, by naming them
 *	'R', 'G' and 'B', as libjpeg reads them. Another Adobe transform is taken
 *	as YCbCr, as libjpeg does. Their identifiers say nothing else: 1, 2, 3 is
 *	as good as 0, 1, 2.
 */
bool b_CheckJpegColorSpace(const JpegDecoder &r_decoder, LoadFailure *p_failure)
{
	const int n_adobe_untransformed = 0;
	if(r_decoder.n_component_num != 3)
		return true;
	if(r_decoder.b_adobe_seen) {
		if(r_decoder.n_adobe_transform == n_adobe_untransformed)
			return b_LoadFailed(p_failure, LoadError::Unsupported, "RGB JPEG (Adobe transform 0)");
		return true;
	}
	const JpegComponent *p_component = r_decoder.p_component;
	if(p_component[0].n_id == 'R' && p_component[1].n_id == 'G' && p_component[2].n_id == 'B')
		return b_LoadFailed(p_failure, LoadError::Unsupported, "RGB JPEG (components named R, G and B)");
	return true;
}

RasterImage *p_AssembleJpegImage(const JpegDecoder &r_decoder, LoadFailure *p_failure)
{
	const int n_width = r_decoder.n_width, n_height = r_decoder.n_height;
	if(r_decoder.n_component_num != 1 && r_decoder.n_component_num != 3) {
		b_LoadFailed(p_failure, LoadError::Unsupported, "JPEG with %d components", r_decoder.n_component_num);
		return nullptr;
	}
	RasterImage *p_image = p_NewRasterImage(n_width, n_height);
	if(!p_image) {
		b_LoadFailed(p_failure, LoadError::NoMemory);
		return nullptr;
	}
	p_image->n_channel_bits = r_decoder.n_precision;
	p_image->b_grayscale = r_decoder.n_component_num == 1;
	p_image->b_alpha = false;
	uint32_t *p_pixel = p_image->p_pixels;

	if(r_decoder.n_component_num == 1) {
		// a single component is coded one block per MCU, so it is never replicated
		for(int y = 0; y < n_height; ++ y) {
			const int8_t *p_gray = p_PlaneRow(r_decoder, 0, y);
			for(int x = 0; x < n_width; ++ x, ++ p_pixel)
				*p_pixel = n_opaque | uint32_t(p_gray[x] + n_level_shift) * 0x010101U;
		}
		return p_image;
	}

	JpegColorTables tables;
	MakeJpegColorTables(tables);
	// hs and vs are 1, 2 or 4, so x / hs is x >> (hs / 2)
	const int n_y_shift = r_decoder.p_component[0].n_hs / 2;
	const int n_cb_shift = r_decoder.p_component[1].n_hs / 2;
	const int n_cr_shift = r_decoder.p_component[2].n_hs / 2;
	for(int y = 0; y < n_height; ++ y) {
		const int8_t *p_luma = p_PlaneRow(r_decoder, 0, y);
		const int8_t *p_cb = p_PlaneRow(r_decoder, 1, y);
		const int8_t *p_cr = p_PlaneRow(r_decoder, 2, y);
		for(int x = 0; x < n_width; ++ x, ++ p_pixel) {
			const int n_luma = p_luma[x >> n_y_shift] + n_level_shift;
			const int n_cb = p_cb[x >> n_cb_shift] + n_level_shift;
			const int n_cr = p_cr[x >> n_cr_shift] + n_level_shift;
			const uint32_t n_red = n_ClampChannel(n_luma + tables.p_cr_r[n_cr]);
			const uint32_t n_green = n_ClampChannel(n_luma + tables.p_cb_g[n_cb] + tables.p_cr_g[n_cr]);
			const uint32_t n_blue = n_ClampChannel(n_luma + tables.p_cb_b[n_cb]);
			*p_pixel = n_opaque | n_blue << 16 | n_green << 8 | n_red;
		}
	}
	return p_image;
}
