#include "image/jpeg_decoder.h"

#include "image/jpeg_color_output.h"
#include "image/jpeg_decoder_state.h"
#include "image/jpeg_segments.h"
#include "image/jpeg_stream.h"

namespace {

const size_t n_max_prefix_size = 65536; // bytes that may come before SOI, the marker included

/*
 *	Bytes before SOI are passed over, but only within the first 64 KiB: a
 *	file with no SOI there is something else, and neither the end of a huge
 *	file nor that of an endless device is waited for.
 */
bool b_FindStartOfImage(JpegByteReader &r_reader)
{
	uint8_t n_previous = 0, n_byte;
	for(size_t n_read = 0; n_read < n_max_prefix_size && b_ReadJpegByte(r_reader, n_byte); ++ n_read) {
		if(n_previous == 0xff && n_byte == (marker_SOI & 0xff))
			return true;
		n_previous = n_byte;
	}
	return b_LoadFailed(r_reader.p_failure, LoadError::NotThisFormat, "JPEG (no start-of-image marker in its first 64 KiB)");
}

/*
 *	A file is SOI, segments, EOI; after SOI every marker opens a segment, up
 *	to EOI. The file must hold a frame and a complete scan of it.
 */
bool b_ReadJpegFile(JpegDecoder &r_decoder, JpegByteReader &r_reader)
{
	if(!b_FindStartOfImage(r_reader))
		return false;
	for(;;) {
		uint16_t n_marker;
		if(!b_FindJpegMarker(r_reader, n_marker))
			return b_LoadFailed(r_reader.p_failure, LoadError::EndsEarly, "no end-of-image marker");
		if(n_marker == marker_EOI) {
			return r_decoder.b_scan_seen ||
				b_LoadFailed(r_reader.p_failure, LoadError::Corrupt, "end-of-image marker before any scan");
		}
		if(!b_ReadJpegSegment(n_marker, r_decoder, r_reader))
			return false;
	}
}

} // namespace

RasterImage *p_DecodeJpeg(FILE *p_file, LoadFailure *p_failure)
{
	JpegDecoder decoder = {};
	JpegByteReader reader;
	InitJpegByteReader(reader, p_file, p_failure);
	RasterImage *p_image = (b_ReadJpegFile(decoder, reader))? p_AssembleJpegImage(decoder, p_failure) : nullptr;
	for(int8_t *p_plane : decoder.p_plane)
		delete[] p_plane;
	return p_image;
}
