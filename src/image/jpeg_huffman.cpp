#include "image/jpeg_huffman.h"

int n_LayOutJpegHuffmanCodes(JpegHuffmanTable &r_table)
{
	uint32_t n_code = 0;
	int n_symbol_num = 0;
	for(int i = 0; i < n_jpeg_max_code_length; ++ i) {
		const int n_count = r_table.p_count[i];
		// a length of i + 1 bits has 2^(i + 1) codes, some already taken as prefixes of shorter ones
		if(n_code + uint32_t(n_count) > uint32_t(2) << i)
			return -1;
		r_table.p_first_code[i] = n_code;
		r_table.p_first_symbol[i] = uint16_t(n_symbol_num);
		n_symbol_num += n_count;
		n_code = (n_code + uint32_t(n_count)) << 1;
	}
	return n_symbol_num;
}

int n_DecodeJpegSymbol(const JpegHuffmanTable &r_table, JpegBitReader &r_bits, JpegByteReader &r_reader)
{
	uint32_t n_code = 0;
	for(int i = 0; i < n_jpeg_max_code_length; ++ i) {
		n_code = n_code << 1 | uint32_t(n_ReadJpegBit(r_bits, r_reader));
		if(r_bits.b_error)
			return -1;
		// a code that no shorter length took is at least the first code of this length
		const uint32_t n_offset = n_code - r_table.p_first_code[i];
		if(n_offset < r_table.p_count[i])
			return r_table.p_symbol[r_table.p_first_symbol[i] + n_offset];
	}
	return -1;
}
