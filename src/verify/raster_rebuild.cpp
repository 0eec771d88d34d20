#include "verify/raster_rebuild.h"

#include "compress/crc32.h"
#include "verify/template_code.h"

void RebuildPixels(const uint8_t *p_planes, const DecodeParams &r_params, size_t n_first, size_t n_count,
	uint32_t *p_pixel)
{
	const DecodeParams &p = r_params;
	const PlaneLayout layout = MakePlaneLayout(p.n_image_width, p.n_image_height, p.n_subsample, p.n_color_type);
	const bool b_gray = (p.n_color_type & color_Gray) != 0, b_alpha = (p.n_color_type & color_Alpha) != 0;
	const bool b_lossless_color = (p.n_color_type & color_LosslessColor) != 0;
	const size_t n_width = size_t(p.n_image_width), n_subsample = size_t(p.n_subsample);
	for(size_t i = n_first; i < n_first + n_count; ++ i) {
		const size_t x = i % n_width, y = i / n_width;
		const int n_y = p_planes[i], n_alpha = (b_alpha)? p_planes[layout.n_alpha_offset + i] : 0xff;
		int r = n_y, g = n_y, b = n_y;
		if(!b_gray) {
			const size_t n_chroma = (y / n_subsample) * layout.n_chroma_w + x / n_subsample;
			const CTemplateCode::CColor_Terms t = CTemplateCode::t_Color_Terms(p_planes[layout.n_u_offset + n_chroma],
				p_planes[layout.n_v_offset + n_chroma], b_lossless_color);
			if(b_lossless_color) {
				r = uint8_t(n_y + t.n_red);
				g = uint8_t(n_y + t.n_green);
				b = uint8_t(n_y + t.n_blue);
			} else {
				r = CTemplateCode::n_Lossy_Color(n_y, t.n_red, t.n_red_up_from);
				g = CTemplateCode::n_Lossy_Color(n_y, t.n_green, t.n_green_up_from);
				b = CTemplateCode::n_Lossy_Color(n_y, t.n_blue, t.n_blue_up_from);
			}
		}
		p_pixel[i - n_first] = uint32_t(n_alpha) << 24 | uint32_t(b) << 16 | uint32_t(g) << 8 | uint32_t(r);
	}
}

RebuiltRaster t_RebuildRaster(const uint8_t *p_planes, const DecodeParams &r_params, const RasterImage *p_image)
{
	const size_t n_chunk_pixels = 1024;
	uint32_t p_chunk[n_chunk_pixels];
	const size_t n_pixel_num = size_t(r_params.n_image_width) * size_t(r_params.n_image_height);
	const uint32_t n_opaque = (p_image && !p_image->b_alpha)? 0xff000000U : 0;
	RebuiltRaster t_raster = {0xffffffffU, 0};
	for(size_t n_done = 0; n_done < n_pixel_num; n_done += n_chunk_pixels) {
		const size_t n_count = (n_pixel_num - n_done < n_chunk_pixels)? n_pixel_num - n_done : n_chunk_pixels;
		RebuildPixels(p_planes, r_params, n_done, n_count, p_chunk);
		t_raster.n_crc = n_Crc32_PixelsUpdate(n_count, p_chunk, t_raster.n_crc);
		for(size_t i = 0; p_image && i < n_count; ++ i)
			t_raster.n_differ += (p_chunk[i] != (p_image->p_pixels[n_done + i] | n_opaque))? 1 : 0;
	}
	t_raster.n_crc = ~t_raster.n_crc;
	return t_raster;
}
