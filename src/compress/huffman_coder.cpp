#include "compress/huffman_coder.h"

#include <algorithm>
#include <cstring>

/*
 *	Coder output:
 *
 *	[input length: 4 bytes LE]
 *	[p_code_num: 16 x int32 LE]  codes of 1, 2, ..., 16 bits
 *	[symbol list: N bytes]       in code order
 *	[codes of the input bytes]   most significant bit first, last byte zero-padded
 *
 *	The code is canonical: it follows from the counts and the list order
 *	alone. Codes start at 0 and count up through the list; moving to the next
 *	length doubles the next code value.
 */

namespace {

const int n_max_node_num = 2 * n_byte_value_num - 1; // leaves, then inner nodes

/** A byte value with its frequency, as sorted for code assignment. */
struct SymbolEntry {
	uint32_t n_frequency;
	uint8_t n_symbol;
};

/**
 *	@brief counts the leaves of a Huffman tree built over the given weights at each depth
 *	@param[in] p_weight holds the leaf weights, heaviest first, and room for
 *		n_leaf_num - 1 inner nodes behind them (at least 2 leaves)
 *	@param[out] p_depth_num is filled with the number of leaves at each depth
 *		(entry d - 1 counts depth d)
 *	@return the depth of the deepest leaf
 */
int n_CountLeafDepths(uint64_t *p_weight, int n_leaf_num, int32_t p_depth_num[n_byte_value_num])
{
	// Two queues, both lightest at the back: the leaves in their sorted order,
	// and the inner nodes in the order they are made, which is also by rising
	// weight. Each step joins the two lightest nodes. On equal weights the
	// inner node is taken first: that choice decides the code lengths
	// (weights 2, 2, 1, 1 give 1, 2, 3, 3 rather than 2, 2, 2, 2), so every
	// coder of the format must make it to give streams of the same length.
	int16_t p_child[n_max_node_num][2];
	int n_leaf_left = n_leaf_num; // the back leaf is n_leaf_left - 1
	int n_merge_back = n_leaf_num; // the oldest inner node not yet taken
	int n_node_num = n_leaf_num;
	while(n_leaf_left + (n_node_num - n_merge_back) >= 2) {
		for(int n_side = 0; n_side < 2; ++ n_side) {
			const bool b_take_inner = n_merge_back < n_node_num &&
				(!n_leaf_left || p_weight[n_leaf_left - 1] >= p_weight[n_merge_back]);
			p_child[n_node_num][n_side] = int16_t((b_take_inner)? n_merge_back ++ : -- n_leaf_left);
		}
		p_weight[n_node_num] = p_weight[p_child[n_node_num][0]] + p_weight[p_child[n_node_num][1]];
		++ n_node_num;
	}

	// children are always made before their parent, so walking the inner
	// nodes from the root down visits every parent before its children
	int p_depth[n_max_node_num];
	const int n_root = n_node_num - 1;
	p_depth[n_root] = 0;
	for(int i = n_root; i >= n_leaf_num; -- i)
		p_depth[p_child[i][0]] = p_depth[p_child[i][1]] = p_depth[i] + 1;

	int n_max_depth = 0;
	std::fill(p_depth_num, p_depth_num + n_byte_value_num, 0);
	for(int i = 0; i < n_leaf_num; ++ i) {
		++ p_depth_num[p_depth[i] - 1];
		n_max_depth = std::max(n_max_depth, p_depth[i]);
	}
	return n_max_depth;
}

/** @brief length of the CompressedStream for a code and the histogram it was built from */
size_t n_StreamLength(const HuffmanCode &r_code, const uint32_t p_frequency[n_byte_value_num])
{
	uint64_t n_bit_num = 0;
	for(int i = 0; i < n_byte_value_num; ++ i)
		n_bit_num += uint64_t(p_frequency[i]) * r_code.p_length[i];
	const uint64_t n_length = n_code_table_size + uint64_t(r_code.n_symbol_num) + (n_bit_num + 7) / 8;
	return (n_length > SIZE_MAX)? SIZE_MAX : size_t(n_length);
}

uint8_t *p_WriteLE32(uint8_t *p_out, uint32_t n_value)
{
	for(int i = 0; i < 4; ++ i, n_value >>= 8)
		*p_out ++ = uint8_t(n_value);
	return p_out;
}

} // namespace

void CountByteFrequencies(const uint8_t *p_data, size_t n_size, uint32_t p_frequency[n_byte_value_num])
{
	std::fill(p_frequency, p_frequency + n_byte_value_num, 0);
	for(const uint8_t *p_end = p_data + n_size; p_data != p_end; ++ p_data)
		++ p_frequency[*p_data];
}

