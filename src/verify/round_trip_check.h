#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "driver/conversion_options.h"
#include "image/raster_image.h"
#include "verify/builtin_decoder.h"

/** What the header promised, to be proven by decoding its text again. */
struct RoundTripInput {
	const std::string *p_s_text; // exactly the text written into the header
	const RasterImage *p_image; // the image as it was compressed (after the grayscale and alpha steps)
	DecodeParams t_params; // exactly the numbers the header's p_Decompress passes
	uint32_t n_stored_crc; // the value of the header's n_CRC32()
	const ConversionOptions *p_options;
};

/** @brief tells whether the settings promise a bit-exact result */
bool b_LosslessPromised(const ConversionOptions &r_options, bool b_alpha);

/**
 *	@brief decodes the text with the built-in decoder, compares checksum and
 *		pixels with what was promised, reports, and stores the decoded image
 *		as a TGA file for inspection (whatever the comparison found)
 *	@param[in] p_s_test_image is where the decoded image goes ("test_decompress.tga")
 *	@return the exit code of the run: 0, or -1 when the checksum differs, a
 *		promised lossless result was missed, memory ran out or the test image
 *		could not be written
 */
int n_RoundTripCheck(const RoundTripInput &r_input, const char *p_s_test_image, FILE *p_out, FILE *p_err);
