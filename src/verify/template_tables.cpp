// The decompressor that headers carry restates a few of the format's numbers
// in its own words, since it must compile without the tool's sources. Here
// the build checks every one of them against the tool's tables.

#include "compress/base85.h"
#include "compress/color_transform.h"
#include "compress/prediction.h"
#include "compress/rle_coder.h"
#include "compress/stream_format.h"
#include "verify/template_code.h"

namespace {


/** @brief whether the template's border sizes and known predictors agree with p_predictor_info */
constexpr bool b_BordersAgree()
{
	for(int n_predictor = -2; n_predictor < n_predictor_num + 2; ++ n_predictor) {
		if(CTemplateCode::b_Known_Predictor(n_predictor) != b_KnownPredictor(n_predictor))
			return false;
		if(b_KnownPredictor(n_predictor) &&
		   (CTemplateCode::n_First_Rows(n_predictor) != p_predictor_info[n_predictor].n_first_row ||
		   CTemplateCode::n_First_Cols(n_predictor) != p_predictor_info[n_predictor].n_first_col))
			return false;
	}
	return true;
}

static_assert(b_BordersAgree(), "the template's predictor borders differ from p_predictor_info");
static_assert(CTemplateCode::CHuffReader::n_max_code_bits == n_max_code_length, "longest Huffman code");
static_assert(CTemplateCode::CHuffReader::n_count_table_size == n_code_table_size, "size of the code counts");
static_assert(CTemplateCode::CHuffReader::n_max_packet == n_rle_max_packet, "longest run-length packet");
static_assert(CTemplateCode::n_row_max_code_bits == n_max_code_length, "longest Huffman code of the row decoder");
static_assert(CTemplateCode::n_row_max_packet == n_rle_max_packet, "longest run-length packet of the row decoder");
static_assert(CTemplateCode::n_zero_group_digit == n_base85_zero_group_digit, "BASE85 zero-group digit");
static_assert(p_base85_alphabet[n_base85_zero_group_digit] == '~' && sizeof(p_base85_alphabet) == 85 + 1,
	"BASE85 alphabet");

static_assert(CTemplateCode::n_gap_sharp_edge == n_gap_sharp_edge && CTemplateCode::n_gap_edge == n_gap_edge &&
	CTemplateCode::n_gap_soft_edge == n_gap_soft_edge, "gap's edge thresholds");

/** @brief whether a colour constant of the template is the tool's, exactly, in units of 2^-25 */
constexpr bool b_SameColorConstant(long n_template, float f_constant)
{
	return double(n_template) == double(f_constant) * double(1L << CTemplateCode::n_term_fraction_bits);
}

static_assert(b_SameColorConstant(CTemplateCode::n_red_per_v, f_red_per_v) &&
	b_SameColorConstant(CTemplateCode::n_green_per_u, f_green_per_u) &&
	b_SameColorConstant(CTemplateCode::n_green_per_v, f_green_per_v) &&
	b_SameColorConstant(CTemplateCode::n_blue_per_u, f_blue_per_u), "the lossy colour constants");

/** @brief whether the template's plane block size agrees with MakePlaneLayout() for sizes around a subsampling factor */
constexpr bool b_PlaneBlockSizesAgree()
{
	for(int n_subsample = 1; n_subsample <= 5; ++ n_subsample) {
		for(int n_side = 1; n_side <= 2 * n_subsample + 1; ++ n_side) {
			for(int n_color_type = 0; n_color_type < 8; ++ n_color_type) {
				if(CTemplateCode::n_Plane_Block_Size(n_side, n_side + 1, n_subsample, n_color_type) !=
				   MakePlaneLayout(n_side, n_side + 1, n_subsample, n_color_type).n_image_data_size)
					return false;
			}
		}
	}
	return true;
}

static_assert(b_PlaneBlockSizesAgree(), "the size of the plane block");

} // namespace
