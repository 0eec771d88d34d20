#include "image/jpeg_idct.h"

#include <cstdint>

/*
 *	Zig-zag order walks the block by anti-diagonals, starting at the top left:
 *
 *	 0  1  5  6 14 15 27 28
 *	 2  4  7 13 16 26 29 42
 *	 3  8 12 17 25 30 41 43
 *	 ...
 *
 *	The table below lists, for each zig-zag index, the natural position.
 */
const uint8_t p_jpeg_natural_order[n_jpeg_block_size] = {
	 0,  1,  8, 16,  9,  2,  3, 10,
	17, 24, 32, 25, 18, 11,  4,  5,
	12, 19, 26, 33, 40, 48, 41, 34,
	27, 20, 13,  6,  7, 14, 21, 28,
	35, 42, 49, 56, 57, 50, 43, 36,
	29, 22, 15, 23, 30, 37, 44, 51,
	58, 59, 52, 45, 38, 31, 39, 46,
	53, 60, 61, 54, 47, 55, 62, 63
};

namespace {

// a[0] = 1, a[j] = sqrt(2) * cos(j * pi / 16): the output scaling of the AAN DCT
const float p_aan_scale[n_jpeg_block_side] = {
	1.0f, 1.3870399f, 1.306563f, 1.1758755f, 1.0f, 0.78569496f, 0.5411961f, 0.27589938f
};

// constants of the rotations, with 8 fraction bits
const int n_sqrt2 = 362; // sqrt(2)
const int n_1_847759065 = 473; // 2 * cos(pi / 8)
const int n_2_613125930 = 668; // 2 * (cos(pi / 8) + cos(3 * pi / 8))
const int n_1_082392200 = 277; // 2 * (cos(pi / 8) - cos(3 * pi / 8))

/** @brief x * K / 256, truncated toward zero */
inline int n_Mul(int x, int n_constant)
{
	return x * n_constant / 256;
}

/** @brief one 1-D pass: eight inputs, p_in[0], p_in[n_step] ..., to eight outputs likewise */
template <class CIn, class COut, class CStore>
inline void InverseDct1D(const CIn *p_in, int n_in_step, COut *p_out, int n_out_step, CStore store)
{
	const int i0 = p_in[0], i1 = p_in[n_in_step], i2 = p_in[2 * n_in_step], i3 = p_in[3 * n_in_step];
	const int i4 = p_in[4 * n_in_step], i5 = p_in[5 * n_in_step], i6 = p_in[6 * n_in_step], i7 = p_in[7 * n_in_step];

	const int t10 = i0 + i4, t11 = i0 - i4;
	const int t13 = i2 + i6, t12 = n_Mul(i2 - i6, n_sqrt2) - t13;
	const int e0 = t10 + t13, e3 = t10 - t13, e1 = t11 + t12, e2 = t11 - t12;

	const int z13 = i5 + i3, z10 = i5 - i3, z11 = i1 + i7, z12 = i1 - i7;
	const int p7 = z11 + z13;
	const int p11 = n_Mul(z11 - z13, n_sqrt2);
	const int z5 = n_Mul(z10 + z12, n_1_847759065);
	const int p10 = n_Mul(z12, n_1_082392200) - z5;
	const int p12 = z5 - n_Mul(z10, n_2_613125930);
	const int p6 = p12 - p7, p5 = p11 - p6, p4 = p10 + p5;

	p_out[0] = store(e0 + p7);
	p_out[7 * n_out_step] = store(e0 - p7);
	p_out[n_out_step] = store(e1 + p6);
	p_out[6 * n_out_step] = store(e1 - p6);
	p_out[2 * n_out_step] = store(e2 + p5);
	p_out[5 * n_out_step] = store(e2 - p5);
	p_out[4 * n_out_step] = store(e3 + p4);
	p_out[3 * n_out_step] = store(e3 - p4);
}

} // namespace

int32_t n_ScaledJpegQuant(int n_value, int n_zigzag)
{
	const int n_natural = p_jpeg_natural_order[n_zigzag];
	// the product of two floats is exact in double, and so is the final * 65536
	const double f_scaled = double(p_aan_scale[n_natural % n_jpeg_block_side]) *
		double(p_aan_scale[n_natural / n_jpeg_block_side]) * n_value * 65536.0;
	return (f_scaled >= double(INT32_MAX))? INT32_MAX : int32_t(f_scaled);
}

void StoreJpegBlock(const int16_t *p_coeff, int8_t *p_dest, size_t n_stride)
{
	// columns into a 16-bit workspace, then rows into samples divided by 8
	int16_t p_workspace[n_jpeg_block_size];
	for(int n_column = 0; n_column < n_jpeg_block_side; ++ n_column) {
		InverseDct1D(p_coeff + n_column, n_jpeg_block_side, p_workspace + n_column,
			n_jpeg_block_side, [](int n) { return int16_t(n); });
	}
	for(int n_row = 0; n_row < n_jpeg_block_side; ++ n_row) {
		InverseDct1D(p_workspace + n_row * n_jpeg_block_side, 1, p_dest + size_t(n_row) * n_stride, 1,
			[](int n) {
				n /= 8;
				return int8_t((n < -128)? -128 : (n > 127)? 127 : n);
			});
	}
}
