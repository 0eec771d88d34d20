#include "verify/decode_refusal.h"

#include <climits>
#include <cstdint>

#include "compress/rle_coder.h"
#include "image/raster_image.h"

bool b_AcceptableDecodeParams(const DecodeParams &r_params)
{
	const DecodeParams &p = r_params;
	if(!b_AcceptableImageSize(p.n_image_width, p.n_image_height) ||
	   p.n_image_width <= 0 || p.n_image_height <= 0 || p.n_subsample <= 0)
		return false;
	// pixel indices fit an int, and the byte counts (up to 16 per pixel) a size_t
	if(p.n_image_width > INT_MAX / p.n_image_height ||
	   size_t(p.n_image_width) > SIZE_MAX / 16 / size_t(p.n_image_height))
		return false;
	if(!b_KnownPredictor(p.n_predictor_y) || !b_KnownPredictor(p.n_predictor_uv) ||
	   !b_KnownPredictor(p.n_predictor_a))
		return false;
	const PlaneLayout layout = MakePlaneLayout(p.n_image_width, p.n_image_height, p.n_subsample, p.n_color_type);
	const size_t n_most_per_byte = n_rle_max_packet / 2; // a run of 128 bytes takes two
	return p.n_huff_stage_size <= 2 * layout.n_image_data_size &&
		p.n_huff_stage_size >= (layout.n_image_data_size + n_most_per_byte - 1) / n_most_per_byte;
}

const char *p_s_DecodeRefusal(DecodeRefusal n_refusal)
{
	switch(n_refusal) {
	case DecodeRefusal::None: return "decoded";
	case DecodeRefusal::Parameters: return "the decoding parameters are out of range";
	case DecodeRefusal::Data: return "the text does not decode to the planes that the parameters give";
	case DecodeRefusal::NoMemory: return "not enough memory";
	}
	return "?";
}
