#include "image/jpeg_scan.h"

#include "image/jpeg_color_output.h"
#include "image/jpeg_segments.h"

namespace {

const int n_end_of_block = 0x00; // run 0, size 0
const int n_zero_run_16 = 0xf0; // run 15, size 0: sixteen zero coefficients
const int n_max_dc_category = 15; // larger differences could not be received into 16 bits

/** Where the entropy-coded data of one scan is read from and decoded into. */
struct JpegScanState {
	JpegDecoder &r_decoder;
	JpegByteReader &r_reader;
	JpegBitReader bits;
	JpegScanComponent p_component[n_jpeg_max_component_num];
	int n_component_num;
};

/*
 *	A block: the DC difference as a magnitude category s (DC code) and s bits,
 *	added to the component's predictor; then AC symbols rrrrssss, each a run
 *	of r zero coefficients and a coefficient of category s (its s bits
 *	follow), with 0x00 ending the block early and 0xf0 standing for sixteen
 *	zeros. Coefficients arrive in zig-zag order and are dequantised as read.
 */
bool b_DecodeBlock(JpegScanState &r_scan, const JpegScanComponent &r_scan_component, int16_t *p_coeff)
{
	JpegDecoder &r_decoder = r_scan.r_decoder;
	LoadFailure *p_failure = r_scan.r_reader.p_failure;
	const int32_t *p_q = r_decoder.p_quant[r_decoder.p_component[r_scan_component.n_component].n_tq].p_multiplier;
	int16_t &r_predictor = r_decoder.p_dc_predictor[r_scan_component.n_component];

	const int n_category = n_DecodeJpegSymbol(*r_scan_component.p_dc_table, r_scan.bits, r_scan.r_reader);
	if(n_category < 0)
		return b_LoadFailed(p_failure, LoadError::Corrupt, "bad Huffman code in the scan");
	if(n_category > n_max_dc_category)
		return b_LoadFailed(p_failure, LoadError::Corrupt, "DC difference of category %d in the scan", n_category);
	if(n_category) {
		const int n_difference = n_ReceiveJpegValue(r_scan.bits, r_scan.r_reader, n_category);
		if(r_scan.bits.b_error)
			return false;
		r_predictor = int16_t(r_predictor + n_difference);
	}
	p_coeff[0] = n_DequantizeJpeg(r_predictor, p_q[0]);

	const int n_last = n_jpeg_block_size - 1;
	for(int k = 1; k <= n_last;) {
		const int n_symbol = n_DecodeJpegSymbol(*r_scan_component.p_ac_table, r_scan.bits, r_scan.r_reader);
		if(n_symbol < 0)
			return b_LoadFailed(p_failure, LoadError::Corrupt, "bad Huffman code in the scan");
		const int n_run = n_symbol >> 4, n_size = n_symbol & 15;
		if(n_symbol == n_end_of_block)
			break;
		if(!n_size && n_symbol != n_zero_run_16)
			return b_LoadFailed(p_failure, LoadError::Corrupt, "bad AC symbol 0x%02x in the scan", n_symbol);
		const int n_skip = (n_size)? n_run : 16;
		if(k + n_skip > n_last)
			return b_LoadFailed(p_failure, LoadError::Corrupt, "coefficient index beyond 63 in the scan");
		k += n_skip;
		if(!n_size)
			continue;
		const int n_value = n_ReceiveJpegValue(r_scan.bits, r_scan.r_reader, n_size);
		if(r_scan.bits.b_error)
			return false;
		p_coeff[p_jpeg_natural_order[k]] = n_DequantizeJpeg(n_value, p_q[k]);
		++ k;
	}
	return true;
}

/*
 *	An MCU holds, for each scan component in scan order, H x V blocks, row by
 *	row; they cover 8H x 8V samples of that component's plane. Blocks beyond
 *	the plane (right and bottom edges of the image) are decoded and dropped.
 */
bool b_DecodeMcu(JpegScanState &r_scan, int n_mcu)
{
	const JpegDecoder &r_decoder = r_scan.r_decoder;
	const int n_mcu_column = n_mcu % r_decoder.n_mcus_per_row, n_mcu_row = n_mcu / r_decoder.n_mcus_per_row;
	for(int i = 0; i < r_scan.n_component_num; ++ i) {
		const JpegScanComponent &r_scan_component = r_scan.p_component[i];
		const int n_position = r_scan_component.n_component;
		const JpegComponent &r_component = r_decoder.p_component[n_position];
		for(int b = 0, n_block_num = r_component.n_h * r_component.n_v; b < n_block_num; ++ b) {
			int16_t p_coeff[n_jpeg_block_size] = {0};
			if(!b_DecodeBlock(r_scan, r_scan_component, p_coeff))
				return false;
			const int x = (n_mcu_column * r_component.n_h + b % r_component.n_h) * n_jpeg_block_side;
			const int y = (n_mcu_row * r_component.n_v + b / r_component.n_h) * n_jpeg_block_side;
			const int n_plane_width = r_decoder.p_plane_width[n_position];
			if(x < n_plane_width && y < r_decoder.p_plane_height[n_position]) {
				StoreJpegBlock(p_coeff, r_decoder.p_plane[n_position] +
					size_t(y) * size_t(n_plane_width) + size_t(x), size_t(n_plane_width));
			}
		}
	}
	return true;
}

/*
 *	SOS: length | Ns | per component its identifier and TdTa (DC table high,
 *	AC table low nibble) | Ss | Se | AhAl, then the entropy-coded data.
 */
bool b_ReadScanHeader(JpegScanState &r_scan)
{
	const int n_min_length = 6, n_component_size = 2;
	JpegDecoder &r_decoder = r_scan.r_decoder;
	JpegByteReader &r_reader = r_scan.r_reader;
	LoadFailure *p_failure = r_reader.p_failure;
	int n_length;
	uint8_t n_component_num;
	if(!r_decoder.b_frame_seen)
		return b_LoadFailed(p_failure, LoadError::Corrupt, "SOS before the frame header");
	if(!b_CheckJpegColorSpace(r_decoder, p_failure) || !b_ReadJpegSegmentLength(r_reader, n_min_length, n_length) ||
	   !b_ReadJpegByte(r_reader, n_component_num))
		return false;
	if(!n_component_num || n_component_num > r_decoder.n_component_num) {
		return b_LoadFailed(p_failure, LoadError::Corrupt, "scan of %d components in a frame of %d",
			n_component_num, r_decoder.n_component_num);
	}
	if(n_component_num < r_decoder.n_component_num) {
		return b_LoadFailed(p_failure, LoadError::Unsupported, "non-interleaved JPEG (a scan of %d of %d components)",
			n_component_num, r_decoder.n_component_num);
	}
	if(n_length < n_component_size * n_component_num + n_min_length)
		return b_LoadFailed(p_failure, LoadError::Corrupt, "scan header too short for its %d components", n_component_num);
	r_scan.n_component_num = n_component_num;
	bool p_component_used[n_jpeg_max_component_num] = {false};
	for(int i = 0; i < n_component_num; ++ i) {
		JpegScanComponent &r_scan_component = r_scan.p_component[i];
		uint8_t n_td_ta;
		if(!b_ReadJpegByte(r_reader, r_scan_component.n_id) || !b_ReadJpegByte(r_reader, n_td_ta))
			return false;
		const int n_id = r_scan_component.n_id;
		r_scan_component.n_td = n_td_ta >> 4;
		r_scan_component.n_ta = n_td_ta & 15;
		if(r_scan_component.n_td >= n_jpeg_table_num || r_scan_component.n_ta >= n_jpeg_table_num) {
			return b_LoadFailed(p_failure, LoadError::Corrupt, "scan component %d names Huffman tables %d and %d",
				n_id, r_scan_component.n_td, r_scan_component.n_ta);
		}
		int n_position = 0;
		while(n_position < n_component_num && r_decoder.p_component[n_position].n_id != n_id)
			++ n_position;
		if(n_position == n_component_num)
			return b_LoadFailed(p_failure, LoadError::Corrupt, "scan component %d is not in the frame", n_id);
		// each frame component once, so that every plane is written
		if(p_component_used[n_position])
			return b_LoadFailed(p_failure, LoadError::Corrupt, "scan lists component %d twice", n_id);
		p_component_used[n_position] = true;
		r_scan_component.n_component = n_position;
		r_scan_component.p_dc_table = &r_decoder.p_huffman[r_scan_component.n_td][huff_DC];
		r_scan_component.p_ac_table = &r_decoder.p_huffman[r_scan_component.n_ta][huff_AC];
		if(!r_scan_component.p_dc_table->b_defined || !r_scan_component.p_ac_table->b_defined) {
			return b_LoadFailed(p_failure, LoadError::Corrupt, "scan component %d uses Huffman tables %d and %d, not both defined",
				n_id, r_scan_component.n_td, r_scan_component.n_ta);
		}
		const int n_tq = r_decoder.p_component[n_position].n_tq;
		if(!r_decoder.p_quant[n_tq].b_defined)
			return b_LoadFailed(p_failure, LoadError::Corrupt, "component %d uses quantisation table %d, not defined", n_id, n_tq);
	}
	// Ss, Se and AhAl only matter to progressive coding: they, and any further
	// bytes the length claims, are passed over
	const int n_read_size = 3 + n_component_size * n_component_num; // length, Ns, components
	return b_SkipJpegBytes(r_reader, size_t(n_length - n_read_size));
}

/** @brief DC predictions start from 0 at the start of a scan and after each restart marker, for every component */
void ResetDcPredictors(JpegDecoder &r_decoder)
{
	for(int16_t &r_n_predictor : r_decoder.p_dc_predictor)
		r_n_predictor = 0;
}

} // namespace

