#pragma once

#include <cstddef>
#include <cstdint>

#include "compress/byte_buffer.h"

/**
 *	@brief run-length codes a byte block into packets of one code byte c each:
 *		c even, (c >> 1) + 1 literal bytes follow; c odd, one byte follows that
 *		stands for (c >> 1) + 1 copies of itself
 *	@param[in] p_data is the input (may be null when n_size is 0)
 *	@param[in] n_size is the input length, in bytes
 *	@param[out] r_output is replaced by the packets
 *	@return true on success, false when memory runs out or the output would
 *		exceed the buffer's size limit
 */
bool b_RunLengthEncode(const uint8_t *p_data, size_t n_size, ByteBuffer &r_output);
