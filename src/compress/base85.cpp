#include "compress/base85.h"

#include <algorithm>
#include <cstring>

#include "compress/text_string.h"

/*
 *	Four bytes, read as a big-endian 32-bit number, give five base-85 digits,
 *	most significant first. An all-zero group may be written as the single
 *	'~' instead: '~' is also digit 84, but the first digit of a real group is
 *	at most 82 (83 * 85^4 > 2^32 - 1), so the decoder cannot mistake one for
 *	the other. A tail of t = 1 to 3 bytes is padded with zero bytes and gives
 *	the first t + 1 digits of its group; it is never shortened to '~', since
 *	the decoder would then read four bytes. The decoder pads a short group
 *	with digit 84, which rounds the truncated number back up to the bytes
 *	that were encoded. The numbers are taken modulo 2^32, so that any text
 *	decodes, as in every decoder of the format.
 */

namespace {

const char n_zero_group_char = p_base85_alphabet[n_base85_zero_group_digit];
const int n_group_bytes = 4;
const int n_group_digits = 5;
const uint32_t n_highest_digit = 84; // pads a short group

/** @brief a character's digit value: its position in the alphabet, 0 outside it */
uint32_t n_DigitValue(char n_char)
{
	const char *p_found = (n_char)? strchr(p_base85_alphabet, n_char) : nullptr;
	return (p_found)? uint32_t(p_found - p_base85_alphabet) : 0;
}

/** @brief writes the first n_digit_num base-85 digits of a group, most significant first */
char *p_WriteGroup(char *p_text, uint32_t n_value, int n_digit_num)
{
	char p_digit[n_group_digits];
	for(int i = n_group_digits; i > 0; -- i, n_value /= 85)
		p_digit[i - 1] = p_base85_alphabet[n_value % 85];
	for(int i = 0; i < n_digit_num; ++ i)
		*p_text ++ = p_digit[i];
	return p_text;
}

} // namespace

size_t n_Base85MaxTextLength(size_t n_size)
{
	const size_t n_tail = n_size % n_group_bytes;
	return n_group_digits * (n_size / n_group_bytes) + ((n_tail)? n_tail + 1 : 0);
}

size_t n_Base85Encode(const uint8_t *p_data, size_t n_size, char *p_text, size_t n_capacity, bool b_zero_groups)
{
	if(n_size > n_max_base85_input || n_capacity < n_Base85MaxTextLength(n_size))
		return 0;
	char *const p_text_begin = p_text;
	const uint8_t *p_end = p_data + n_size - n_size % n_group_bytes;
	for(; p_data != p_end; p_data += n_group_bytes) {
		const uint32_t n_value = uint32_t(p_data[0]) << 24 | uint32_t(p_data[1]) << 16 |
			uint32_t(p_data[2]) << 8 | p_data[3];
		if(b_zero_groups && !n_value)
			*p_text ++ = n_zero_group_char;
		else
			p_text = p_WriteGroup(p_text, n_value, n_group_digits);
	}
	if(const int n_tail = int(n_size % n_group_bytes)) {
		uint32_t n_value = 0;
		for(int i = 0; i < n_group_bytes; ++ i)
			n_value = n_value << 8 | ((i < n_tail)? p_data[i] : 0);
		p_text = p_WriteGroup(p_text, n_value, n_tail + 1);
	}
	return size_t(p_text - p_text_begin);
}

bool b_Base85EncodeString(const uint8_t *p_data, size_t n_size, std::string &r_s_text)
{
	if(n_size > n_max_base85_input || !b_ResizeText(r_s_text, n_Base85MaxTextLength(n_size)))
		return false;
	r_s_text.resize(n_Base85Encode(p_data, n_size, r_s_text.data(), r_s_text.size(), true));
	return true;
}

bool b_Base85Decode(const char *p_s_text, ByteBuffer &r_stream)
{
	r_stream.Clear();
	for(size_t n_left = strlen(p_s_text); n_left;) {
		uint8_t p_group[n_group_bytes];
		size_t n_byte_num;
		const size_t n_char_num = n_Base85DecodeGroup(p_s_text, n_left, p_group, n_byte_num);
		if(!r_stream.b_Append(p_group, n_byte_num))
			return false;
		p_s_text += n_char_num;
		n_left -= n_char_num;
	}
	return true;
}

size_t n_Base85DecodeGroup(const char *p_s_text, size_t n_left, uint8_t p_group[4], size_t &r_n_byte_num)
{
	if(n_DigitValue(*p_s_text) == n_base85_zero_group_digit) {
		for(int i = 0; i < n_group_bytes; ++ i)
			p_group[i] = 0;
		r_n_byte_num = n_group_bytes;
		return 1;
	}
	const size_t n_digit_num = std::min(n_left, size_t(n_group_digits));
	uint32_t n_value = 0;
	for(size_t i = 0; i < size_t(n_group_digits); ++ i)
		n_value = n_value * 85 + ((i < n_digit_num)? n_DigitValue(p_s_text[i]) : n_highest_digit);
	for(int i = 0; i < n_group_bytes; ++ i)
		p_group[i] = uint8_t(n_value >> (24 - 8 * i));
	r_n_byte_num = n_digit_num - 1;
	return n_digit_num;
}

size_t n_Base85GroupStart(const char *p_s_text, size_t n_byte)
{
	// every group before the one that holds the byte is whole: four zero bytes as the
	// single "~", any other four bytes as five characters, so nothing need be decoded
	const size_t n_length = strlen(p_s_text), n_group_offset = n_byte - n_byte % n_group_bytes;
	size_t n_position = 0;
	for(size_t n_offset = 0; n_offset < n_group_offset && n_position < n_length; n_offset += n_group_bytes) {
		n_position += (p_s_text[n_position] == p_base85_alphabet[n_base85_zero_group_digit])?
			1 : size_t(n_group_digits);
	}
	return std::min(n_position, n_length);
}
