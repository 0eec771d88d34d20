#include "threads/worker_pool.h"

#include <cstring>
#include <exception>
#include <new>
#include <thread>

namespace {

const char *const p_s_wake_failure = "failed to wake a worker thread";
const char *const p_s_wait_failure = "failed to wait for the worker threads";
const char *const p_s_join_failure = "failed to join a worker thread";
const char *const p_s_worker_lost = "a worker thread failed to wait for its next job";
const char *const p_s_unknown_exception = "unknown exception";

/** @brief copies a message into a fixed buffer, cut to fit; no allocation, as the failure may be memory itself */
template <size_t n_size>
void CopyMessage(char (&r_p_s_dest)[n_size], const char *p_s_message)
{
	const size_t n_length = strnlen(p_s_message, n_size - 1);
	memcpy(r_p_s_dest, p_s_message, n_length);
	r_p_s_dest[n_length] = 0;
}

/**
 *	@brief runs one participant's share of a job, catching whatever it throws
 *	@return false, with the message in r_p_s_error, when the share failed
 */
template <size_t n_size>
bool b_RunShare(PoolJob &r_job, int n_participant_num, char (&r_p_s_error)[n_size])
{
	try {
		if(r_job.b_RunParticipant(n_participant_num))
			return true;
		CopyMessage(r_p_s_error, r_job.p_s_Error());
	} catch(const std::exception &r_exception) {
		CopyMessage(r_p_s_error, r_exception.what());
	} catch(...) {
		CopyMessage(r_p_s_error, p_s_unknown_exception);
	}
	return false;
}

} // namespace

/**
 *	One worker thread with the state it shares with the calling thread. Each
 *	worker has a wake-up semaphore of its own: with one shared by all, a fast
 *	worker could take two wake-ups of the same job while a slow one had not
 *	yet started waiting, and the job would be counted done without it. The
 *	flags are written by one side before a semaphore signal or a thread end
 *	that the other side waits for before reading them.
 */
struct WorkerPool::PoolWorker : public Runnable {
	WorkerPool *m_p_pool = nullptr;
	Semaphore m_wake; // one unit per job, or to read the stop flag
	bool m_b_stop = false; // set by the caller before the wake-up that ends the worker
	bool m_b_error = false; // m_p_s_error holds a failure of the last job, not yet collected
	bool m_b_lost = false; // the worker ended without being stopped; read only after the join
	char m_p_s_error[n_error_size];
	WorkerThread m_thread;

	virtual void Run() override;
};

// A worker waits for a wake-up before every job, its first included, so that
// a job is handed only to workers that are known to have started. It ends
// when it wakes to find its stop flag set. A failed share ends only that
// share: the worker stays for the next job, so that every job still has all
// started workers counting the pending counter down to the one done signal.
void WorkerPool::PoolWorker::Run()
{
	WorkerPool &r_pool = *m_p_pool;
	for(;;) {
		if(!m_wake.b_Wait()) {
			m_b_lost = true; // without its wake-up the worker cannot follow the jobs any more
			return;
		}
		if(m_b_stop)
			return;
		if(!b_RunShare(*r_pool.m_p_job, r_pool.m_n_worker_num + 1, m_p_s_error))
			m_b_error = true;
		r_pool.CountWorkerDone();
	}
}

WorkerPool::WorkerPool(int n_participant_num)
	:m_n_participant_num((n_participant_num > 1)? n_participant_num : 1),
	m_b_needs_start(true), m_n_worker_num(0), m_p_job(nullptr), m_p_worker_list(nullptr)
{
	m_p_s_error[0] = 0;
}

WorkerPool::~WorkerPool()
{
	b_Stop(); // nobody is left to hear a failure; the threads are joined either way
	delete[] m_p_worker_list;
}

int WorkerPool::n_DefaultParticipantNum()
{
	const unsigned int n_processor_num = std::thread::hardware_concurrency(); // 0 when unknown
	return (n_processor_num > 2)? int(n_processor_num - 1) : 1;
}

