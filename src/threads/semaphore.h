#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>

/**
 *	A counting semaphore: a wait takes one unit of the count, blocking while
 *	it is zero; a signal adds units and wakes as many waiters. The count never
 *	goes above n_max_count; a signal that would pass it changes nothing.
 */
class Semaphore {
public:
	static const int32_t n_max_count = 0x7fffffff;

	/** @param[in] n_initial_count is the starting count, 0 to n_max_count */
	explicit Semaphore(int32_t n_initial_count = 0);

	Semaphore(const Semaphore&) = delete;
	Semaphore &operator =(const Semaphore&) = delete;

	/** @brief waits without time limit for a unit and takes it @return false when the system refused the wait */
	bool b_Wait();

	/**
	 *	@brief adds n_count units
	 *	@return false, with the count unchanged, when n_count is not positive,
	 *		when the count would pass n_max_count or when the system refused
	 */
	bool b_Signal(int32_t n_count = 1);

private:
	std::mutex m_mutex;
	std::condition_variable m_wake;
	int32_t m_n_count; // guarded by m_mutex
};
