#include "compress/byte_buffer.h"

#include <cstdlib>
#include <cstring>
#include <utility>

ByteBuffer::~ByteBuffer()
{
	free(m_p_data);
}

bool ByteBuffer::b_Reserve(size_t n_capacity)
{
	if(n_capacity <= m_n_capacity)
		return true;
	if(n_capacity > n_max_size)
		return false;
	size_t n_new_capacity = (m_n_capacity > n_max_size / 2)? n_max_size : 2 * m_n_capacity;
	if(n_new_capacity < n_capacity)
		n_new_capacity = n_capacity;
	uint8_t *p_new_data = static_cast<uint8_t*>(realloc(m_p_data, n_new_capacity));
	if(!p_new_data)
		return false;
	m_p_data = p_new_data;
	m_n_capacity = n_new_capacity;
	return true;
}

bool ByteBuffer::b_Resize(size_t n_size)
{
	if(!b_Reserve(n_size))
		return false;
	m_n_size = n_size;
	return true;
}

bool ByteBuffer::b_Append(const void *p_bytes, size_t n_length)
{
	if(n_length > n_max_size - m_n_size || !b_Reserve(m_n_size + n_length))
		return false;
	if(n_length)
		memcpy(m_p_data + m_n_size, p_bytes, n_length);
	m_n_size += n_length;
	return true;
}

void ByteBuffer::Swap(ByteBuffer &r_other) noexcept
{
	std::swap(m_p_data, r_other.m_p_data);
	std::swap(m_n_size, r_other.m_n_size);
	std::swap(m_n_capacity, r_other.m_n_capacity);
}
