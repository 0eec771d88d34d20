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

void MakeCodeLookup(const CanonicalCode &r_code, CodeLookup &r_lookup)
{
	const int n_lookup_bits = CodeLookup::n_lookup_bits;
	for(uint16_t &r_entry : r_lookup.p_entry)
		r_entry = 0;
	// a code of i + 1 bits fills the entries of every next n_lookup_bits bits it begins;
	// counts of more codes than i + 1 bits hold (damaged data) give codes no bits match
	for(int i = 0; i < n_lookup_bits; ++ i) {
		const int n_shift = n_lookup_bits - 1 - i;
		for(int32_t n_code = r_code.p_min_code[i]; n_code < r_code.p_max_code[i] && n_code < (2 << i); ++ n_code) {
			const uint16_t n_entry = uint16_t((i + 1) << 8 | r_code.p_symbol[n_code + r_code.p_table_off[i]]);
			for(int32_t j = n_code << n_shift; j < (n_code + 1) << n_shift; ++ j)
				r_lookup.p_entry[j] = n_entry;
		}
	}
}
