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
		// "none" adds nothing; "up" and "up-left" add the row above, a row at a time
		// in blocks (Add_Row_Above() replaces the loop below for them)
		if(!b_Adds_Prediction(n_pred_type))
			return;
		if(b_Predicts_From_Row_Above(n_pred_type)) {
			Add_Row_Above(p_buffer, n_width, n_height, n_first_row, n_first_col);
			return;
		}
		// for all predictors but gap, a sample whose neighbours all hold its left
		// neighbour's value, and whose residual is zero, takes that value too (flat
		// areas); for some, neighbours above that hold any one value suffice (edges).
		// Runs are looked for at every n_flat_run-th column only, which costs little
		// where there are none (noise), and a run's first samples where they begin
		// elsewhere
		const bool b_flat_skip = n_pred_type != n_gap_predictor;
		const bool b_flat_above_suffices = b_Predicts_Left_Below_Flat_Row(n_pred_type);
		// the rest: residuals of the predictor, from the restored neighbours (a = left,
		// and the row above; the formulas follow this function). This replaces restoring one row at a time, each sample
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
					if(b_flat_skip && n_lag && (b_flat_above_suffices || a_0 == a_1) && !(unsigned(x) % n_flat_run) &&
					   x + n_flat_run < n_end &&
					   b_Flat_Run(p_row_0 + x, p_row_1 + x_1, p_up_0 + x, a_0, (b_flat_above_suffices)? p_up_0[x] : a_0)) {
						// this replaces restoring a flat run of both rows one sample at a time
						const size_t n_ones = size_t(-1) / 255;
						Write_BigEndian_Word(p_row_0 + x, size_t(a_0) * n_ones);
						Write_BigEndian_Word(p_row_1 + x_1, size_t(a_1) * n_ones);
						x += n_flat_run - 1;
						x_1 += n_flat_run - 1;
						continue;
					}
					const int n_residual_0 = p_row_0[x], n_residual_1 = p_row_1[x_1];
					int n_pred_0 = 0, n_pred_1 = 0;
					if(n_pred_type == 0)
						n_pred_0 = p_up_0[x], n_pred_1 = p_up_1[x_1];
					else if(n_pred_type == 1)
						n_pred_0 = a_0, n_pred_1 = a_1;
					else if(n_pred_type == 2) {
						n_pred_0 = n_Avg_Prediction(a_0, p_up_0 + x);
						n_pred_1 = n_Avg_Prediction(a_1, p_up_1 + x_1);
					} else if(n_pred_type == 3) {
						n_pred_0 = n_Paeth_Prediction(a_0, p_up_0 + x);
						n_pred_1 = n_Paeth_Prediction(a_1, p_up_1 + x_1);
					} else if(n_pred_type == 4) {
						n_pred_0 = n_Med_Prediction(a_0, p_up_0 + x);
						n_pred_1 = n_Med_Prediction(a_1, p_up_1 + x_1);
					} else if(n_pred_type == 5) {
						// the last column is extended right: there ne and nne are n and nn
						n_pred_0 = n_Gap_Prediction(a_0, p_row_0[x - 2], p_up_0 + x, p_up_0 + x - n_width,
							(x + 1 < n_width)? 1 : 0);
						n_pred_1 = n_Gap_Prediction(a_1, p_row_1[x_1 - 2], p_up_1 + x_1, p_up_1 + x_1 - n_width,
							(x_1 + 1 < n_width)? 1 : 0);
					} else if(n_pred_type == 7)
						n_pred_0 = p_up_0[x - 1], n_pred_1 = p_up_1[x_1 - 1];
					else if(n_pred_type == 8)
						n_pred_0 = n_Avg2_Prediction(a_0, p_up_0 + x), n_pred_1 = n_Avg2_Prediction(a_1, p_up_1 + x_1);
					else if(n_pred_type == 9)
						n_pred_0 = n_Diff_Prediction(a_0, p_up_0 + x), n_pred_1 = n_Diff_Prediction(a_1, p_up_1 + x_1);
					else if(n_pred_type == 10)
						n_pred_0 = n_GradH_Prediction(a_0, p_up_0 + x), n_pred_1 = n_GradH_Prediction(a_1, p_up_1 + x_1);
					else if(n_pred_type == 11)
						n_pred_0 = n_GradV_Prediction(a_0, p_up_0 + x), n_pred_1 = n_GradV_Prediction(a_1, p_up_1 + x_1);
					p_row_0[x] = uint8_t(a_0 = (n_residual_0 + n_pred_0) & 0xff);
					p_row_1[x_1] = uint8_t(a_1 = (n_residual_1 + n_pred_1) & 0xff);
				}
			}
		}
	}

	enum {
		n_gap_predictor = 5,
		n_flat_run = int(sizeof(size_t)) // samples of a flat run, a word of them
	};

	/**
	 *	@brief tells whether a predictor adds anything to the residuals
	 *	@param[in] n_predictor is predictor type (see UnPredict_ImagePlane())
	 *	@return Returns false for no prediction, true for the others.
	 */
	static inline bool b_Adds_Prediction(int n_predictor)
	{
		return n_predictor != 6;
	}

	/**
	 *	@brief tells whether a predictor takes nothing from the row it restores
	 *	@param[in] n_predictor is predictor type (see UnPredict_ImagePlane())
	 *	@return Returns true for up (n) and up-left (nw), false for the others.
	 */
	static inline bool b_Predicts_From_Row_Above(int n_predictor)
	{
		return n_predictor == 0 || n_predictor == 7;
	}

	/**
	 *	@brief undoes up (n) or up-left (nw) below the first row
	 *	@param[in,out] p_buffer is the plane, its border already restored
	 *	@param[in] n_first_col is 0 for up, where the row above is added as it
	 *		stands, or 1 for up-left, where it is added one sample to the right
	 *	@note Nothing that a row adds comes from the row itself, so its samples
	 *		are added 16 at a time, which compilers turn into vector code: that
	 *		replaces adding them one at a time (the tail of a row still is).
	 */
	static void Add_Row_Above(uint8_t *p_buffer, int n_width, int n_height, int n_first_row, int n_first_col)
	{
		const int n_block = 16;
		for(int y = n_first_row; y < n_height; ++ y) {
			uint8_t *const p_row = p_buffer + size_t(y) * size_t(n_width);
			const uint8_t *const p_above = p_row - n_width - n_first_col;
			int x = n_first_col;
			for(; x + n_block <= n_width; x += n_block) {
				uint8_t p_sum[n_block]; // no store here can change what the block reads
				for(int i = 0; i < n_block; ++ i)
					p_sum[i] = uint8_t(p_row[x + i] + p_above[x + i]);
				for(int i = 0; i < n_block; ++ i)
					p_row[x + i] = p_sum[i];
			}
			for(; x < n_width; ++ x)
				p_row[x] = uint8_t(p_row[x] + p_above[x]);
		}
	}

	/**
	 *	@brief tells whether a predictor predicts w wherever the row above holds one
	 *		value from nw to ne
	 *	@param[in] n_predictor is predictor type (see UnPredict_ImagePlane())
	 *	@return Returns true for left, paeth, med, diff and grad-h, false for the others.
	 */
	static inline bool b_Predicts_Left_Below_Flat_Row(int n_predictor)
	{
		return n_predictor == 1 || n_predictor == 3 || n_predictor == 4 || n_predictor == 9 || n_predictor == 10;
	}

	/**
	 *	@brief tells whether the next n_flat_run samples of two rows restored side by
	 *		side (the lower one two samples behind) are flat runs of their left neighbours
	 *	@param[in] p_upper is the upper row at the first sample, restored before it
	 *	@param[in] p_lower is the lower row at its first sample (two columns left)
	 *	@param[in] p_above is the row above the upper row, at the upper row's first sample
	 *	@param[in] n_value is the left neighbour of the first sample of the upper row
	 *	@param[in] n_above is the value the row above must hold
	 *	@return Returns true when the residuals are all zero, the row above holds
	 *		n_above from one sample left of the run to one right of it, and the two
	 *		upper samples that the lower row reads left of the run of the upper one
	 *		hold n_value: then every neighbour above each run holds one value. A
	 *		predictor of b_Predicts_Left_Below_Flat_Row() then continues both left
	 *		neighbours; any but gap does so when the two and n_above are all n_value.
	 */
	static inline bool b_Flat_Run(const uint8_t *p_upper, const uint8_t *p_lower, const uint8_t *p_above,
		int n_value, int n_above)
	{
		const size_t n_flat = size_t(n_above) * (size_t(-1) / 255);
		return !n_BigEndian_Word(p_upper) && !n_BigEndian_Word(p_lower) && n_BigEndian_Word(p_above - 1) == n_flat &&
			n_BigEndian_Word(p_above + 1) == n_flat && p_upper[-3] == n_value && p_upper[-2] == n_value;
	}

	enum {
		// gap blends a smooth estimate f with the neighbour g across the edge that d
		// detects, the more of g the stronger the edge
		n_gap_sharp_edge = 80, // above: g alone
		n_gap_edge = 32, // above: (f + g) / 2
		n_gap_soft_edge = 8 // above: (3 f + g) / 4; else f alone
	};

	/*
	 *	The predictions of the predictors that combine neighbours, from the
	 *	restored samples: w on the left and the row above, p_n pointing at n, the
	 *	sample above (so p_n[-1] is nw, up-left, and p_n[1] is ne). Divisions
	 *	truncate toward zero; the caller adds the residual modulo 256.
	 */

	/** @brief the mean of w, n and nw */
	static inline int n_Avg_Prediction(int w, const uint8_t *p_n)
	{
		return (w + p_n[0] + p_n[-1]) / 3;
	}

	/**
	 *	@brief Paeth (PNG): the one of w, n, nw nearest to q = w + n - nw, ties in
	 *		that order; the distances replace forming q: |q - w| = |n - nw|,
	 *		|q - n| = |w - nw| and |q - nw| = |w + n - 2 nw|
	 */
	static inline int n_Paeth_Prediction(int w, const uint8_t *p_n)
	{
		const int n = p_n[0], nw = p_n[-1];
		const int n_pa = abs(n - nw), n_pb = abs(w - nw), n_pc = abs(w + n - 2 * nw);
		return (n_pa <= n_Min(n_pb, n_pc))? w : (n_pb <= n_pc)? n : nw;
	}

	/**
	 *	@brief the median edge detector (LOCO-I / JPEG-LS): min(w, n) when nw >= max(w, n),
	 *		max(w, n) when nw <= min(w, n), else w + n - nw; that is the median of w, n and
	 *		w + g (g = n - nw), here n clamped to [w + min(g, 0), w + max(g, 0)], which
	 *		replaces the three cases by a choice without branches, since the sign of g
	 *		is unpredictable
	 */
	static inline int n_Med_Prediction(int w, const uint8_t *p_n)
	{
		const int n = p_n[0], g = n - p_n[-1], n_g_neg = g & (g >> 31);
		return n_Min(n_Max(n, w + n_g_neg), w + g - n_g_neg);
	}

	/**
	 *	@brief gradient-adjusted prediction (simplified, after CALIC): d compares the
	 *		vertical gradients with the horizontal ones and picks g = w across a
	 *		vertical edge, n across a horizontal one; f, a smooth estimate taken
	 *		modulo 256, is blended with g the less the weaker the edge
	 *	@param[in] n_ww is the sample two to the left
	 *	@param[in] p_nn points at the sample two rows up
	 *	@param[in] n_ne_step is 1, or 0 in the last column, where ne and nne are n and nn
	 */
	static inline int n_Gap_Prediction(int w, int n_ww, const uint8_t *p_n, const uint8_t *p_nn, int n_ne_step)
	{
		const int n = p_n[0], nw = p_n[-1], ne = p_n[n_ne_step], nn = p_nn[0], nne = p_nn[n_ne_step];
		const int d = abs(w - nw) + abs(n - nn) + abs(ne - nne) - abs(w - n_ww) - abs(n - nw) - abs(n - ne);
		const int n_edge = abs(d), f = uint8_t((w + n) / 2 + (ne - nw) / 4), g = (d > 0)? w : n;
		return (n_edge > n_gap_sharp_edge)? g : (n_edge > n_gap_edge)? (f + g) / 2 :
			(n_edge > n_gap_soft_edge)? (3 * f + g) / 4 : f;
	}

	/** @brief the mean of w and n */
	static inline int n_Avg2_Prediction(int w, const uint8_t *p_n)
	{
		return (w + p_n[0]) / 2;
	}

	/** @brief the plane through w, n and nw, without clamping */
	static inline int n_Diff_Prediction(int w, const uint8_t *p_n)
	{
		return w + p_n[0] - p_n[-1];
	}

	/** @brief w plus half the horizontal gradient of the row above */
	static inline int n_GradH_Prediction(int w, const uint8_t *p_n)
	{
		return w + (p_n[0] - p_n[-1]) / 2;
	}

	/** @brief n plus half the vertical gradient of the column on the left */
	static inline int n_GradV_Prediction(int w, const uint8_t *p_n)
	{
		return p_n[0] + (w - p_n[-1]) / 2;
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
