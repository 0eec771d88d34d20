
	/** How the row decoder reads BASE64 text, a group at a time. */
	struct CRowText_Base64 {
		enum {
			n_group_bytes = 3 // of a whole group
		};

		/** @brief the stream offset of the group that holds the byte of a bit: a group every three bytes */
		static size_t n_Group_Byte(size_t n_bit)
		{
			const size_t n_byte = n_bit >> 3;
			return n_byte - n_byte % 3;
		}

		/**
		 *	@brief reads the group at a cursor, as p_Decode_RLE_Huff_Base64() does:
		 *		k = 4 characters (fewer at the end) of 6 bits give k - 1 bytes
		 *	@param[out] r_n_byte_num is the number of bytes the group gives (0 at the end of the text)
		 *	@return the bytes, the first in the top byte
		 */
		static uint32_t n_Read_Group(CRowPlane &r_plane, const CRowImage &r_image, int &r_n_byte_num)
		{
			char p_gathered[4];
			const char *p_s;
			const int n_char_num = n_Row_Chars(r_plane, r_image, 4, 'A', p_s, p_gathered); // "A" is 0
			Skip_Row_Chars(r_plane, r_image, n_char_num);
			r_n_byte_num = (n_char_num > 1)? n_char_num - 1 : 0;
			return (n_Base64_Value(p_s[0]) << 18 | n_Base64_Value(p_s[1]) << 12 | n_Base64_Value(p_s[2]) << 6 |
				n_Base64_Value(p_s[3])) << 8;
		}
	};
