#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "compress/byte_buffer.h"

/** The longest input the BASE64 encoder takes: its text length just fits 32 bits. */
const size_t n_max_base64_input = 0xbfffffffU;

/** @brief number of characters of the BASE64 text of n_size bytes */
size_t n_Base64TextLength(size_t n_size);

/**
 *	@brief writes the BASE64 text of a byte block, without padding or terminator
 *	@param[out] p_text receives exactly n_Base64TextLength(n_size) characters
 *	@return true on success; false, with nothing written, when n_size exceeds
 *		n_max_base64_input or n_capacity is below the text length
 */
bool b_Base64Encode(const uint8_t *p_data, size_t n_size, char *p_text, size_t n_capacity);

/** @brief replaces a string by the BASE64 text of a byte block; false when it is too long or cannot be allocated */
bool b_Base64EncodeString(const uint8_t *p_data, size_t n_size, std::string &r_s_text);

/**
 *	@brief decodes BASE64 text: four characters give three bytes, a tail of
 *		k = 2 or 3 characters k - 1 bytes, and a single character left at the
 *		end nothing; every character outside "A"-"Z", "a"-"z", "0"-"9" and "+"
 *		counts as 63, the value of "/"
 *	@param[in] p_s_text is the null-terminated text
 *	@param[out] r_stream is replaced by the decoded bytes
 *	@return false when memory runs out
 */
bool b_Base64Decode(const char *p_s_text, ByteBuffer &r_stream);

/**
 *	@brief finds where in a text the group begins that gives a byte of the
 *		stream: four characters for every three bytes
 *	@param[in] n_byte is the byte's offset in the decoded stream
 *	@return the position of the group's first character, or n_text_length
 *		when the text ends before that group
 */
inline size_t n_Base64GroupStart(size_t n_text_length, size_t n_byte)
{
	const size_t n_position = 4 * (n_byte / 3);
	return (n_position < n_text_length)? n_position : n_text_length;
}
