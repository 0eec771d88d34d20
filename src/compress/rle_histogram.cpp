#include "compress/rle_histogram.h"

#include <algorithm>

#include "compress/rle_coder.h"

namespace {

void AddRunPackets(uint32_t p_frequency[n_byte_value_num], uint8_t n_value, size_t n_length)
{
	ForEachRlePacket(n_length, [&](size_t k) {
		++ p_frequency[n_RleRunCode(k)];
		++ p_frequency[n_value];
	});
}

/** @brief adds the code bytes of a literal stretch; its bytes are counted where they are known */
void AddLiteralCodes(uint32_t p_frequency[n_byte_value_num], size_t n_length)
{
	ForEachRlePacket(n_length, [&](size_t k) { ++ p_frequency[n_RleLiteralCode(k)]; });
}

/**
 *	Counts the packets of a block whose repeats and literal stretches arrive
 *	in block order, a piece at a time. A repeat stays pending while the next
 *	piece may continue it; a literal stretch grows until a run ends it.
 */
class BlockTally {
public:
	BlockTally(uint32_t p_frequency[n_byte_value_num], size_t n_block_size)
		:m_p_frequency(p_frequency), m_n_block_size(n_block_size)
	{}

	/** @brief adds n_length bytes of n_value starting at n_start, joining the pending repeat if they continue it */
	void AddRepeat(uint8_t n_value, size_t n_start, size_t n_length)
	{
		if(m_n_repeat_length && n_value == m_n_repeat_value) {
			m_n_repeat_length += n_length;
			return;
		}
		EndRepeat();
		m_n_repeat_value = n_value;
		m_n_repeat_start = n_start;
		m_n_repeat_length = n_length;
	}

	/** @brief codes the pending repeat: the next byte differs from it */
	void EndRepeat()
	{
		if(!m_n_repeat_length)
			return;
		if(b_RleCodesAsRun(m_n_repeat_start, m_n_repeat_length, m_n_block_size)) {
			EndLiteral();
			AddRunPackets(m_p_frequency, m_n_repeat_value, m_n_repeat_length);
		} else {
			m_p_frequency[m_n_repeat_value] += uint32_t(m_n_repeat_length);
			m_n_literal += m_n_repeat_length;
		}
		m_n_repeat_length = 0;
	}

	/** @brief lengthens the literal stretch by bytes that are counted already */
	void AddLiteral(size_t n_length) { m_n_literal += n_length; }

	/** @brief codes the literal stretch: a run follows */
	void EndLiteral()
	{
		AddLiteralCodes(m_p_frequency, m_n_literal);
		m_n_literal = 0;
	}

private:
	uint32_t *m_p_frequency;
	const size_t m_n_block_size;
	uint8_t m_n_repeat_value = 0;
	size_t m_n_repeat_start = 0;
	size_t m_n_repeat_length = 0; // 0: no repeat pending
	size_t m_n_literal = 0;
};

/** @brief adds the bytes of a literal stretch to the histogram */
void AddLiteralBytes(uint32_t p_frequency[n_byte_value_num], const uint8_t *p_literal, size_t n_length)
{
	for(const uint8_t *p_end = p_literal + n_length; p_literal != p_end; ++ p_literal)
		++ p_frequency[*p_literal];
}

} // namespace

void SummarisePlaneRuns(const uint8_t *p_plane, size_t n_size, PlaneRunSummary &r_summary)
{
	uint32_t *p_frequency = r_summary.p_inner_frequency;
	r_summary.n_size = n_size;
	r_summary.n_head_literal = r_summary.n_tail_literal = 0;
	r_summary.b_inner_run = false;
	std::fill(p_frequency, p_frequency + n_byte_value_num, 0);
	if(!n_size) {
		r_summary.n_first_value = r_summary.n_last_value = 0;
		r_summary.n_first_length = r_summary.n_last_length = 0;
		return;
	}
	r_summary.n_first_value = p_plane[0];
	r_summary.n_first_length = n_RepeatLength(p_plane, n_size);
	if(r_summary.n_first_length == n_size) {
		r_summary.n_last_value = p_plane[0];
		r_summary.n_last_length = n_size;
		return;
	}
	size_t n_last_begin = n_size - 1;
	while(p_plane[n_last_begin - 1] == p_plane[n_size - 1])
		-- n_last_begin; // stops at the first repeat's end at the latest
	r_summary.n_last_value = p_plane[n_size - 1];
	r_summary.n_last_length = n_size - n_last_begin;

	// An inner repeat has at least one byte of its own plane after it, so it
	// starts early enough to be a run whatever follows the plane: the walk
	// counts the last repeat as input still to come.
	const size_t n_inner_begin = r_summary.n_first_length, n_inner_end = n_size - r_summary.n_last_length;
	const uint8_t *p_inner = p_plane + n_inner_begin;
	b_ForEachRleStretch(p_inner, n_inner_end - n_inner_begin, r_summary.n_last_length,
		[&](size_t n_literal_begin, size_t n_literal, size_t n_run) {
			AddLiteralBytes(p_frequency, p_inner + n_literal_begin, n_literal);
			if(!r_summary.b_inner_run)
				r_summary.n_head_literal = n_literal; // its codes depend on the plane before
			else if(n_run)
				AddLiteralCodes(p_frequency, n_literal);
			else
				r_summary.n_tail_literal = n_literal; // its codes depend on the plane after
			if(n_run) {
				AddRunPackets(p_frequency, p_inner[n_literal_begin + n_literal], n_run);
				r_summary.b_inner_run = true;
			}
			return true;
		});
}

void BlockRunLengthHistogram(const PlaneRunSummary *const *p_plane_list, int n_plane_num,
	uint32_t p_frequency[n_byte_value_num])
{
	std::fill(p_frequency, p_frequency + n_byte_value_num, 0);
	size_t n_block_size = 0;
	for(int i = 0; i < n_plane_num; ++ i) {
		const PlaneRunSummary &r_plane = *p_plane_list[i];
		n_block_size += r_plane.n_size;
		for(int j = 0; j < n_byte_value_num; ++ j)
			p_frequency[j] += r_plane.p_inner_frequency[j];
	}

	BlockTally tally(p_frequency, n_block_size);
	size_t n_offset = 0;
	for(int i = 0; i < n_plane_num; ++ i) {
		const PlaneRunSummary &r_plane = *p_plane_list[i];
		if(!r_plane.n_size)
			continue;
		tally.AddRepeat(r_plane.n_first_value, n_offset, r_plane.n_first_length);
		if(r_plane.n_first_length < r_plane.n_size) {
			tally.EndRepeat(); // the plane's next byte differs
			tally.AddLiteral(r_plane.n_head_literal);
			if(r_plane.b_inner_run) {
				tally.EndLiteral();
				tally.AddLiteral(r_plane.n_tail_literal);
			}
			tally.AddRepeat(r_plane.n_last_value, n_offset + r_plane.n_size - r_plane.n_last_length,
				r_plane.n_last_length);
		}
		n_offset += r_plane.n_size;
	}
	tally.EndRepeat();
	tally.EndLiteral();
}
