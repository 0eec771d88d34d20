#pragma once

#include <thread>

/**
 *	Receives the progress of the predictor search. The search calls it only
 *	on the thread that started it, between pieces of work, so a receiver
 *	needs no locking; it may print (the search itself prints nothing).
 */
class SearchProgress {
public:
	virtual ~SearchProgress() = default;

	/**
	 *	@brief tells how far a stage of the search has come
	 *	@param[in] n_candidate_num is the number of candidates the search compares
	 *	@param[in] b_measuring is false while the planes are predicted, true while
	 *		the candidates are measured (or, in the plain search, evaluated)
	 *	@param[in] n_done and n_total count the stage's pieces of work
	 */
	virtual void Report(int n_candidate_num, bool b_measuring, int n_done, int n_total) = 0;
};

/** Calls a SearchProgress, if there is one, from the thread that made the notifier only. */
class ProgressNotifier {
public:
	explicit ProgressNotifier(SearchProgress *p_progress = nullptr)
		:m_p_progress(p_progress), m_t_caller(std::this_thread::get_id())
	{}

	void Notify(int n_candidate_num, bool b_measuring, int n_done, int n_total) const
	{
		if(m_p_progress && std::this_thread::get_id() == m_t_caller)
			m_p_progress->Report(n_candidate_num, b_measuring, n_done, n_total);
	}

private:
	SearchProgress *m_p_progress;
	std::thread::id m_t_caller;
};
