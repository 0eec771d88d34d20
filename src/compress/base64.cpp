#include "compress/base64.h"

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
