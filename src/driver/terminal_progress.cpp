#include "driver/terminal_progress.h"

TerminalProgress::TerminalProgress(FILE *p_stream, bool b_terminal, int n_quiet_ms)
	:m_p_stream(p_stream), m_b_terminal(b_terminal), m_t_start(std::chrono::steady_clock::now()),
	m_t_quiet(n_quiet_ms), m_t_last_shown(m_t_start)
{}

TerminalProgress::~TerminalProgress()
{
	if(m_n_shown_length) {
		fprintf(m_p_stream, "\r%*s\r", m_n_shown_length, "");
		fflush(m_p_stream);
	}
}

void TerminalProgress::Report(int n_candidate_num, bool b_measuring, int n_done, int n_total)
{
	if(!m_b_terminal)
		return;
	const std::chrono::steady_clock::time_point t_now = std::chrono::steady_clock::now();
	if(t_now - m_t_start < m_t_quiet || (m_n_shown_length && t_now - m_t_last_shown < std::chrono::milliseconds(100)))
		return;
	m_t_last_shown = t_now;
	const int n_length = (b_measuring)?
		fprintf(m_p_stream, "\rsearching predictors: %d of %d candidates", n_done, n_total) :
		fprintf(m_p_stream, "\rsearching predictors: %d candidates, planes predicted: %d of %d",
			n_candidate_num, n_done, n_total);
	if(n_length - 1 < m_n_shown_length) // the carriage return takes no column
		fprintf(m_p_stream, "%*s", m_n_shown_length - (n_length - 1), "");
	if(n_length - 1 > m_n_shown_length)
		m_n_shown_length = n_length - 1;
	fflush(m_p_stream);
}
