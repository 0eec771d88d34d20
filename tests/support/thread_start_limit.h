#pragma once

/**
 *	Makes the system refuse threads, as a process limit would (ulimit -u, a
 *	container's pids limit), while it lives: the next n_thread_num threads
 *	the program starts may start, every one after them is refused. The test
 *	program's own pthread_create does the refusing; it passes every call on
 *	while no limit lives. One limit at a time.
 */
class ThreadStartLimit {
public:
	explicit ThreadStartLimit(int n_thread_num);
	~ThreadStartLimit();
	ThreadStartLimit(const ThreadStartLimit&) = delete;
	ThreadStartLimit &operator =(const ThreadStartLimit&) = delete;
};
