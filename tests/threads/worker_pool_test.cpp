#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <new>
#include <set>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "threads/atomic_counter.h"
#include "support/thread_start_limit.h"
#include "threads/worker_pool.h"

namespace {

// Worker threads alive: every thread other than the test's own that takes
// part in a job gets a thread-local marker, which dies only when the thread
// itself exits.
std::atomic<int> n_live_worker_num{0};

struct LiveThreadMarker {
	LiveThreadMarker() { ++ n_live_worker_num; }
	~LiveThreadMarker() { -- n_live_worker_num; }
};

const char *const p_s_worker_failure = "share failed on a worker";
const char *const p_s_caller_failure = "share failed on the calling thread";

enum Failure {
	fail_None,
	fail_Return,
	fail_Throw, // std::runtime_error with the same message as a returned failure
	fail_ThrowBadAlloc,
	fail_ThrowNonStandard
};

/**
 *	Hands out the numbers 0 to n_item_num - 1 through a shared counter and
 *	records which participant took which, and on what thread each ran. One
 *	participant may fail before taking any number: the first worker to get
 *	there, or the calling thread.
 */
class RecordingJob : public PoolJob {
public:
	explicit RecordingJob(int n_item_num = 2000, Failure n_failure = fail_None, bool b_on_caller = false)
		:m_n_item_num(n_item_num), m_n_failure(n_failure), m_b_fail_on_caller(b_on_caller),
		m_caller(std::this_thread::get_id())
	{}

	virtual bool b_RunParticipant(int n_participant_num) override
	{
		const bool b_on_caller = std::this_thread::get_id() == m_caller;
		if(!b_on_caller) {
			thread_local LiveThreadMarker marker;
			(void)marker;
		}
		{
			std::lock_guard<std::mutex> lock(m_mutex);
			m_thread_list.push_back(std::this_thread::get_id());
			m_argument_list.push_back(n_participant_num);
		}
		if(m_n_failure != fail_None && b_on_caller == m_b_fail_on_caller &&
		   (b_on_caller || !m_b_worker_failed.exchange(true))) {
			if(m_n_failure == fail_Throw)
				throw std::runtime_error(p_s_Error());
			if(m_n_failure == fail_ThrowBadAlloc)
				throw std::bad_alloc();
			if(m_n_failure == fail_ThrowNonStandard)
				throw 42;
			return false;
		}
		std::vector<int> taken;
		for(int i; (i = m_next_item.n_Increment() - 1) < m_n_item_num;)
			taken.push_back(i);
		std::lock_guard<std::mutex> lock(m_mutex);
		m_item_list.insert(m_item_list.end(), taken.begin(), taken.end());
		return true;
	}

	virtual const char *p_s_Error() const override
	{
		return (std::this_thread::get_id() == m_caller)? p_s_caller_failure : p_s_worker_failure;
	}

	/** @brief checks that the last job ran once on each of n distinct threads, the caller among them, each told n */
	void ExpectOneCallPerParticipant(int n_participant_num) const
	{
		ASSERT_EQ(m_thread_list.size(), size_t(n_participant_num));
		EXPECT_EQ(std::set<std::thread::id>(m_thread_list.begin(), m_thread_list.end()).size(),
			size_t(n_participant_num));
		EXPECT_EQ(std::count(m_thread_list.begin(), m_thread_list.end(), m_caller), 1);
		for(int n_argument : m_argument_list)
			EXPECT_EQ(n_argument, n_participant_num);
	}

	/** @brief checks that every number was taken by exactly one participant */
	void ExpectEveryItemTakenOnce() const
	{
		std::vector<int> sorted = m_item_list;
		std::sort(sorted.begin(), sorted.end());
		ASSERT_EQ(sorted.size(), size_t(m_n_item_num));
		for(int i = 0; i < m_n_item_num; ++ i)
			ASSERT_EQ(sorted[i], i);
	}

	std::vector<std::thread::id> m_thread_list;

private:
	const int m_n_item_num;
	const Failure m_n_failure;
	const bool m_b_fail_on_caller;
	const std::thread::id m_caller;
	AtomicCounter m_next_item;
	std::atomic<bool> m_b_worker_failed{false};
	std::mutex m_mutex;
	std::vector<int> m_argument_list;
	std::vector<int> m_item_list;
};

} // namespace

TEST(WorkerPool, EveryParticipantRunsOnceAndTheCounterHandsOutEachNumberOnce)
{
	for(int n_participant_num : {1, 2, 3, 8}) {
		WorkerPool pool(n_participant_num);
		RecordingJob job;
		EXPECT_TRUE(pool.b_RunJob(job));
		EXPECT_STREQ(pool.p_s_Error(), "");
		job.ExpectOneCallPerParticipant(n_participant_num); // one participant: the calling thread alone
		job.ExpectEveryItemTakenOnce();
		EXPECT_EQ(n_live_worker_num.load(), n_participant_num - 1);
	}
	EXPECT_EQ(n_live_worker_num.load(), 0);
	EXPECT_EQ(WorkerPool(0).n_ParticipantNum(), 1);
	EXPECT_EQ(WorkerPool(-3).n_ParticipantNum(), 1);
}

