#include "image/jpeg_stream.h"

#include <cerrno>

void InitJpegByteReader(JpegByteReader &r_reader, FILE *p_file, LoadFailure *p_failure)
{
	r_reader.p_file = p_file;
	r_reader.n_valid = 0;
	r_reader.n_cursor = 0;
	r_reader.p_failure = p_failure;
	r_reader.p_s_part = nullptr;
}

bool b_RefillJpegBuffer(JpegByteReader &r_reader)
{
	r_reader.n_cursor = 0;
	r_reader.n_valid = fread(r_reader.p_buffer, 1, n_jpeg_read_buffer_size, r_reader.p_file);
	if(r_reader.n_valid)
		return true;
	if(ferror(r_reader.p_file))
		return b_LoadSystemFailed(r_reader.p_failure, LoadError::CannotRead, errno);
	if(r_reader.p_s_part)
		return b_LoadFailed(r_reader.p_failure, LoadError::EndsEarly, "inside the %s", r_reader.p_s_part);
	return false;
}

bool b_ReadJpegBytes(JpegByteReader &r_reader, uint8_t *p_dest, size_t n_size)
{
	for(size_t i = 0; i < n_size; ++ i) {
		if(!b_ReadJpegByte(r_reader, p_dest[i]))
			return false;
	}
	return true;
}

bool b_ReadJpegWord(JpegByteReader &r_reader, uint16_t &r_n_word)
{
	uint8_t n_high, n_low;
	if(!b_ReadJpegByte(r_reader, n_high) || !b_ReadJpegByte(r_reader, n_low))
		return false;
	r_n_word = uint16_t(n_high << 8 | n_low);
	return true;
}

bool b_SkipJpegBytes(JpegByteReader &r_reader, size_t n_length)
{
	while(n_length) {
		if(r_reader.n_cursor == r_reader.n_valid && !b_RefillJpegBuffer(r_reader))
			return false;
		size_t n_step = r_reader.n_valid - r_reader.n_cursor;
		if(n_step > n_length)
			n_step = n_length;
		r_reader.n_cursor += n_step;
		n_length -= n_step;
	}
	return true;
}

bool b_JpegBytesLeft(JpegByteReader &r_reader, uint64_t &r_n_left)
{
	const long n_position = ftell(r_reader.p_file);
	if(n_position < 0 || fseek(r_reader.p_file, 0, SEEK_END))
		return false;
	const long n_end = ftell(r_reader.p_file);
	if(fseek(r_reader.p_file, n_position, SEEK_SET) || n_end < n_position)
		return false;
	r_n_left = uint64_t(n_end - n_position) + (r_reader.n_valid - r_reader.n_cursor);
	return true;
}

/*
 *	A marker is 0xff followed by a byte other than 0 and 0xff. The scan looks
 *	at a word w and moves on:
 *
 *	w = ff xx, xx not 0 or ff  -> marker w
 *	w = ff ff                  -> fill byte: w = ff, next byte
 *	w = ff 00                  -> stuffed byte: w = next two bytes
 *	w = yy ff, yy not ff       -> w = ff, next byte
 *	w = yy zz                  -> w = next two bytes
 */
bool b_FindJpegMarker(JpegByteReader &r_reader, uint16_t &r_n_marker)
{
	uint16_t n_word;
	if(!b_ReadJpegWord(r_reader, n_word))
		return false;
	for(;;) {
		const int n_low = n_word & 0xff;
		if(n_word >> 8 == 0xff && n_low != 0 && n_low != 0xff) {
			r_n_marker = n_word;
			return true;
		}
		if(n_low == 0xff) {
			uint8_t n_byte;
			if(!b_ReadJpegByte(r_reader, n_byte))
				return false;
			n_word = uint16_t(0xff00 | n_byte);
		} else if(!b_ReadJpegWord(r_reader, n_word))
			return false;
	}
}

int n_ReadJpegBit(JpegBitReader &r_bits, JpegByteReader &r_reader)
{
	if(!r_bits.n_bits_left) {
		uint8_t n_byte;
		if(!b_ReadJpegByte(r_reader, n_byte) ||
		   (!n_byte && r_bits.b_after_ff && !b_ReadJpegByte(r_reader, n_byte))) {
			r_bits.b_error = true;
			return 0;
		}
		// a 0 after 0xff only marks that the 0xff was data; the byte after it is next
		r_bits.b_after_ff = n_byte == 0xff;
		r_bits.n_byte = n_byte;
		r_bits.n_bits_left = 8;
	}
	-- r_bits.n_bits_left;
	const int n_bit = r_bits.n_byte >> 7;
	r_bits.n_byte = uint8_t(r_bits.n_byte << 1);
	return n_bit;
}

/*
 *	Magnitude category n holds the values with n significant bits, sent as
 *	those bits for a positive value and as the bits of value + 2^n - 1 for a
 *	negative one, so a leading 0 bit marks a negative value:
 *	n = 2: 00 -3, 01 -2, 10 2, 11 3.
 */
int n_ReceiveJpegValue(JpegBitReader &r_bits, JpegByteReader &r_reader, int n_bit_num)
{
	int n_value = 0;
	for(int i = 0; i < n_bit_num; ++ i)
		n_value = n_value << 1 | n_ReadJpegBit(r_bits, r_reader);
	if(!(n_value >> (n_bit_num - 1)))
		n_value -= (1 << n_bit_num) - 1;
	return n_value;
}
