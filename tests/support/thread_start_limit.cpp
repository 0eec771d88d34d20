#include <dlfcn.h>
#include <pthread.h>

#include <atomic>
#include <cerrno>

#include "support/thread_start_limit.h"

namespace {

std::atomic<int> n_threads_left{-1}; // threads that may still start; -1 while no limit lives

} // namespace

// Defined in the program, this pthread_create comes before the C library's
// in symbol lookup, so std::thread calls it; it calls the library's own.
extern "C" int pthread_create(pthread_t *p_thread, const pthread_attr_t *p_attributes,
	void *(*p_start)(void*), void *p_argument) noexcept
{
	typedef int (*CreateFunction)(pthread_t*, const pthread_attr_t*, void *(*)(void*), void*);
	static const CreateFunction p_system_create = reinterpret_cast<CreateFunction>(dlsym(RTLD_NEXT, "pthread_create"));
	for(int n_left = n_threads_left.load(); n_left >= 0;) {
		if(!n_left)
			return EAGAIN; // what the system says at its process limit
		if(n_threads_left.compare_exchange_weak(n_left, n_left - 1))
			break;
	}
	return p_system_create(p_thread, p_attributes, p_start, p_argument);
}

ThreadStartLimit::ThreadStartLimit(int n_thread_num)
{
	n_threads_left.store(n_thread_num);
}

ThreadStartLimit::~ThreadStartLimit()
{
	n_threads_left.store(-1);
}
