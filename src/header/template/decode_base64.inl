	/**
	 *	@brief gets the value of a BASE64 character
	 *	@param[in] n_char is a character of the text
	 *	@return Returns 0-25 for "A"-"Z", 26-51 for "a"-"z", 52-61 for "0"-"9",
	 *		62 for "+" and 63 for any other character.
	 */
	static uint32_t n_Base64_Value(char n_char)
	{
		if(n_char >= 'A' && n_char <= 'Z')
			return uint32_t(n_char - 'A');
		if(n_char >= 'a' && n_char <= 'z')
			return uint32_t(n_char - 'a' + 26);
		if(n_char >= '0' && n_char <= '9')
			return uint32_t(n_char - '0' + 52);
		return (n_char == '+')? 62 : 63;
	}

	/**
	 *	@brief decompresses the image
	 *	@param[in] p_s_base64 is null-terminated string with the BASE64 encoded compressed data
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
	static uint32_t *p_Decode_RLE_Huff_Base64(const char *p_s_base64, int n_image_width,
		int n_image_height, size_t n_huff_stage_size, int n_predictor_y, int n_predictor_uv,
		int n_predictor_a, int n_subsample, int n_color_type)
	{
		// four characters give three bytes; a tail of k characters gives k - 1 bytes
		// (a single leftover character is ignored)
		const size_t n_length = strlen(p_s_base64);
		const size_t n_text_size = (n_length / 4) * 3 + ((n_length % 4 > 1)? n_length % 4 - 1 : 0);

		uint8_t *p_text;
		uint32_t *p_image;
		uint8_t *p_data = p_Alloc_DecodeBuffers(n_text_size, n_image_width, n_image_height,
			n_huff_stage_size, n_predictor_y, n_predictor_uv, n_predictor_a, n_subsample,
			n_color_type, p_text, p_image);
		if(!p_data)
			return nullptr;

		uint8_t *p_dest = p_text;
		const char *p_s = p_s_base64;
		for(const char *p_end = p_s + (n_length - n_length % 4); p_s != p_end; p_s += 4) {
			uint32_t n_value = n_Base64_Value(p_s[0]) << 18 | n_Base64_Value(p_s[1]) << 12 |
				n_Base64_Value(p_s[2]) << 6 | n_Base64_Value(p_s[3]);
			*p_dest ++ = uint8_t(n_value >> 16);
			*p_dest ++ = uint8_t(n_value >> 8);
			*p_dest ++ = uint8_t(n_value);
		}
		if(n_length % 4 > 1) {
			uint32_t n_value = n_Base64_Value(p_s[0]) << 18 | n_Base64_Value(p_s[1]) << 12 |
				((n_length % 4 == 3)? n_Base64_Value(p_s[2]) << 6 : 0);
			*p_dest ++ = uint8_t(n_value >> 16);
			if(n_length % 4 == 3)
				*p_dest ++ = uint8_t(n_value >> 8);
		}

		return p_Decode_Huff_RLE_Planes(p_data, p_text, n_text_size, p_image,
			n_image_width, n_image_height, n_huff_stage_size, n_predictor_y, n_predictor_uv,
			n_predictor_a, n_subsample, n_color_type);
	}

