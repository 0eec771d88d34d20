// The decompressor that headers carry restates a few of the format's numbers
// in its own words, since it must compile without the tool's sources. Here
// the build checks every one of them against the tool's tables.

#include <cassert>
#include <cstdlib>
#include <cstring>
#include <new>

#include "compress/base85.h"
#include "compress/rle_coder.h"
#include "compress/stream_format.h"

#define _ASSERTE(x) assert(x)

namespace {

/** The decompressor source of the generated headers, only for its constants. */
struct CTemplateTables {
#include "header/template/unpredict_plane.inl"
#include "header/template/decode_base64.inl"
#include "header/template/decode_base85.inl"
#include "header/template/decode_stages.inl"
};

/** @brief whether the template's border sizes and known predictors agree with p_predictor_info */
constexpr bool b_BordersAgree()
{
	for(int n_predictor = -2; n_predictor < n_predictor_num + 2; ++ n_predictor) {
		if(CTemplateTables::b_Known_Predictor(n_predictor) != b_KnownPredictor(n_predictor))
			return false;
		if(b_KnownPredictor(n_predictor) &&
		   (CTemplateTables::n_First_Rows(n_predictor) != p_predictor_info[n_predictor].n_first_row ||
		   CTemplateTables::n_First_Cols(n_predictor) != p_predictor_info[n_predictor].n_first_col))
			return false;
	}
	return true;
}

static_assert(b_BordersAgree(), "the template's predictor borders differ from p_predictor_info");
static_assert(CTemplateTables::CHuffReader::n_max_code_bits == n_max_code_length, "longest Huffman code");
static_assert(CTemplateTables::CHuffReader::n_count_table_size == n_code_table_size, "size of the code counts");
static_assert(CTemplateTables::CHuffReader::n_max_packet == n_rle_max_packet, "longest run-length packet");
static_assert(CTemplateTables::n_zero_group_digit == n_base85_zero_group_digit, "BASE85 zero-group digit");
static_assert(p_base85_alphabet[n_base85_zero_group_digit] == '~' && sizeof(p_base85_alphabet) == 85 + 1,
	"BASE85 alphabet");

} // namespace
