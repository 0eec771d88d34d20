#pragma once

#include <atomic>
#include <cstdint>

/**
 *	A 32-bit signed counter shared between threads. Increment and decrement
 *	are single atomic steps that return the new value, so a counter can hand
 *	out numbers (each value returned to exactly one caller) or count down to
 *	zero (exactly one caller sees the zero). Values wrap around at the ends
 *	of the 32-bit range; the new value is worked out in unsigned arithmetic
 *	so that it wraps the same way instead of overflowing a signed int.
 */
class AtomicCounter {
public:
	explicit AtomicCounter(int32_t n_value = 0)
		:m_n_value(n_value)
	{}

	AtomicCounter(const AtomicCounter&) = delete;
	AtomicCounter &operator =(const AtomicCounter&) = delete;

	/** @brief adds one @return the value after the increment */
	int32_t n_Increment()
	{
		return int32_t(uint32_t(m_n_value.fetch_add(1)) + 1);
	}

	/** @brief subtracts one @return the value after the decrement */
	int32_t n_Decrement()
	{
		return int32_t(uint32_t(m_n_value.fetch_sub(1)) - 1);
	}

	int32_t n_Value() const { return m_n_value.load(); }
	void Set(int32_t n_value) { m_n_value.store(n_value); }

private:
	static_assert(std::atomic<int32_t>::is_always_lock_free, "the counter must not hide a lock");

	std::atomic<int32_t> m_n_value;
};
