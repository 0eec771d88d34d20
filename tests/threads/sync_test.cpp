#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <thread>
#include <vector>

#include "threads/atomic_counter.h"
#include "threads/mutex.h"
#include "threads/semaphore.h"
#include "threads/worker_thread.h"

namespace {

const int n_thread_num = 4;
const int n_step_num = 10000; // per thread

/** @brief runs f(thread index) on n_thread_num threads at once and joins them */
template <class Function>
void RunOnThreads(Function f)
{
	std::vector<std::thread> thread_list;
	for(int i = 0; i < n_thread_num; ++ i)
		thread_list.emplace_back(f, i);
	for(std::thread &r_thread : thread_list)
		r_thread.join();
}

} // namespace

TEST(AtomicCounter, HandsOutEveryValueOnceAndOneCallerSeesTheCountdownReachZero)
{
	AtomicCounter counter;
	std::vector<int32_t> p_taken[n_thread_num];
	RunOnThreads([&](int n_thread) {
		for(int i = 0; i < n_step_num; ++ i)
			p_taken[n_thread].push_back(counter.n_Increment());
	});
	std::vector<int32_t> all;
	for(const std::vector<int32_t> &r_taken : p_taken)
		all.insert(all.end(), r_taken.begin(), r_taken.end());
	std::sort(all.begin(), all.end());
	ASSERT_EQ(all.size(), size_t(n_thread_num * n_step_num));
	for(size_t i = 0; i < all.size(); ++ i)
		ASSERT_EQ(all[i], int32_t(i + 1));

	std::atomic<int> n_zero_num{0};
	RunOnThreads([&](int) {
		for(int i = 0; i < n_step_num; ++ i)
			n_zero_num += !counter.n_Decrement();
	});
	EXPECT_EQ(n_zero_num.load(), 1);
	EXPECT_EQ(counter.n_Value(), 0);
}

TEST(Mutex, KeepsContendedUpdatesWhole)
{
	Mutex mutex;
	int n_total = 0; // plain on purpose: only the mutex orders the updates
	RunOnThreads([&](int) {
		for(int i = 0; i < n_step_num; ++ i) {
			MutexLock lock(mutex);
			n_total += lock.b_Locked();
		}
	});
	EXPECT_EQ(n_total, n_thread_num * n_step_num);
}

TEST(Mutex, RefusesSecondLockAndUnlockByOthers)
{
	Mutex mutex;
	{
		MutexLock lock(mutex);
		ASSERT_TRUE(lock.b_Locked());
		EXPECT_FALSE(mutex.b_Lock()); // instead of waiting on itself for ever
		bool b_foreign_unlock = true;
		std::thread([&] { b_foreign_unlock = mutex.b_Unlock(); }).join();
		EXPECT_FALSE(b_foreign_unlock);
		MutexLock nested(mutex);
		EXPECT_FALSE(nested.b_Locked()); // and leaving its scope does not unlock the outer one
	}
	EXPECT_FALSE(mutex.b_Unlock()); // the scope released it
	EXPECT_TRUE(mutex.b_Lock());
	EXPECT_TRUE(mutex.b_Unlock());
}

TEST(Semaphore, PassesControlBackAndForthInStep)
{
	Semaphore ping, pong;
	std::vector<int> sequence; // plain: the semaphores alone order the writes
	const int n_round_num = 1000;
	std::thread partner([&] {
		for(int i = 0; i < n_round_num; ++ i) {
			ASSERT_TRUE(ping.b_Wait());
			sequence.push_back(2 * i + 1);
			ASSERT_TRUE(pong.b_Signal());
		}
	});
	for(int i = 0; i < n_round_num; ++ i) {
		sequence.push_back(2 * i);
		ASSERT_TRUE(ping.b_Signal());
		ASSERT_TRUE(pong.b_Wait());
	}
	partner.join();
	ASSERT_EQ(sequence.size(), size_t(2 * n_round_num));
	for(size_t i = 0; i < sequence.size(); ++ i)
		ASSERT_EQ(sequence[i], int(i));
}

TEST(Semaphore, InitialCountAndMultipleSignalAdmitThatManyWaiters)
{
	Semaphore gate(2);
	std::atomic<int> n_passed{0};
	std::vector<std::thread> waiter_list;
	for(int i = 0; i < 2 + n_thread_num; ++ i) {
		waiter_list.emplace_back([&] {
			if(gate.b_Wait())
				++ n_passed;
		});
	}
	EXPECT_TRUE(gate.b_Signal(n_thread_num)); // one signal for all the others
	for(std::thread &r_waiter : waiter_list)
		r_waiter.join();
	EXPECT_EQ(n_passed.load(), 2 + n_thread_num);
}

TEST(Semaphore, RefusesSignalsItCannotCountAndKeepsItsCount)
{
	Semaphore semaphore(Semaphore::n_max_count - 1);
	EXPECT_FALSE(semaphore.b_Signal(0));
	EXPECT_FALSE(semaphore.b_Signal(-1));
	EXPECT_FALSE(semaphore.b_Signal(2));
	EXPECT_TRUE(semaphore.b_Signal(1));
	EXPECT_FALSE(semaphore.b_Signal(1));
}

namespace {

/** Counts its runs, each held until released. */
class GatedRunnable : public Runnable {
public:
	Semaphore m_release;
	int m_n_run_num = 0;

	virtual void Run() override
	{
		m_release.b_Wait();
		++ m_n_run_num;
	}
};

} // namespace

TEST(WorkerThread, RefusesChangesWhileRunningAndRunsAgainAfterJoin)
{
	WorkerThread thread;
	EXPECT_FALSE(thread.b_Start()); // nothing to run
	EXPECT_FALSE(thread.b_IsRunning());
	EXPECT_TRUE(thread.b_Join());
	GatedRunnable runnable;
	ASSERT_TRUE(thread.b_SetRunnable(&runnable));
	ASSERT_TRUE(thread.b_Start());
	EXPECT_TRUE(thread.b_IsRunning()); // held on the semaphore
	EXPECT_FALSE(thread.b_Start());
	EXPECT_FALSE(thread.b_SetRunnable(nullptr));
	runnable.m_release.b_Signal();
	EXPECT_TRUE(thread.b_Join());
	EXPECT_FALSE(thread.b_IsRunning());
	EXPECT_EQ(runnable.m_n_run_num, 1);

	runnable.m_release.b_Signal();
	ASSERT_TRUE(thread.b_Start());
	EXPECT_TRUE(thread.b_Join());
	EXPECT_EQ(runnable.m_n_run_num, 2);
}
