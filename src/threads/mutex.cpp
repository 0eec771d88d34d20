#include "threads/mutex.h"

#include <system_error>

// Only the holder ever stores its own id in m_owner, so a thread reading its
// own id there is certain to hold the mutex, whatever other threads do; that
// is why relaxed loads and stores are enough.

bool Mutex::b_Lock()
{
	const std::thread::id this_thread = std::this_thread::get_id();
	if(m_owner.load(std::memory_order_relaxed) == this_thread)
		return false; // locking again would wait for ever on ourselves
	try {
		m_mutex.lock();
	} catch(const std::system_error&) {
		return false;
	}
	m_owner.store(this_thread, std::memory_order_relaxed);
	return true;
}

bool Mutex::b_Unlock()
{
	if(m_owner.load(std::memory_order_relaxed) != std::this_thread::get_id())
		return false;
	m_owner.store(std::thread::id(), std::memory_order_relaxed);
	m_mutex.unlock();
	return true;
}
