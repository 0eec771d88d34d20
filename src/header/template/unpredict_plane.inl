	// Pixmold decompressor. The image data is BASE85 (or BASE64) text of a stream:
	//   - 16 counts (int32, little-endian) of the Huffman codes of 1 to 16 bits,
	//     the byte values in code order, then the canonical codes of a run-length
	//     stream, most significant bit first;
	//   - its packets: a code byte c, then one byte repeated (c >> 1) + 1 times (c
	//     odd) or (c >> 1) + 1 bytes copied (c even);
	//   - they expand to the planes Y, U, V (colour) and A (alpha), end to end,
	//     each holding the residuals of its predictor.
	// The image size, the number of packet bytes, the predictors, the chroma
	// subsampling and the colour type come as parameters; data that does not fit
	// them gives 0. Each faster step below names the plain step it replaces;
	// FORMAT.md in the Pixmold sources describes every layer.

	/**
	 *	@brief calculates reverse prediction on a single image plane
	 *	@param[in,out] p_buffer is pointer to image plane data (just the data, no padding or align)
	 *	@param[in] n_width is image width, in pixels
	 *	@param[in] n_height is image height, in pixels
	 *	@param[in] n_pred_type is predictor type (0 = up, 1 = left, 2 = avg, 3 = paeth, 4 = med,
	 *		5 = gap, 6 = no prediction, 7 = up-left, 8 = avg2, 9 = diff, 10 = grad-h, 11 = grad-v)
	 */
	static void UnPredict_ImagePlane(uint8_t *p_buffer, int n_width, int n_height, int n_pred_type)
	{
		// the border (first rows and columns) is coded as plain differences
		int n_first_row = n_First_Rows(n_pred_type);
		int n_first_col = n_First_Cols(n_pred_type);
		if(n_first_row > n_height)
			n_first_row = n_height; // a plane smaller than the border has no main region
		if(n_first_col > n_width)
			n_first_col = n_width;
		// first columns: differences to the sample above
		for(int x = 0; x < n_first_col; ++ x) {
			for(int y = n_first_row + 1; y < n_height; ++ y)
				p_buffer[x + y * n_width] += p_buffer[x + (y - 1) * n_width];
		}
		// first rows: differences to the sample on the left
		for(int y = 0; y < n_first_row; ++ y) {
			for(int x = n_first_col + 1; x < n_width; ++ x)
				p_buffer[x + y * n_width] += p_buffer[x - 1 + y * n_width];
		}
		// the rest: residuals of the predictor, from the restored neighbours (a = left,
		// b = up, c = up-left). This replaces restoring one row at a time, each sample
		// from the one just restored on its left: two rows are restored at a time, the
		// lower one two samples behind the upper one, so that the two chains of left
		// neighbours (kept in registers) overlap: slot 0 works on the upper row and
		// slot 1 on the lower one. Where only one row has samples to restore (the ends
		// of a pair of rows, a last single row), both slots work on the same sample;
		// each reads everything before either writes, so both write the same value.
		for(int y = n_first_row; y < n_height; y += 2) {
			uint8_t *const p_upper = p_buffer + y * n_width;
			uint8_t *const p_lower = (y + 1 < n_height)? p_upper + n_width : p_upper;
			// row 0 is only reached by predictors that look left
			const uint8_t *const p_upper_up = p_upper - ((y)? n_width : 0);
			uint8_t *p_row_0 = p_upper, *p_row_1 = p_upper;
			const uint8_t *p_up_0 = p_upper_up, *p_up_1 = p_upper_up;
			int a_0 = (n_first_col)? p_upper[n_first_col - 1] : 0, a_1 = a_0;
			for(int n_phase = 0; n_phase < 3; ++ n_phase) {
				// phase 0: the first two samples of the upper row; phase 1: both rows;
				// phase 2: the last two samples of the lower row
				int n_begin = n_first_col, n_end = n_width, n_lag = 0;
				if(n_phase == 0 && p_lower != p_upper)
					n_end = n_Min(n_first_col + 2, n_width);
				else if(n_phase == 1) {
					if(p_lower == p_upper)
						break; // a single row was done in phase 0
					p_row_1 = p_lower;
					p_up_1 = p_upper;
					a_1 = (n_first_col)? p_lower[n_first_col - 1] : 0;
					n_begin = n_first_col + 2;
					n_lag = 2;
				} else if(n_phase == 2) {
					p_row_0 = p_lower;
					p_up_0 = p_upper;
					a_0 = a_1;
					n_begin = n_Max(n_first_col, n_width - 2);
				}
				(void)p_up_0;
				(void)p_up_1;
				for(int x = n_begin, x_1 = n_begin - n_lag; x < n_end; ++ x, ++ x_1) {
					const int n_residual_0 = p_row_0[x], n_residual_1 = p_row_1[x_1];
					int n_pred_0 = 0, n_pred_1 = 0;
					if(n_pred_type == 0)
						n_pred_0 = p_up_0[x], n_pred_1 = p_up_1[x_1];
					else if(n_pred_type == 1)
						n_pred_0 = a_0, n_pred_1 = a_1;
					else if(n_pred_type == 2) {
						n_pred_0 = (a_0 + p_up_0[x] + p_up_0[x - 1]) / 3;
						n_pred_1 = (a_1 + p_up_1[x_1] + p_up_1[x_1 - 1]) / 3;
					} else if(n_pred_type == 3) {
						// Paeth (PNG): the one of a, b, c nearest to q = a + b - c, ties in that
						// order; the distances replace forming q: |q - a| = |b - c|, |q - b| =
						// |a - c| and |q - c| = |a + b - 2c|
						const int b_0 = p_up_0[x], c_0 = p_up_0[x - 1], b_1 = p_up_1[x_1], c_1 = p_up_1[x_1 - 1];
						const int n_pa_0 = abs(b_0 - c_0), n_pb_0 = abs(a_0 - c_0), n_pc_0 = abs(a_0 + b_0 - 2 * c_0);
						const int n_pa_1 = abs(b_1 - c_1), n_pb_1 = abs(a_1 - c_1), n_pc_1 = abs(a_1 + b_1 - 2 * c_1);
						n_pred_0 = (n_pa_0 <= n_Min(n_pb_0, n_pc_0))? a_0 : (n_pb_0 <= n_pc_0)? b_0 : c_0;
						n_pred_1 = (n_pa_1 <= n_Min(n_pb_1, n_pc_1))? a_1 : (n_pb_1 <= n_pc_1)? b_1 : c_1;
					} else if(n_pred_type == 4) {
						// the median edge detector (LOCO-I / JPEG-LS) picks min(a, b) when c >= max(a, b),
						// max(a, b) when c <= min(a, b), else a + b - c: that is the median of a, b and
						// a + g (g = b - c), here b clamped to [a + min(g, 0), a + max(g, 0)], which
						// replaces the three cases by a choice without branches, since the sign of
						// g is unpredictable
						const int b_0 = p_up_0[x], g_0 = b_0 - p_up_0[x - 1], n_g_neg_0 = g_0 & (g_0 >> 31);
						const int b_1 = p_up_1[x_1], g_1 = b_1 - p_up_1[x_1 - 1], n_g_neg_1 = g_1 & (g_1 >> 31);
						n_pred_0 = n_Min(n_Max(b_0, a_0 + n_g_neg_0), a_0 + g_0 - n_g_neg_0);
						n_pred_1 = n_Min(n_Max(b_1, a_1 + n_g_neg_1), a_1 + g_1 - n_g_neg_1);
					} else if(n_pred_type == 5) {
						// gradient-adjusted prediction (after CALIC): n, w, ww, nn, nw, ne and nne are
						// the neighbours by compass direction; the last column is extended right
						const uint8_t *p_up2_0 = p_up_0 - n_width, *p_up2_1 = p_up_1 - n_width;
						const int e_0 = (x + 1 < n_width)? 1 : 0, e_1 = (x_1 + 1 < n_width)? 1 : 0;
						const int n_0 = p_up_0[x], w_0 = a_0, ww_0 = p_row_0[x - 2], nn_0 = p_up2_0[x];
						const int nw_0 = p_up_0[x - 1], ne_0 = p_up_0[x + e_0], nne_0 = p_up2_0[x + e_0];
						const int n_1 = p_up_1[x_1], w_1 = a_1, ww_1 = p_row_1[x_1 - 2], nn_1 = p_up2_1[x_1];
						const int nw_1 = p_up_1[x_1 - 1], ne_1 = p_up_1[x_1 + e_1], nne_1 = p_up2_1[x_1 + e_1];
						const int d_0 = abs(w_0 - nw_0) + abs(n_0 - nn_0) + abs(ne_0 - nne_0) -
							abs(w_0 - ww_0) - abs(n_0 - nw_0) - abs(n_0 - ne_0);
						const int d_1 = abs(w_1 - nw_1) + abs(n_1 - nn_1) + abs(ne_1 - nne_1) -
							abs(w_1 - ww_1) - abs(n_1 - nw_1) - abs(n_1 - ne_1);
						const int ad_0 = abs(d_0), f_0 = uint8_t((w_0 + n_0) / 2 + (ne_0 - nw_0) / 4), g_0 = (d_0 > 0)? w_0 : n_0;
						const int ad_1 = abs(d_1), f_1 = uint8_t((w_1 + n_1) / 2 + (ne_1 - nw_1) / 4), g_1 = (d_1 > 0)? w_1 : n_1;
						n_pred_0 = (ad_0 > 80)? g_0 : (ad_0 > 32)? (f_0 + g_0) / 2 : (ad_0 > 8)? (3 * f_0 + g_0) / 4 : f_0;
						n_pred_1 = (ad_1 > 80)? g_1 : (ad_1 > 32)? (f_1 + g_1) / 2 : (ad_1 > 8)? (3 * f_1 + g_1) / 4 : f_1;
					} else if(n_pred_type == 7)
						n_pred_0 = p_up_0[x - 1], n_pred_1 = p_up_1[x_1 - 1];
					else if(n_pred_type == 8)
						n_pred_0 = (a_0 + p_up_0[x]) / 2, n_pred_1 = (a_1 + p_up_1[x_1]) / 2;
					else if(n_pred_type == 9)
						n_pred_0 = a_0 + p_up_0[x] - p_up_0[x - 1], n_pred_1 = a_1 + p_up_1[x_1] - p_up_1[x_1 - 1];
					else if(n_pred_type == 10)
						n_pred_0 = a_0 + (p_up_0[x] - p_up_0[x - 1]) / 2, n_pred_1 = a_1 + (p_up_1[x_1] - p_up_1[x_1 - 1]) / 2;
					else if(n_pred_type == 11)
						n_pred_0 = p_up_0[x] + (a_0 - p_up_0[x - 1]) / 2, n_pred_1 = p_up_1[x_1] + (a_1 - p_up_1[x_1 - 1]) / 2;
					p_row_0[x] = uint8_t(a_0 = (n_residual_0 + n_pred_0) & 0xff);
					p_row_1[x_1] = uint8_t(a_1 = (n_residual_1 + n_pred_1) & 0xff);
				}
			}
		}
	}

	/**
	 *	@brief gets the number of first rows that a predictor codes as
	 *		differences to the sample on the left
	 *	@param[in] n_predictor is predictor type (see UnPredict_ImagePlane())
	 *	@return Returns 0 for left and no prediction, 2 for gap, 1 for the others.
	 */
	static inline constexpr int n_First_Rows(int n_predictor)
	{
		return (n_predictor == 1 || n_predictor == 6)? 0 : (n_predictor == 5)? 2 : 1;
	}

	/**
	 *	@brief gets the number of first columns that a predictor codes as
	 *		differences to the sample above
	 *	@param[in] n_predictor is predictor type (see UnPredict_ImagePlane())
	 *	@return Returns 0 for up and no prediction, 2 for gap, 1 for the others.
	 */
	static inline constexpr int n_First_Cols(int n_predictor)
	{
		return (n_predictor == 0 || n_predictor == 6)? 0 : (n_predictor == 5)? 2 : 1;
	}

	/**
	 *	@brief tells whether a number is a predictor type that UnPredict_ImagePlane() knows
	 *	@param[in] n_predictor is the number
	 *	@return Returns true for 0 to 11.
	 */
	static inline constexpr bool b_Known_Predictor(int n_predictor)
	{
		return n_predictor >= 0 && n_predictor <= 11;
	}