bool b_ReadJpegScan(uint16_t, JpegDecoder &r_decoder, JpegByteReader &r_reader)
{
	JpegScanState scan = {r_decoder, r_reader, {}, {}, 0};
	if(!b_ReadScanHeader(scan))
		return false;
	r_reader.p_s_part = "scan data";
	ResetJpegBits(scan.bits);
	ResetDcPredictors(r_decoder);
	for(int n_mcu = 0; n_mcu < r_decoder.n_mcu_num; ++ n_mcu) {
		if(!b_DecodeMcu(scan, n_mcu))
			return false;
		// after every Ri MCUs but the last: a marker RST0 ... RST7 (in any order
		// here) and a fresh start of the DC predictions and of the bits
		if(r_decoder.b_restart_enabled && (n_mcu + 1) % r_decoder.n_restart_interval == 0 &&
		   n_mcu + 1 < r_decoder.n_mcu_num) {
			ResetDcPredictors(r_decoder);
			uint16_t n_marker;
			if(!b_FindJpegMarker(r_reader, n_marker))
				return false;
			if(n_marker < marker_RST0 || n_marker > marker_RST7)
				return b_LoadFailed(r_reader.p_failure, LoadError::Corrupt, "missing restart marker after MCU %d", n_mcu + 1);
			ResetJpegBits(scan.bits);
		}
	}
	r_decoder.b_scan_seen = true;
	return true;
}
