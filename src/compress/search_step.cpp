#include "compress/search_step.h"

#include "threads/worker_pool.h"

bool b_RunSearch(PredictorSearch &r_search, int n_participant_num, SearchResult &r_result,
	const PlaneReader &r_read_planes)
{
	if(!r_search.b_Prepare())
		return false;
	if(r_read_planes)
		r_read_planes(r_search.p_Planes());
	{
		WorkerPool pool(n_participant_num);
		const bool b_ran = r_search.b_Run(pool);
		if(!pool.b_Stop() || !b_ran)
			return false;
	}
	r_search.TakeBestOutput(r_result.output);
	r_result.t_best = r_search.t_BestCandidate();
	r_result.n_rle_size = r_search.n_BestRleSize();
	r_search.ReleasePlanes();
	return true;
}
