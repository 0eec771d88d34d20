#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

#include "compress/row_entry_points.h"
#include "compress/stream_format.h"

/** The text as a header made with "--row-decoder" hands it to its row decoder: literals read in place. */
struct RowText {
	const char *const *p_piece; // n_piece_length characters each, the last one the rest
	size_t n_piece_length;
	size_t n_length; // of the whole text
};

/** The rows the row decoder makes. */
enum class RowPixels {
	Argb, // into the caller's buffer, as b_Decompress_Into() does
	Rgb565Swapped // through a row sink, byte-swapped RGB565 (b_Decode_Rows_RGB565(.., true, ..))
};

/**
 *	@brief decodes a text with the row decoder that headers made with
 *		"--row-decoder" carry, from a work area of its own
 *	@param[in] r_entries are the entry points of the planes (b_FindRowEntryPoints())
 *	@param[out] p_pixels receives width * height pixels, 32-bit or 16-bit as n_pixels says;
 *		null makes the rows and drops them (a decode that refuses needs no raster)
 *	@return false where the row decoder refuses (damaged data, data whose
 *		planes do not begin at their entry points), for sizes beyond the tool's
 *		limit (b_AcceptableImageSize()), and when the work area cannot be allocated
 */
bool b_RowDecode(bool b_base85, const RowText &r_text, const DecodeParams &r_params, const RowEntryPoints &r_entries,
	RowPixels n_pixels, void *p_pixels);

/** Takes each row of a decode in turn: n_y from 0 to height - 1, width ARGB pixels. */
typedef std::function<void(int n_y, const uint32_t *p_row)> ArgbRowSink;

/**
 *	@brief decodes like b_RowDecode(), handing each row of ARGB pixels to a
 *		sink as b_Decode_Rows() of a header does, so that no raster is held
 *	@param[out] p_b_no_memory tells a work area that could not be allocated from a
 *		refusal (null: not told)
 *	@return false as b_RowDecode(); the rows handed out are then not to be trusted
 */
bool b_RowDecodeRows(bool b_base85, const RowText &r_text, const DecodeParams &r_params,
	const RowEntryPoints &r_entries, const ArgbRowSink &r_sink, bool *p_b_no_memory = nullptr);

/** @brief the size of the row decoder's rows for an image (without its fixed state), in bytes */
size_t n_RowWorkBytes(const DecodeParams &r_params);
