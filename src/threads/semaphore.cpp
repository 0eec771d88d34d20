#include "threads/semaphore.h"

#include <system_error>

Semaphore::Semaphore(int32_t n_initial_count)
	:m_n_count(n_initial_count)
{}

bool Semaphore::b_Wait()
{
	try {
		std::unique_lock<std::mutex> lock(m_mutex);
		m_wake.wait(lock, [this] { return m_n_count > 0; });
		-- m_n_count;
	} catch(const std::system_error&) {
		return false;
	}
	return true;
}

bool Semaphore::b_Signal(int32_t n_count)
{
	if(n_count < 1)
		return false;
	try {
		std::lock_guard<std::mutex> lock(m_mutex);
		if(m_n_count > n_max_count - n_count)
			return false;
		m_n_count += n_count;
		// notified under the lock, so the semaphore may be destroyed as soon as a waiter returns
		if(n_count == 1)
			m_wake.notify_one();
		else
			m_wake.notify_all();
	} catch(const std::system_error&) {
		return false;
	}
	return true;
}
