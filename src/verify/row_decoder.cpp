#include "verify/row_decoder.h"

#include <new>

#include "image/raster_image.h"
#include "verify/template_code.h"

namespace {

typedef CTemplateCode Code;

/** @brief the row decoder's record of an image: the parameters, the text and the entry points of planes 2 to 4 */
Code::CRowImage t_RowImage(const RowText &r_text, const DecodeParams &p, const RowEntryPoints &r_entries)
{
	Code::CRowImage t_image = {p.n_image_width, p.n_image_height, p.n_huff_stage_size, p.n_predictor_y,
		p.n_predictor_uv, p.n_predictor_a, p.n_subsample, p.n_color_type, r_text.p_piece, r_text.n_piece_length,
		r_text.n_length, {}};
	for(int i = 1; i < r_entries.n_plane_num && i < n_max_plane_num; ++ i) {
		const RowEntryPoint &r_entry = r_entries.p_entry[i];
		t_image.p_entry[i - 1] = Code::CRowEntry{r_entry.n_text, size_t(r_entry.n_bit), r_entry.n_code, r_entry.n_skip};
	}
	return t_image;
}

/** Copies each row into a raster, as a program's row sink would, or drops it where there is none. */
struct RowCopier {
	uint16_t *p_raster;
	int n_width;

	void operator ()(int n_y, const uint16_t *p_row) const
	{
		for(int x = 0; p_raster && x < n_width; ++ x)
			p_raster[size_t(n_y) * size_t(n_width) + size_t(x)] = p_row[x];
	}
};

/** @brief runs the row decoder with a work area of its own, handing the rows to r_output */
template <class CText, class COutput>
bool b_Decode(const Code::CRowImage &r_image, const COutput &r_output, bool *p_b_no_memory)
{
	const DecodeParams p = {r_image.n_width, r_image.n_height, r_image.n_huff_stage_size, r_image.n_predictor_y,
		r_image.n_predictor_uv, r_image.n_predictor_a, r_image.n_subsample, r_image.n_color_type};
	const size_t n_words = (n_RowWorkBytes(p) + 3) / 4;
	uint32_t *p_rows = new(std::nothrow) uint32_t[n_words];
	Code::CRowState *p_state = new(std::nothrow) Code::CRowState;
	if(p_b_no_memory)
		*p_b_no_memory = !p_rows || !p_state;
	const bool b_result = p_rows && p_state &&
		Code::b_Decode_Image_Rows<CText, Code::CRowKind_Any>(r_image, *p_state, p_rows, n_words, r_output);
	delete[] p_rows;
	delete p_state;
	return b_result;
}

/** @brief decodes with the reader of the text's BASE, once the parameters are known to be acceptable */
template <class COutput>
bool b_DecodeText(bool b_base85, const RowText &r_text, const DecodeParams &r_params, const RowEntryPoints &r_entries,
	const COutput &r_output, bool *p_b_no_memory = nullptr)
{
	// the work area is allocated only for parameters the decoder takes, as the decompressor allocates
	const Code::CRowImage t_image = t_RowImage(r_text, r_params, r_entries);
	if(!b_AcceptableImageSize(r_params.n_image_width, r_params.n_image_height) || !Code::b_Row_Params_Valid(t_image))
		return false;
	return (b_base85)? b_Decode<Code::CRowText_Base85>(t_image, r_output, p_b_no_memory) :
		b_Decode<Code::CRowText_Base64>(t_image, r_output, p_b_no_memory);
}

} // namespace

size_t n_RowWorkBytes(const DecodeParams &p)
{
	return Code::n_Row_Work_Bytes(p.n_image_width, p.n_subsample, p.n_color_type, p.n_predictor_y,
		p.n_predictor_uv, p.n_predictor_a);
}

bool b_RowDecode(bool b_base85, const RowText &r_text, const DecodeParams &r_params, const RowEntryPoints &r_entries,
	RowPixels n_pixels, void *p_pixels)
{
	if(n_pixels == RowPixels::Argb && p_pixels) {
		return b_DecodeText(b_base85, r_text, r_params, r_entries, Code::t_Into_ARGB(static_cast<uint32_t*>(p_pixels),
			size_t(r_params.n_image_width) * sizeof(uint32_t)));
	}
	RowCopier copier = {(n_pixels == RowPixels::Argb)? nullptr : static_cast<uint16_t*>(p_pixels), r_params.n_image_width};
	return b_DecodeText(b_base85, r_text, r_params, r_entries, Code::t_Rows_RGB565(copier, true));
}

bool b_RowDecodeRows(bool b_base85, const RowText &r_text, const DecodeParams &r_params,
	const RowEntryPoints &r_entries, const ArgbRowSink &r_sink, bool *p_b_no_memory)
{
	if(p_b_no_memory)
		*p_b_no_memory = false;
	return b_DecodeText(b_base85, r_text, r_params, r_entries, Code::t_Rows_ARGB(r_sink), p_b_no_memory);
}
