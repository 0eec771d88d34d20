#include "image/jpeg_segments.h"

#include <cstring>
#include <new>

#include "image/jpeg_scan.h"
#include "image/raster_image.h"

namespace {

const int n_length_field_size = 2;

bool b_ReadNothing(uint16_t, JpegDecoder&, JpegByteReader&)
{
	return true;
}

/** A segment whose content plays no part in decoding: length L, then L - 2 bytes. */
bool b_SkipSegment(uint16_t, JpegDecoder&, JpegByteReader &r_reader)
{
	int n_length;
	return b_ReadJpegSegmentLength(r_reader, n_length_field_size, n_length) &&
		b_SkipJpegBytes(r_reader, size_t(n_length - n_length_field_size));
}

/*
 *	APP0 must be the JFIF header, version 1.0 to 1.2:
 *	length (>= 16) | "JFIF\0" | major | minor | units, densities, thumbnail ...
 *	Any other APP0 (a JFIF extension segment, for one) is refused.
 */
bool b_ReadJfifHeader(uint16_t, JpegDecoder&, JpegByteReader &r_reader)
{
	const int n_min_length = 16, n_checked_size = 9;
	int n_length;
	uint8_t p_head[7];
	if(!b_ReadJpegSegmentLength(r_reader, n_min_length, n_length) || !b_ReadJpegBytes(r_reader, p_head, sizeof(p_head)))
		return false;
	if(memcmp(p_head, "JFIF", 5))
		return b_LoadFailed(r_reader.p_failure, LoadError::Unsupported, "APP0 segment that is not a JFIF header");
	if(p_head[5] != 1 || p_head[6] > 2)
		return b_LoadFailed(r_reader.p_failure, LoadError::Unsupported, "JFIF version %d.%02d", p_head[5], p_head[6]);
	return b_SkipJpegBytes(r_reader, size_t(n_length - n_checked_size));
}

/*
 *	APP14 as Adobe writes it:
 *	length (>= 14) | "Adobe" | version (2) | flags0 (2) | flags1 (2) | transform
 *	The transform says what the components hold: 0 the colours as they
 *	stand (RGB or CMYK), 1 YCbCr, 2 YCCK. Any other APP14 is passed over.
 */
bool b_ReadAdobeSegment(uint16_t, JpegDecoder &r_decoder, JpegByteReader &r_reader)
{
	const int n_adobe_length = 14;
	int n_length;
	uint8_t p_head[n_adobe_length - n_length_field_size];
	if(!b_ReadJpegSegmentLength(r_reader, n_length_field_size, n_length))
		return false;
	if(n_length < n_adobe_length)
		return b_SkipJpegBytes(r_reader, size_t(n_length - n_length_field_size));
	if(!b_ReadJpegBytes(r_reader, p_head, sizeof(p_head)))
		return false;
	if(!memcmp(p_head, "Adobe", 5)) {
		r_decoder.b_adobe_seen = true;
		r_decoder.n_adobe_transform = p_head[sizeof(p_head) - 1];
	}
	return b_SkipJpegBytes(r_reader, size_t(n_length - n_adobe_length));
}

/* DRI: length (>= 4) | Ri, the number of MCUs between restart markers, 0 for none */
bool b_ReadRestartInterval(uint16_t, JpegDecoder &r_decoder, JpegByteReader &r_reader)
{
	const int n_min_length = 4;
	int n_length;
	if(!b_ReadJpegSegmentLength(r_reader, n_min_length, n_length) ||
	   !b_ReadJpegWord(r_reader, r_decoder.n_restart_interval))
		return false;
	r_decoder.b_restart_enabled = r_decoder.n_restart_interval != 0;
	return b_SkipJpegBytes(r_reader, size_t(n_length - n_min_length));
}

/*
 *	DQT: length, then tables of PqTq (precision 0: 8-bit, 1: 16-bit entries;
 *	table 0 to 3) and 64 entries in zig-zag order. Bytes too few for another
 *	table are left to the marker scan.
 */
bool b_ReadQuantTables(uint16_t, JpegDecoder &r_decoder, JpegByteReader &r_reader)
{
	const int n_min_table_size = 1 + n_jpeg_block_size;
	int n_length;
	if(!b_ReadJpegSegmentLength(r_reader, n_length_field_size, n_length))
		return false;
	for(int n_left = n_length - n_length_field_size; n_left >= n_min_table_size;) {
		uint8_t n_pq_tq;
		if(!b_ReadJpegByte(r_reader, n_pq_tq))
			return false;
		-- n_left;
		const int n_pq = n_pq_tq >> 4, n_tq = n_pq_tq & 15;
		if(n_tq >= n_jpeg_table_num)
			return b_LoadFailed(r_reader.p_failure, LoadError::Corrupt, "DQT segment defines table %d", n_tq);
		if(n_pq > 1)
			return b_LoadFailed(r_reader.p_failure, LoadError::Corrupt, "DQT segment gives entry precision %d", n_pq);
		const int n_entry_size = n_pq + 1;
		if(n_left < n_entry_size * n_jpeg_block_size)
			return b_LoadFailed(r_reader.p_failure, LoadError::Corrupt, "DQT segment is too short for its table");
		JpegQuantTable &r_table = r_decoder.p_quant[n_tq];
		for(int k = 0; k < n_jpeg_block_size; ++ k) {
			uint16_t n_value;
			uint8_t n_byte;
			if(n_pq) {
				if(!b_ReadJpegWord(r_reader, n_value))
					return false;
			} else if(b_ReadJpegByte(r_reader, n_byte))
				n_value = n_byte;
			else
				return false;
			r_table.p_multiplier[k] = n_ScaledJpegQuant(n_value, k);
		}
		n_left -= n_entry_size * n_jpeg_block_size;
		r_table.b_defined = true;
	}
	return true;
}

/*
 *	DHT: length, then tables of TcTh (class 0: DC, 1: AC; table 0 to 3), 16
 *	counts of codes of each length and the symbols in code order. A table may
 *	be redefined; bytes too few for another table are left to the marker scan.
 */
bool b_ReadHuffmanTables(uint16_t, JpegDecoder &r_decoder, JpegByteReader &r_reader)
{
	const int n_min_table_size = 1 + n_jpeg_max_code_length;
	int n_length;
	if(!b_ReadJpegSegmentLength(r_reader, n_length_field_size, n_length))
		return false;
	for(int n_left = n_length - n_length_field_size; n_left >= n_min_table_size;) {
		uint8_t n_tc_th;
		if(!b_ReadJpegByte(r_reader, n_tc_th))
			return false;
		const int n_tc = n_tc_th >> 4, n_th = n_tc_th & 15;
		if(n_th >= n_jpeg_table_num)
			return b_LoadFailed(r_reader.p_failure, LoadError::Corrupt, "DHT segment defines table %d", n_th);
		if(n_tc > huff_AC)
			return b_LoadFailed(r_reader.p_failure, LoadError::Corrupt, "DHT segment defines table class %d", n_tc);
		JpegHuffmanTable &r_table = r_decoder.p_huffman[n_th][n_tc];
		r_table.b_defined = false;
		if(!b_ReadJpegBytes(r_reader, r_table.p_count, sizeof(r_table.p_count)))
			return false;
		n_left -= n_min_table_size;
		const int n_symbol_num = n_LayOutJpegHuffmanCodes(r_table);
		if(n_symbol_num < 0)
			return b_LoadFailed(r_reader.p_failure, LoadError::Corrupt, "DHT segment declares more codes of a length than fit");
		if(n_symbol_num > n_jpeg_max_symbol_num)
			return b_LoadFailed(r_reader.p_failure, LoadError::Corrupt, "DHT segment declares more than 256 symbols");
		if(n_symbol_num > n_left)
			return b_LoadFailed(r_reader.p_failure, LoadError::Corrupt, "DHT segment declares more symbols than it holds");
		if(!b_ReadJpegBytes(r_reader, r_table.p_symbol, size_t(n_symbol_num)))
			return false;
		n_left -= n_symbol_num;
		r_table.b_defined = true;
	}
	return true;
}

/** @brief tells whether a sampling factor is one the decoder takes; records why not */
bool b_SupportedSamplingFactor(int n_factor, LoadFailure *p_failure)
{
	const int n_valid_unsupported_factor = 3; // the format allows 1 to 4; 3 does not divide 4
	if(n_factor == 1 || n_factor == 2 || n_factor == 4)
		return true;
	return b_LoadFailed(p_failure, (n_factor == n_valid_unsupported_factor)? LoadError::Unsupported : LoadError::Corrupt,
		"sampling factor %d", n_factor);
}

/** @brief checks the frame's precision, size and component count, all read before the components */
bool b_SupportedFrame(int n_precision, int n_width, int n_height, int n_component_num, LoadFailure *p_failure)
{
	const int n_supported_precision = 8, n_extended_precision = 12;
	if(n_precision == n_extended_precision)
		return b_LoadFailed(p_failure, LoadError::Unsupported, "12-bit JPEG");
	if(n_precision != n_supported_precision)
		return b_LoadFailed(p_failure, LoadError::Corrupt, "frame header gives %d-bit samples", n_precision);
	// a zero height would come later in a DNL segment, which is refused
	if(!n_height)
		return b_LoadFailed(p_failure, LoadError::Unsupported, "DNL segment (frame height 0)");
	if(!n_width)
		return b_LoadFailed(p_failure, LoadError::Corrupt, "frame width 0");
	if(!b_AcceptableImageSize(n_width, n_height))
		return b_LoadFailed(p_failure, LoadError::TooLarge, "%d x %d", n_width, n_height);
	// sides of 32768 or more do not fit the decoder's 16-bit signed sizes
	if(n_width > INT16_MAX || n_height > INT16_MAX)
		return b_LoadFailed(p_failure, LoadError::Unsupported, "JPEG of 32768 or more pixels on a side (%d x %d)", n_width, n_height);
	if(!n_component_num)
		return b_LoadFailed(p_failure, LoadError::Corrupt, "frame header lists no components");
	if(n_component_num != 1 && n_component_num != 3)
		return b_LoadFailed(p_failure, LoadError::Unsupported, "JPEG with %d components", n_component_num);
	return true;
}

/*
 *	SOF0 / SOF1: length | P | Y (height) | X (width) | Nf, then per component
 *	its identifier, HV (H high, V low nibble) and Tq.
 *
 *	Only 8-bit samples, one or three components, and one frame per file are
 *	taken. Identifiers only pair the frame's components with the scan's; the
 *	components' meaning (Y, Cb, Cr) comes from their order in the frame. A
 *	one-component frame is coded one block per MCU whatever its factors say,
 *	so they are read as 1 x 1.
 */
bool b_ReadFrameHeader(uint16_t, JpegDecoder &r_decoder, JpegByteReader &r_reader)
{
	const int n_min_length = 8, n_component_size = 3;
	LoadFailure *p_failure = r_reader.p_failure;
	int n_length;
	uint8_t n_component_num;
	uint16_t n_height, n_width;
	if(r_decoder.b_frame_seen)
		return b_LoadFailed(p_failure, LoadError::Corrupt, "second frame header");
	if(!b_ReadJpegSegmentLength(r_reader, n_min_length, n_length) ||
	   !b_ReadJpegByte(r_reader, r_decoder.n_precision) || !b_ReadJpegWord(r_reader, n_height) ||
	   !b_ReadJpegWord(r_reader, n_width) || !b_ReadJpegByte(r_reader, n_component_num) ||
	   !b_SupportedFrame(r_decoder.n_precision, n_width, n_height, n_component_num, p_failure))
		return false;
	if(n_length < n_component_size * n_component_num + n_min_length)
		return b_LoadFailed(p_failure, LoadError::Corrupt, "frame header too short for its %d components", n_component_num);
	r_decoder.n_height = int16_t(n_height);
	r_decoder.n_width = int16_t(n_width);
	r_decoder.n_component_num = n_component_num;

	int n_h_max = 1, n_v_max = 1, n_blocks_per_mcu = 0;
	for(int i = 0; i < n_component_num; ++ i) {
		JpegComponent &r_component = r_decoder.p_component[i];
		uint8_t n_hv;
		if(!b_ReadJpegByte(r_reader, r_component.n_id) || !b_ReadJpegByte(r_reader, n_hv) ||
		   !b_ReadJpegByte(r_reader, r_component.n_tq))
			return false;
		r_component.n_h = n_hv >> 4;
		r_component.n_v = n_hv & 15;
		if(r_component.n_tq >= n_jpeg_table_num) {
			return b_LoadFailed(p_failure, LoadError::Corrupt, "frame component %d names quantisation table %d",
				r_component.n_id, r_component.n_tq);
		}
		if(!b_SupportedSamplingFactor(r_component.n_h, p_failure) || !b_SupportedSamplingFactor(r_component.n_v, p_failure))
			return false;
		for(int j = 0; j < i; ++ j) {
			if(r_decoder.p_component[j].n_id == r_component.n_id) // a scan could not tell the two apart
				return b_LoadFailed(p_failure, LoadError::Corrupt, "two frame components with identifier %d", r_component.n_id);
		}
		if(n_component_num == 1)
			r_component.n_h = r_component.n_v = 1;
		n_h_max = (r_component.n_h > n_h_max)? r_component.n_h : n_h_max;
		n_v_max = (r_component.n_v > n_v_max)? r_component.n_v : n_v_max;
		n_blocks_per_mcu += r_component.n_h * r_component.n_v;
	}

	const int n_mcu_width = n_jpeg_block_side * n_h_max, n_mcu_height = n_jpeg_block_side * n_v_max;
	r_decoder.n_mcus_per_row = (n_width + n_mcu_width - 1) / n_mcu_width;
	r_decoder.n_mcu_num = r_decoder.n_mcus_per_row * ((n_height + n_mcu_height - 1) / n_mcu_height);
	// every block takes at least two bits (a DC code and an end-of-block or
	// AC code), so a file too short for that fails before the planes exist
	const uint64_t n_min_scan_size = (uint64_t(r_decoder.n_mcu_num) * uint64_t(n_blocks_per_mcu) * 2 + 7) / 8;
	uint64_t n_bytes_left;
	if(b_JpegBytesLeft(r_reader, n_bytes_left) && n_bytes_left < n_min_scan_size) {
		return b_LoadFailed(p_failure, LoadError::EndsEarly, "too short for the scan of a %d x %d image",
			n_width, n_height);
	}

	r_decoder.b_frame_seen = true;
	for(int i = 0; i < n_component_num; ++ i) {
		JpegComponent &r_component = r_decoder.p_component[i];
		r_component.n_hs = uint8_t(n_h_max / r_component.n_h);
		r_component.n_vs = uint8_t(n_v_max / r_component.n_v);
		// whole blocks: ceil(X / hs) and ceil(Y / vs), rounded up to a multiple of 8
		const int n_block_cover_w = n_jpeg_block_side * r_component.n_hs;
		const int n_block_cover_h = n_jpeg_block_side * r_component.n_vs;
		const int n_plane_width = (n_width + n_block_cover_w - 1) / n_block_cover_w * n_jpeg_block_side;
		const int n_plane_height = (n_height + n_block_cover_h - 1) / n_block_cover_h * n_jpeg_block_side;
		r_decoder.p_plane_width[i] = uint16_t(n_plane_width);
		r_decoder.p_plane_height[i] = uint16_t(n_plane_height);
		if(!(r_decoder.p_plane[i] = new(std::nothrow) int8_t[size_t(n_plane_width) * size_t(n_plane_height)]))
			return b_LoadFailed(p_failure, LoadError::NoMemory);
	}
	return true;
}

typedef bool (*JpegSegmentHandler)(uint16_t n_marker, JpegDecoder &r_decoder, JpegByteReader &r_reader);

struct JpegMarkerRange {
	uint16_t n_first;
	uint16_t n_last;
	JpegSegmentHandler p_handler; // null: the marker is refused as unsupported
	const char *p_s_name; // the segment, in reasons; for a refused marker, the kind of JPEG it belongs to
};

/** Every marker the decoder knows; the ones not listed fail the decode. */
const JpegMarkerRange p_marker_table[] = {
	{marker_SOI, marker_SOI, b_ReadNothing, "SOI marker"},
	{marker_SOF0, marker_SOF1, b_ReadFrameHeader, "frame header"}, // baseline and extended sequential, Huffman-coded
	{marker_DHT, marker_DHT, b_ReadHuffmanTables, "DHT segment"},
	{marker_DQT, marker_DQT, b_ReadQuantTables, "DQT segment"},
	{marker_DRI, marker_DRI, b_ReadRestartInterval, "DRI segment"},
	{marker_SOS, marker_SOS, b_ReadJpegScan, "scan header"},
	{marker_APP0, marker_APP0, b_ReadJfifHeader, "APP0 segment"},
	{marker_APP14, marker_APP14, b_ReadAdobeSegment, "APP14 segment"},
	{0xffc2, 0xffc2, nullptr, "progressive JPEG"},
	{0xffc3, 0xffc3, nullptr, "lossless JPEG"},
	{0xffc5, 0xffc7, nullptr, "hierarchical JPEG"}, // differential frames
	{0xffc8, 0xffc8, nullptr, "JPEG extensions (JPG marker)"},
	{0xffc9, 0xffcc, nullptr, "arithmetic-coded JPEG"}, // sequential, progressive and lossless frames, DAC
	{0xffcd, 0xffcf, nullptr, "hierarchical arithmetic-coded JPEG"},
	{marker_DNL, marker_DNL, nullptr, "DNL segment"},
	{0xffde, 0xffde, nullptr, "hierarchical JPEG"}, // DHP
	{0xffdf, 0xffdf, b_SkipSegment, "EXP segment"},
	{0xffe1, 0xffed, b_SkipSegment, "APPn segment"}, // APP1 to APP13
	{0xffef, 0xffef, b_SkipSegment, "APPn segment"}, // APP15
	{0xfff0, 0xfffd, b_SkipSegment, "JPGn segment"}, // JPG0 to JPG13
	{marker_COM, marker_COM, b_SkipSegment, "COM segment"},
	{0xff01, 0xff02, b_SkipSegment, "reserved segment"}, // TEM and a reserved marker
	{0xffbf, 0xffbf, b_SkipSegment, "reserved segment"}
};

} // namespace

