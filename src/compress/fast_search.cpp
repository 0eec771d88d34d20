#include "compress/fast_search.h"

#include <cstring>
#include <new>

#include "compress/byte_buffer.h"
#include "compress/predictor.h"
#include "compress/predictor_search.h"
#include "compress/stream_format.h"

FastSearch::FastSearch(const uint8_t *p_planes, int n_width, int n_height, const PlaneSettings &r_settings,
	int n_tried_num, size_t *p_stream_length, const ProgressNotifier &r_progress)
	:m_p_planes(p_planes), m_t_settings(r_settings), m_n_predictor_num(n_tried_num),
	m_p_stream_length(p_stream_length), m_n_plane_num(0), m_progress(r_progress)
{
	m_n_plane_num = n_PlaneSpans(n_width, n_height, r_settings.n_subsample, n_ColorType(r_settings), m_p_plane);
	m_n_largest_plane = size_t(n_width) * size_t(n_height); // luma and alpha are never smaller than chroma
}

FastSearch::~FastSearch()
{
	delete[] m_p_summary;
}

bool FastSearch::b_Run(WorkerPool &r_pool)
{
	m_p_summary = new(std::nothrow) PlaneRunSummary[size_t(m_n_plane_num) * size_t(m_n_predictor_num)];
	if(!m_p_summary) {
		m_b_no_memory = true;
		return false;
	}
	// the end of a pool job is the barrier between the stages: every summary
	// is written before any candidate reads it
	m_n_stage = Stage::Summaries;
	m_job_counter.Set(0);
	if(!r_pool.b_RunJob(*this))
		return false;
	m_n_stage = Stage::Lengths;
	m_job_counter.Set(0);
	return r_pool.b_RunJob(*this);
}

bool FastSearch::b_RunParticipant(int /*n_participant_num*/)
{
	if(m_n_stage == Stage::Summaries) {
		if(b_SummarisePlanes())
			return true;
		m_b_no_memory = true; // the only way a summary fails
		return false;
	}
	MeasureCandidates();
	return true;
}

bool FastSearch::b_SummarisePlanes()
{
	ByteBuffer plane; // this participant's copy of the plane it predicts
	if(!plane.b_Reserve(m_n_largest_plane))
		return false;
	const int n_candidate_num = ::n_CandidateNum(m_n_predictor_num, m_t_settings.b_gray, m_t_settings.b_alpha);
	for(const int n_job_num = m_n_plane_num * m_n_predictor_num;;) {
		const int n_job = m_job_counter.n_Increment() - 1;
		m_progress.Notify(n_candidate_num, false, (n_job < n_job_num)? n_job : n_job_num, n_job_num);
		if(n_job >= n_job_num)
			return true;
		const PlaneSpan &r_shape = m_p_plane[n_job / m_n_predictor_num];
		const size_t n_size = size_t(r_shape.n_width) * size_t(r_shape.n_height);
		if(!plane.b_Resize(n_size))
			return false;
		memcpy(plane.p_Data(), m_p_planes + r_shape.n_offset, n_size);
		if(!b_PredictImagePlane(plane.p_Data(), r_shape.n_width, r_shape.n_height, n_job % m_n_predictor_num))
			return false;
		SummarisePlaneRuns(plane.p_Data(), n_size, m_p_summary[n_job]);
	}
}

void FastSearch::MeasureCandidates()
{
	const int n_candidate_num = ::n_CandidateNum(m_n_predictor_num, m_t_settings.b_gray, m_t_settings.b_alpha);
	for(;;) {
		const int n_index = m_job_counter.n_Increment() - 1;
		if(!(n_index & 63) || n_index >= n_candidate_num)
			m_progress.Notify(n_candidate_num, true, (n_index < n_candidate_num)? n_index : n_candidate_num, n_candidate_num);
		if(n_index >= n_candidate_num)
			return;
		const CompressionCandidate t_candidate = t_Candidate(n_index, m_n_predictor_num,
			m_t_settings.b_gray, m_t_settings.b_alpha);
		const int p_predictor[] = {t_candidate.n_predictor_y, t_candidate.n_predictor_uv,
			t_candidate.n_predictor_a};
		const PlaneRunSummary *p_plane_list[n_max_plane_num];
		for(int i = 0; i < m_n_plane_num; ++ i)
			p_plane_list[i] = &m_p_summary[i * m_n_predictor_num + p_predictor[m_p_plane[i].n_kind]];
		uint32_t p_frequency[n_byte_value_num];
		BlockRunLengthHistogram(p_plane_list, m_n_plane_num, p_frequency);
		m_p_stream_length[n_index] = n_HuffmanStreamLength(p_frequency);
	}
}
