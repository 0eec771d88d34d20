#include "compress/predictor_search.h"

#include <cstdio>
#include <cstring>
#include <new>

#include "compress/fast_search.h"
#include "compress/huffman_coder.h"
#include "compress/predictor.h"
#include "compress/rle_coder.h"
#include "compress/stream_format.h"

CompressionCandidate t_Candidate(int n_index, int n_tried_num, bool b_gray, bool b_alpha)
{
	CompressionCandidate t_candidate = {n_index, 0, 0, 0};
	int n_rest = n_index;
	if(!b_gray) {
		t_candidate.n_predictor_uv = n_rest % n_tried_num;
		n_rest /= n_tried_num;
	}
	t_candidate.n_predictor_y = n_rest % n_tried_num;
	n_rest /= n_tried_num;
	if(b_alpha)
		t_candidate.n_predictor_a = n_rest % n_tried_num;
	return t_candidate;
}

int n_CandidateNum(int n_tried_num, bool b_gray, bool b_alpha)
{
	int n_num = n_tried_num;
	if(!b_gray)
		n_num *= n_tried_num;
	if(b_alpha)
		n_num *= n_tried_num;
	return n_num;
}

PredictorSearch::PredictorSearch(const RasterImage &r_image, const PlaneSettings &r_settings, int n_tried_num,
	SearchMethod n_method)
	:m_r_image(r_image), m_t_settings(r_settings), m_n_predictor_num(n_tried_num), m_n_method(n_method)
{}

int PredictorSearch::n_CandidateNum() const
{
	return ::n_CandidateNum(m_n_predictor_num, m_t_settings.b_gray, m_t_settings.b_alpha);
}

bool PredictorSearch::b_Prepare()
{
	m_p_stream_length.reset(new(std::nothrow) size_t[size_t(n_CandidateNum())]);
	if(!m_p_stream_length || !b_BuildPlanes(m_r_image, m_t_settings, m_planes))
		return b_Fail(SearchError::NoMemory);
	return true;
}

bool PredictorSearch::b_Run(WorkerPool &r_pool)
{
	m_progress = ProgressNotifier(m_p_progress);
	return (m_n_method == SearchMethod::Plain)? r_pool.b_RunJob(*this) : b_RunFast(r_pool);
}

bool PredictorSearch::b_MeasureCandidates(WorkerPool &r_pool, size_t *p_stream_length)
{
	FastSearch lengths(m_planes.p_Data(), m_r_image.n_width, m_r_image.n_height, m_t_settings,
		m_n_predictor_num, p_stream_length, m_progress);
	if(lengths.b_Run(r_pool))
		return true;
	// the measurement's own failures are memory; any other is the pool's
	return (lengths.b_OutOfMemory())? b_Fail(SearchError::NoMemory) : false;
}

bool PredictorSearch::b_RunFast(WorkerPool &r_pool)
{
	if(!b_MeasureCandidates(r_pool, m_p_stream_length.get()))
		return false;
	int n_best = 0;
	for(int i = 1, n_candidate_num = n_CandidateNum(); i < n_candidate_num; ++ i) {
		if(b_Outranks(m_p_stream_length[size_t(i)], i, m_p_stream_length[size_t(n_best)], n_best))
			n_best = i;
	}
	// only the winner's bits are written, by the same coders as in the plain search,
	// but from the shared planes themselves, which saves the memory of a copy of
	// them while its stream grows
	const CompressionCandidate t_best = t_Candidate(n_best, m_n_predictor_num,
		m_t_settings.b_gray, m_t_settings.b_alpha);
	size_t n_encoded;
	{
		CandidateBuffers buffers;
		if(!b_PredictPlanes(t_best, m_planes.p_Data()) || !b_CodeResiduals(m_planes, buffers))
			return b_Fail(SearchError::NoMemory);
		n_encoded = buffers.output.n_Size() - n_length_prefix_size;
		KeepBest(t_best, buffers);
	}
	// the measurement came from summaries alone; the stream proves it or
	// shows a defect in them, and the plain search still finds the shortest,
	// in planes built again
	const size_t n_measured = m_p_stream_length[size_t(n_best)];
	if(n_encoded != n_measured) {
		fprintf(m_p_message_stream, "warning: the fast search measured %zu bytes for the winning predictors, "
			"their stream has %zu; searching again by encoding every candidate\n", n_measured, n_encoded);
		m_t_best.n_index = -1; // the plain search starts afresh
		if(!b_BuildPlanes(m_r_image, m_t_settings, m_planes))
			return b_Fail(SearchError::NoMemory);
		return r_pool.b_RunJob(*this);
	}
	return true;
}

