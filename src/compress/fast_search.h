#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "compress/color_transform.h"
#include "compress/rle_histogram.h"
#include "compress/search_progress.h"
#include "compress/stream_format.h"
#include "threads/atomic_counter.h"
#include "threads/worker_pool.h"

/**
 *	Measures the compressed stream of every candidate without coding any.
 *	Candidates share their planes: the luma plane with one predictor is the
 *	same in every candidate that uses that predictor. So each plane is
 *	predicted once per predictor and summarised (PlaneRunSummary); a
 *	candidate's run-length histogram is assembled from the summaries of its
 *	planes, and the Huffman stream length follows from the histogram alone.
 *	The lengths are exactly those of the plain search.
 *
 *	Two pool jobs in turn, their work handed out by one atomic counter: first
 *	the (plane, predictor) pairs, then the candidates.
 */
class FastSearch : public PoolJob {
public:
	/**
	 *	@param[in] p_planes is the plane block before prediction, read only
	 *	@param[out] p_stream_length receives the stream length of every candidate,
	 *		by candidate number, without the coder's length prefix
	 */
	FastSearch(const uint8_t *p_planes, int n_width, int n_height, const PlaneSettings &r_settings,
		int n_tried_num, size_t *p_stream_length, const ProgressNotifier &r_progress = ProgressNotifier());
	~FastSearch();
	FastSearch(const FastSearch&) = delete;
	FastSearch &operator =(const FastSearch&) = delete;

	/** @brief fills the stream lengths; false when memory ran out (b_OutOfMemory()) or the pool failed */
	bool b_Run(WorkerPool &r_pool);

	/** @brief tells whether memory ran out, in b_Run() or in a participant: the failures of the measurement itself */
	bool b_OutOfMemory() const { return m_b_no_memory; }

	/** @brief does this participant's share of the current stage */
	bool b_RunParticipant(int n_participant_num) override;
	const char *p_s_Error() const override { return "not enough memory"; }

private:
	enum class Stage { Summaries, Lengths };

	bool b_SummarisePlanes();
	void MeasureCandidates();

	const uint8_t *m_p_planes;
	const PlaneSettings m_t_settings;
	const int m_n_predictor_num;
	size_t *m_p_stream_length;
	PlaneSpan m_p_plane[n_max_plane_num];
	int m_n_plane_num;
	size_t m_n_largest_plane;
	PlaneRunSummary *m_p_summary = nullptr; // plane-major: plane i with predictor p at i * d + p
	Stage m_n_stage = Stage::Summaries; // changed only between pool jobs
	AtomicCounter m_job_counter;
	const ProgressNotifier m_progress;
	std::atomic<bool> m_b_no_memory{false};
};
