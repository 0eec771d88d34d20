#pragma once

#include <atomic>
#include <mutex>
#include <thread>

/**
 *	A mutual exclusion lock that reports misuse instead of deadlocking or
 *	corrupting itself: it is not recursive, so a thread that already holds it
 *	is refused a second lock, and only the holder may unlock it.
 */
class Mutex {
public:
	Mutex() = default;
	Mutex(const Mutex&) = delete;
	Mutex &operator =(const Mutex&) = delete;

	/**
	 *	@brief waits without time limit until the calling thread holds the mutex
	 *	@return true when locked; false when this thread already holds it or
	 *		the system refused the lock
	 */
	bool b_Lock();

	/** @brief releases the mutex @return false when the calling thread does not hold it */
	bool b_Unlock();

private:
	std::mutex m_mutex;
	std::atomic<std::thread::id> m_owner; // the holder; no thread while unlocked
};

/** Holds a mutex from construction to the end of the scope, if it could be locked. */
class MutexLock {
public:
	explicit MutexLock(Mutex &r_mutex)
		:m_r_mutex(r_mutex), m_b_locked(r_mutex.b_Lock())
	{}

	~MutexLock()
	{
		if(m_b_locked)
			m_r_mutex.b_Unlock();
	}

	MutexLock(const MutexLock&) = delete;
	MutexLock &operator =(const MutexLock&) = delete;

	/** @brief tells whether the constructor got the lock; nothing is protected otherwise */
	bool b_Locked() const { return m_b_locked; }

private:
	Mutex &m_r_mutex;
	const bool m_b_locked;
};
