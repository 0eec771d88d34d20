#include "compress/search_step.h"

#include <cstdio>

#include "threads/worker_pool.h"

namespace {

/**
 *	@brief records why the search failed: its own failure when it knows one,
 *		else its pool's (a worker thread, a semaphore, an exception); returns false
 */
bool b_SearchFailed(const PredictorSearch &r_search, const char *p_s_pool_error, SearchFailure *p_failure)
{
	if(p_failure) {
		const SearchError n_error = r_search.n_Error();
		p_failure->b_no_memory = n_error == SearchError::NoMemory;
		snprintf(p_failure->p_s_cause, sizeof(p_failure->p_s_cause), "%s",
			(n_error != SearchError::None)? r_search.p_s_Error() : p_s_pool_error);
	}
	return false;
}

} // namespace

bool b_RunSearch(PredictorSearch &r_search, int n_participant_num, SearchResult &r_result, SearchFailure *p_failure,
	const PlaneReader &r_read_planes)
{
	if(!r_search.b_Prepare())
		return b_SearchFailed(r_search, "", p_failure); // memory, which the search records
	if(r_read_planes)
		r_read_planes(r_search.p_Planes());
	{
		WorkerPool pool(n_participant_num);
		const bool b_ran = r_search.b_Run(pool);
		if(!pool.b_Stop() || !b_ran)
			return b_SearchFailed(r_search, pool.p_s_Error(), p_failure);
	}
	r_search.TakeBestOutput(r_result.output);
	r_result.t_best = r_search.t_BestCandidate();
	r_result.n_rle_size = r_search.n_BestRleSize();
	r_search.ReleasePlanes();
	return true;
}
