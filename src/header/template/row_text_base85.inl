
	/** How the row decoder reads BASE85 text, a group at a time. */
	struct CRowText_Base85 {
		enum {
			n_group_bytes = 4 // of a whole group
		};

		/** @brief the stream offset of the group that holds the byte of a bit: a group every four bytes */
		static size_t n_Group_Byte(size_t n_bit)
		{
			return (n_bit >> 5) << 2;
		}

		/**
		 *	@brief reads the group at a cursor, as p_Decode_RLE_Huff_Base85() does:
		 *		"~" gives four zero bytes, a group of k = 5 characters (fewer at
		 *		the end) k - 1 bytes of a big-endian base-85 number padded with 84,
		 *		the digit of "~"
		 *	@param[out] r_n_byte_num is the number of bytes the group gives (0 at the end of the text)
		 *	@return the bytes, the first in the top byte
		 */
		static uint32_t n_Read_Group(CRowPlane &r_plane, const CRowImage &r_image, int &r_n_byte_num)
		{
			char p_gathered[5];
			const char *p_s;
			const int n_char_num = n_Row_Chars(r_plane, r_image, 5, '~', p_s, p_gathered);
			if(!n_char_num)
				return 0;
			const uint32_t n_first = n_Base85_Digit(p_s[0]);
			const bool b_zero_group = n_first == n_zero_group_digit;
			Skip_Row_Chars(r_plane, r_image, (b_zero_group)? 1 : n_char_num);
			r_n_byte_num = (b_zero_group)? 4 : n_char_num - 1;
			if(b_zero_group)
				return 0;
			uint32_t n_value = n_first;
			for(int i = 1; i < 5; ++ i) // a loop: less code than the formula written out, for a few more instructions
				n_value = n_value * 85 + n_Base85_Digit(p_s[i]);
			return n_value;
		}
	};
