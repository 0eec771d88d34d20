#pragma once

#include <atomic>
#include <thread>

/** The work a WorkerThread runs. */
class Runnable {
public:
	virtual ~Runnable() = default;

	/** @brief the thread's whole work; must not let an exception escape, since nothing on the thread would catch it */
	virtual void Run() = 0;
};

/**
 *	One thread that runs a Runnable. Not started on construction; started,
 *	it runs Run() once and ends. The thread is joined before the object goes
 *	away, so a WorkerThread never leaves a thread behind. One thread drives
 *	it; the runnable does not call back into its own WorkerThread.
 */
class WorkerThread {
public:
	WorkerThread() = default;
	~WorkerThread();
	WorkerThread(const WorkerThread&) = delete;
	WorkerThread &operator =(const WorkerThread&) = delete;

	/** @brief sets what the next start runs @return false while the thread runs */
	bool b_SetRunnable(Runnable *p_runnable);

	/** @brief starts the thread, which begins Run() at once @return false without a runnable, while running, or when the system cannot start a thread */
	bool b_Start();

	/** @brief tells whether the thread is still running; a thread that has finished is joined here */
	bool b_IsRunning();

	/** @brief waits without time limit for the thread to end @return true at once when not running; false when the join fails */
	bool b_Join();

private:
	void ThreadMain();

	Runnable *m_p_runnable = nullptr;
	std::thread m_thread; // joinable from start to join
	std::atomic<bool> m_b_finished{false}; // Run() has returned on the current thread
};