bool b_ReadJpegSegmentLength(JpegByteReader &r_reader, int n_min_length, int &r_n_length)
{
	uint16_t n_length;
	if(!b_ReadJpegWord(r_reader, n_length))
		return false;
	if(n_min_length < n_length_field_size)
		n_min_length = n_length_field_size;
	r_n_length = n_length;
	return n_length >= n_min_length || b_LoadFailed(r_reader.p_failure, LoadError::Corrupt,
		"%s length %d is below %d", r_reader.p_s_part, n_length, n_min_length);
}

bool b_ReadJpegSegment(uint16_t n_marker, JpegDecoder &r_decoder, JpegByteReader &r_reader)
{
	for(const JpegMarkerRange &r_range : p_marker_table) {
		if(n_marker < r_range.n_first || n_marker > r_range.n_last)
			continue;
		if(!r_range.p_handler)
			return b_LoadFailed(r_reader.p_failure, LoadError::Unsupported, "%s", r_range.p_s_name);
		r_reader.p_s_part = r_range.p_s_name;
		const bool b_read = r_range.p_handler(n_marker, r_decoder, r_reader);
		r_reader.p_s_part = nullptr;
		return b_read;
	}
	return b_LoadFailed(r_reader.p_failure, LoadError::Corrupt, "unexpected marker 0x%04x", n_marker);
}
