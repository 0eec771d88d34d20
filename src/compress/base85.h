#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "compress/byte_buffer.h"

/** The digits, each worth its position; the last, '~', also stands alone for an all-zero group. */
inline constexpr char p_base85_alphabet[] =
	"0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz!#$%&()*+-;<=>.@^_,{|}~";
const int n_base85_zero_group_digit = 84; // '~'

/** The longest input the BASE85 encoder takes: its longest text just fits 32 bits. */
const size_t n_max_base85_input = 0xccccccccU;

/** @brief number of characters of the BASE85 text of n_size bytes when no group is shortened */
size_t n_Base85MaxTextLength(size_t n_size);

/**
 *	@brief writes the BASE85 text of a byte block, without terminator
 *	@param[out] p_text receives the text
 *	@param[in] n_capacity is the room in p_text; at least n_Base85MaxTextLength(n_size)
 *	@param[in] b_zero_groups writes each all-zero 4-byte group as the single character '~'
 *	@return the number of characters written; 0, with nothing written, when
 *		n_size exceeds n_max_base85_input or n_capacity is too small
 */
size_t n_Base85Encode(const uint8_t *p_data, size_t n_size, char *p_text, size_t n_capacity, bool b_zero_groups);

/**
 *	@brief replaces a string by the BASE85 text of a byte block, zero groups shortened
 *	@return false when the input is too long or the string cannot be allocated
 */
bool b_Base85EncodeString(const uint8_t *p_data, size_t n_size, std::string &r_s_text);

/**
 *	@brief decodes BASE85 text: a group of k = 2 to 5 characters (fewer only at
 *		the end) gives k - 1 bytes, a '~' at the start of a group four zero
 *		bytes; characters outside the alphabet count as digit 0, and a single
 *		character left at the end gives nothing
 *	@param[in] p_s_text is the null-terminated text
 *	@param[out] r_stream is replaced by the decoded bytes
 *	@return false when memory runs out
 */
bool b_Base85Decode(const char *p_s_text, ByteBuffer &r_stream);

/**
 *	@brief decodes the group at the start of a text, as b_Base85Decode() does
 *	@param[in] n_left is the number of characters left in the text (at least 1)
 *	@param[out] p_group receives the group's bytes
 *	@param[out] r_n_byte_num is how many of them the group gives: 4, or k - 1
 *		for a short group of k characters at the end
 *	@return the number of characters the group takes
 */
size_t n_Base85DecodeGroup(const char *p_s_text, size_t n_left, uint8_t p_group[4], size_t &r_n_byte_num);

/**
 *	@brief finds where in a text the decoder starts the group that gives a
 *		byte of the stream: walking the groups from the start, a '~' takes one
 *		character and every other group five, so only a walk can tell
 *	@param[in] n_byte is the byte's offset in the decoded stream
 *	@return the position of the group's first character, or the text's length
 *		when the text ends before that group
 */
size_t n_Base85GroupStart(const char *p_s_text, size_t n_byte);
