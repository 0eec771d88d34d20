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
		int n_first_row = (n_pred_type == 1 || n_pred_type == 6)? 0 : (n_pred_type == 5)? 2 : 1;
		int n_first_col = (n_pred_type == 0 || n_pred_type == 6)? 0 : (n_pred_type == 5)? 2 : 1;
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
		// the rest: residuals of the predictor, from the restored neighbours
		// (a = left, b = up, c = up-left); the left one is kept in a register
		for(int y = n_first_row; y < n_height; ++ y) {
			uint8_t *p_row = p_buffer + y * n_width;
			const uint8_t *p_up = p_row - ((y)? n_width : 0); // row 0 is only reached by predictors that look left
			int a = (n_first_col)? p_row[n_first_col - 1] : 0;
			(void)p_up;
			for(int x = n_first_col; x < n_width; ++ x) {
				int n_pred = 0;
				if(n_pred_type == 0)
					n_pred = p_up[x];
				else if(n_pred_type == 1)
					n_pred = a;
				else if(n_pred_type == 2) {
					n_pred = (a + p_up[x] + p_up[x - 1]) / 3;
				} else if(n_pred_type == 3) {
					// with q = a + b - c: |q - a| = |b - c|, |q - b| = |a - c|, |q - c| = |a + b - 2c|
					int b = p_up[x], c = p_up[x - 1];
					int n_pa = abs(b - c), n_pb = abs(a - c), n_pc = abs(a + b - 2 * c), n_bc = (n_pb <= n_pc)? b : c;
					n_pred = (n_pa <= min(n_pb, n_pc))? a : n_bc;
				} else if(n_pred_type == 4) {
					// the median of a, b and a + g (g = b - c) is b clamped to [a + min(g, 0), a + max(g, 0)],
					// taken without branches since the sign of g is unpredictable
					int b = p_up[x], g = b - p_up[x - 1], n_g_neg = g & (g >> 31);
					n_pred = min(max(b, a + n_g_neg), a + g - n_g_neg);
				} else if(n_pred_type == 5) {
					const uint8_t *p_up2 = p_up - n_width;
					int e = (x + 1 < n_width)? 1 : 0; // the last column is extended right
					int n = p_up[x], w = a, ww = p_row[x - 2], nn = p_up2[x];
					int nw = p_up[x - 1], ne = p_up[x + e], nne = p_up2[x + e];
					int d = abs(w - nw) + abs(n - nn) + abs(ne - nne) - abs(w - ww) - abs(n - nw) - abs(n - ne);
					int ad = abs(d), f = uint8_t((w + n) / 2 + (ne - nw) / 4), g = (d > 0)? w : n;
					n_pred = (ad > 80)? g : (ad > 32)? (f + g) / 2 : (ad > 8)? (3 * f + g) / 4 : f;
				} else if(n_pred_type == 7)
					n_pred = p_up[x - 1];
				else if(n_pred_type == 8)
					n_pred = (a + p_up[x]) / 2;
				else if(n_pred_type == 9)
					n_pred = a + p_up[x] - p_up[x - 1];
				else if(n_pred_type == 10)
					n_pred = a + (p_up[x] - p_up[x - 1]) / 2;
				else if(n_pred_type == 11)
					n_pred = p_up[x] + (a - p_up[x - 1]) / 2;
				p_row[x] = uint8_t(a = (p_row[x] + n_pred) & 0xff);
			}
		}
	}

