#pragma once

#include <cstdint>

#include "image/jpeg_huffman.h"
#include "image/jpeg_idct.h"

/*
 *	State of one JPEG decode, shared by the segment handlers, the scan
 *	decoder and the output assembly. Components are kept in frame order and
 *	every per-component array is indexed by that position, whatever
 *	identifiers the file gives them.
 */

const int n_jpeg_max_component_num = 4;
const int n_jpeg_table_num = 4; // selectors Tq, Td and Ta run from 0 to 3

struct JpegQuantTable {
	bool b_defined;
	int32_t p_multiplier[n_jpeg_block_size]; // zig-zag order, scaled for the inverse DCT
};

struct JpegComponent {
	uint8_t n_id;
	uint8_t n_h; // horizontal sampling factor, 1, 2 or 4
	uint8_t n_v; // vertical sampling factor
	uint8_t n_hs; // each sample covers n_hs x n_vs pixels: Hmax / H
	uint8_t n_vs; // Vmax / V
	uint8_t n_tq; // quantisation table
};

struct JpegScanComponent {
	uint8_t n_id;
	int n_component; // position of the matching component in the frame
	uint8_t n_td; // DC table
	uint8_t n_ta; // AC table
	const JpegHuffmanTable *p_dc_table;
	const JpegHuffmanTable *p_ac_table;
};

enum {
	huff_DC = 0,
	huff_AC = 1
};

struct JpegDecoder {
	JpegQuantTable p_quant[n_jpeg_table_num];
	JpegHuffmanTable p_huffman[n_jpeg_table_num][2]; // [Th][huff_DC or huff_AC]
	uint8_t n_precision;
	int16_t n_height;
	int16_t n_width;
	int32_t n_mcu_num;
	int32_t n_mcus_per_row;
	uint8_t n_component_num;
	JpegComponent p_component[n_jpeg_max_component_num];
	bool b_adobe_seen; // an Adobe APP14 segment was read
	uint8_t n_adobe_transform; // its colour transform: 0 none (RGB or CMYK), 1 YCbCr, 2 YCCK
	bool b_restart_enabled;
	uint16_t n_restart_interval;
	bool b_frame_seen;
	bool b_scan_seen; // a scan decoded completely, so every plane sample was written
	int8_t *p_plane[n_jpeg_max_component_num]; // level-shifted samples, sample - 128
	uint16_t p_plane_width[n_jpeg_max_component_num]; // multiples of 8
	uint16_t p_plane_height[n_jpeg_max_component_num];
	int16_t p_dc_predictor[n_jpeg_max_component_num];
};
