#include "compress/canonical_code.h"

#include "compress/huffman_coder.h"

bool b_ReadCodeTable(const uint8_t *p_stream, size_t n_stream_size, CanonicalCode &r_code, size_t &r_n_bits_offset)
{
	if(n_stream_size < n_code_table_size)
		return false;
	int32_t n_code = 0, n_symbol_num = 0;
	for(int i = 0; i < n_max_code_length; ++ i) {
		const uint8_t *p_count = p_stream + 4 * i; // little-endian int32
		const int32_t n_count = int32_t(uint32_t(p_count[0]) | uint32_t(p_count[1]) << 8 |
			uint32_t(p_count[2]) << 16 | uint32_t(p_count[3]) << 24);
		if(n_count < 0 || n_count > n_byte_value_num - n_symbol_num)
			return false;
		r_code.p_min_code[i] = n_code;
		r_code.p_max_code[i] = n_code + n_count;
		r_code.p_table_off[i] = n_symbol_num - n_code;
		n_code = 2 * (n_code + n_count); // the first code of the next length
		n_symbol_num += n_count;
	}
	if(size_t(n_symbol_num) > n_stream_size - n_code_table_size)
		return false;
	r_code.p_symbol = p_stream + n_code_table_size;
	r_n_bits_offset = n_code_table_size + size_t(n_symbol_num);
	return true;
}

bool b_ReadSymbol(const CanonicalCode &r_code, BitReader &r_bits, uint8_t &r_n_symbol)
{
	int32_t n_code = 0;
	for(int i = 0; i < n_max_code_length; ++ i) {
		n_code = 2 * n_code + r_bits.n_Bit();
		if(n_code >= r_code.p_min_code[i] && n_code < r_code.p_max_code[i]) {
			r_n_symbol = r_code.p_symbol[n_code + r_code.p_table_off[i]];
			return true;
		}
	}
	return false;
}
