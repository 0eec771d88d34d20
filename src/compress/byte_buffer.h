#pragma once

#include <cstddef>
#include <cstdint>

/**
 *	A growable byte buffer that reports failure instead of throwing. It grows
 *	to the larger of twice its capacity and the size asked for, keeping its
 *	contents; sizes above 2^32 - 1 bytes are refused, since the stream format
 *	counts bytes in 32 bits.
 */
class ByteBuffer {
public:
	static const size_t n_max_size = 0xffffffffU;

	ByteBuffer() = default;
	~ByteBuffer();
	ByteBuffer(const ByteBuffer&) = delete;
	ByteBuffer &operator =(const ByteBuffer&) = delete;
	ByteBuffer(ByteBuffer &&r_other) noexcept { Swap(r_other); }
	ByteBuffer &operator =(ByteBuffer &&r_other) noexcept { Swap(r_other); return *this; }

	uint8_t *p_Data() { return m_p_data; }
	const uint8_t *p_Data() const { return m_p_data; }
	size_t n_Size() const { return m_n_size; }
	size_t n_Capacity() const { return m_n_capacity; }
	bool b_Empty() const { return !m_n_size; }

	/** @brief makes room for at least n_capacity bytes; false when memory runs out or the size is refused */
	bool b_Reserve(size_t n_capacity);
	/** @brief sets the size in use, growing as needed; new bytes are not initialised */
	bool b_Resize(size_t n_size);
	/** @brief appends bytes, growing as needed */
	bool b_Append(const void *p_bytes, size_t n_length);
	/** @brief sets the size to 0, keeping the capacity */
	void Clear() { m_n_size = 0; }
	/** @brief exchanges contents with another buffer, without copying */
	void Swap(ByteBuffer &r_other) noexcept;

private:
	uint8_t *m_p_data = nullptr;
	size_t m_n_size = 0;
	size_t m_n_capacity = 0;
};
