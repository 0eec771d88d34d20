#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "compress/color_transform.h"
#include "compress/row_entry_points.h"
#include "image/raster_image.h"
#include "verify/builtin_decoder.h"

/** The settings of a run that the check reads; the driver takes them from the command line. */
struct CheckSettings {
	bool b_verbose; // reports each finding, not only the failures
	bool b_quiet; // no warning when the test image cannot be written
	bool b_base85; // the text is BASE85, else BASE64
	bool b_pruned_decoder; // the header carries its decompressor pruned for the image
	bool b_row_decoder; // the header carries the row decoder too
	PlaneSettings t_planes; // how the image became planes: whether exact pixels were promised
};

/** What the header promised, to be proven by decoding its text again. */
struct RoundTripInput {
	const std::string *p_s_text; // exactly the text written into the header
	const RasterImage *p_image; // its size and kind; its pixels are not read (the caller may have freed them)
	DecodeParams t_params; // exactly the numbers the header's p_Decompress passes
	uint32_t n_stored_crc; // the value of the header's n_CRC32()
	uint32_t n_differ; // pixels of that raster that differ from the image's (t_RebuildRaster())
	CheckSettings t_settings;
	const RowEntryPoints *p_row_entries; // where the planes begin, with the row decoder; else null
	uint32_t n_max_cstr_len; // the longest literal, which the row decoder reads the text in
};

/**
 *	@brief tells whether the settings promise a bit-exact result: the lossless
 *		colour transform, no subsampling, and every bit of chroma and alpha kept
 */
bool b_LosslessPromised(const PlaneSettings &r_settings);

/**
 *	@brief decodes the text with the built-in decoder (and the row decoder,
 *		when the header carries it), compares their checksums with the one
 *		promised, reports how many pixels differ from the image, and stores the
 *		decoded image as a TGA file for inspection (whatever was found)
 *	@param[in] p_s_test_image is where the decoded image goes ("test_decompress.tga"
 *		unless the command line names another file), or null for nowhere
 *	@return the exit code of the run: 0, or -1 when the checksum differs, a
 *		promised lossless result was missed, the decoder refused the text or
 *		its parameters, the row decoder gave other pixels, memory ran out or
 *		the test image could not be written
 *	@note The decoded raster is the only one the check holds: the pixels were
 *		compared with the image as the planes were made (t_RebuildRaster()),
 *		and the checksum proves that the decoder gives that raster.
 */
int n_RoundTripCheck(const RoundTripInput &r_input, const char *p_s_test_image, FILE *p_out, FILE *p_err);
