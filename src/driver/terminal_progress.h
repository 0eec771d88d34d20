#pragma once

#include <chrono>
#include <cstdio>

#include "compress/search_progress.h"

/**
 *	Shows the progress of a long search on a terminal: one line, rewritten in
 *	place at most ten times a second once the search has taken longer than a
 *	moment, and erased when it ends. Never writes anything to a stream that
 *	is not a terminal, so logs and scripts see exactly the tool's messages.
 */
class TerminalProgress : public SearchProgress {
public:
	/**
	 *	@param[in] p_stream is the stream to show the line on
	 *	@param[in] b_terminal tells whether it is a terminal
	 *	@param[in] n_quiet_ms is how long a search runs before the line shows
	 */
	TerminalProgress(FILE *p_stream, bool b_terminal, int n_quiet_ms = 500);
	/** @brief erases the line */
	~TerminalProgress();

	void Report(int n_candidate_num, bool b_measuring, int n_done, int n_total) override;

private:
	FILE *m_p_stream;
	const bool m_b_terminal;
	const std::chrono::steady_clock::time_point m_t_start;
	const std::chrono::milliseconds m_t_quiet;
	std::chrono::steady_clock::time_point m_t_last_shown;
	int m_n_shown_length = 0; // characters of the line on the terminal, 0 when nothing is shown
};
