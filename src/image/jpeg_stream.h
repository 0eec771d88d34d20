#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "image/load_failure.h"

/*
 *	Reading a JPEG stream: bytes through a fixed buffer, bits of the
 *	entropy-coded data one at a time, and the search for the next marker.
 *	All multi-byte values of the format are big-endian.
 */

const size_t n_jpeg_read_buffer_size = 16384;

/**
 *	Buffered reading of the open file; a refill that yields no byte is the end
 *	of the data. The reader also carries the record of why the decode failed:
 *	it records a failed read itself, and the end of the data inside a part of
 *	the file it was told of; the parsers record every other fault in it.
 */
struct JpegByteReader {
	FILE *p_file;
	size_t n_valid; // bytes of the buffer holding data
	size_t n_cursor; // next byte to hand out
	LoadFailure *p_failure; // null: nothing is recorded
	const char *p_s_part; // the part being read ("DHT segment", "scan data"), named when the
		// data ends inside it; null where the caller says what that end means
	uint8_t p_buffer[n_jpeg_read_buffer_size];
};

/** State of the bit reader over the entropy-coded data. */
struct JpegBitReader {
	uint8_t n_byte; // the current byte, shifted left as its bits are taken
	bool b_after_ff; // the byte just loaded was 0xff, so a following 0 is a stuffed byte
	uint8_t n_bits_left; // bits of n_byte not yet taken, 0 to 7
	bool b_error; // the byte reader failed; every caller checks this after reading
};

void InitJpegByteReader(JpegByteReader &r_reader, FILE *p_file, LoadFailure *p_failure);

/**
 *	@brief refills the buffer
 *	@return false at the end of the data, having recorded a read error as
 *		such and an end inside a named part as the file ending early
 */
bool b_RefillJpegBuffer(JpegByteReader &r_reader);

/** @brief reads one byte; false at the end of the data */
inline bool b_ReadJpegByte(JpegByteReader &r_reader, uint8_t &r_n_byte)
{
	if(r_reader.n_cursor == r_reader.n_valid && !b_RefillJpegBuffer(r_reader))
		return false;
	r_n_byte = r_reader.p_buffer[r_reader.n_cursor ++];
	return true;
}

/** @brief reads n_size bytes into p_dest; false when the data ends first */
bool b_ReadJpegBytes(JpegByteReader &r_reader, uint8_t *p_dest, size_t n_size);

/** @brief reads a big-endian 16-bit word */
bool b_ReadJpegWord(JpegByteReader &r_reader, uint16_t &r_n_word);

/** @brief passes over n_length bytes; false when the data ends first */
bool b_SkipJpegBytes(JpegByteReader &r_reader, size_t n_length);

/**
 *	@brief counts the bytes not yet read, buffered ones included
 *	@return false when the stream cannot seek (a pipe), so the count is unknown
 *	@note The file position is restored, so reading goes on where it was.
 */
bool b_JpegBytesLeft(JpegByteReader &r_reader, uint64_t &r_n_left);

/**
 *	@brief finds the next marker, passing over any byte that is not part of one
 *		(fill bytes 0xff, stuffed 0xff 0x00 pairs, leftovers of a segment)
 *	@return false when the data ends first
 */
bool b_FindJpegMarker(JpegByteReader &r_reader, uint16_t &r_n_marker);

/** @brief forgets the current byte, as at the start of a scan or after a restart marker */
inline void ResetJpegBits(JpegBitReader &r_bits)
{
	r_bits.n_byte = 0;
	r_bits.b_after_ff = false;
	r_bits.n_bits_left = 0;
	r_bits.b_error = false;
}

/** @brief reads the next bit of the entropy-coded data; sets b_error (and yields 0) at the end of the data */
int n_ReadJpegBit(JpegBitReader &r_bits, JpegByteReader &r_reader);

/**
 *	@brief receives an n-bit magnitude value, 1 <= n_bit_num <= 15
 *	@return the value in the range -(2^n - 1) ... -(2^(n-1)) or 2^(n-1) ... 2^n - 1
 */
int n_ReceiveJpegValue(JpegBitReader &r_bits, JpegByteReader &r_reader, int n_bit_num);
