#pragma once

#include <cstdint>

#include "image/jpeg_decoder_state.h"
#include "image/jpeg_stream.h"

/**
 *	@brief reads a scan header and decodes the entropy-coded data that follows
 *		it, restart markers included, into the component planes
 *	@return false when there is no frame yet, the header fails its checks, a
 *		code is bad, a restart marker is missing or the data ends
 *	@note Only a scan holding every component of the frame is taken.
 */
bool b_ReadJpegScan(uint16_t n_marker, JpegDecoder &r_decoder, JpegByteReader &r_reader);