TEST(WorkerPool, ReusesItsThreadsForLaterJobsAndStartsNewOnesAfterStop)
{
	const int n_participant_num = 4;
	WorkerPool pool(n_participant_num);
	std::set<std::thread::id> thread_set;
	for(int n_job = 0; n_job < 5; ++ n_job) {
		RecordingJob job(500);
		ASSERT_TRUE(pool.b_RunJob(job));
		job.ExpectOneCallPerParticipant(n_participant_num);
		job.ExpectEveryItemTakenOnce();
		thread_set.insert(job.m_thread_list.begin(), job.m_thread_list.end());
	}
	EXPECT_EQ(thread_set.size(), size_t(n_participant_num)); // the same workers every time
	EXPECT_TRUE(pool.b_Stop());
	EXPECT_EQ(n_live_worker_num.load(), 0);
	EXPECT_TRUE(pool.b_Stop()); // nothing left to stop

	RecordingJob job;
	EXPECT_TRUE(pool.b_RunJob(job));
	job.ExpectOneCallPerParticipant(n_participant_num);
	job.ExpectEveryItemTakenOnce();
	EXPECT_EQ(n_live_worker_num.load(), n_participant_num - 1);
}

TEST(WorkerPool, JobsRunOnTheParticipantsThatStartedWhenTheSystemRefusesThreads)
{
	for(int n_started_num : {0, 1, 2}) {
		SCOPED_TRACE(std::to_string(n_started_num) + " workers started");
		WorkerPool pool(4);
		{
			ThreadStartLimit limit(n_started_num);
			RecordingJob job;
			EXPECT_TRUE(pool.b_RunJob(job));
			EXPECT_STREQ(pool.p_s_Error(), "");
			job.ExpectOneCallPerParticipant(n_started_num + 1);
			job.ExpectEveryItemTakenOnce();
		}
		RecordingJob next; // the pool keeps the workers it has until it is stopped
		ASSERT_TRUE(pool.b_RunJob(next));
		next.ExpectOneCallPerParticipant(n_started_num + 1);
		EXPECT_TRUE(pool.b_Stop());
		EXPECT_EQ(n_live_worker_num.load(), 0);
		RecordingJob after_stop; // then it starts them all again
		ASSERT_TRUE(pool.b_RunJob(after_stop));
		after_stop.ExpectOneCallPerParticipant(4);
	}
}

TEST(WorkerPool, FailureComesBackWithItsMessageAfterTheOthersFinished)
{
	struct Case {
		Failure n_failure;
		bool b_on_caller;
		std::string s_message;
	} p_case[] = {
		{fail_Return, false, p_s_worker_failure},
		{fail_Throw, false, p_s_worker_failure},
		{fail_ThrowBadAlloc, false, std::bad_alloc().what()},
		{fail_ThrowNonStandard, false, "unknown exception"},
		{fail_Return, true, p_s_caller_failure},
		{fail_Throw, true, p_s_caller_failure},
		{fail_ThrowBadAlloc, true, std::bad_alloc().what()}
	};
	for(const Case &r_case : p_case) {
		SCOPED_TRACE(r_case.s_message + (r_case.b_on_caller? " (caller)" : " (worker)"));
		WorkerPool pool(3);
		RecordingJob job(20000, r_case.n_failure, r_case.b_on_caller);
		EXPECT_FALSE(pool.b_RunJob(job));
		EXPECT_EQ(pool.p_s_Error(), r_case.s_message);
		job.ExpectOneCallPerParticipant(3);
		job.ExpectEveryItemTakenOnce(); // by the participants that did not fail, all done by now
	}
}

TEST(WorkerPool, FailureIsReportedOnceAndTheFailedWorkerStaysForTheNextJob)
{
	WorkerPool pool(3);
	RecordingJob failing(100, fail_Throw);
	ASSERT_FALSE(pool.b_RunJob(failing));
	RecordingJob job;
	EXPECT_TRUE(pool.b_RunJob(job));
	EXPECT_STREQ(pool.p_s_Error(), "");
	job.ExpectOneCallPerParticipant(3);
	job.ExpectEveryItemTakenOnce();

	RecordingJob failing_again(100, fail_Return);
	ASSERT_FALSE(pool.b_RunJob(failing_again));
	EXPECT_TRUE(pool.b_Stop()); // the failure was reported by the job and is not carried further
	EXPECT_STREQ(pool.p_s_Error(), p_s_worker_failure); // still the last failure's message
	EXPECT_EQ(n_live_worker_num.load(), 0);
}

TEST(WorkerPool, DestructionLeavesNoThreadRunning)
{
	{
		WorkerPool never_run(8); // no thread to stop
	}
	{
		WorkerPool pool(8);
		RecordingJob job;
		ASSERT_TRUE(pool.b_RunJob(job));
		EXPECT_EQ(n_live_worker_num.load(), 7);
	}
	EXPECT_EQ(n_live_worker_num.load(), 0);
}
