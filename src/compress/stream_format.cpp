#include "compress/stream_format.h"

const char *p_s_PredictorName(int n_predictor)
{
	return (b_KnownPredictor(n_predictor))? p_predictor_info[n_predictor].p_s_name : "?";
}

PlaneLayout MakePlaneLayout(int n_width, int n_height, int n_subsample, int n_color_type)
{
	PlaneLayout layout;
	const size_t n_w = size_t(n_width), n_h = size_t(n_height), n_s = size_t(n_subsample);
	layout.n_image_size = n_w * n_h;
	layout.n_chroma_w = (n_w + n_s - 1) / n_s;
	layout.n_chroma_h = (n_h + n_s - 1) / n_s;
	const bool b_gray = (n_color_type & color_Gray) != 0;
	layout.n_chroma_size = (b_gray)? 0 : 2 * layout.n_chroma_w * layout.n_chroma_h;
	layout.n_u_offset = layout.n_image_size;
	layout.n_v_offset = layout.n_image_size + layout.n_chroma_size / 2;
	layout.n_alpha_offset = layout.n_image_size + layout.n_chroma_size;
	layout.n_image_data_size = layout.n_alpha_offset +
		((n_color_type & color_Alpha)? layout.n_image_size : 0);
	return layout;
}
