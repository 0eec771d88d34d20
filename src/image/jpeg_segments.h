#pragma once

#include <cstdint>

#include "image/jpeg_decoder_state.h"
#include "image/jpeg_stream.h"

/** The markers the decoder acts on by value; the others are classed by the marker table. */
enum JpegMarker {
	marker_SOF0 = 0xffc0,
	marker_SOF1 = 0xffc1,
	marker_DHT = 0xffc4,
	marker_RST0 = 0xffd0,
	marker_RST7 = 0xffd7,
	marker_SOI = 0xffd8,
	marker_EOI = 0xffd9,
	marker_SOS = 0xffda,
	marker_DQT = 0xffdb,
	marker_DNL = 0xffdc,
	marker_DRI = 0xffdd,
	marker_APP0 = 0xffe0,
	marker_APP14 = 0xffee,
	marker_COM = 0xfffe
};

/**
 *	@brief handles the segment that the marker n_marker opens (the marker
 *		itself already read), through the marker table
 *	@return false for a refused or unknown marker and for a segment that fails
 *		its checks, with the reason recorded through r_reader
 *	@note While the handler runs, r_reader.p_s_part names the segment.
 */
bool b_ReadJpegSegment(uint16_t n_marker, JpegDecoder &r_decoder, JpegByteReader &r_reader);

/**
 *	@brief reads the length field of the segment r_reader.p_s_part names,
 *		which counts itself
 *	@return false at the end of the data or when the length is below
 *		n_min_length (and never accepts less than the field's own 2 bytes)
 */
bool b_ReadJpegSegmentLength(JpegByteReader &r_reader, int n_min_length, int &r_n_length);
