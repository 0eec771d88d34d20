#pragma once

#include <cstddef>
#include <cstdint>

#include "compress/stream_format.h"

/*
 *	Reading the Huffman stage of a CompressedStream the plain way: the 16
 *	counts give the canonical code (codes start at 0, codes of one length are
 *	consecutive in list order, and the next length starts at twice the end of
 *	the previous one), then the code bits are read one at a time, most
 *	significant first, until the bits read so far are a code of their length.
 *	The reference decoder and the search for the planes' entry points read
 *	the stream so.
 */

/** The canonical Huffman code, as the 16 counts give it. */
struct CanonicalCode {
	// per code length i + 1: the first code, the end of the codes, and the
	// offset from a code to its symbol's place in the list
	int32_t p_min_code[n_max_code_length], p_max_code[n_max_code_length], p_table_off[n_max_code_length];
	const uint8_t *p_symbol; // the symbol list, in code order
};

/**
 *	@brief reads the counts and the symbol list at the start of the stream
 *	@param[out] r_n_bits_offset is where the code bits begin
 *	@return false when the stream is shorter than its counts, a count is
 *		negative, the counts add up to more than 256 symbols or the symbols run
 *		past the end of the stream
 */
bool b_ReadCodeTable(const uint8_t *p_stream, size_t n_stream_size, CanonicalCode &r_code, size_t &r_n_bits_offset);

/** The code bits, most significant bit of each byte first; past the end, 0 bits. */
struct BitReader {
	const uint8_t *p_bytes;
	size_t n_size;
	uint64_t n_bits_read; // also the position of the next bit

	int n_Bit()
	{
		const uint64_t n_byte = n_bits_read / 8;
		const int n_shift = 7 - int(n_bits_read % 8);
		++ n_bits_read;
		return (n_byte < n_size)? p_bytes[n_byte] >> n_shift & 1 : 0;
	}

	/** @brief the next n_bit_num bits (at most 17), the first in the most significant place, without taking them */
	uint32_t n_Peek(int n_bit_num) const
	{
		const uint64_t n_byte = n_bits_read / 8;
		uint32_t n_window = 0; // three bytes from the one the next bit is in
		if(n_byte + 3 <= n_size)
			n_window = uint32_t(p_bytes[n_byte]) << 16 | uint32_t(p_bytes[n_byte + 1]) << 8 | p_bytes[n_byte + 2];
		else {
			for(uint64_t i = n_byte; i < n_byte + 3; ++ i)
				n_window = n_window << 8 | ((i < n_size)? p_bytes[i] : 0);
		}
		return n_window >> (24 - int(n_bits_read % 8) - n_bit_num) & ((1U << n_bit_num) - 1);
	}
};

/** @return false when no code of up to 16 bits matches the next bits */
bool b_ReadSymbol(const CanonicalCode &r_code, BitReader &r_bits, uint8_t &r_n_symbol);

/**
 *	The codes of up to n_lookup_bits bits, looked up by the next bits: where many
 *	codes are read, this replaces reading most of them a bit at a time.
 */
struct CodeLookup {
	static const int n_lookup_bits = 12;
	uint16_t p_entry[1 << n_lookup_bits]; // the code's length << 8 | its symbol, or 0 where the code is longer
};

/** @brief fills the look-up of a code */
void MakeCodeLookup(const CanonicalCode &r_code, CodeLookup &r_lookup);

/** @brief reads a symbol as b_ReadSymbol() does, a short code by one look-up */
inline bool b_LookUpSymbol(const CanonicalCode &r_code, const CodeLookup &r_lookup, BitReader &r_bits,
	uint8_t &r_n_symbol)
{
	const uint16_t n_entry = r_lookup.p_entry[r_bits.n_Peek(CodeLookup::n_lookup_bits)];
	if(!n_entry)
		return b_ReadSymbol(r_code, r_bits, r_n_symbol); // a longer code
	r_bits.n_bits_read += n_entry >> 8;
	r_n_symbol = uint8_t(n_entry);
	return true;
}