bool b_BuildCodeLengths(const uint32_t p_frequency[n_byte_value_num], int n_max_length, HuffmanCode &r_code)
{
	if(n_max_length < 1 || n_max_length > n_max_code_length)
		return false;

	// Symbols are ranked by falling frequency, equal frequencies by rising
	// value, so the ranking (and with it every output byte) is the same
	// whatever sort the platform has. Codes go out in rank order, shortest first.
	SymbolEntry p_table[n_byte_value_num];
	for(int i = 0; i < n_byte_value_num; ++ i)
		p_table[i] = SymbolEntry{p_frequency[i], uint8_t(i)};
	std::sort(p_table, p_table + n_byte_value_num, [](const SymbolEntry &r_a, const SymbolEntry &r_b) {
		return r_a.n_frequency > r_b.n_frequency ||
			(r_a.n_frequency == r_b.n_frequency && r_a.n_symbol < r_b.n_symbol);
	});
	int n_symbol_num = 0;
	while(n_symbol_num < n_byte_value_num && p_table[n_symbol_num].n_frequency)
		++ n_symbol_num;
	if(n_symbol_num >= (1 << n_max_length) - 1)
		return false;

	memset(&r_code, 0, sizeof(r_code));
	r_code.n_symbol_num = n_symbol_num;
	int32_t p_depth_num[n_byte_value_num] = {};
	if(n_symbol_num == 1)
		p_depth_num[0] = 1; // a lone symbol still needs a 1-bit code
	else if(n_symbol_num > 1) {
		// When the tree is too deep, halve the weights (never below 1) and
		// build it again: flatter weights give a shallower tree. Halving never
		// reorders the leaves, so they stay sorted and the ranking of the
		// symbols by their true frequency still decides who gets the shorter codes.
		uint64_t p_weight[n_max_node_num];
		for(int i = 0; i < n_symbol_num; ++ i)
			p_weight[i] = p_table[i].n_frequency;
		while(n_CountLeafDepths(p_weight, n_symbol_num, p_depth_num) > n_max_length) {
			for(int i = 0; i < n_symbol_num; ++ i)
				p_weight[i] = (p_weight[i] >> 1) | 1;
		}
	}
	std::copy(p_depth_num, p_depth_num + n_max_length, r_code.p_code_num);

	uint32_t n_code = 0;
	for(int n_length = 1, n_rank = 0; n_length <= n_max_length; ++ n_length, n_code <<= 1) {
		for(int32_t i = 0; i < r_code.p_code_num[n_length - 1]; ++ i, ++ n_rank, ++ n_code) {
			const uint8_t n_symbol = p_table[n_rank].n_symbol;
			r_code.p_symbol[n_rank] = n_symbol;
			r_code.p_length[n_symbol] = uint8_t(n_length);
			r_code.p_code[n_symbol] = uint16_t(n_code);
		}
	}
	return true;
}

size_t n_HuffmanStreamLength(const uint32_t p_frequency[n_byte_value_num])
{
	HuffmanCode code;
	if(!b_BuildCodeLengths(p_frequency, n_max_code_length, code))
		return SIZE_MAX;
	return n_StreamLength(code, p_frequency);
}

bool b_HuffmanEncode(const uint8_t *p_data, size_t n_size, ByteBuffer &r_output)
{
	if(uint64_t(n_size) > 0xffffffffU)
		return false; // the length prefix has 32 bits
	uint32_t p_frequency[n_byte_value_num];
	CountByteFrequencies(p_data, n_size, p_frequency);
	HuffmanCode code;
	if(!b_BuildCodeLengths(p_frequency, n_max_code_length, code))
		return false;
	const size_t n_stream_length = n_StreamLength(code, p_frequency);
	r_output.Clear();
	if(n_stream_length > ByteBuffer::n_max_size - n_length_prefix_size ||
	   !r_output.b_Resize(n_length_prefix_size + n_stream_length))
		return false;

	uint8_t *p_out = p_WriteLE32(r_output.p_Data(), uint32_t(n_size));
	for(int i = 0; i < n_max_code_length; ++ i)
		p_out = p_WriteLE32(p_out, uint32_t(code.p_code_num[i]));
	p_out = std::copy(code.p_symbol, code.p_symbol + code.n_symbol_num, p_out);

	// the accumulator holds fewer than 8 pending bits between codes, in its low bits
	uint32_t n_accumulator = 0;
	int n_pending = 0;
	for(const uint8_t *p_end = p_data + n_size; p_data != p_end; ++ p_data) {
		n_accumulator = n_accumulator << code.p_length[*p_data] | code.p_code[*p_data];
		for(n_pending += code.p_length[*p_data]; n_pending >= 8;) {
			n_pending -= 8;
			*p_out ++ = uint8_t(n_accumulator >> n_pending);
		}
	}
	if(n_pending)
		*p_out ++ = uint8_t(n_accumulator << (8 - n_pending));
	return true;
}
