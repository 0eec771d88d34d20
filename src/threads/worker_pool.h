#pragma once

#include <cstddef>

#include "threads/atomic_counter.h"
#include "threads/semaphore.h"
#include "threads/worker_thread.h"

/**
 *	A job for WorkerPool: one participant operation that the pool calls once
 *	on every participant, concurrently, each call on its own thread. The
 *	participants share out the work among themselves (through an
 *	AtomicCounter, say), so the job decides what each one does.
 */
class PoolJob {
public:
	virtual ~PoolJob() = default;

	/**
	 *	@brief does one participant's share of the job
	 *	@param[in] n_participant_num is the number of participants that run the
	 *		job: the pool's size, or fewer when the system refused some threads
	 *	@return false when the share failed; the participant stops there, the
	 *		others go on to the end of the job
	 */
	virtual bool b_RunParticipant(int n_participant_num) = 0;

	/**
	 *	@brief the message of a failure, never null
	 *	@note Called on the failing participant's thread, just after its
	 *		b_RunParticipant() returned false, possibly while other participants
	 *		run; the text is copied at once.
	 */
	virtual const char *p_s_Error() const = 0;
};

/**
 *	Runs jobs on a fixed number of participants: the calling thread, which is
 *	participant 0, and n - 1 worker threads started by the first job and kept
 *	waiting between jobs until the pool is stopped. Should the system refuse
 *	some of the threads (a process limit, say), the jobs run on the
 *	participants that did start, the calling thread at least, until the pool
 *	is stopped; the next job after a stop tries again. A job returns only when
 *	every participant is done with it, so the job may be destroyed as soon as
 *	b_RunJob() returns. Failures of participants, returned or thrown on any
 *	thread, end up in the caller's result with their message.
 *
 *	Only one thread drives a pool.
 */
class WorkerPool {
public:
	/** @param[in] n_participant_num is the number of participants; values below 1 count as 1 */
	explicit WorkerPool(int n_participant_num);
	/** @brief stops and joins the worker threads */
	~WorkerPool();
	WorkerPool(const WorkerPool&) = delete;
	WorkerPool &operator =(const WorkerPool&) = delete;

	/** @brief the processor count less one, at least one: the calling thread plus a worker per spare processor */
	static int n_DefaultParticipantNum();

	/** @brief the number of participants asked for; jobs run on fewer when threads could not start */
	int n_ParticipantNum() const { return m_n_participant_num; }

	/**
	 *	@brief runs r_job on every participant and waits until all are done
	 *	@return false when the worker threads cannot be woken, or when any
	 *		participant failed; p_s_Error() then says why
	 */
	bool b_RunJob(PoolJob &r_job);

	/**
	 *	@brief ends and joins the worker threads; the next job starts new ones
	 *	@return false when a join failed or a worker was lost
	 */
	bool b_Stop();

	/** @brief the message of the last failure of b_RunJob() or b_Stop(); empty when the last job succeeded */
	const char *p_s_Error() const { return m_p_s_error; }

private:
	static const size_t n_error_size = 256; // messages longer than this are cut
	struct PoolWorker;

	void StartWorkers();
	bool b_EndWorkers(int n_worker_num);
	bool b_CollectErrors(int n_worker_num);
	void CountWorkerDone();

	AtomicCounter m_n_pending; // workers not yet done with the current job
	const int m_n_participant_num;
	bool m_b_needs_start; // no worker thread runs: before the first job and after a stop
	int m_n_worker_num; // worker threads that started, 0 to n - 1; they and the caller run the jobs
	PoolJob *m_p_job; // written before the workers are woken, read by them after
	Semaphore m_done; // signalled once per job, by the last worker to finish it
	PoolWorker *m_p_worker_list; // n - 1 records, allocated by the first start
	char m_p_s_error[n_error_size];
};
