#pragma once

#include <cstdint>

#include "image/jpeg_stream.h"

const int n_jpeg_max_code_length = 16;
const int n_jpeg_max_symbol_num = 256; // a symbol is a byte, and each has at most one code

/**
 *	A canonical Huffman table as a DHT segment defines it: the number of codes
 *	of each length 1 to 16 and the symbols in code order. Codes of one length
 *	are consecutive numbers; the first code of a length is twice the end of
 *	the codes of the length before.
 */
struct JpegHuffmanTable {
	bool b_defined;
	uint8_t p_count[n_jpeg_max_code_length]; // codes of length i + 1
	uint16_t p_first_symbol[n_jpeg_max_code_length]; // position of the first symbol of length i + 1
	uint32_t p_first_code[n_jpeg_max_code_length]; // smallest code of length i + 1
	uint8_t p_symbol[n_jpeg_max_symbol_num];
};

/**
 *	@brief lays out the codes for the counts already in r_table.p_count
 *	@return the number of symbols the counts declare (up to 16 x 255), or -1
 *		when they ask for more codes of some length than fit (a table that no
 *		code stream could follow)
 *	@note The caller checks the count against n_jpeg_max_symbol_num, fills
 *		p_symbol and sets b_defined.
 */
int n_LayOutJpegHuffmanCodes(JpegHuffmanTable &r_table);

/** @brief decodes one symbol; -1 when no code of up to 16 bits matches or the data ends */
int n_DecodeJpegSymbol(const JpegHuffmanTable &r_table, JpegBitReader &r_bits, JpegByteReader &r_reader);
