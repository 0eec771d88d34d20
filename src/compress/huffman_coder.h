#pragma once

#include <cstddef>
#include <cstdint>

#include "compress/byte_buffer.h"
#include "compress/stream_format.h"

const int n_byte_value_num = 256; // symbols of the Huffman code

/** A canonical, length-limited Huffman code over byte values. */
struct HuffmanCode {
	int32_t p_code_num[n_max_code_length]; // entry i: number of codes that are i + 1 bits long
	int n_symbol_num; // byte values in use
	uint8_t p_symbol[n_byte_value_num]; // the values in use, in code order: falling frequency, ties by value
	uint8_t p_length[n_byte_value_num]; // code length of each byte value, 0 where unused
	uint16_t p_code[n_byte_value_num]; // code of each byte value, right-aligned
};

/** @brief counts how often each byte value occurs */
void CountByteFrequencies(const uint8_t *p_data, size_t n_size, uint32_t p_frequency[n_byte_value_num]);

/**
 *	@brief builds the canonical code of a byte histogram with codes of at most n_max_length bits
 *	@param[in] p_frequency is the number of occurrences of each byte value
 *	@param[in] n_max_length is the longest code allowed, 1 to n_max_code_length
 *	@param[out] r_code is the code; more frequent values never get longer codes
 *	@return true on success, false when n_max_length is out of range or there are
 *		too many symbols in use for it (never with n_max_code_length)
 */
bool b_BuildCodeLengths(const uint32_t p_frequency[n_byte_value_num], int n_max_length, HuffmanCode &r_code);

/**
 *	@brief length of the CompressedStream that b_HuffmanEncode() makes of data with
 *		this histogram, without its length prefix and without writing any bits
 *	@return 64 + N + ceil(code bits / 8), or SIZE_MAX when no code can be built
 */
size_t n_HuffmanStreamLength(const uint32_t p_frequency[n_byte_value_num]);

/**
 *	@brief Huffman codes a byte block with codes of at most n_max_code_length bits
 *	@param[in] p_data is the input (may be null when n_size is 0)
 *	@param[in] n_size is the input length, below 2^32 bytes
 *	@param[out] r_output is replaced by the input length as a 4-byte little-endian
 *		number, then the CompressedStream: the code-length counts, the symbol list
 *		and the codes of the input bytes
 *	@return true on success, false when memory runs out or the input is too long
 */
bool b_HuffmanEncode(const uint8_t *p_data, size_t n_size, ByteBuffer &r_output);