const char *PredictorSearch::p_s_Error() const
{
	return (m_n_error == SearchError::LockFailed)? "failed to lock the best result of the search" : "not enough memory";
}

bool PredictorSearch::b_Fail(SearchError n_error)
{
	SearchError n_none = SearchError::None;
	m_n_error.compare_exchange_strong(n_none, n_error);
	return false;
}

bool PredictorSearch::b_RunParticipant(int /*n_participant_num*/)
{
	CandidateBuffers buffers;
	for(const int n_candidate_num = n_CandidateNum();;) {
		const int n_index = m_candidate_counter.n_Increment() - 1;
		m_progress.Notify(n_candidate_num, true, (n_index < n_candidate_num)? n_index : n_candidate_num, n_candidate_num);
		if(n_index >= n_candidate_num)
			return true;
		const CompressionCandidate t_candidate = t_Candidate(n_index, m_n_predictor_num,
			m_t_settings.b_gray, m_t_settings.b_alpha);
		if(!b_EvaluateCandidate(t_candidate, buffers))
			return b_Fail(SearchError::NoMemory); // a failed lock, recorded first, stays; the others finish the job
	}
}

bool PredictorSearch::b_PredictPlanes(const CompressionCandidate &r_candidate, uint8_t *p_planes) const
{
	const int p_predictor[] = {r_candidate.n_predictor_y, r_candidate.n_predictor_uv, r_candidate.n_predictor_a};
	return b_PredictPlaneBlock(p_planes, m_r_image.n_width, m_r_image.n_height, m_t_settings.n_subsample,
		n_ColorType(m_t_settings), p_predictor);
}

bool PredictorSearch::b_EncodeCandidate(const CompressionCandidate &r_candidate, CandidateBuffers &r_buffers) const
{
	// every candidate predicts its own copy of the shared planes, then codes all planes as one stream
	if(!r_buffers.planes.b_Resize(m_planes.n_Size()))
		return false;
	if(m_planes.n_Size())
		memcpy(r_buffers.planes.p_Data(), m_planes.p_Data(), m_planes.n_Size());
	return b_PredictPlanes(r_candidate, r_buffers.planes.p_Data()) && b_CodeResiduals(r_buffers.planes, r_buffers);
}

bool PredictorSearch::b_CodeResiduals(const ByteBuffer &r_residuals, CandidateBuffers &r_buffers)
{
	return b_RunLengthEncode(r_residuals.p_Data(), r_residuals.n_Size(), r_buffers.rle) &&
		b_HuffmanEncode(r_buffers.rle.p_Data(), r_buffers.rle.n_Size(), r_buffers.output);
}

bool PredictorSearch::b_EvaluateCandidate(const CompressionCandidate &r_candidate, CandidateBuffers &r_buffers)
{
	if(!b_EncodeCandidate(r_candidate, r_buffers))
		return false;
	m_p_stream_length[size_t(r_candidate.n_index)] = r_buffers.output.n_Size() - n_length_prefix_size;

	MutexLock lock(m_result_lock);
	if(!lock.b_Locked())
		return b_Fail(SearchError::LockFailed);
	if(m_t_best.n_index < 0 || b_Outranks(r_buffers.output.n_Size(), r_candidate.n_index,
	   m_best_output.n_Size(), m_t_best.n_index))
		KeepBest(r_candidate, r_buffers); // the old best's buffer is reused by this participant
	return true;
}

void PredictorSearch::KeepBest(const CompressionCandidate &r_candidate, CandidateBuffers &r_buffers)
{
	m_best_output.Swap(r_buffers.output);
	m_t_best = r_candidate;
	m_n_best_rle_size = uint32_t(r_buffers.rle.n_Size());
}