bool WorkerPool::b_RunJob(PoolJob &r_job)
{
	m_p_s_error[0] = 0;
	if(m_b_needs_start)
		StartWorkers();
	const int n_worker_num = m_n_worker_num;
	m_p_job = &r_job;
	m_n_pending.Set(n_worker_num);
	bool b_result = true;
	// a worker left asleep is counted done here, so that the done signal still comes
	int n_woken_num = 0;
	while(n_woken_num < n_worker_num && m_p_worker_list[n_woken_num].m_wake.b_Signal())
		++ n_woken_num;
	if(n_woken_num < n_worker_num) {
		CopyMessage(m_p_s_error, p_s_wake_failure);
		b_result = false;
		for(int i = n_woken_num; i < n_worker_num; ++ i)
			CountWorkerDone();
	}
	// a failure here does not end the job early: the workers use it until the done signal
	if(b_result)
		b_result = b_RunShare(r_job, n_worker_num + 1, m_p_s_error);
	if(n_worker_num && !m_done.b_Wait()) {
		CopyMessage(m_p_s_error, p_s_wait_failure);
		return false;
	}
	return b_CollectErrors(n_worker_num) && b_result;
}

bool WorkerPool::b_Stop()
{
	if(m_b_needs_start)
		return true;
	m_b_needs_start = true;
	const bool b_result = b_EndWorkers(m_n_worker_num);
	m_n_worker_num = 0;
	return b_result;
}

// Starts as many of the n - 1 workers as the system lets start, in order;
// without memory for their records none starts. The jobs then run on those
// that did and the calling thread: a job shares its work out among whoever
// takes part, and is told how many do.
void WorkerPool::StartWorkers()
{
	m_b_needs_start = false;
	const int n_wanted_num = m_n_participant_num - 1;
	if(!n_wanted_num ||
	   (!m_p_worker_list && !(m_p_worker_list = new(std::nothrow) PoolWorker[size_t(n_wanted_num)])))
		return;
	for(; m_n_worker_num < n_wanted_num; ++ m_n_worker_num) {
		PoolWorker &r_worker = m_p_worker_list[m_n_worker_num];
		r_worker.m_p_pool = this;
		r_worker.m_b_stop = false;
		r_worker.m_b_error = false;
		r_worker.m_b_lost = false;
		if(!r_worker.m_thread.b_SetRunnable(&r_worker) || !r_worker.m_thread.b_Start())
			return;
	}
}

// Ends the first n_worker_num workers: the stop flag before the wake-up,
// the join before their state is read again.
bool WorkerPool::b_EndWorkers(int n_worker_num)
{
	bool b_result = true;
	for(int i = 0; i < n_worker_num; ++ i) {
		PoolWorker &r_worker = m_p_worker_list[i];
		r_worker.m_b_stop = true;
		if(!r_worker.m_wake.b_Signal()) {
			CopyMessage(m_p_s_error, p_s_wake_failure);
			b_result = false;
		}
	}
	for(int i = 0; i < n_worker_num; ++ i) {
		PoolWorker &r_worker = m_p_worker_list[i];
		if(!r_worker.m_thread.b_Join()) {
			CopyMessage(m_p_s_error, p_s_join_failure);
			b_result = false;
		} else if(r_worker.m_b_lost) {
			CopyMessage(m_p_s_error, p_s_worker_lost);
			b_result = false;
		}
	}
	return b_CollectErrors(n_worker_num) && b_result;
}

// Takes over the failures the workers carry, each once; of several, the
// message of the highest-numbered participant stays.
bool WorkerPool::b_CollectErrors(int n_worker_num)
{
	bool b_clean = true;
	for(int i = 0; i < n_worker_num; ++ i) {
		PoolWorker &r_worker = m_p_worker_list[i];
		if(r_worker.m_b_error) {
			CopyMessage(m_p_s_error, r_worker.m_p_s_error);
			r_worker.m_b_error = false;
			b_clean = false;
		}
	}
	return b_clean;
}

// The count never holds more than n - 1 units, so the done signal cannot overflow.
void WorkerPool::CountWorkerDone()
{
	if(!m_n_pending.n_Decrement())
		m_done.b_Signal();
}
