#include "compress/base64.h"

#include <algorithm>
#include <cstring>

#include "compress/text_string.h"

/*
 *	Three bytes give four characters of 6 bits each, most significant first:
 *
 *	bytes  aaaaaaaa bbbbbbbb cccccccc
 *	text   aaaaaa aabbbb bbbbcc cccccc
 *
 *	A tail of 1 or 2 bytes gives 2 or 3 characters, its missing bits zero.
 *	No '=' padding is written: the decoder tells the tail from the length.
 */

namespace {

const char p_base64_alphabet[] =
	"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
const uint32_t n_last_value = 63; // of "/", and of every character outside the alphabet

/** @brief a character's value: its position in the alphabet */
uint32_t n_CharValue(char n_char)
{
	const char *p_found = (n_char)? strchr(p_base64_alphabet, n_char) : nullptr;
	return (p_found)? uint32_t(p_found - p_base64_alphabet) : n_last_value;
}

} // namespace

size_t n_Base64TextLength(size_t n_size)
{
	const size_t n_tail = n_size % 3;
	return 4 * (n_size / 3) + ((n_tail)? n_tail + 1 : 0);
}

bool b_Base64Encode(const uint8_t *p_data, size_t n_size, char *p_text, size_t n_capacity)
{
	if(n_size > n_max_base64_input || n_capacity < n_Base64TextLength(n_size))
		return false;
	const uint8_t *p_end = p_data + n_size - n_size % 3;
	for(; p_data != p_end; p_data += 3) {
		const uint32_t n_value = uint32_t(p_data[0]) << 16 | uint32_t(p_data[1]) << 8 | p_data[2];
		*p_text ++ = p_base64_alphabet[(n_value >> 18) & 63];
		*p_text ++ = p_base64_alphabet[(n_value >> 12) & 63];
		*p_text ++ = p_base64_alphabet[(n_value >> 6) & 63];
		*p_text ++ = p_base64_alphabet[n_value & 63];
	}
	if(n_size % 3) {
		const uint32_t n_second = (n_size % 3 == 2)? p_data[1] : 0;
		*p_text ++ = p_base64_alphabet[p_data[0] >> 2];
		*p_text ++ = p_base64_alphabet[(uint32_t(p_data[0]) << 4 | n_second >> 4) & 63];
		if(n_size % 3 == 2)
			*p_text ++ = p_base64_alphabet[(n_second << 2) & 63];
	}
	return true;
}

bool b_Base64EncodeString(const uint8_t *p_data, size_t n_size, std::string &r_s_text)
{
	if(n_size > n_max_base64_input || !b_ResizeText(r_s_text, n_Base64TextLength(n_size)))
		return false;
	return b_Base64Encode(p_data, n_size, r_s_text.data(), r_s_text.size());
}

bool b_Base64Decode(const char *p_s_text, ByteBuffer &r_stream)
{
	r_stream.Clear();
	for(size_t n_left = strlen(p_s_text); n_left > 1;) {
		const size_t n_char_num = std::min(n_left, size_t(4));
		uint32_t n_value = 0;
		for(size_t i = 0; i < 4; ++ i)
			n_value = n_value << 6 | ((i < n_char_num)? n_CharValue(p_s_text[i]) : 0);
		const uint8_t p_group[3] = {uint8_t(n_value >> 16), uint8_t(n_value >> 8), uint8_t(n_value)};
		if(!r_stream.b_Append(p_group, n_char_num - 1))
			return false;
		p_s_text += n_char_num;
		n_left -= n_char_num;
	}
	return true;
}
