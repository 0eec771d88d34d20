#include "compress/rle_histogram.h"

#include <algorithm>
#include <cstring>

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

static_assert(n_rle_min_run == 3, "n_NextRunStart() looks for three equal bytes");

/**
 *	@brief finds the first position from n_begin on where a repeat of
 *		n_rle_min_run or more bytes starts, within n_end; n_end if there is none
 *	@note n_begin must start a repeat (or the byte before it differ), so that
 *		the position found starts a repeat too.
 */
size_t n_NextRunStart(const uint8_t *p_data, size_t n_begin, size_t n_end)
{
	// most of a predicted plane is short repeats: rule out eight positions at
	// a time, with a word whose byte j is zero where bytes j, j + 1 and j + 2
	// are equal, and look at single bytes only where such a zero may be
	const uint64_t n_low_bits = 0x0101010101010101ULL, n_high_bits = 0x8080808080808080ULL;
	const size_t n_word = sizeof(uint64_t);
	size_t p = n_begin;
	for(; p + n_word + 2 <= n_end; p += n_word) {
		uint64_t a, b, c;
		memcpy(&a, p_data + p, n_word);
		memcpy(&b, p_data + p + 1, n_word);
		memcpy(&c, p_data + p + 2, n_word);
		const uint64_t m = (a ^ b) | (b ^ c);
		if((m - n_low_bits) & ~m & n_high_bits)
			break;
	}
	for(; p + 2 < n_end; ++ p) {
		if(p_data[p] == p_data[p + 1] && p_data[p] == p_data[p + 2])
			return p;
	}
	return n_end;
}

} // namespace

void SummarisePlaneRuns(const uint8_t *p_plane, size_t n_size, PlaneRunSummary &r_summary)
{
	uint32_t *p_frequency = r_summary.p_inner_frequency;
	r_summary.n_size = n_size;
	r_summary.n_head_literal = r_summary.n_tail_literal = 0;
	r_summary.b_inner_run = false;
	if(!n_size) {
		std::fill(p_frequency, p_frequency + n_byte_value_num, 0);
		r_summary.n_first_value = r_summary.n_last_value = 0;
		r_summary.n_first_length = r_summary.n_last_length = 0;
		return;
	}
	r_summary.n_first_value = p_plane[0];
	r_summary.n_first_length = n_RepeatLength(p_plane, n_size);
	if(r_summary.n_first_length == n_size) {
		std::fill(p_frequency, p_frequency + n_byte_value_num, 0);
		r_summary.n_last_value = p_plane[0];
		r_summary.n_last_length = n_size;
		return;
	}
	size_t n_last_begin = n_size - 1;
	while(p_plane[n_last_begin - 1] == p_plane[n_size - 1])
		-- n_last_begin; // stops at the first repeat's end at the latest
	r_summary.n_last_value = p_plane[n_size - 1];
	r_summary.n_last_length = n_size - n_last_begin;

	// Every inner byte is literal unless it belongs to an inner run, so count
	// them all and take the runs back out as they are found. An inner repeat
	// has at least one byte of its own plane after it, so it starts early
	// enough to be a run whatever follows the plane: its length alone decides.
	const size_t n_inner_begin = r_summary.n_first_length, n_inner_end = n_size - r_summary.n_last_length;
	CountByteFrequencies(p_plane + n_inner_begin, n_inner_end - n_inner_begin, p_frequency);
	size_t n_literal_begin = n_inner_begin;
	for(size_t p = n_inner_begin; (p = n_NextRunStart(p_plane, p, n_inner_end)) < n_inner_end;) {
		const size_t k = n_RepeatLength(p_plane + p, n_inner_end - p);
		if(r_summary.b_inner_run)
			AddLiteralCodes(p_frequency, p - n_literal_begin);
		else
			r_summary.n_head_literal = p - n_literal_begin;
		p_frequency[p_plane[p]] -= uint32_t(k);
		AddRunPackets(p_frequency, p_plane[p], k);
		r_summary.b_inner_run = true;
		n_literal_begin = p += k;
	}
	if(r_summary.b_inner_run)
		r_summary.n_tail_literal = n_inner_end - n_literal_begin;
	else
		r_summary.n_head_literal = n_inner_end - n_inner_begin;
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
