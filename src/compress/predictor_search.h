#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>

#include "compress/byte_buffer.h"
#include "compress/color_transform.h"
#include "compress/search_progress.h"
#include "image/raster_image.h"
#include "threads/atomic_counter.h"
#include "threads/mutex.h"
#include "threads/worker_pool.h"

/**
 *	One combination of predictors: for the luma plane, for both chroma planes
 *	and for the alpha plane. Candidate numbers are read as base-d digits,
 *	least significant first, in the order chroma, luma, alpha, where d is the
 *	number of predictors tried and planes the image lacks have no digit.
 */
struct CompressionCandidate {
	int n_index;
	int n_predictor_y;
	int n_predictor_uv; // 0 for grayscale images
	int n_predictor_a; // 0 for images without alpha
};

/** @brief derives a candidate's predictors from its number */
CompressionCandidate t_Candidate(int n_index, int n_tried_num, bool b_gray, bool b_alpha);

/** @brief number of candidates: d to the power of the number of predictor digits */
int n_CandidateNum(int n_tried_num, bool b_gray, bool b_alpha);

/** What made a search fail, as far as the search itself knows; a failure it does not know of is its pool's. */
enum class SearchError {
	None,
	NoMemory,
	LockFailed // the lock of the best result could not be taken
};

/**
 *	@brief the winner rule of both search methods: the shorter stream wins,
 *		and of two streams of equal length the one with the lower candidate
 *		number, so the winner never depends on the order candidates finish in
 */
inline bool b_Outranks(size_t n_length, int n_index, size_t n_other_length, int n_other_index)
{
	return n_length < n_other_length || (n_length == n_other_length && n_index < n_other_index);
}

/** How the search measures the candidates; both pick the same winner and give the same bytes. */
enum class SearchMethod {
	Plain, // every candidate compressed completely: the reference
	Fast // every plane predicted once per predictor, candidates measured from run-length summaries (fast_search.h)
};

/**
 *	Finds the predictor combination whose compressed stream is shortest, on
 *	all participants of a worker pool, and keeps that stream. Among streams
 *	of equal length the lowest candidate number wins, so the result never
 *	depends on the number of threads or their timing.
 *
 *	As a PoolJob the search is the plain method: each participant takes
 *	candidate numbers from a counter and compresses each candidate
 *	completely. The fast method measures every candidate without coding it
 *	and then compresses only the winner, the same way. The winner's stream
 *	re-proves its measurement: should they differ, the search warns and
 *	searches again by the plain method, so the result is the same.
 */
class PredictorSearch : public PoolJob {
public:
	PredictorSearch(const RasterImage &r_image, const PlaneSettings &r_settings, int n_tried_num,
		SearchMethod n_method = SearchMethod::Fast);

	/**
	 *	@brief builds the planes before prediction, which all candidates share
	 *	@return false when memory runs out
	 */
	bool b_Prepare();

	/**
	 *	@brief runs the search, after b_Prepare(), on the participants of a pool
	 *	@return false when memory ran out or the pool failed, in any participant
	 *		(n_Error() tells the search's own failures from the pool's)
	 */
	bool b_Run(WorkerPool &r_pool);

	/** @brief the first failure of the search itself, in b_Prepare(), b_Run() or any participant */
	SearchError n_Error() const { return m_n_error; }

	/** @brief has the search report its progress to p_progress (called on the thread that calls b_Run()) */
	void SetProgress(SearchProgress *p_progress) { m_p_progress = p_progress; }

	/** @brief has the search print its warnings and errors to p_stream instead of standard error */
	void SetMessageStream(FILE *p_stream) { m_p_message_stream = p_stream; }

	/** @brief evaluates candidates completely until the counter is exhausted; false when memory runs out or the lock fails */
	bool b_RunParticipant(int n_participant_num) override;
	const char *p_s_Error() const override;

	int n_CandidateNum() const;

	/** @brief moves out the winner's Huffman coder output: 4-byte length prefix, then the compressed stream */
	void TakeBestOutput(ByteBuffer &r_output) { r_output.Swap(m_best_output); }
	const CompressionCandidate &t_BestCandidate() const { return m_t_best; }
	uint32_t n_BestRleSize() const { return m_n_best_rle_size; }
	/** @brief length of a candidate's compressed stream (without the length prefix), once the search has run */
	size_t n_StreamLength(int n_index) const { return m_p_stream_length[size_t(n_index)]; }

	/** @brief the shared planes before prediction, between b_Prepare() and b_Run() */
	const uint8_t *p_Planes() const { return m_planes.p_Data(); }
	/** @brief frees the shared planes, once the search has run */
	void ReleasePlanes() { m_planes = ByteBuffer(); }

protected:
	/** Buffers that one participant reuses for every candidate it evaluates. */
	struct CandidateBuffers {
		ByteBuffer planes, rle, output;
	};

	/** @brief compresses one candidate completely and keeps it if it is the best so far; false when memory runs out */
	virtual bool b_EvaluateCandidate(const CompressionCandidate &r_candidate, CandidateBuffers &r_buffers);

	/** @brief measures the stream length of every candidate from run-length summaries (FastSearch); false when memory runs out */
	virtual bool b_MeasureCandidates(WorkerPool &r_pool, size_t *p_stream_length);

private:
	bool b_PredictPlanes(const CompressionCandidate &r_candidate, uint8_t *p_planes) const;
	/** @brief predicts, run-length codes and Huffman codes one candidate into r_buffers */
	bool b_EncodeCandidate(const CompressionCandidate &r_candidate, CandidateBuffers &r_buffers) const;
	/** @brief run-length codes and Huffman codes a predicted plane block into r_buffers */
	static bool b_CodeResiduals(const ByteBuffer &r_residuals, CandidateBuffers &r_buffers);
	/** @brief makes an encoded candidate the best, taking its stream out of r_buffers */
	void KeepBest(const CompressionCandidate &r_candidate, CandidateBuffers &r_buffers);
	/** @brief measures every candidate the fast way, then compresses the winner */
	bool b_RunFast(WorkerPool &r_pool);
	/** @brief records a failure of the search, unless one is recorded already; returns false */
	bool b_Fail(SearchError n_error);

	const RasterImage &m_r_image;
	const PlaneSettings m_t_settings;
	const int m_n_predictor_num;
	const SearchMethod m_n_method;
	SearchProgress *m_p_progress = nullptr;
	FILE *m_p_message_stream = stderr;
	ProgressNotifier m_progress; // made by b_Run(), on its thread
	ByteBuffer m_planes; // before prediction, shared read-only by all participants (the winner is coded in them)
	std::unique_ptr<size_t[]> m_p_stream_length; // per candidate; each entry written by one participant

	AtomicCounter m_candidate_counter;
	Mutex m_result_lock; // guards the fields below
	ByteBuffer m_best_output;
	CompressionCandidate m_t_best = {-1, 0, 0, 0};
	uint32_t m_n_best_rle_size = 0;
	std::atomic<SearchError> m_n_error{SearchError::None};
};
