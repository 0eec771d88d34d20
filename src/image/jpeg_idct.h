#pragma once

#include <cstddef>
#include <cstdint>

/*
 *	Block reconstruction: dequantisation with scaled tables and the fast
 *	integer inverse DCT of the Arai-Agui-Nakajima kind, whose per-coefficient
 *	scale factors are folded into the quantisation tables.
 */

const int n_jpeg_block_size = 64; // an 8 x 8 block
const int n_jpeg_block_side = 8;

/** Natural (row-major) position of each zig-zag index. */
extern const uint8_t p_jpeg_natural_order[n_jpeg_block_size];

/**
 *	@brief scales a quantisation value for the inverse DCT
 *	@param[in] n_value is the value as stored in the DQT segment (0 to 65535)
 *	@param[in] n_zigzag is its zig-zag index
 *	@return the multiplier with 16 fraction bits, a[row] * a[column] * value * 65536
 *		truncated toward zero; values too large for 32 bits saturate
 */
int32_t n_ScaledJpegQuant(int n_value, int n_zigzag);

/**
 *	@brief dequantises a coefficient: (value * multiplier + 32768) >> 16 with a
 *		flooring shift, in 64 bits so that no product overflows; the result is
 *		cut to the 16 bits of the coefficient block, which only damaged or
 *		absurdly quantised data can exceed
 */
inline int16_t n_DequantizeJpeg(int n_value, int32_t n_multiplier)
{
	return int16_t((int64_t(n_value) * n_multiplier + 32768) >> 16);
}

/**
 *	@brief runs the inverse DCT on a dequantised block and stores the 64
 *		level-shifted samples, each clamped to -128 ... 127
 *	@param[in] p_coeff is the block in natural order
 *	@param[out] p_dest is the top left sample of the block in a plane
 *	@param[in] n_stride is the plane width in samples
 */
void StoreJpegBlock(const int16_t *p_coeff, int8_t *p_dest, size_t n_stride);
