
	/*
	 *	The row decoder: the image a row at a time into memory the caller
	 *	owns, with no heap and no floating point. The decoder above expands all
	 *	the planes, then restores them and builds the pixels; this one keeps
	 *	only the rows that the predictors look back at (one per plane, two for
	 *	gap) and reads each plane with a cursor of its own, side by side, over
	 *	the one stream. Where each plane begins (its entry point: the text
	 *	position, the bit, the packet and how many of the packet's bytes belong
	 *	to the plane before) the tool found when it wrote the header; at the
	 *	end every cursor must have stopped exactly at the next plane's entry
	 *	point, and the last one after the last code, or the decode fails. So
	 *	the rows are the pixels that p_Decompress() makes, by the same
	 *	predictions and colour terms, or the result is false (also for damaged
	 *	data that moves a plane away from its entry point, from which
	 *	p_Decompress() would make an image).
	 */

	enum {
		n_row_lookup_bits = 8, // codes of up to 8 bits take one look-up; longer ones are matched a length at a time
		n_row_max_code_bits = 16, // the longest code
		n_row_max_planes = 4, // Y, U, V and A
		n_row_max_packet = 128 // the most bytes a run-length packet stands for
	};

	/** Where a plane after the first begins (FORMAT.md, "Entry points of the planes"). */
	struct CRowEntry {
		size_t n_text; // the text position of the group that holds the packet's code byte
		size_t n_bit; // the position of the packet's code byte, in bits from the stream's first byte
		size_t n_code; // the number of codes before it
		int n_skip; // bytes of the packet that belong to the plane before
	};

	/** An image as the row decoder reads it: the decoding parameters, the text and the entry points. */
	struct CRowImage {
		int n_width, n_height;
		size_t n_huff_stage_size;
		int n_predictor_y, n_predictor_uv, n_predictor_a, n_subsample, n_color_type;
		const char *const *p_text_piece; // the text's literals, of n_piece_length characters each but the last
		size_t n_piece_length, n_text_length;
		CRowEntry p_entry[n_row_max_planes - 1]; // of the second to the last plane
	};

	/** A plane being read: its cursor in the text, in the bits and in the packets, and its rows. */
	struct CRowPlane {
		// the text: the next character, the end of the literal that holds it and the
		// text position there (both pointers null past the end of the text)
		const char *p_s_next, *p_s_piece_end;
		size_t n_piece_end_text;
		size_t n_next_byte; // the stream offset of the next group
		size_t n_past_end; // zero bytes that stand for the bytes past the end of the text
		// the next plane's entry point, whose text position this cursor meets on its way
		size_t n_check_text, n_check_byte;
		bool b_check_passed;
		uint32_t n_group; // bytes of the group read last, not yet taken, the first in the top byte
		int n_group_left;
		uint32_t n_bits; // the next bits, the first in the top bit
		int n_bit_num;
		// the packet being expanded: where its code byte is, its codes, what is left of it
		size_t n_packet_bit;
		size_t n_packet_code;
		int n_packet_length, n_packet_left, n_packet_codes;
		int n_run_byte; // the byte of a run, -1 for a literal
		// the plane's samples
		uint8_t *p_row[2]; // one row, restored in place over the one above; gap alternates two
		const uint8_t *p_current; // the row restored last
		int n_width, n_height, n_predictor, n_first_row, n_first_col, n_row_step, n_y;
	};

	/** The colour terms of a chroma sample (CColor_Terms), kept for the rows of pixels its block spans. */
	struct CRowTerms {
		int16_t n_red, n_green, n_blue, n_red_up_from, n_green_up_from, n_blue_up_from;
	};

	/** All that a row decode keeps beside the rows: the code table and the planes. */
	struct CRowState {
		uint16_t p_lookup[1 << n_row_lookup_bits]; // code length << 8 | symbol, 0 for a longer code
		int32_t p_max_code[n_row_max_code_bits], p_table_off[n_row_max_code_bits];
		uint8_t p_symbol[256];
		CRowPlane p_plane[n_row_max_planes];
		int n_plane_num;
		uint32_t *p_pixels; // the output row, which holds a plane row's residuals before the pixels
		CRowTerms *p_terms; // the terms of the chroma row where a block spans several rows, else null
		int n_y; // the next row
	};

	/**
	 *	@brief the bytes of the rows a plane keeps: one row, or for gap, which
	 *		looks back two rows, two rows with a byte past the end of each (which
	 *		Restore_Row_Of() sets to the row's last sample)
	 */
	static inline constexpr size_t n_Row_Plane_Bytes(int n_predictor, int n_width)
	{
		return (n_First_Rows(n_predictor) > 1)? 2 * (size_t(n_width) + 1) : size_t(n_width);
	}

	/**
	 *	@brief the bytes that a row decode needs beside CRowState: the output row
	 *		of 32-bit pixels, the colour terms of a chroma row where a block spans
	 *		several rows, then the rows of each plane
	 */
	static inline constexpr size_t n_Row_Work_Bytes(int n_width, int n_subsample, int n_color_type,
		int n_predictor_y, int n_predictor_uv, int n_predictor_a)
	{
		return 4 * size_t(n_width) + n_Row_Plane_Bytes(n_predictor_y, n_width) + ((n_color_type & 2)?
			n_Row_Plane_Bytes(n_predictor_a, n_width) : 0) + ((n_color_type & 1)? 0 :
			2 * n_Row_Plane_Bytes(n_predictor_uv, (n_width - 1) / n_subsample + 1) +
			((n_subsample > 1)? sizeof(CRowTerms) * size_t((n_width - 1) / n_subsample + 1) : 0));
	}

	/** @brief points a cursor at a position of the text (past its end, at nothing) */
	static void Seek_Row_Text(CRowPlane &r_plane, const CRowImage &r_image, size_t n_text)
	{
		r_plane.p_s_next = r_plane.p_s_piece_end = nullptr;
		r_plane.n_piece_end_text = n_text;
		if(n_text < r_image.n_text_length) {
			const size_t n_piece = n_text / r_image.n_piece_length;
			const size_t n_piece_begin = n_piece * r_image.n_piece_length;
			const size_t n_piece_left = r_image.n_text_length - n_piece_begin;
			const size_t n_piece_size = (n_piece_left < r_image.n_piece_length)? n_piece_left : r_image.n_piece_length;
			r_plane.p_s_next = r_image.p_text_piece[n_piece] + (n_text - n_piece_begin);
			r_plane.p_s_piece_end = r_image.p_text_piece[n_piece] + n_piece_size;
			r_plane.n_piece_end_text = n_piece_begin + n_piece_size;
		}
	}

	/** @brief the text position of a cursor */
	static inline size_t n_Row_Text_Position(const CRowPlane &r_plane)
	{
		return r_plane.n_piece_end_text - size_t(r_plane.p_s_piece_end - r_plane.p_s_next);
	}

	/** @brief moves a cursor on by characters of the text */
	static inline void Skip_Row_Chars(CRowPlane &r_plane, const CRowImage &r_image, int n_char_num)
	{
		if(r_plane.p_s_piece_end - r_plane.p_s_next > n_char_num)
			r_plane.p_s_next += n_char_num;
		else // into the next literal
			Seek_Row_Text(r_plane, r_image, n_Row_Text_Position(r_plane) + size_t(n_char_num));
	}

	/**
	 *	@brief gets the next characters of the text at a cursor, up to n_max of them
	 *	@param[out] r_p_chars points at them: in the literal itself, or in
	 *		p_gathered (n_max characters) where they continue in the next literal,
	 *		followed by n_pad where the text ends
	 *	@return how many there are: n_max, or fewer at the end of the text
	 */
	static inline int n_Row_Chars(const CRowPlane &r_plane, const CRowImage &r_image, int n_max, char n_pad,
		const char *&r_p_chars, char *p_gathered)
	{
		r_p_chars = r_plane.p_s_next;
		if(r_plane.p_s_piece_end - r_plane.p_s_next >= n_max)
			return n_max;
		r_p_chars = p_gathered;
		return n_Gather_Row_Chars(r_plane, r_image, n_max, n_pad, p_gathered);
	}

	/** @brief gathers the characters of n_Row_Chars() at the end of a literal, from the next one */
	static int n_Gather_Row_Chars(const CRowPlane &r_plane, const CRowImage &r_image, int n_max, char n_pad,
		char *p_gathered)
	{
		const size_t n_text = n_Row_Text_Position(r_plane);
		const size_t n_left = (n_text < r_image.n_text_length)? r_image.n_text_length - n_text : 0;
		const int n_char_num = (n_left < size_t(n_max))? int(n_left) : n_max;
		for(int i = 0; i < n_max; ++ i) {
			const size_t n_char = n_text + size_t(i);
			p_gathered[i] = (i < n_char_num)? r_image.p_text_piece[n_char / r_image.n_piece_length][n_char %
				r_image.n_piece_length] : n_pad;
		}
		return n_char_num;
	}

	/**
	 *	@brief reads the group of the text at a cursor into it; the bytes past
	 *		the end of the text are zeros, as in the decoder above
	 *	@note On its way the cursor meets the group that holds the next plane's
	 *		entry point, where it checks that the text position is the one the
	 *		tool found (the text was not damaged before it).
	 */
	template <class CText>
	static void Read_Row_Group(CRowPlane &r_plane, const CRowImage &r_image)
	{
		if(r_plane.n_next_byte == r_plane.n_check_byte && r_plane.p_s_next)
			r_plane.b_check_passed = n_Row_Text_Position(r_plane) == r_plane.n_check_text;
		int n_byte_num = 0;
		const uint32_t n_group = CText::n_Read_Group(r_plane, r_image, n_byte_num);
		r_plane.n_next_byte += size_t(n_byte_num);
		// a whole group, or four bytes: those of a short group at the end, then zeros
		r_plane.n_group_left = (n_byte_num == CText::n_group_bytes)? n_byte_num : 4;
		r_plane.n_group = (n_byte_num == 4)? n_group : n_group & ~(0xffffffffU >> (8 * n_byte_num));
		r_plane.n_past_end += size_t(r_plane.n_group_left - n_byte_num);
	}

	/**
	 *	@brief the bit position of a cursor, from the stream's first byte (a
	 *		size_t holds it: b_Row_Params_Valid() refuses longer texts)
	 */
	static inline size_t n_Row_Bit_Position(const CRowPlane &r_plane)
	{
		return ((r_plane.n_next_byte + r_plane.n_past_end - size_t(r_plane.n_group_left)) << 3) -
			size_t(r_plane.n_bit_num);
	}

	/** @brief takes bytes of the text into the bits of a cursor, a byte at a time, until there are 16 */
	template <class CText>
	static void Refill_Row_Bits(CRowPlane &r_plane, const CRowImage &r_image)
	{
		for(; r_plane.n_bit_num < n_row_max_code_bits; r_plane.n_bit_num += 8) {
			if(!r_plane.n_group_left)
				Read_Row_Group<CText>(r_plane, r_image);
			r_plane.n_bits |= (r_plane.n_group >> 24) << (24 - r_plane.n_bit_num);
			r_plane.n_group <<= 8;
			-- r_plane.n_group_left;
		}
	}

	/**
	 *	@brief matches a code a length at a time: the first length whose end
	 *		code lies above the bits read so far (the first code of the length is
	 *		never above them, as no shorter code matched)
	 *	@param[in] n_bits holds the next bits, the first in the top bit
	 *	@param[in] n_min_length is the shortest code length to try (all shorter ones did not match)
	 *	@param[in] n_max_length is the longest
	 *	@return the code's length << 8 | its symbol, or 0 when no code of those lengths matches
	 */
	static uint32_t n_Row_Match_Code(const CRowState &r_state, uint32_t n_bits, int n_min_length, int n_max_length)
	{
		for(int i = n_min_length - 1; i < n_max_length; ++ i) {
			const int32_t n_code = int32_t(n_bits >> (31 - i));
			if(n_code < r_state.p_max_code[i])
				return uint32_t(i + 1) << 8 | r_state.p_symbol[n_code + r_state.p_table_off[i]];
		}
		return 0;
	}

	/**
	 *	@brief decodes the next n_count codes at a cursor into bytes; false when a code matches none
	 *	@note The bits stay in locals, which the byte stores cannot alias, and
	 *		come from the text's groups two bytes at a time.
	 */
	template <class CText>
	static bool b_Row_Codes(const CRowState &r_state, CRowPlane &r_plane, const CRowImage &r_image,
		uint8_t *p_dest, int n_count)
	{
		const uint16_t *const p_lookup = r_state.p_lookup;
		uint32_t n_bits = r_plane.n_bits, n_group = r_plane.n_group;
		int n_bit_num = r_plane.n_bit_num, n_group_left = r_plane.n_group_left;
		bool b_matched = true;
		for(uint8_t *const p_end = p_dest + n_count; p_dest != p_end; ++ p_dest) {
			if(n_bit_num < n_row_max_code_bits) {
				if(n_group_left < 2) {
					if(n_group_left) { // the group's last byte
						n_bits |= (n_group >> 24) << (24 - n_bit_num);
						n_group_left = 0;
						n_bit_num += 8;
					}
					if(n_bit_num < n_row_max_code_bits) { // the next group: three or four bytes
						r_plane.n_group_left = 0;
						Read_Row_Group<CText>(r_plane, r_image);
						n_group = r_plane.n_group;
						n_group_left = r_plane.n_group_left;
					}
				}
				if(n_bit_num < n_row_max_code_bits) {
					n_bits |= (n_group >> 16) << (16 - n_bit_num);
					n_group <<= 16;
					n_group_left -= 2;
					n_bit_num += 16;
				}
			}
			uint32_t n_entry = p_lookup[n_bits >> (32 - n_row_lookup_bits)];
			if(!n_entry && !(n_entry = n_Row_Match_Code(r_state, n_bits, n_row_lookup_bits + 1,
			   n_row_max_code_bits))) {
				b_matched = false;
				break;
			}
			*p_dest = uint8_t(n_entry);
			n_bits <<= n_entry >> 8;
			n_bit_num -= int(n_entry >> 8);
		}
		r_plane.n_bits = n_bits;
		r_plane.n_bit_num = n_bit_num;
		r_plane.n_group = n_group;
		r_plane.n_group_left = n_group_left;
		return b_matched;
	}

	/** @brief reads the code byte of the next packet at a cursor, and the byte of a run; false when a code matches none */
	template <class CText>
	static bool b_Row_Packet(const CRowState &r_state, CRowPlane &r_plane, const CRowImage &r_image)
	{
		r_plane.n_packet_code += size_t(r_plane.n_packet_codes);
		r_plane.n_packet_bit = n_Row_Bit_Position(r_plane);
		uint8_t p_code[2]; // the code byte, and the byte of a run
		if(!b_Row_Codes<CText>(r_state, r_plane, r_image, p_code, 1))
			return false;
		r_plane.n_packet_length = r_plane.n_packet_left = (p_code[0] >> 1) + 1;
		r_plane.n_packet_codes = 1 + r_plane.n_packet_length;
		r_plane.n_run_byte = -1;
		if(p_code[0] & 1) { // a run: one more code, the byte
			r_plane.n_packet_codes = 2;
			if(!b_Row_Codes<CText>(r_state, r_plane, r_image, p_code + 1, 1))
				return false;
			r_plane.n_run_byte = p_code[1];
		}
		return true;
	}

	/** @brief expands the next n_count bytes of a plane's packets; false when a code matches none */
	template <class CText>
	static bool b_Row_Residuals(const CRowState &r_state, CRowPlane &r_plane, const CRowImage &r_image,
		uint8_t *p_dest, int n_count)
	{
		while(n_count) {
			if(!r_plane.n_packet_left && !b_Row_Packet<CText>(r_state, r_plane, r_image))
				return false;
			const int n_take = (n_count < r_plane.n_packet_left)? n_count : r_plane.n_packet_left;
			r_plane.n_packet_left -= n_take;
			n_count -= n_take;
			uint8_t *const p_end = p_dest + n_take;
			if(r_plane.n_run_byte >= 0) {
				for(const uint8_t n_byte = uint8_t(r_plane.n_run_byte); p_dest != p_end; ++ p_dest)
					*p_dest = n_byte;
				continue;
			}
			if(!b_Row_Codes<CText>(r_state, r_plane, r_image, p_dest, n_take))
				return false;
			p_dest = p_end;
		}
		return true;
	}

	/**
	 *	@brief puts a cursor at a group of the text
	 *	@param[in] n_text is the group's text position, n_byte its stream offset
	 *	@param[in] n_skip_bits is the number of the group's bits before the cursor's first code
	 *	@note The next plane's entry point, which the cursor checks on its way, is set before.
	 */
	template <class CText>
	static void Start_Row_Cursor(CRowPlane &r_plane, const CRowImage &r_image, size_t n_text, size_t n_byte,
		int n_skip_bits)
	{
		Seek_Row_Text(r_plane, r_image, n_text);
		r_plane.n_next_byte = n_byte;
		r_plane.n_past_end = 0;
		r_plane.n_group_left = 0;
		r_plane.n_bits = 0;
		r_plane.n_bit_num = 0;
		r_plane.n_packet_code = 0;
		r_plane.n_packet_codes = 0;
		r_plane.n_packet_left = 0;
		for(; n_skip_bits > 0; n_skip_bits -= 16) {
			Refill_Row_Bits<CText>(r_plane, r_image);
			const int n_step = (n_skip_bits < 16)? n_skip_bits : 16;
			r_plane.n_bits <<= n_step;
			r_plane.n_bit_num -= n_step;
		}
	}

	/** @brief reads a byte of the code table at a cursor */
	template <class CText>
	static int n_Row_Table_Byte(CRowPlane &r_plane, const CRowImage &r_image)
	{
		if(r_plane.n_bit_num < 8)
			Refill_Row_Bits<CText>(r_plane, r_image);
		const int n_byte = int(r_plane.n_bits >> 24);
		r_plane.n_bits <<= 8;
		r_plane.n_bit_num -= 8;
		return n_byte;
	}

	/**
	 *	@brief reads the code table at the start of the stream with the first
	 *		plane's cursor, which then stands at the first code; the rules are
	 *		those of b_Init_HuffReader()
	 *	@return false when the counts are malformed or the symbols run past the end of the stream
	 */
	template <class CText>
	static bool b_Read_Row_Code_Table(CRowState &r_state, CRowPlane &r_plane, const CRowImage &r_image)
	{
		int32_t n_code = 0, n_symbol_num = 0;
		for(int i = 0; i < n_row_max_code_bits; ++ i, n_code *= 2) {
			uint32_t n_count = 0; // little-endian
			for(int n_shift = 0; n_shift < 32; n_shift += 8)
				n_count |= uint32_t(n_Row_Table_Byte<CText>(r_plane, r_image)) << n_shift;
			if(n_count > uint32_t(256 - n_symbol_num))
				return false; // there are only 256 byte values (a negative count reads as more)
			r_state.p_table_off[i] = n_symbol_num - n_code;
			n_code += int32_t(n_count);
			r_state.p_max_code[i] = n_code;
			n_symbol_num += int32_t(n_count);
		}
		for(int i = 0; i < n_symbol_num; ++ i)
			r_state.p_symbol[i] = uint8_t(n_Row_Table_Byte<CText>(r_plane, r_image));
		if(r_plane.n_next_byte < 4 * size_t(n_row_max_code_bits) + size_t(n_symbol_num))
			return false; // the text ended before the symbols
		// the look-up: for each value of the next 8 bits, the code of up to 8 bits
		// that they begin with (the shortest, as reading a bit at a time finds it), or 0
		for(int j = 0; j < (1 << n_row_lookup_bits); ++ j) {
			r_state.p_lookup[j] = uint16_t(n_Row_Match_Code(r_state, uint32_t(j) << (32 - n_row_lookup_bits),
				1, n_row_lookup_bits));
		}
		return true;
	}

	/** @brief sets a plane's size and predictor and gives it its rows; returns the memory after them */
	static uint8_t *p_Init_Row_Plane(CRowPlane &r_plane, int n_width, int n_height, int n_predictor, int n_row_step,
		uint8_t *p_free)
	{
		r_plane.n_width = n_width;
		r_plane.n_height = n_height;
		r_plane.n_predictor = n_predictor;
		// a plane smaller than the border has no predicted region
		r_plane.n_first_row = n_Min(n_First_Rows(n_predictor), n_height);
		r_plane.n_first_col = n_Min(n_First_Cols(n_predictor), n_width);
		r_plane.n_row_step = n_row_step;
		r_plane.n_y = 0;
		r_plane.p_current = r_plane.p_row[0] = p_free;
		r_plane.p_row[1] = (n_First_Rows(n_predictor) > 1)? p_free + n_width + 1 : nullptr;
		return p_free + n_Row_Plane_Bytes(n_predictor, n_width);
	}

	/** @brief tells whether the decoding parameters pass the checks of p_Alloc_DecodeBuffers() */
	static bool b_Row_Params_Valid(const CRowImage &r_image)
	{
		const int n_width = r_image.n_width, n_height = r_image.n_height, n_subsample = r_image.n_subsample;
		if(n_width <= 0 || n_height <= 0 || n_subsample <= 0 || n_width > 0x7fffffff / n_height ||
		   size_t(n_width) > size_t(-1) / 16 / size_t(n_height) || !r_image.n_piece_length)
			return false;
		// the cursors count the stream's bits in a size_t, and a character gives at most
		// four bytes ("~"): this refuses texts of over 64 MB where a size_t has 32 bits
		if(r_image.n_text_length > size_t(-1) / 64)
			return false;
		if(!b_Known_Predictor(r_image.n_predictor_y) || !b_Known_Predictor(r_image.n_predictor_uv) ||
		   !b_Known_Predictor(r_image.n_predictor_a))
			return false;
		const size_t n_image_data_size = n_Plane_Block_Size(n_width, n_height, n_subsample, r_image.n_color_type);
		const size_t n_most_per_byte = n_row_max_packet / 2; // a run of 128 bytes takes two
		return r_image.n_huff_stage_size <= 2 * n_image_data_size &&
			r_image.n_huff_stage_size >= (n_image_data_size + n_most_per_byte - 1) / n_most_per_byte;
	}

	/**
	 *	@brief checks the decoding parameters as p_Alloc_DecodeBuffers() does and
	 *		lays out the rows (apart from the rest, so that where the parameters
	 *		are a header's constants a compiler can work all of this out)
	 *	@param[in] p_rows is the memory for the rows, n_row_words 32-bit words
	 *		(n_Row_Work_Bytes(), rounded up)
	 *	@return false if the parameters are out of range or the rows do not fit
	 */
	static inline bool b_Lay_Out_Rows(const CRowImage &r_image, CRowState &r_state, uint32_t *p_rows,
		size_t n_row_words)
	{
		const int n_width = r_image.n_width, n_height = r_image.n_height, n_subsample = r_image.n_subsample;
		const int n_color_type = r_image.n_color_type;
		if(!b_Row_Params_Valid(r_image) || n_row_words < (n_Row_Work_Bytes(n_width, n_subsample, n_color_type,
		   r_image.n_predictor_y, r_image.n_predictor_uv, r_image.n_predictor_a) + 3) / 4)
			return false;

		// the output row, the terms of a chroma row, then the planes' rows: Y, U and V (colour), A (alpha)
		r_state.p_pixels = p_rows;
		r_state.n_y = 0;
		uint8_t *p_free = reinterpret_cast<uint8_t*>(p_rows + n_width);
		const int n_chroma_w = (n_width - 1) / n_subsample + 1, n_chroma_h = (n_height - 1) / n_subsample + 1;
		r_state.p_terms = nullptr;
		if(!(n_color_type & 1) && n_subsample > 1) {
			r_state.p_terms = reinterpret_cast<CRowTerms*>(p_free);
			p_free += sizeof(CRowTerms) * size_t(n_chroma_w);
		}
		const int n_plane_num = 1 + ((n_color_type & 1)? 0 : 2) + ((n_color_type & 2)? 1 : 0);
		for(int i = 0; i < n_plane_num; ++ i) {
			const bool b_chroma = !(n_color_type & 1) && (i == 1 || i == 2);
			const int n_predictor = (!i)? r_image.n_predictor_y : (b_chroma)? r_image.n_predictor_uv :
				r_image.n_predictor_a;
			p_free = p_Init_Row_Plane(r_state.p_plane[i], (b_chroma)? n_chroma_w : n_width,
				(b_chroma)? n_chroma_h : n_height, n_predictor, (b_chroma)? n_subsample : 1, p_free);
		}
		r_state.n_plane_num = n_plane_num;
		return true;
	}

	/**
	 *	@brief reads the code table and puts every plane's cursor at its entry point
	 *	@return false if the code table or the first packet of a plane is malformed
	 */
	template <class CText>
	static bool b_Start_Row_Cursors(const CRowImage &r_image, CRowState &r_state)
	{
		const int n_plane_num = r_state.n_plane_num;
		// each cursor meets the next plane's entry point on its way, and checks its text position
		for(int i = 0; i < n_plane_num; ++ i) {
			CRowPlane &r_plane = r_state.p_plane[i];
			r_plane.b_check_passed = false;
			r_plane.n_check_text = (i + 1 < n_plane_num)? r_image.p_entry[i].n_text : 0;
			r_plane.n_check_byte = (i + 1 < n_plane_num)? CText::n_Group_Byte(r_image.p_entry[i].n_bit) : size_t(-1);
		}
		// the first plane's cursor reads the code table; its codes follow it
		Start_Row_Cursor<CText>(r_state.p_plane[0], r_image, 0, 0, 0);
		if(!b_Read_Row_Code_Table<CText>(r_state, r_state.p_plane[0], r_image))
			return false;
		for(int i = 1; i < n_plane_num; ++ i) {
			const CRowEntry &r_entry = r_image.p_entry[i - 1];
			CRowPlane &r_plane = r_state.p_plane[i];
			const size_t n_group_byte = r_state.p_plane[i - 1].n_check_byte;
			const size_t n_skip_bits = r_entry.n_bit - 8 * n_group_byte;
			if(n_skip_bits >= 32)
				return false; // a position beyond what the text can hold
			Start_Row_Cursor<CText>(r_plane, r_image, r_entry.n_text, n_group_byte, int(n_skip_bits));
			r_plane.n_packet_code = r_entry.n_code;
			if(r_entry.n_skip < 0 || r_entry.n_skip >= n_row_max_packet)
				return false;
			// the plane begins inside the packet: its first bytes belong to the plane before
			for(int j = 0; j < r_entry.n_skip; ++ j) {
				uint8_t n_byte;
				if(!b_Row_Residuals<CText>(r_state, r_plane, r_image, &n_byte, 1))
					return false;
			}
			if(r_entry.n_skip && (!r_plane.n_packet_left || r_plane.n_packet_code != r_entry.n_code))
				return false; // the packet ended before the plane's first byte
		}
		return true;
	}

	/** @brief the prediction of a predictor that reads w and the row above, p_n pointing at n */
	template <int n_predictor>
	static inline int n_Row_Prediction(int w, const uint8_t *p_n)
	{
		return (n_predictor == 1)? w : (n_predictor == 2)? n_Avg_Prediction(w, p_n) :
			(n_predictor == 3)? n_Paeth_Prediction(w, p_n) : (n_predictor == 4)? n_Med_Prediction(w, p_n) :
			(n_predictor == 7)? p_n[-1] : (n_predictor == 8)? n_Avg2_Prediction(w, p_n) :
			(n_predictor == 9)? n_Diff_Prediction(w, p_n) : (n_predictor == 10)? n_GradH_Prediction(w, p_n) :
			(n_predictor == 11)? n_GradV_Prediction(w, p_n) : p_n[0];
	}

	/**
	 *	@brief gap's prediction from d, the difference of its gradients: what
	 *		n_Gap_Prediction() makes of it, for the row decoder, which carries the
	 *		gradients from one sample to the next
	 */
	static inline int n_Gap_Blend(int w, int n, int nw, int ne, int d)
	{
		const int n_edge = abs(d), f = uint8_t((w + n) / 2 + (ne - nw) / 4), g = (d > 0)? w : n;
		return (n_edge > n_gap_sharp_edge)? g : (n_edge > n_gap_edge)? (f + g) / 2 :
			(n_edge > n_gap_soft_edge)? (3 * f + g) / 4 : f;
	}

	/** @brief restores a row of the border's first rows: the corner as it is, then differences to the left */
	static void Restore_First_Row(uint8_t *p_row, const uint8_t *p_residual, int n_width, int n_first_col)
	{
		for(int x = 0, w = 0; x < n_width; ++ x)
			p_row[x] = uint8_t(w = (x <= n_first_col)? p_residual[x] : (p_residual[x] + w) & 0xff);
	}

	/**
	 *	@brief restores a plane's next row from its residuals, with the border
	 *		and the prediction of UnPredict_ImagePlane(): the first rows are the
	 *		corner as it is and then differences to the left, the first columns
	 *		below them differences to the sample above (the corner's last row as
	 *		it is), the rest residuals of the predictor
	 *	@param[in] n_predictor is the plane's predictor (r_plane.n_predictor)
	 */
	template <int n_predictor>
	static void Restore_Row_Of(CRowPlane &r_plane, const uint8_t *p_residual)
	{
		const int y = r_plane.n_y ++, n_width = r_plane.n_width;
		const int n_first_row = r_plane.n_first_row, n_first_col = r_plane.n_first_col;
		const bool b_two_rows = n_First_Rows(n_predictor) > 1; // gap
		uint8_t *const p_row = r_plane.p_row[(b_two_rows)? y & 1 : 0];
		r_plane.p_current = p_row;
		if(y < n_first_row)
			Restore_First_Row(p_row, p_residual, n_width, n_first_col);
		else if(b_two_rows) {
			// the row above is the other row; this one overwrites the row two up (nn),
			// which the prediction reads at x and x + 1 before x is stored
			uint8_t *const p_up = r_plane.p_row[(y & 1) ^ 1];
			for(int x = 0; x < n_first_col; ++ x)
				p_row[x] = uint8_t((y == n_first_row)? p_residual[x] : (p_residual[x] + p_up[x]) & 0xff);
			if(n_first_col >= n_width)
				return;
			// n_Gap_Prediction(), with the neighbours carried from one sample to the
			// next in locals rather than read again, and with the two gradients that
			// the next sample shares: its |n - nn| is this |ne - nne|, its |n - nw| this
			// |n - ne|; in the last column ne and nne are n and nn, the bytes past the rows
			p_up[n_width] = p_up[n_width - 1];
			p_row[n_width] = p_row[n_width - 1];
			int w = p_row[n_first_col - 1], n_ww = p_row[n_first_col - 2];
			int nw = p_up[n_first_col - 1], n = p_up[n_first_col], nn = p_row[n_first_col];
			int n_grad_n_nn = abs(n - nn), n_grad_n_nw = abs(n - nw);
			for(int x = n_first_col; x < n_width; ++ x) {
				const int ne = p_up[x + 1], nne = p_row[x + 1];
				const int n_grad_ne_nne = abs(ne - nne), n_grad_n_ne = abs(n - ne);
				const int d = abs(w - nw) + n_grad_n_nn + n_grad_ne_nne - abs(w - n_ww) - n_grad_n_nw - n_grad_n_ne;
				const int n_sample = (p_residual[x] + n_Gap_Blend(w, n, nw, ne, d)) & 0xff;
				p_row[x] = uint8_t(n_sample);
				n_ww = w;
				w = n_sample;
				nw = n;
				n = ne;
				nn = nne;
				n_grad_n_nn = n_grad_ne_nne;
				n_grad_n_nw = n_grad_n_ne;
			}
		} else if(n_predictor == 0 || n_predictor == 6) { // up and none, without a first column
			for(int x = 0; x < n_width; ++ x)
				p_row[x] = uint8_t((p_residual[x] + ((n_predictor)? 0 : p_row[x])) & 0xff);
		} else {
			// restored in place over the row above: each sample is stored one step
			// late, so that the next prediction still reads n and nw of the row above
			// at p_n[0] and p_n[-1]; w, the sample on the left, is the one not yet stored
			int w = (y == n_first_row)? p_residual[0] : (p_residual[0] + p_row[0]) & 0xff;
			for(int x = 1; x < n_width; ++ x) {
				const int n_sample = (p_residual[x] + n_Row_Prediction<n_predictor>(w, p_row + x)) & 0xff;
				p_row[x - 1] = uint8_t(w);
				w = n_sample;
			}
			p_row[n_width - 1] = uint8_t(w);
		}
	}

	/** @brief restores a plane's next row with the predictor the plane states */
	static void Restore_Row_Any(CRowPlane &r_plane, const uint8_t *p_residual)
	{
		switch(r_plane.n_predictor) {
		case 0: Restore_Row_Of<0>(r_plane, p_residual); break;
		case 1: Restore_Row_Of<1>(r_plane, p_residual); break;
		case 2: Restore_Row_Of<2>(r_plane, p_residual); break;
		case 3: Restore_Row_Of<3>(r_plane, p_residual); break;
		case 4: Restore_Row_Of<4>(r_plane, p_residual); break;
		case 5: Restore_Row_Of<5>(r_plane, p_residual); break;
		case 6: Restore_Row_Of<6>(r_plane, p_residual); break;
		case 7: Restore_Row_Of<7>(r_plane, p_residual); break;
		case 8: Restore_Row_Of<8>(r_plane, p_residual); break;
		case 9: Restore_Row_Of<9>(r_plane, p_residual); break;
		case 10: Restore_Row_Of<10>(r_plane, p_residual); break;
		default: Restore_Row_Of<11>(r_plane, p_residual); break;
		}
	}

	/**
	 *	The kind of an image as constants, which a header states for its own, so
	 *	that a compiler keeps only the predictors and the colour path that the
	 *	image takes (they must be those of its CRowImage).
	 */
	template <int n_color_type, int n_subsample, int n_predictor_y, int n_predictor_uv, int n_predictor_a>
	struct CRowKind {
		static int n_Color_Type(const CRowImage &)
		{
			return n_color_type;
		}

		static int n_Subsample(const CRowImage &)
		{
			return n_subsample;
		}

		/** @param[in] n_plane_kind is 0 for Y (or gray), 1 for U and V, 2 for A */
		static void Restore_Row(CRowPlane &r_plane, const uint8_t *p_residual, int n_plane_kind)
		{
			if(!n_plane_kind)
				Restore_Row_Of<n_predictor_y>(r_plane, p_residual);
			else if(n_plane_kind == 1 && !(n_color_type & 1))
				Restore_Row_Of<n_predictor_uv>(r_plane, p_residual);
			else if(n_color_type & 2)
				Restore_Row_Of<n_predictor_a>(r_plane, p_residual);
		}
	};

	/** Any kind of image, as its CRowImage states it. */
	struct CRowKind_Any {
		static int n_Color_Type(const CRowImage &r_image)
		{
			return r_image.n_color_type;
		}

		static int n_Subsample(const CRowImage &r_image)
		{
			return r_image.n_subsample;
		}

		static void Restore_Row(CRowPlane &r_plane, const uint8_t *p_residual, int)
		{
			Restore_Row_Any(r_plane, p_residual);
		}
	};

	/** @brief decodes and restores a plane's next row; false when a code matches none */
	template <class CText, class CKind>
	static bool b_Restore_Plane_Row(const CRowImage &r_image, CRowState &r_state, int n_plane, int n_plane_kind)
	{
		uint8_t *const p_residual = reinterpret_cast<uint8_t*>(r_state.p_pixels);
		CRowPlane &r_plane = r_state.p_plane[n_plane];
		if(!b_Row_Residuals<CText>(r_state, r_plane, r_image, p_residual, r_plane.n_width))
			return false;
		CKind::Restore_Row(r_plane, p_residual, n_plane_kind);
		return true;
	}

	/**
	 *	@brief restores the rows of the planes that the next row of pixels needs:
	 *		Y, U and V where a row of chroma blocks begins, A; false when a code matches none
	 */
	template <class CText, class CKind>
	static bool b_Restore_Plane_Rows(const CRowImage &r_image, CRowState &r_state)
	{
		const int y = r_state.n_y ++, n_color_type = CKind::n_Color_Type(r_image);
		const int n_subsample = CKind::n_Subsample(r_image);
		if(!b_Restore_Plane_Row<CText, CKind>(r_image, r_state, 0, 0))
			return false;
		if(!(n_color_type & 1) && !(y % n_subsample)) {
			if(!b_Restore_Plane_Row<CText, CKind>(r_image, r_state, 1, 1) ||
			   !b_Restore_Plane_Row<CText, CKind>(r_image, r_state, 2, 1))
				return false;
			if(n_subsample > 1) {
				// this replaces computing the terms of a block in every row it spans
				const uint8_t *const p_u = r_state.p_plane[1].p_current, *const p_v = r_state.p_plane[2].p_current;
				// a sample as the one on the left has its terms already
				CRowTerms *const p_terms = r_state.p_terms;
				for(int x = 0; x < r_state.p_plane[1].n_width; ++ x) {
					if(x && p_u[x] == p_u[x - 1] && p_v[x] == p_v[x - 1]) {
						p_terms[x] = p_terms[x - 1];
						continue;
					}
					const CColor_Terms t = t_Color_Terms(p_u[x], p_v[x], (n_color_type & 4) != 0);
					const CRowTerms t_kept = {int16_t(t.n_red), int16_t(t.n_green), int16_t(t.n_blue),
						int16_t(t.n_red_up_from), int16_t(t.n_green_up_from), int16_t(t.n_blue_up_from)};
					p_terms[x] = t_kept;
				}
			}
		}
		return !(n_color_type & 2) || b_Restore_Plane_Row<CText, CKind>(r_image, r_state, r_state.n_plane_num - 1, 2);
	}

	/**
	 *	@brief tells whether each plane's cursor stopped exactly at the next
	 *		plane's entry point (at the packet's code byte, with the bytes of the
	 *		packet that the plane took, and at the text position), and the last
	 *		plane's after the last code, its last packet complete
	 */
	static bool b_Rows_Ended(const CRowImage &r_image, const CRowState &r_state)
	{
		for(int i = 0; i < r_state.n_plane_num; ++ i) {
			const CRowPlane &r_plane = r_state.p_plane[i];
			const bool b_packet_done = !r_plane.n_packet_left;
			const size_t n_bit = (b_packet_done)? n_Row_Bit_Position(r_plane) : r_plane.n_packet_bit;
			const size_t n_code = r_plane.n_packet_code + ((b_packet_done)? size_t(r_plane.n_packet_codes) : 0);
			if(i + 1 == r_state.n_plane_num)
				return b_packet_done && n_code == r_image.n_huff_stage_size;
			const CRowEntry &r_next = r_image.p_entry[i];
			// the text position: met on the way, or the group to read next, or the end of the text
			const bool b_text_ok = r_plane.b_check_passed || (n_Row_Text_Position(r_plane) == r_next.n_text &&
				(r_plane.n_next_byte == r_plane.n_check_byte || (r_plane.n_next_byte < r_plane.n_check_byte &&
				!r_plane.p_s_next)));
			if(n_bit != r_next.n_bit || n_code != r_next.n_code || !b_text_ok ||
			   ((b_packet_done)? 0 : r_plane.n_packet_length - r_plane.n_packet_left) != r_next.n_skip)
				return false;
		}
		return false; // no planes
	}

	/** The pixels of p_Decompress(): alpha << 24 | blue << 16 | green << 8 | red. */
	struct CRow_ARGB {
		typedef uint32_t TPixel;
		uint32_t n_Pixel(int r, int g, int b, int a) const
		{
			return uint32_t(a) << 24 | uint32_t(b) << 16 | uint32_t(g) << 8 | uint32_t(r);
		}
	};

	/** RGB565 pixels: (r >> 3) << 11 | (g >> 2) << 5 | b >> 3, the bytes swapped on request (as SPI panels take them). */
	struct CRow_RGB565 {
		typedef uint16_t TPixel;
		int n_swap_shift; // 8 to swap the bytes, else 0
		uint16_t n_Pixel(int r, int g, int b, int) const
		{
			// the pixel twice over, so that a shift by 8 swaps its bytes without a branch
			const uint32_t n_pixel = uint32_t(r >> 3) << 11 | uint32_t(g >> 2) << 5 | uint32_t(b >> 3);
			return uint16_t((n_pixel << 16 | n_pixel) >> n_swap_shift);
		}
	};

	/**
	 *	@brief builds a row of pixels from the planes' current rows, with the
	 *		colour terms of the decoder above, once per chroma block (or kept for
	 *		the rows a block spans)
	 */
	template <class CKind, class CPixel>
	static void Write_Row_Pixels(const CRowImage &r_image, const CRowState &r_state,
		typename CPixel::TPixel *p_dest, const CPixel &r_pixel)
	{
		const int n_width = r_image.n_width, n_subsample = CKind::n_Subsample(r_image);
		const int n_color_type = CKind::n_Color_Type(r_image);
		const bool b_lossless_color = (n_color_type & 4) != 0;
		const CPixel t_pixel = r_pixel; // a copy, which the stores of the pixels cannot alias
		const uint8_t *const p_y = r_state.p_plane[0].p_current;
		const uint8_t *const p_a = r_state.p_plane[r_state.n_plane_num - 1].p_current; // read only with alpha
		if(n_color_type & 1) {
			for(int x = 0; x < n_width; ++ x)
				p_dest[x] = t_pixel.n_Pixel(p_y[x], p_y[x], p_y[x], (n_color_type & 2)? p_a[x] : 255);
			return;
		}
		const uint8_t *const p_u = r_state.p_plane[1].p_current, *const p_v = r_state.p_plane[2].p_current;
		for(int x = 0, n_chroma_x = 0; x < n_width; ++ n_chroma_x) {
			CColor_Terms t;
			if(n_subsample > 1) {
				const CRowTerms *const p_kept = r_state.p_terms;
				const CColor_Terms t_kept = {p_kept[n_chroma_x].n_red, p_kept[n_chroma_x].n_green,
					p_kept[n_chroma_x].n_blue, p_kept[n_chroma_x].n_red_up_from, p_kept[n_chroma_x].n_green_up_from,
					p_kept[n_chroma_x].n_blue_up_from};
				t = t_kept;
			} else
				t = t_Color_Terms(p_u[n_chroma_x], p_v[n_chroma_x], b_lossless_color);
			const int n_end = (n_width - x > n_subsample)? x + n_subsample : n_width;
			if(!b_lossless_color && n_Min(t.n_red_up_from, n_Min(t.n_green_up_from, t.n_blue_up_from)) > 255) {
				// no Y of the block reaches a carry (nearly every block): the same rule
				// without the three comparisons, and with the terms left in registers
				for(; x < n_end; ++ x) {
					const int n_y = p_y[x];
					p_dest[x] = t_pixel.n_Pixel(n_Lossy_Color(n_y, t.n_red, n_never),
						n_Lossy_Color(n_y, t.n_green, n_never), n_Lossy_Color(n_y, t.n_blue, n_never),
						(n_color_type & 2)? p_a[x] : 255);
				}
				continue;
			}
			for(; x < n_end; ++ x) {
				const int n_y = p_y[x];
				int r, g, b;
				if(!b_lossless_color) {
					r = n_Lossy_Color(n_y, t.n_red, t.n_red_up_from);
					g = n_Lossy_Color(n_y, t.n_green, t.n_green_up_from);
					b = n_Lossy_Color(n_y, t.n_blue, t.n_blue_up_from);
				} else {
					r = uint8_t(n_y + t.n_red);
					g = uint8_t(n_y + t.n_green);
					b = uint8_t(n_y + t.n_blue);
				}
				p_dest[x] = t_pixel.n_Pixel(r, g, b, (n_color_type & 2)? p_a[x] : 255);
			}
		}
	}

	/** Hands each row of ARGB pixels in the work area to a sink: (*p_sink)(int n_y, const uint32_t *p_row). */
	template <class CSink>
	struct CRows_ARGB {
		CSink *p_sink;
		template <class CKind>
		void Row(const CRowImage &r_image, const CRowState &r_state, int n_y) const
		{
			Write_Row_Pixels<CKind>(r_image, r_state, r_state.p_pixels, CRow_ARGB());
			(*p_sink)(n_y, static_cast<const uint32_t*>(r_state.p_pixels));
		}
	};

	/** Hands each row of RGB565 pixels in the work area to a sink: (*p_sink)(int n_y, const uint16_t *p_row). */
	template <class CSink>
	struct CRows_RGB565 {
		CSink *p_sink;
		CRow_RGB565 t_pixel;
		template <class CKind>
		void Row(const CRowImage &r_image, const CRowState &r_state, int n_y) const
		{
			uint16_t *const p_row = reinterpret_cast<uint16_t*>(r_state.p_pixels);
			Write_Row_Pixels<CKind>(r_image, r_state, p_row, t_pixel);
			(*p_sink)(n_y, static_cast<const uint16_t*>(p_row));
		}
	};

	/** Writes the rows into the caller's buffer, n_stride_bytes apart. */
	template <class CPixel>
	struct CRows_Into {
		typename CPixel::TPixel *p_dest;
		size_t n_stride_bytes;
		CPixel t_pixel;
		template <class CKind>
		void Row(const CRowImage &r_image, const CRowState &r_state, int n_y) const
		{
			Write_Row_Pixels<CKind>(r_image, r_state, reinterpret_cast<typename CPixel::TPixel*>(
				reinterpret_cast<uint8_t*>(p_dest) + size_t(n_y) * n_stride_bytes), t_pixel);
		}
	};

	template <class CSink>
	static CRows_ARGB<CSink> t_Rows_ARGB(CSink &r_sink)
	{
		const CRows_ARGB<CSink> t_output = {&r_sink};
		return t_output;
	}

	template <class CSink>
	static CRows_RGB565<CSink> t_Rows_RGB565(CSink &r_sink, bool b_swap_bytes)
	{
		const CRows_RGB565<CSink> t_output = {&r_sink, {(b_swap_bytes)? 8 : 0}};
		return t_output;
	}

	static CRows_Into<CRow_ARGB> t_Into_ARGB(uint32_t *p_dest, size_t n_stride_bytes)
	{
		const CRows_Into<CRow_ARGB> t_output = {p_dest, n_stride_bytes, CRow_ARGB()};
		return t_output;
	}

	static CRows_Into<CRow_RGB565> t_Into_RGB565(uint16_t *p_dest, size_t n_stride_bytes, bool b_swap_bytes)
	{
		const CRows_Into<CRow_RGB565> t_output = {p_dest, n_stride_bytes, {(b_swap_bytes)? 8 : 0}};
		return t_output;
	}

	/**
	 *	@brief decodes an image a row at a time
	 *	@param[in] CText reads the text (CRowText_Base85 or CRowText_Base64)
	 *	@param[in] CKind is the image's CRowKind, or CRowKind_Any
	 *	@param[in] p_rows is the memory for the rows, n_row_words 32-bit words
	 *	@param[in] r_output takes each row of pixels (CRows_ARGB, CRows_RGB565, CRows_Into)
	 *	@return true when every row was made and every plane ended at the next
	 *		one's entry point; false for data that p_Decompress() refuses, data
	 *		whose planes do not begin at their entry points, or rows too small
	 *		(the rows handed out before are then not to be trusted)
	 */
	template <class CText, class CKind, class COutput>
	static bool b_Decode_Image_Rows(const CRowImage &r_image, CRowState &r_state, uint32_t *p_rows, size_t n_row_words,
		const COutput &r_output)
	{
		if(!b_Lay_Out_Rows(r_image, r_state, p_rows, n_row_words) || !b_Start_Row_Cursors<CText>(r_image, r_state))
			return false;
		for(int y = 0; y < r_image.n_height; ++ y) {
			if(!b_Restore_Plane_Rows<CText, CKind>(r_image, r_state))
				return false;
			r_output.template Row<CKind>(r_image, r_state, y);
		}
		return b_Rows_Ended(r_image, r_state);
	}
