#include "threads/worker_thread.h"

#include <exception>
#include <system_error>

WorkerThread::~WorkerThread()
{
	// if even this join fails there is nothing left to wait on, and std::thread ends the program
	b_Join();
}

bool WorkerThread::b_SetRunnable(Runnable *p_runnable)
{
	if(b_IsRunning())
		return false;
	m_p_runnable = p_runnable;
	return true;
}

bool WorkerThread::b_Start()
{
	if(!m_p_runnable || b_IsRunning())
		return false;
	m_b_finished.store(false);
	try {
		m_thread = std::thread(&WorkerThread::ThreadMain, this);
	} catch(const std::exception&) { // std::system_error when out of threads, std::bad_alloc
		return false;
	}
	return true;
}

bool WorkerThread::b_IsRunning()
{
	if(m_thread.joinable() && m_b_finished.load())
		b_Join(); // Run() has returned, so only the thread's exit remains to wait for
	return m_thread.joinable();
}

bool WorkerThread::b_Join()
{
	if(!m_thread.joinable())
		return true;
	try {
		m_thread.join();
	} catch(const std::system_error&) {
		return false;
	}
	return true;
}

void WorkerThread::ThreadMain()
{
	m_p_runnable->Run();
	m_b_finished.store(true);
}
