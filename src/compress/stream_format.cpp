#include "compress/stream_format.h"

const char *p_s_PredictorName(int n_predictor)
{
	return (b_KnownPredictor(n_predictor))? p_predictor_info[n_predictor].p_s_name : "?";
}

int n_PlaneSpans(int n_width, int n_height, int n_subsample, int n_color_type, PlaneSpan p_span[n_max_plane_num])
{
	const PlaneLayout layout = MakePlaneLayout(n_width, n_height, n_subsample, n_color_type);
	const int n_chroma_w = int(layout.n_chroma_w), n_chroma_h = int(layout.n_chroma_h);
	int n_plane_num = 0;
	p_span[n_plane_num ++] = PlaneSpan{0, n_width, n_height, plane_Luma};
	if(!(n_color_type & color_Gray)) {
		p_span[n_plane_num ++] = PlaneSpan{layout.n_u_offset, n_chroma_w, n_chroma_h, plane_Chroma};
		p_span[n_plane_num ++] = PlaneSpan{layout.n_v_offset, n_chroma_w, n_chroma_h, plane_Chroma};
	}
	if(n_color_type & color_Alpha)
		p_span[n_plane_num ++] = PlaneSpan{layout.n_alpha_offset, n_width, n_height, plane_Alpha};
	return n_plane_num;
}
