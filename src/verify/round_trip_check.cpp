#include "verify/round_trip_check.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>
#include <vector>

#include "compress/crc32.h"
#include "image/tga_writer.h"
#include "verify/row_decoder.h"

namespace {

const char *const p_s_box_line =
	"********************************************************************************\n";

/**
 *	@brief stores the decoded image for inspection; an image too large for a
 *		TGA file is not stored, and a test image of an earlier run is removed
 *		instead, so that the file always belongs to the last run
 *	@return false, after printing why, when the file could be neither written nor removed
 */
bool b_SaveTestImage(const char *p_s_test_image, const RasterImage &r_decoded, bool b_quiet, FILE *p_err)
{
	if(b_FitsTgaFile(r_decoded)) {
		if(b_SaveTgaImage(p_s_test_image, r_decoded))
			return true;
		fprintf(p_err, "error: failed to save tga\n\t%s\n", strerror(errno));
		return false;
	}
	if(!b_quiet) {
		fprintf(p_err, "warning: %s is not written: the image is %d x %d pixels, and a TGA file holds at most "
			"%d per side\n", p_s_test_image, int(r_decoded.n_width), int(r_decoded.n_height), n_tga_max_side);
	}
	if(!remove(p_s_test_image) || errno == ENOENT)
		return true;
	fprintf(p_err, "error: failed to remove the %s of an earlier run\n\t%s\n", p_s_test_image, strerror(errno));
	return false;
}

/**
 *	@brief decodes the text with the row decoder, from the literals the header
 *		cuts it into, a row at a time, and takes the checksum of its rows
 *	@return false when it refused; r_b_no_memory tells a work area it could not have
 */
bool b_RowDecoderChecksum(const RoundTripInput &r_input, uint32_t &r_n_crc, bool &r_b_no_memory)
{
	const std::string &r_s_text = *r_input.p_s_text;
	const size_t n_literal_length = std::min(r_s_text.size(), size_t(r_input.n_max_cstr_len));
	std::vector<const char*> literals;
	try {
		for(size_t n_begin = 0; n_begin < r_s_text.size(); n_begin += n_literal_length)
			literals.push_back(r_s_text.data() + n_begin);
	} catch(std::bad_alloc&) {
		r_b_no_memory = true;
		return false;
	}
	const RowText t_text = {literals.data(), n_literal_length, r_s_text.size()};
	const size_t n_width = size_t(r_input.t_params.n_image_width);
	uint32_t n_crc = 0xffffffffU;
	const bool b_decoded = b_RowDecodeRows(r_input.t_settings.b_base85, t_text, r_input.t_params,
		*r_input.p_row_entries, [&](int, const uint32_t *p_row) { n_crc = n_Crc32_PixelsUpdate(n_width, p_row, n_crc); },
		&r_b_no_memory);
	r_n_crc = ~n_crc;
	return b_decoded;
}

} // namespace

bool b_LosslessPromised(const PlaneSettings &r_settings)
{
	return r_settings.b_lossless_color && r_settings.n_subsample == 1 && r_settings.n_chroma_bpp == 8 &&
		(!r_settings.b_alpha || r_settings.n_alpha_bpp == 8);
}

int n_RoundTripCheck(const RoundTripInput &r_input, const char *p_s_test_image, FILE *p_out, FILE *p_err)
{
	const CheckSettings &r_settings = r_input.t_settings;
	const RasterImage &r_image = *r_input.p_image;
	// the decompressor the header carries: pruned for the image in a private header, unless "--no-code-opts"
	DecodeRefusal n_refusal;
	uint32_t *p_decoded = ((r_settings.b_pruned_decoder)? p_BuiltinDecode : p_BuiltinDecodeUnpruned)(
		r_settings.b_base85, r_input.p_s_text->c_str(), r_input.t_params, &n_refusal);
	if(!p_decoded) {
		if(n_refusal == DecodeRefusal::NoMemory)
			fprintf(p_err, "error: not enough memory\n");
		else
			fprintf(p_err, "error: the decompressor refused the header's data: %s\n", p_s_DecodeRefusal(n_refusal));
		return -1;
	}

	int n_result = 0;
	const uint32_t n_decoded_crc = n_Crc32_Raster(p_decoded, r_image.n_width, r_image.n_height);
	if(n_decoded_crc != r_input.n_stored_crc) {
		fprintf(p_err, "%s* fatal error: decompress output differs (expected 0x%08x, got 0x%08x) *\n%s",
			p_s_box_line, r_input.n_stored_crc, n_decoded_crc, p_s_box_line);
		n_result = -1;
	} else if(r_settings.b_verbose)
		fprintf(p_out, "\tdecompress CRC test passed\n");
	if(r_settings.b_row_decoder) {
		uint32_t n_row_crc = 0;
		bool b_no_memory = false;
		const bool b_decoded = b_RowDecoderChecksum(r_input, n_row_crc, b_no_memory);
		if(b_no_memory) {
			fprintf(p_err, "error: not enough memory\n");
			delete[] p_decoded;
			return -1;
		} else if(!b_decoded || n_row_crc != n_decoded_crc) {
			fprintf(p_err, "%s* fatal error: the row decoder's output differs from the decompressor's        *\n%s",
				p_s_box_line, p_s_box_line);
			n_result = -1;
		} else if(r_settings.b_verbose)
			fprintf(p_out, "\trow decoder test passed\n");
	}

	const size_t n_pixel_num = size_t(r_image.n_width) * size_t(r_image.n_height);
	const uint32_t n_differ = r_input.n_differ;
	if(!n_differ) {
		if(r_settings.b_verbose)
			fprintf(p_out, "\tlossless compression achieved\n");
	} else {
		if(b_LosslessPromised(r_settings.t_planes)) {
			// the blank framed line is overwritten by the message on a console, leaving its closing "*"
			fprintf(p_err, "%s*%78s*\r* fatal error: lossy compression (%u out of %u pixels differ)\n%s",
				p_s_box_line, "", n_differ, unsigned(n_pixel_num), p_s_box_line);
			n_result = -1;
		} else if(r_settings.b_verbose) {
			fprintf(p_out, "\twarning: lossy compression (%u out of %u pixels differ)\n",
				n_differ, unsigned(n_pixel_num));
		}
	}

	RasterImage t_decoded_image = r_image;
	t_decoded_image.p_pixels = p_decoded;
	const bool b_saved = !p_s_test_image ||
		b_SaveTestImage(p_s_test_image, t_decoded_image, r_settings.b_quiet, p_err);
	delete[] p_decoded;
	if(!b_saved)
		return -1;
	if(r_settings.b_verbose)
		fprintf(p_out, "\ndone\n");
	return n_result;
}
