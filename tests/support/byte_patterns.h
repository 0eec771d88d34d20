#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

typedef std::vector<uint8_t> Bytes;

/** A named test input for the coders. */
struct ByteSample {
	std::string s_name; // kind and length, for failure messages
	Bytes data;
};

/**
 *	@brief deterministic inputs for coder round trips: every length from 0 to 40,
 *		lengths around 128 and up to a few thousand bytes (all residues mod 3 and
 *		mod 4), each as uniform noise, noise over three values (many short
 *		repeats), long runs, all zero bytes, runs mixed with noise, and all 256
 *		byte values in turn
 */
std::vector<ByteSample> CoderSamples();

/** @brief bytes written as hexadecimal pairs separated by spaces, "41 42" */
Bytes HexBytes(const char *p_s_hex);
