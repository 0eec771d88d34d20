	/**
	 *	@brief the smaller of two numbers (named so that no min macro of the includer can touch it)
	 */
	static inline int n_Min(int n_a, int n_b)
	{
		return (n_a < n_b)? n_a : n_b;
	}

	/**
	 *	@brief the larger of two numbers (named so that no max macro of the includer can touch it)
	 */
	static inline int n_Max(int n_a, int n_b)
	{
		return (n_a > n_b)? n_a : n_b;
	}

	/**
	 *	@brief reads a word of the size of size_t
	 *	@param[in] p_bytes is the first of sizeof(size_t) bytes
	 *	@return Returns the bytes as a big-endian number (which compilers read with one load).
	 *	@note Words replace single bytes where the decoder reads or writes many at a time.
	 */
	static inline size_t n_BigEndian_Word(const uint8_t *p_bytes)
	{
		size_t n_word = 0;
		for(int i = 0; i < int(sizeof(size_t)); i += 4) {
			n_word = (n_word << 16 << 16) | (uint32_t(p_bytes[i]) << 24 |
				uint32_t(p_bytes[i + 1]) << 16 | uint32_t(p_bytes[i + 2]) << 8 | p_bytes[i + 3]);
		}
		return n_word;
	}

	/**
	 *	@brief writes a word of the size of size_t
	 *	@param[out] p_bytes is the first of sizeof(size_t) bytes
	 *	@param[in] n_word is the word, written as a big-endian number (with one store)
	 */
	static inline void Write_BigEndian_Word(uint8_t *p_bytes, size_t n_word)
	{
		for(int i = 0; i < int(sizeof(size_t)); i += 4) {
			const uint32_t n_part = uint32_t(n_word >> (8 * (int(sizeof(size_t)) - 4 - i)));
			p_bytes[i] = uint8_t(n_part >> 24);
			p_bytes[i + 1] = uint8_t(n_part >> 16);
			p_bytes[i + 2] = uint8_t(n_part >> 8);
			p_bytes[i + 3] = uint8_t(n_part);
		}
	}

	/**
	 *	@brief calculates size of the plane block (the image planes before prediction is undone)
	 *	@param[in] n_image_width is image width, in pixels (positive)
	 *	@param[in] n_image_height is image height, in pixels (positive)
	 *	@param[in] n_subsample is chroma subsampling factor (positive)
	 *	@param[in] n_color_type is color type bitmask
	 *	@return Returns size of the Y, U, V and A planes together, in bytes.
	 */
	static inline constexpr size_t n_Plane_Block_Size(int n_image_width, int n_image_height, int n_subsample,
		int n_color_type)
	{
		// Y and A of W x H, U and V of ceil(W / s) x ceil(H / s)
		return size_t(n_image_width) * size_t(n_image_height) * ((n_color_type & 2)? 2 : 1) + ((n_color_type & 1)? 0 :
			2 * size_t((n_image_width - 1) / n_subsample + 1) * size_t((n_image_height - 1) / n_subsample + 1));
	}

	/**
	 *	@brief validates the decoding parameters and allocates the buffers of the decoder
	 *	@param[in] n_text_size is size of the decoded text, in bytes (an upper bound suffices)
	 *	@param[in] n_image_width is image width, in pixels
	 *	@param[in] n_image_height is image height, in pixels
	 *	@param[in] n_huff_stage_size size of the compressed data before Huffman encoding
	 *	@param[in] n_predictor_y is predictor type for the luminance plane
	 *	@param[in] n_predictor_uv is predictor type for the chrominance plane
	 *	@param[in] n_predictor_a is predictor type for the alpha plane
	 *	@param[in] n_subsample is chroma subsampling factor
	 *	@param[in] n_color_type is color type bitmask
	 *	@param[out] r_p_text is where the decoded text goes
	 *	@param[out] r_p_image is the image (n_image_width * n_image_height pixels)
	 *	@return Returns the work area that holds the image planes (and the text when
	 *		it does not fit the image), or 0 if the parameters are out of range or
	 *		there is not enough memory.
	 *	@note The text is read up before the first pixel is written, so it can
	 *		share the memory of the image; that replaces a buffer of its own and
	 *		saves the memory it would take.
	 */
	static uint8_t *p_Alloc_DecodeBuffers(size_t n_text_size, int n_image_width, int n_image_height,
		size_t n_huff_stage_size, int n_predictor_y, int n_predictor_uv, int n_predictor_a,
		int n_subsample, int n_color_type, uint8_t *&r_p_text, uint32_t *&r_p_image)
	{
		// pixel indices must fit an int and every byte count a size_t
		if(n_image_width <= 0 || n_image_height <= 0 || n_subsample <= 0 ||
		   n_image_width > 0x7fffffff / n_image_height ||
		   size_t(n_image_width) > size_t(-1) / 16 / size_t(n_image_height))
			return nullptr;
		if(!b_Known_Predictor(n_predictor_y) || !b_Known_Predictor(n_predictor_uv) || !b_Known_Predictor(n_predictor_a))
			return nullptr;
		const size_t n_image_data_size = n_Plane_Block_Size(n_image_width, n_image_height, n_subsample, n_color_type);
		const size_t n_pixel_num = size_t(n_image_width) * size_t(n_image_height);
		const bool b_text_in_image = n_text_size <= n_pixel_num * sizeof(uint32_t);
		// a run-length packet takes at most two bytes per byte it stands for, and at
		// least one per 64 (a run of 128 bytes takes two): packets too many or too
		// few for the planes are refused before the memory for them is taken
		const size_t n_most_per_byte = CHuffReader::n_max_packet / 2;
		if(n_huff_stage_size > 2 * n_image_data_size ||
		   n_huff_stage_size < (n_image_data_size + n_most_per_byte - 1) / n_most_per_byte ||
		   n_text_size > size_t(-1) - n_image_data_size - 16)
			return nullptr;
		// the planes are followed by 16 spare bytes, which the run-length stage may write
		// and the colour stage reads, and the image by n_color_block spare pixels, which
		// the colour stage writes (it rebuilds whole blocks of pixels)
		uint8_t *p_data;
		if(!(p_data = new(std::nothrow) uint8_t[n_image_data_size + 16 + ((b_text_in_image)? 0 : n_text_size)]))
			return nullptr;
		for(int i = 0; i < 16; ++ i)
			p_data[n_image_data_size + size_t(i)] = 0;
		if(!(r_p_image = new(std::nothrow) uint32_t[n_pixel_num + n_color_block])) {
			delete[] p_data;
			return nullptr;
		}
		r_p_text = (b_text_in_image)? reinterpret_cast<uint8_t*>(r_p_image) : p_data + n_image_data_size + 16;
		return p_data;
	}

	/** The code tables of the Huffman stage and where its code bits are. */
	struct CHuffReader {
		enum {
			n_max_code_bits = 16, // the longest code; the stream opens with a count per length
			n_count_table_size = 4 * n_max_code_bits, // bytes of the counts
			n_max_packet = 128, // the most bytes a run-length packet stands for
			n_chunk_size = 2048 // codes decoded at a time
		};
		// per code length i + 1: the first code, the end of the codes, and the offset
		// from a code to its symbol; the first code of a length is twice the end of
		// the previous length. Reading one bit at a time and looking for the first
		// length whose codes hold the bits read so far would decode the codes; the
		// look-up tables below replace that for all but the longest codes.
		int32_t p_min_code[n_max_code_bits], p_max_code[n_max_code_bits], p_table_off[n_max_code_bits];
		const uint8_t *p_symbol; // the symbols in code order
		// codes of up to 12 bits are found by a look-up of the next 12 bits: p_single
		// gives the code's length << 8 | its symbol, or 0 where the code is longer;
		// p_multi gives all the symbols (up to four) that the same 12 bits hold
		// completely, the first in the lowest byte, and p_multi_size the number of
		// those symbols << 4 | the bits they take, or 0 where the code is longer
		uint32_t *p_single, *p_multi;
		uint8_t *p_multi_size;
		uint8_t *p_chunk; // room for the decoded codes of a chunk and a cut packet
		const uint8_t *p_bits, *p_bits_end; // the code bits
	};

	/**
	 *	@brief reads the code tables of the Huffman stage
	 *	@param[out] r_reader is the decoder state (its tables are allocated; free p_single)
	 *	@param[in] p_stream is the compressed stream (16 code counts, the symbols, the codes)
	 *	@param[in] n_stream_size is size of the compressed stream, in bytes
	 *	@return Returns true on success, false if the counts are malformed or there is not enough memory.
	 */
	static bool b_Init_HuffReader(CHuffReader &r_reader, const uint8_t *p_stream, size_t n_stream_size)
	{
		if(n_stream_size < CHuffReader::n_count_table_size)
			return false;
		int32_t n_code = 0, n_symbol_num = 0;
		for(int i = 0; i < CHuffReader::n_max_code_bits; ++ i, n_code *= 2) {
			const uint8_t *p_count = p_stream + 4 * i;
			int32_t n_count = int32_t(uint32_t(p_count[0]) | uint32_t(p_count[1]) << 8 |
				uint32_t(p_count[2]) << 16 | uint32_t(p_count[3]) << 24);
			if(n_count < 0 || n_count > 256 - n_symbol_num)
				return false; // there are only 256 byte values
			r_reader.p_min_code[i] = n_code;
			r_reader.p_table_off[i] = n_symbol_num - n_code;
			n_code += n_count;
			r_reader.p_max_code[i] = n_code;
			n_symbol_num += n_count;
		}
		if(size_t(n_symbol_num) > n_stream_size - CHuffReader::n_count_table_size)
			return false;
		r_reader.p_symbol = p_stream + CHuffReader::n_count_table_size;
		r_reader.p_bits = r_reader.p_symbol + n_symbol_num;
		r_reader.p_bits_end = p_stream + n_stream_size;

		// the tables live on the heap, which small stacks of embedded targets prefer
		const int n_lookup_bits = 12, n_lookup_size = 1 << n_lookup_bits;
		// the chunk buffer holds a chunk of codes behind up to 128 bytes of a cut packet,
		// and 16 spare bytes, which the packets are read up to (set, so that they are
		// never read undefined)
		const int n_chunk_words = (CHuffReader::n_chunk_size + CHuffReader::n_max_packet + 16) / 4;
		if(!(r_reader.p_single = new(std::nothrow) uint32_t[2 * n_lookup_size + n_lookup_size / 4 + n_chunk_words]))
			return false;
		uint32_t *p_single = r_reader.p_single, *p_multi = r_reader.p_multi = p_single + n_lookup_size;
		uint8_t *p_multi_size = r_reader.p_multi_size = reinterpret_cast<uint8_t*>(p_multi + n_lookup_size);
		r_reader.p_chunk = p_multi_size + n_lookup_size;
		for(int j = 0; j < 4 * n_chunk_words; ++ j)
			r_reader.p_chunk[j] = 0;
		for(int j = 0; j < n_lookup_size; ++ j)
			p_single[j] = 0;
		for(int i = 0; i < n_lookup_bits; ++ i) {
			const int n_shift = n_lookup_bits - 1 - i;
			for(int32_t c = r_reader.p_min_code[i]; c < r_reader.p_max_code[i] && c < (2 << i); ++ c) {
				const uint32_t n_entry = uint32_t(i + 1) << 8 | r_reader.p_symbol[c + r_reader.p_table_off[i]];
				for(int32_t j = c << n_shift, n_end = (c + 1) << n_shift; j < n_end; ++ j) {
					if(!p_single[j])
						p_single[j] = n_entry; // a shorter code takes precedence
				}
			}
		}
		for(int j = 0; j < n_lookup_size; ++ j) {
			// the codes that follow the first one are looked up in the bits behind it
			uint32_t n_symbols = 0, n_count = 0, n_length = 0;
			for(; n_count < 4; ++ n_count) {
				const uint32_t n_next = p_single[(j << n_length) & (n_lookup_size - 1)];
				if(!n_next || n_length + (n_next >> 8) > uint32_t(n_lookup_bits))
					break;
				n_length += n_next >> 8;
				n_symbols |= (n_next & 0xff) << (8 * n_count);
			}
			p_multi[j] = n_symbols;
			p_multi_size[j] = uint8_t(n_count << 4 | n_length);
		}
		return true;
	}

	/**
	 *	@brief decodes Huffman codes; replaces reading one bit at a time and matching
	 *		the bits read so far against the first and end codes of each length:
	 *		the bits are taken a word at a time, and a look-up of the next 12 bits
	 *		gives all the codes that they hold
	 *	@param[in] r_reader is the code tables
	 *	@param[in,out] r_p_bits is the next byte of the code bits not yet in the buffer
	 *	@param[in,out] r_n_bit_buffer is the next bits, the first one in the most significant bit
	 *	@param[in,out] r_n_bit_num is the number of valid bits in the buffer
	 *	@param[out] p_dest is destination for the decoded bytes (three more bytes are written)
	 *	@param[in] n_dest_size is number of bytes to decode
	 *	@return Returns true on success, false if no code matches the bits.
	 */
	static bool b_Read_Huff(const CHuffReader &r_reader, const uint8_t *&r_p_bits,
		size_t &r_n_bit_buffer, int &r_n_bit_num, uint8_t *p_dest, size_t n_dest_size)
	{
		// the bit reader is kept in locals, which the byte stores cannot alias, so that
		// the compiler keeps it in registers
		const int n_lookup_bits = 12, n_buffer_bits = int(sizeof(size_t)) * 8;
		// a word refill leaves at least n_buffer_bits - 7 bits, enough for this many look-ups
		const int n_group = (n_buffer_bits - 7) / n_lookup_bits;
		const uint32_t *const p_single = r_reader.p_single, *const p_multi = r_reader.p_multi;
		const uint8_t *const p_multi_size = r_reader.p_multi_size;
		const uint8_t *p_bits = r_p_bits, *const p_bits_end = r_reader.p_bits_end;
		size_t n_bit_buffer = r_n_bit_buffer;
		int n_bit_num = r_n_bit_num;
		uint8_t *const p_end = p_dest + n_dest_size;
		while(p_dest != p_end) {
			if(size_t(p_bits_end - p_bits) >= sizeof(size_t)) {
				// whole bytes are taken into the buffer; the bits of the word behind
				// them are taken again by the next refill, which leaves them as they are
				n_bit_buffer |= n_BigEndian_Word(p_bits) >> n_bit_num;
				p_bits += (n_buffer_bits - 1 - n_bit_num) >> 3;
				n_bit_num |= n_buffer_bits - 8;
			} else if(n_bit_num < CHuffReader::n_max_code_bits) { // near the end, a byte at a time; zeros past the end
				for(; n_bit_num <= n_buffer_bits - 8; n_bit_num += 8)
					n_bit_buffer |= size_t((p_bits != p_bits_end)? *p_bits ++ : 0) << (n_buffer_bits - 8 - n_bit_num);
			}
			// up to four symbols per look-up, a group of look-ups per refill where the
			// bits allow; each look-up writes four bytes, those behind the symbols it
			// holds are overwritten by the next ones
			const int n_lookup_num = (n_bit_num >= n_group * n_lookup_bits)? n_group : 1;
			int n_lookup = 0;
			for(; n_lookup < n_lookup_num; ++ n_lookup) {
				const size_t n_peek = n_bit_buffer >> (n_buffer_bits - n_lookup_bits);
				const uint32_t n_size = p_multi_size[n_peek], n_symbols = p_multi[n_peek];
				if(!n_size || (n_size >> 4) > size_t(p_end - p_dest))
					break; // a longer code, or more symbols than are left
				p_dest[0] = uint8_t(n_symbols);
				p_dest[1] = uint8_t(n_symbols >> 8);
				p_dest[2] = uint8_t(n_symbols >> 16);
				p_dest[3] = uint8_t(n_symbols >> 24);
				p_dest += n_size >> 4;
				n_bit_buffer <<= n_size & 15;
				n_bit_num -= int(n_size & 15);
			}
			if(n_lookup == n_lookup_num || n_bit_num < CHuffReader::n_max_code_bits || p_dest == p_end)
				continue; // done, or the single code is read after a refill
			// a single code of up to 16 bits: only codes longer than the look-up are
			// still matched against the tables of first and end codes, a length at a time
			uint32_t n_entry = p_single[n_bit_buffer >> (n_buffer_bits - n_lookup_bits)];
			for(int i = n_lookup_bits; !n_entry && i < CHuffReader::n_max_code_bits; ++ i) {
				const int32_t n_long_code = int32_t(n_bit_buffer >> (n_buffer_bits - 1 - i));
				if(n_long_code >= r_reader.p_min_code[i] && n_long_code < r_reader.p_max_code[i])
					n_entry = uint32_t(i + 1) << 8 | r_reader.p_symbol[n_long_code + r_reader.p_table_off[i]];
			}
			if(!n_entry)
				return false; // no code of up to 16 bits matches
			*p_dest ++ = uint8_t(n_entry);
			n_bit_buffer <<= n_entry >> 8;
			n_bit_num -= int(n_entry >> 8);
		}
		r_p_bits = p_bits;
		r_n_bit_buffer = n_bit_buffer;
		r_n_bit_num = n_bit_num;
		return true;
	}

	/**
	 *	@brief decodes the Huffman codes of the run-length packets and expands the packets:
	 *		a code byte c, then one byte repeated (c >> 1) + 1 times if c is odd, or
	 *		(c >> 1) + 1 bytes copied if c is even
	 *	@param[in] p_stream is the compressed stream (16 code counts, the symbols, the codes)
	 *	@param[in] n_stream_size is size of the compressed stream, in bytes
	 *	@param[in] n_code_num is the number of codes, the size of the run-length data
	 *	@param[out] p_dest is destination for the expanded data (followed by 16 spare bytes)
	 *	@param[in] n_dest_size is size of the expanded data, in bytes
	 *	@return Returns true on success, false if the stream is malformed or there is not enough memory.
	 */
	static bool b_Decode_Huff_RLE(const uint8_t *p_stream, size_t n_stream_size, size_t n_code_num,
		uint8_t *p_dest, size_t n_dest_size)
	{
		CHuffReader t_reader;
		if(!b_Init_HuffReader(t_reader, p_stream, n_stream_size))
			return false;
		// this replaces decoding all the codes into the run-length stream, then
		// expanding its packets: the codes are decoded a chunk at a time into a small
		// buffer that stays in the cache, and the whole packets in it are expanded; a
		// packet cut by the end of the chunk is moved to the start of the buffer, in
		// front of the next chunk
		const size_t n_chunk_size = CHuffReader::n_chunk_size;
		uint8_t *const p_chunk = t_reader.p_chunk;
		const uint8_t *p_bits = t_reader.p_bits;
		size_t n_bit_buffer = 0;
		int n_bit_num = 0;
		uint8_t *const p_end = p_dest + n_dest_size;
		size_t n_kept = 0; // bytes of a cut packet at the start of the buffer
		bool b_result = true;
		while(b_result && (n_code_num || n_kept)) {
			const size_t n_decode = (n_code_num < n_chunk_size)? n_code_num : n_chunk_size;
			if(!n_decode || !(b_result = b_Read_Huff(t_reader, p_bits, n_bit_buffer, n_bit_num,
			   p_chunk + n_kept, n_decode))) {
				b_result = false; // a packet runs past the codes, or the bits are malformed
				break;
			}
			n_code_num -= n_decode;
			const uint8_t *p_packet = p_chunk, *const p_chunk_end = p_chunk + n_kept + n_decode;
			while(p_packet != p_chunk_end) {
				const size_t n_run = *p_packet & 1, n_length = size_t(*p_packet >> 1) + 1;
				const size_t n_packet_size = 1 + n_length - (n_length - 1) * n_run; // 2 for a run
				if(n_packet_size > size_t(p_chunk_end - p_packet))
					break; // continues in the next chunk
				if(n_length > size_t(p_end - p_dest)) {
					b_result = false; // the packet runs past the image
					break;
				}
				// this replaces expanding one packet a byte at a time: the packet is written
				// in blocks of 16 bytes, which may reach 15 bytes past it, into bytes that the
				// next packets overwrite or the spare bytes; whether a block repeats the byte
				// of a run or copies literal bytes is chosen without a branch, since the kind
				// of the next packet is hard to predict
				const size_t n_run_mask = size_t(0) - n_run;
				const size_t n_fill = (size_t(p_packet[1]) * (size_t(-1) / 255)) & n_run_mask;
				const size_t n_source_step = 16 & ~n_run_mask; // a run keeps reading its byte
				const uint8_t *p_source = p_packet + 1;
				for(size_t n_done = 0; n_done < n_length; n_done += 16, p_source += n_source_step) {
					for(int i = 0; i < 16; i += int(sizeof(size_t))) {
						Write_BigEndian_Word(p_dest + n_done + i, n_fill |
							(n_BigEndian_Word(p_source + i) & ~n_run_mask));
					}
				}
				p_dest += n_length;
				p_packet += n_packet_size;
			}
			n_kept = size_t(p_chunk_end - p_packet);
			for(size_t i = 0; i < n_kept; ++ i)
				p_chunk[i] = p_packet[i];
		}
		delete[] t_reader.p_single;
		return b_result && p_dest == p_end;
	}

	/*
	 *	Every pixel of a chroma block is its own Y plus one term per colour that
	 *	the block's U and V give, computed once per block. Lossless colour undoes
	 *	the lifting transform modulo 256: with u and v the chroma as signed bytes,
	 *	G = Y - (u >> 1), R = G + u - (v >> 1) and B = R + v. Lossy colour is
	 *	defined with single-precision constants, u = U - 128 and v = V - 128:
	 *	R = Y + 1.402 v, G = Y - 0.34414 u - 0.71414 v, B = Y + 1.772 u, each sum
	 *	formed exactly, rounded once to single precision, then 0 or less gives 0,
	 *	above 255 gives 255 and anything else is truncated. The terms below give
	 *	exactly those bytes in integers.
	 */
	enum {
		// the single-precision constants of the lossy colours, exactly, in units of 2^-25
		n_red_per_v = 47043312, // 1.402
		n_green_per_u = -11547422, // -0.34414
		n_green_per_v = -23962562, // -0.71414
		n_blue_per_u = 59458452, // 1.772
		n_term_fraction_bits = 25
	};

	enum {
		n_color_block = 16, // pixels rebuilt at a time, which compilers turn into vector code
		n_never = 256 // a Y from which a lossy colour is one more that no Y reaches
	};

	/** The terms of one chroma sample, which every pixel of its block adds to its Y. */
	struct CColor_Terms {
		int n_red, n_green, n_blue;
		// lossy: from this Y on, the rounding lifts the colour one more (never, mostly)
		int n_red_up_from, n_green_up_from, n_blue_up_from;
	};

	/**
	 *	@brief a lossy colour of a pixel
	 *	@param[in] n_y is the pixel's Y
	 *	@param[in] n_term and n_up_from are the colour's term in CColor_Terms
	 *	@return Returns Y plus the term, one more from n_up_from on, 0 for values of
	 *		0 or less and 255 for those above 255.
	 */
	static inline uint8_t n_Lossy_Color(int n_y, int n_term, int n_up_from)
	{
		// the sum lies in -228 to 483, so 16 bits hold it: that replaces int, so
		// that vector code works on twice as many pixels at a time
		const int16_t n_value = int16_t(n_y + n_term + ((n_y >= n_up_from)? 1 : 0));
		const int16_t n_above_zero = (n_value < 0)? int16_t(0) : n_value;
		return uint8_t((n_above_zero > 255)? 255 : n_above_zero);
	}

	/**
	 *	@brief makes the term of a lossy colour from its exact value
	 *	@param[in] n_sum is the term t in units of 2^-25 (the constants times u and v)
	 *	@param[out] r_n_term is floor(t), which Y + t truncates to
	 *	@param[out] r_n_up_from is the Y from which rounding Y + t to single precision
	 *		gives the next integer: where ceil(t) - t = d 2^-25 is at most half a step
	 *		of the sum, 2^-24 of its power of two, that is from a sum whose integer part
	 *		is half the smallest power of two not below d on; byte values never reach
	 *		that for d above 2^9
	 */
	static inline void Make_Lossy_Term(int64_t n_sum, int &r_n_term, int &r_n_up_from)
	{
		const uint32_t n_one = uint32_t(1) << n_term_fraction_bits;
		r_n_term = int(n_sum >> n_term_fraction_bits); // floor: the shift is arithmetic
		// the fraction is in the low bits, whatever the sign (two's complement)
		const uint32_t n_to_next = n_one - (uint32_t(n_sum) & (n_one - 1));
		int n_from = 512;
		if(n_to_next <= uint32_t(n_from)) {
			for(n_from = 1; uint32_t(n_from) < n_to_next; n_from <<= 1)
				;
			n_from >>= 1;
		}
		r_n_up_from = n_from - r_n_term;
	}

	/**
	 *	@brief computes the terms of a chroma sample
	 *	@param[in] n_u is the U sample
	 *	@param[in] n_v is the V sample
	 *	@param[in] b_lossless_color chooses the lifting transform instead of the lossy colours
	 */
	static inline CColor_Terms t_Color_Terms(int n_u, int n_v, bool b_lossless_color)
	{
		CColor_Terms t_terms;
		if(b_lossless_color) {
			const int u = int8_t(n_u), v = int8_t(n_v);
			t_terms.n_green = -(u >> 1);
			t_terms.n_red = t_terms.n_green + u - (v >> 1);
			t_terms.n_blue = t_terms.n_red + v;
			t_terms.n_red_up_from = t_terms.n_green_up_from = t_terms.n_blue_up_from = 0; // not read
		} else {
			const int u = n_u - 128, v = n_v - 128;
			Make_Lossy_Term(int64_t(n_red_per_v) * v, t_terms.n_red, t_terms.n_red_up_from);
			Make_Lossy_Term(int64_t(n_green_per_u) * u + int64_t(n_green_per_v) * v,
				t_terms.n_green, t_terms.n_green_up_from);
			Make_Lossy_Term(int64_t(n_blue_per_u) * u, t_terms.n_blue, t_terms.n_blue_up_from);
		}
		return t_terms;
	}

	/**
	 *	@brief spreads the colour terms of a row of chroma samples over the pixel
	 *		columns of their blocks
	 *	@param[in,out] p_terms is six rows of n_stride terms: red, green, blue, and
	 *		the Y from which each lossy colour is one more (see CColor_Terms), or
	 *		n_never (the last three rows hold that before the first call)
	 *	@param[in] n_stride is the length of a row of p_terms (at least n_image_width)
	 *	@param[in] p_u_row and p_v_row are the row of chroma samples
	 *	@param[in] b_lossless_color chooses the lifting transform instead of the lossy
	 *		colours (which leaves the last three rows of p_terms as they are)
	 *	@param[in,out] r_b_carry_written is set when a Y other than n_never was
	 *		written to p_terms (false before the first call)
	 *	@note Neighbouring blocks of the same chroma (flat areas) share their lossy
	 *		terms, which replaces computing them again.
	 */
	static void Spread_Color_Terms(int16_t *p_terms, size_t n_stride, const uint8_t *p_u_row,
		const uint8_t *p_v_row, int n_image_width, int n_subsample, bool b_lossless_color, bool &r_b_carry_written)
	{
		int16_t *const p_red = p_terms, *const p_green = p_red + n_stride, *const p_blue = p_green + n_stride;
		int16_t *const p_red_up = p_blue + n_stride, *const p_green_up = p_red_up + n_stride;
		int16_t *const p_blue_up = p_green_up + n_stride;
		if(b_lossless_color && n_subsample == 1) {
			// lossless terms cost less to compute than to share: without subsampling
			// they are computed a block at a time (vector code), which replaces the
			// loop below; the last block reads up to 15 samples past the row, which
			// the next row, the next plane or the spare bytes behind the planes hold
			for(int x = 0; x < n_image_width; x += n_color_block) {
				int16_t p_block[3][n_color_block]; // no store here can change what the block reads
				for(int i = 0; i < n_color_block; ++ i) {
					const CColor_Terms t_color = t_Color_Terms(p_u_row[x + i], p_v_row[x + i], true);
					p_block[0][i] = int16_t(t_color.n_red);
					p_block[1][i] = int16_t(t_color.n_green);
					p_block[2][i] = int16_t(t_color.n_blue);
				}
				for(int i = 0; i < n_color_block; ++ i) {
					p_red[x + i] = p_block[0][i];
					p_green[x + i] = p_block[1][i];
					p_blue[x + i] = p_block[2][i];
				}
			}
			return;
		}
		if(b_lossless_color) {
			for(int x = 0, n_chroma_x = 0, n_sub_x = 0; x < n_image_width; ++ x) {
				const CColor_Terms t_color = t_Color_Terms(p_u_row[n_chroma_x], p_v_row[n_chroma_x], true);
				p_red[x] = int16_t(t_color.n_red);
				p_green[x] = int16_t(t_color.n_green);
				p_blue[x] = int16_t(t_color.n_blue);
				if(++ n_sub_x == n_subsample) // replaces x / n_subsample
					n_sub_x = 0, ++ n_chroma_x;
			}
			return;
		}
		// a lossy colour is one more from some Y on for few chroma samples (mostly
		// none): only their Y are written, over a row of n_never; this replaces
		// writing them for every sample
		if(r_b_carry_written) {
			for(int x = 0; x < n_image_width; ++ x)
				p_red_up[x] = p_green_up[x] = p_blue_up[x] = n_never;
			r_b_carry_written = false;
		}
		int n_last_u = -1, n_last_v = -1;
		int16_t n_red = 0, n_green = 0, n_blue = 0, n_red_up = 0, n_green_up = 0, n_blue_up = 0;
		bool b_carry = false;
		for(int x = 0, n_chroma_x = 0, n_sub_x = 0; x < n_image_width; ++ x) {
			if(!n_sub_x) { // the first pixel of a block
				const int n_u = p_u_row[n_chroma_x], n_v = p_v_row[n_chroma_x];
				if(n_u != n_last_u || n_v != n_last_v) {
					const CColor_Terms t_color = t_Color_Terms(n_u, n_v, false);
					n_red = int16_t(t_color.n_red);
					n_green = int16_t(t_color.n_green);
					n_blue = int16_t(t_color.n_blue);
					n_red_up = int16_t(n_Min(t_color.n_red_up_from, n_never));
					n_green_up = int16_t(n_Min(t_color.n_green_up_from, n_never));
					n_blue_up = int16_t(n_Min(t_color.n_blue_up_from, n_never));
					b_carry = n_Min(n_red_up, n_Min(n_green_up, n_blue_up)) <= 255;
					r_b_carry_written = r_b_carry_written || b_carry;
					n_last_u = n_u;
					n_last_v = n_v;
				}
			}
			if(++ n_sub_x == n_subsample) // replaces x / n_subsample
				n_sub_x = 0, ++ n_chroma_x;
			p_red[x] = n_red;
			p_green[x] = n_green;
			p_blue[x] = n_blue;
			if(b_carry) {
				p_red_up[x] = n_red_up;
				p_green_up[x] = n_green_up;
				p_blue_up[x] = n_blue_up;
			}
		}
	}

	/**
	 *	@brief decodes the Huffman and run-length stages, undoes the prediction
	 *		and converts the planes to pixels
	 *	@param[in] p_data is the work area for the planes (is freed)
	 *	@param[in] p_text is the decoded text
	 *	@param[in] n_text_size is size of the decoded text, in bytes
	 *	@param[in] p_image is the image to fill (is freed on failure)
	 *	@return Returns p_image, or 0 if the data is malformed.
	 */
	static uint32_t *p_Decode_Huff_RLE_Planes(uint8_t *p_data, const uint8_t *p_text,
		size_t n_text_size, uint32_t *p_image, int n_image_width, int n_image_height,
		size_t n_huff_stage_size, int n_predictor_y, int n_predictor_uv, int n_predictor_a,
		int n_subsample, int n_color_type)
	{
		const bool b_gray = (n_color_type & 1) != 0;
		const bool b_alpha = (n_color_type & 2) != 0;
		const bool b_lossless_color = (n_color_type & 4) != 0;
		// once the branches this image does not take are cut, some of these
		// are only asserted
		(void)b_gray;
		(void)b_alpha;
		(void)b_lossless_color;
		(void)n_predictor_uv;
		(void)n_predictor_a;

		// the packets are expanded into the planes as they are decoded
		if(!b_Decode_Huff_RLE(p_text, n_text_size, n_huff_stage_size, p_data,
		   n_Plane_Block_Size(n_image_width, n_image_height, n_subsample, n_color_type))) {
			delete[] p_data;
			delete[] p_image;
			return nullptr;
		}

		const size_t n_image_size = size_t(n_image_width) * size_t(n_image_height);
		if(!b_gray) {
			const int n_chroma_w = (n_image_width - 1) / n_subsample + 1;
			const int n_chroma_h = (n_image_height - 1) / n_subsample + 1;
			const size_t n_chroma_plane = size_t(n_chroma_w) * size_t(n_chroma_h);
			uint8_t *p_u = p_data + n_image_size, *p_v = p_u + n_chroma_plane;
			UnPredict_ImagePlane(p_data, n_image_width, n_image_height, n_predictor_y);
			UnPredict_ImagePlane(p_u, n_chroma_w, n_chroma_h, n_predictor_uv);
			UnPredict_ImagePlane(p_v, n_chroma_w, n_chroma_h, n_predictor_uv);
			if(b_alpha)
				UnPredict_ImagePlane(p_v + n_chroma_plane, n_image_width, n_image_height, n_predictor_a);
			// each chroma sample covers n_subsample x n_subsample pixels: the terms of
			// a row of chroma samples are spread over the pixel columns once, which
			// replaces finding each pixel's chroma sample (x / n_subsample) and its
			// terms pixel by pixel; the padding behind them is never used
			const size_t n_stride = size_t(n_image_width) + n_color_block;
			int16_t *const p_terms = new(std::nothrow) int16_t[6 * n_stride];
			if(!p_terms) {
				delete[] p_data;
				delete[] p_image;
				return nullptr;
			}
			for(size_t i = 0; i < 6 * n_stride; ++ i)
				p_terms[i] = (i < 3 * n_stride)? int16_t(0) : int16_t(n_never);
			bool b_carry_written = false;
			const int16_t *const p_red = p_terms, *const p_green = p_red + n_stride, *const p_blue = p_green + n_stride;
			const int16_t *const p_red_up = p_blue + n_stride, *const p_green_up = p_red_up + n_stride;
			const int16_t *const p_blue_up = p_green_up + n_stride;
			const uint8_t *const p_a = p_v + n_chroma_plane;
			(void)p_red_up;
			(void)p_green_up;
			(void)p_blue_up;
			(void)p_a;
			// the pixels are rebuilt a block of n_color_block at a time, which replaces
			// one at a time: the fixed count lets compilers turn the block into vector
			// code. The last block of a row runs into the next row, which rewrites
			// those pixels, or behind the last row into the spare pixels of the image
			const size_t n_row_blocks = (size_t(n_image_width) + n_color_block - 1) / n_color_block;
			size_t y = 0, n_block_x = 0;
			for(size_t n_block = 0; n_block < n_row_blocks * size_t(n_image_height); ++ n_block) {
				if(n_block_x == n_row_blocks)
					n_block_x = 0, ++ y;
				if(!n_block_x && !(y % size_t(n_subsample))) {
					const size_t n_chroma_row = (y / size_t(n_subsample)) * size_t(n_chroma_w);
					Spread_Color_Terms(p_terms, n_stride, p_u + n_chroma_row, p_v + n_chroma_row,
						n_image_width, n_subsample, b_lossless_color, b_carry_written);
				}
				const size_t n_x = n_color_block * n_block_x ++, n_first = y * size_t(n_image_width) + n_x;
				uint32_t p_block[n_color_block]; // no store here can change what the block reads
				for(size_t i = 0; i < n_color_block; ++ i) {
					const int n_y = p_data[n_first + i];
					uint8_t r, g, b;
					if(!b_lossless_color) {
						r = n_Lossy_Color(n_y, p_red[n_x + i], p_red_up[n_x + i]);
						g = n_Lossy_Color(n_y, p_green[n_x + i], p_green_up[n_x + i]);
						b = n_Lossy_Color(n_y, p_blue[n_x + i], p_blue_up[n_x + i]);
					} else {
						g = uint8_t(n_y + p_green[n_x + i]);
						r = uint8_t(n_y + p_red[n_x + i]);
						b = uint8_t(n_y + p_blue[n_x + i]);
					}
					if(b_alpha) {
						p_block[i] = uint32_t(p_a[n_first + i]) << 24 |
							uint32_t(b) << 16 | uint32_t(g) << 8 | r;
					} else
						p_block[i] = 0xff000000U | uint32_t(b) << 16 | uint32_t(g) << 8 | r;
				}
				for(size_t i = 0; i < n_color_block; ++ i)
					p_image[n_first + i] = p_block[i];
			}
			delete[] p_terms;
		} else {
			UnPredict_ImagePlane(p_data, n_image_width, n_image_height, n_predictor_y);
			if(b_alpha) {
				UnPredict_ImagePlane(p_data + n_image_size, n_image_width, n_image_height, n_predictor_a);
				for(size_t i = 0; i < n_image_size; ++ i)
					p_image[i] = uint32_t(p_data[n_image_size + i]) << 24 | uint32_t(p_data[i]) * 0x010101U;
			} else {
				for(size_t i = 0; i < n_image_size; ++ i)
					p_image[i] = 0xff000000U | uint32_t(p_data[i]) * 0x010101U;
			}
		}

		delete[] p_data;
		return p_image;
	}
