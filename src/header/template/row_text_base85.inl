
	/** How the row decoder reads BASE85 text, a group at a time. */
	struct CRowText_Base85 {
		/** @brief the stream offset of the group that holds the byte of a bit: a group every four bytes */
		static size_t n_Group_Byte(uint64_t n_bit)
		{
			return size_t(n_bit >> 5) << 2;
		}

		/**
		 *	@brief reads the group at a cursor, as p_Decode_RLE_Huff_Base85() does:
		 *		"~" gives four zero bytes, a group of k = 5 characters (fewer at
		 *		the end) k - 1 bytes of a big-endian base-85 number padded with 84
		 *	@param[out] r_n_byte_num is the number of bytes the group gives (0 at the end of the text)
		 *	@return the bytes, the first in the top byte
		 */
		static uint32_t n_Read_Group(CRowPlane &r_plane, const CRowImage &r_image, int &r_n_byte_num)
		{
			char p_gathered[5];
			const char *p_s;
			const int n_char_num = n_Row_Chars(r_plane, r_image, 5, p_s, p_gathered);
			if(!n_char_num)
				return 0;
			uint32_t n_value = n_Base85_Digit(p_s[0]);
			if(n_value == n_zero_group_digit) {
				Skip_Row_Chars(r_plane, r_image, 1);
				r_n_byte_num = 4;
				return 0;
			}
			for(int i = 1; i < 5; ++ i)
				n_value = n_value * 85 + ((i < n_char_num)? n_Base85_Digit(p_s[i]) : uint32_t(n_zero_group_digit));
			Skip_Row_Chars(r_plane, r_image, n_char_num);
			r_n_byte_num = n_char_num - 1;
			return n_value;
		}
	};
