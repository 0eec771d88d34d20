#include "image/jpeg_decoder.h"

#include "image/jpeg_color_output.h"
#include "image/jpeg_decoder_state.h"
#include "image/jpeg_segments.h"
#include "image/jpeg_stream.h"

namespace {

/*
 *	A file is SOI, segments, EOI. Anything before SOI is passed over; after
 *	it every marker opens a segment, up to EOI. The file must hold a frame
 *	and a complete scan of it.
 */
bool b_ReadJpegFile(JpegDecoder &r_decoder, JpegByteReader &r_reader)
{
	uint16_t n_marker;
	do {
		if(!b_FindJpegMarker(r_reader, n_marker))
			return false;
	} while(n_marker != marker_SOI);
	for(;;) {
		if(!b_FindJpegMarker(r_reader, n_marker))
			return false;
		if(n_marker == marker_EOI)
			return r_decoder.b_scan_seen;
		if(!b_ReadJpegSegment(n_marker, r_decoder, r_reader))
			return false;
	}
}

} // namespace

RasterImage *p_DecodeJpeg(FILE *p_file, LoadFailure *p_failure)
{
	JpegDecoder decoder = {};
	JpegByteReader reader;
	InitJpegByteReader(reader, p_file);
	RasterImage *p_image = (b_ReadJpegFile(decoder, reader))? p_AssembleJpegImage(decoder) : nullptr;
	for(int8_t *p_plane : decoder.p_plane)
		delete[] p_plane;
	if(!p_image)
		b_LoadFailed(p_failure, LoadError::Corrupt);
	return p_image;
}
