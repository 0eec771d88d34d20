#pragma once

#include <cstddef>
#include <cstdint>

/*
 *	The compressed data a header carries, outermost layer first:
 *
 *	1. BASE85 (default) or BASE64 text of the CompressedStream;
 *	2. CompressedStream: 16 little-endian int32 code-length counts (entry i
 *	   counts the codes of i + 1 bits), the symbol list (sum of the counts
 *	   bytes, in code order), then the canonical Huffman codes of the
 *	   run-length stream, most significant bit first, zero-padded;
 *	3. run-length stream of n_huff_stage_size bytes: code byte c, then
 *	   c odd:  one value repeated (c >> 1) + 1 times
 *	   c even: (c >> 1) + 1 literal bytes;
 *	4. plane block: the predicted planes end to end, row-major, no padding:
 *	   colour    Y (W x H) | U (cw x ch) | V (cw x ch) | A (W x H, with alpha)
 *	   grayscale Y (W x H) | A (W x H, with alpha)
 *	   where cw = ceil(W / s), ch = ceil(H / s) and s is the subsampling factor.
 *
 *	The stream has no header of its own: width, height, n_huff_stage_size,
 *	the three predictors, s and the colour type travel as eight decoding
 *	parameters in the generated decompress call.
 */

/**
 *	The eight decoding parameters that travel beside the stream, in the order
 *	of the generated decompress call's arguments. The driver fills them once;
 *	the header writer prints them and every decoder takes them.
 */
struct DecodeParams {
	int n_image_width;
	int n_image_height;
	size_t n_huff_stage_size; // length of the run-length stream
	int n_predictor_y;
	int n_predictor_uv; // pred_None for a grayscale image
	int n_predictor_a; // pred_None for an image without alpha
	int n_subsample;
	int n_color_type; // the ColorType mask
};

/** Bits of the colour type mask passed to decoders as n_color_type. */
enum ColorType {
	color_Gray = 1, // one gray plane instead of Y, U, V
	color_Alpha = 2, // an alpha plane follows
	color_LosslessColor = 4 // the reversible lifting transform instead of YCbCr
};

/** Predictors, numbered as in the decoding parameters. */
enum PredictorType {
	pred_Up = 0,
	pred_Left = 1,
	pred_Avg = 2,
	pred_Paeth = 3,
	pred_Med = 4,
	pred_Gap = 5,
	pred_None = 6,
	pred_UpLeft = 7,
	pred_Avg2 = 8,
	pred_Diff = 9,
	pred_GradH = 10,
	pred_GradV = 11
};

const int n_predictor_num = 12; // all predictors, as tried with "--exhaustive"
const int n_default_predictor_num = 6; // "up" to "gap", tried by default

/**
 *	What the format fixes for each predictor besides its formula (which is in
 *	compress/prediction.h): the name that messages and header comments print,
 *	and the border that is coded as plain differences instead of residuals of
 *	the formula, R first rows (differences to the left) and C first columns
 *	(differences to the sample above). The formula only reads neighbours that
 *	exist outside that border.
 */
struct PredictorInfo {
	const char *p_s_name;
	int n_first_row; // R
	int n_first_col; // C
};

/** @brief the predictors' names and borders, indexed by PredictorType */
inline constexpr PredictorInfo p_predictor_info[n_predictor_num] = {
	{"up", 1, 0}, // pred_Up
	{"left", 0, 1}, // pred_Left
	{"avg", 1, 1}, // pred_Avg
	{"paeth", 1, 1}, // pred_Paeth
	{"med", 1, 1}, // pred_Med
	{"gap", 2, 2}, // pred_Gap
	{"none", 0, 0}, // pred_None
	{"up-left", 1, 1}, // pred_UpLeft
	{"avg2", 1, 1}, // pred_Avg2
	{"diff", 1, 1}, // pred_Diff
	{"grad-h", 1, 1}, // pred_GradH
	{"grad-v", 1, 1} // pred_GradV
};

/** @brief whether a number is a PredictorType, as decoders require of the predictor parameters */
constexpr bool b_KnownPredictor(int n_predictor)
{
	return n_predictor >= 0 && n_predictor < n_predictor_num;
}

/** @brief name of a predictor as printed in messages and header comments; "?" for an unknown number */
const char *p_s_PredictorName(int n_predictor);

/** @brief 85 or 64, the BASE of the text, as messages and generated names print it */
constexpr int n_BaseNumber(bool b_base85)
{
	return (b_base85)? 85 : 64;
}

const int n_max_code_length = 16; // longest Huffman code, the size of the count table
const size_t n_code_table_size = 4 * n_max_code_length; // bytes of the count table
const size_t n_length_prefix_size = 4; // the Huffman coder's output starts with the input length

/** Sizes and offsets of the plane block, all in bytes. */
struct PlaneLayout {
	size_t n_image_size; // W * H, the size of Y and of A
	size_t n_chroma_w; // ceil(W / s)
	size_t n_chroma_h; // ceil(H / s)
	size_t n_chroma_size; // both chroma planes together; 0 for grayscale
	size_t n_u_offset, n_v_offset, n_alpha_offset; // meaningful where the plane exists
	size_t n_image_data_size; // the whole plane block
};

/** Which of the three predictor parameters a plane takes (the index into a list of them). */
enum PlaneKind {
	plane_Luma = 0, // Y, or the gray plane: n_predictor_y
	plane_Chroma = 1, // U and V: n_predictor_uv
	plane_Alpha = 2 // A: n_predictor_a
};

/** One plane of the block. */
struct PlaneSpan {
	size_t n_offset; // from the start of the block
	int n_width, n_height;
	int n_kind; // PlaneKind
};

const int n_max_plane_num = 4; // Y, U, V and A

/**
 *	@brief lists the planes of the block in their order: Y, then U and V for a
 *		colour image, then A with alpha
 *	@param[in] n_width and n_height are the image size (not negative)
 *	@param[in] n_subsample is the chroma subsampling factor (at least 1)
 *	@param[in] n_color_type is the ColorType mask
 *	@return the number of planes, 1 to 4
 */
int n_PlaneSpans(int n_width, int n_height, int n_subsample, int n_color_type, PlaneSpan p_span[n_max_plane_num]);

/**
 *	@brief computes the plane block layout
 *	@param[in] n_width and n_height are the image size (not negative)
 *	@param[in] n_subsample is the chroma subsampling factor (at least 1)
 *	@param[in] n_color_type is the ColorType mask
 */
constexpr PlaneLayout MakePlaneLayout(int n_width, int n_height, int n_subsample, int n_color_type)
{
	PlaneLayout layout = {};
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
