	enum {
		n_zero_group_digit = 84 // the digit of "~", which alone stands for four zero bytes
	};

	/**
	 *	@brief gets the value of a BASE85 digit
	 *	@param[in] n_char is a character of the text
	 *	@return Returns the digit value of the character ("0"-"9" = 0-9, "A"-"Z" = 10-35,
	 *		"a"-"z" = 36-61, "!#$%&()*+-;<=>.@^_,{|}~" = 62-84), 0 for any other character.
	 *	@note The table replaces finding the character in the alphabet.
	 */
	static uint32_t n_Base85_Digit(char n_char)
	{
		static const uint8_t p_digit[256] = {
			0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
			0, 62, 0, 63, 64, 65, 66, 0, 67, 68, 69, 70, 80, 71, 76, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 72, 73, 74, 75, 0,
			77, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32, 33, 34, 35, 0, 0, 0, 78, 79,
			0, 36, 37, 38, 39, 40, 41, 42, 43, 44, 45, 46, 47, 48, 49, 50, 51, 52, 53, 54, 55, 56, 57, 58, 59, 60, 61, 81, 82, 83, 84, 0,
			0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
			0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
			0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
			0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0
		};
		return p_digit[uint8_t(n_char)];
	}

	/**
	 *	@brief decompresses the image
	 *	@param[in] p_s_base85 is null-terminated string with the BASE85 encoded compressed data
	 *	@param[in] n_image_width is image width, in pixels
	 *	@param[in] n_image_height is image height, in pixels
	 *	@param[in] n_huff_stage_size size of the compressed data before Huffman encoding
	 *	@param[in] n_predictor_y is predictor type for the luminance plane
	 *	@param[in] n_predictor_uv is predictor type for the chrominance plane
	 *	@param[in] n_predictor_a is predictor type for the alpha plane
	 *	@param[in] n_subsample is number of chrominance samples per 
	 *		n_subsample x n_subsample block of pixels (one)
	 *	@param[in] n_color_type is color type bitmask (if the first bit is set the image is
	 *		grayscale, if the second bit is set the image has alpha channel, if the third
	 *		bit is set, lossless compression was employed)
	 *	@return Returns pointer to the image (ARGB32, to be freed with delete[]),
	 *		or 0 on failure (not enough memory or malformed data).
	 */
	static uint32_t *p_Decode_RLE_Huff_Base85(const char *p_s_base85, int n_image_width,
		int n_image_height, size_t n_huff_stage_size, int n_predictor_y, int n_predictor_uv,
		int n_predictor_a, int n_subsample, int n_color_type)
	{
		// a group of k characters gives k - 1 bytes and a "~" four zero bytes, so the text
		// takes at most a byte per character and three more per "~"; that bound replaces
		// walking the groups to count the bytes exactly
		const size_t n_length = strlen(p_s_base85);
		// the "~" are counted a word at a time, which replaces a test per character: the
		// bytes of the word xor "~~~~" are zero exactly at the "~"; with the top bit of
		// each byte cleared first, adding 0x7f sets it in every byte that is not zero,
		// and the flags left where none is set are summed up in the top byte by a
		// multiplication
		const uint8_t *const p_chars = reinterpret_cast<const uint8_t*>(p_s_base85);
		const size_t n_ones = size_t(-1) / 255, n_low7 = n_ones * 0x7f;
		size_t n_tilde_num = 0, n_counted = 0;
		for(; n_length - n_counted >= sizeof(size_t); n_counted += sizeof(size_t)) {
			const size_t n_xor = n_BigEndian_Word(p_chars + n_counted) ^ (n_ones * '~');
			const size_t n_zero_flags = ~(((n_xor & n_low7) + n_low7) | n_xor | n_low7);
			n_tilde_num += ((n_zero_flags >> 7) * n_ones) >> (sizeof(size_t) * 8 - 8);
		}
		for(; n_counted < n_length; ++ n_counted)
			n_tilde_num += (p_chars[n_counted] == '~')? 1 : 0;

		uint8_t *p_text;
		uint32_t *p_image;
		uint8_t *p_data = p_Alloc_DecodeBuffers(n_length + 3 * n_tilde_num, n_image_width, n_image_height,
			n_huff_stage_size, n_predictor_y, n_predictor_uv, n_predictor_a, n_subsample,
			n_color_type, p_text, p_image);
		if(!p_data)
			return nullptr;

		// a group is a big-endian base-85 number, taken modulo 2^32; a short group is
		// padded with the digit 84
		uint8_t *p_dest = p_text;
		const char *p_s = p_s_base85, *const p_s_end = p_s_base85 + n_length;
		while(p_s_end - p_s >= 5) { // whole groups, which skip the padding of a short group
			const uint32_t n_first = n_Base85_Digit(p_s[0]);
			if(n_first == n_zero_group_digit) {
				for(int i = 0; i < 4; ++ i)
					*p_dest ++ = 0;
				++ p_s;
				continue;
			}
			const uint32_t n_value = (((n_first * 85 + n_Base85_Digit(p_s[1])) * 85 +
				n_Base85_Digit(p_s[2])) * 85 + n_Base85_Digit(p_s[3])) * 85 + n_Base85_Digit(p_s[4]);
			p_dest[0] = uint8_t(n_value >> 24);
			p_dest[1] = uint8_t(n_value >> 16);
			p_dest[2] = uint8_t(n_value >> 8);
			p_dest[3] = uint8_t(n_value);
			p_dest += 4;
			p_s += 5;
		}
		while(p_s != p_s_end) { // the last characters: zero groups and a short group
			uint32_t n_value = n_Base85_Digit(*p_s);
			if(n_value == n_zero_group_digit) {
				for(int i = 0; i < 4; ++ i)
					*p_dest ++ = 0;
				++ p_s;
				continue;
			}
			const size_t n_group = (p_s_end - p_s < 5)? size_t(p_s_end - p_s) : 5;
			for(size_t i = 1; i < n_group; ++ i)
				n_value = n_value * 85 + n_Base85_Digit(p_s[i]);
			for(size_t i = n_group; i < 5; ++ i)
				n_value = n_value * 85 + 84;
			for(size_t i = 1; i < n_group; ++ i, n_value <<= 8)
				*p_dest ++ = uint8_t(n_value >> 24);
			p_s += n_group;
		}
		const size_t n_text_size = size_t(p_dest - p_text);

		return p_Decode_Huff_RLE_Planes(p_data, p_text, n_text_size, p_image,
			n_image_width, n_image_height, n_huff_stage_size, n_predictor_y, n_predictor_uv,
			n_predictor_a, n_subsample, n_color_type);
	}

