#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "compress/huffman_coder.h"
#include "compress/rle_coder.h"
#include "compress/rle_histogram.h"
#include "support/byte_patterns.h"

namespace {

typedef std::vector<Bytes> PlaneList;

std::string s_Describe(const PlaneList &r_planes)
{
	std::string s_text;
	for(const Bytes &r_plane : r_planes) {
		s_text += "[" + std::to_string(r_plane.size()) + " bytes:";
		for(size_t i = 0; i < r_plane.size() && i < 16; ++ i)
			s_text += " " + std::to_string(r_plane[i]);
		s_text += "]";
	}
	return s_text;
}

/** @brief the histogram of the coder's output of the planes end to end */
std::vector<uint32_t> CoderHistogram(const PlaneList &r_planes)
{
	Bytes block;
	for(const Bytes &r_plane : r_planes)
		block.insert(block.end(), r_plane.begin(), r_plane.end());
	ByteBuffer packets;
	EXPECT_TRUE(b_RunLengthEncode(block.data(), block.size(), packets));
	std::vector<uint32_t> frequency(n_byte_value_num);
	CountByteFrequencies(packets.p_Data(), packets.n_Size(), frequency.data());
	return frequency;
}

/** @brief the histogram assembled from summaries of the planes, each made alone */
std::vector<uint32_t> SummaryHistogram(const PlaneList &r_planes)
{
	std::vector<PlaneRunSummary> summaries(r_planes.size());
	std::vector<const PlaneRunSummary*> summary_list;
	for(size_t i = 0; i < r_planes.size(); ++ i) {
		SummarisePlaneRuns(r_planes[i].data(), r_planes[i].size(), summaries[i]);
		summary_list.push_back(&summaries[i]);
	}
	std::vector<uint32_t> frequency(n_byte_value_num);
	BlockRunLengthHistogram(summary_list.data(), int(summary_list.size()), frequency.data());
	return frequency;
}

/** @brief true when both histograms agree; reports the first value they count differently */
bool b_SameHistogram(const PlaneList &r_planes)
{
	const std::vector<uint32_t> coder = CoderHistogram(r_planes), summary = SummaryHistogram(r_planes);
	for(int i = 0; i < n_byte_value_num; ++ i) {
		if(coder[i] != summary[i]) {
			ADD_FAILURE() << s_Describe(r_planes) << ": byte " << i << " counted " << summary[i] <<
				" times, the coder wrote it " << coder[i] << " times";
			return false;
		}
	}
	return true;
}

Bytes Repeated(size_t n_length, uint8_t n_value)
{
	return Bytes(n_length, n_value);
}

/** @brief n_length bytes without three equal neighbours, counting up from n_first */
Bytes Counting(size_t n_length, uint8_t n_first = 100)
{
	Bytes data(n_length);
	for(size_t i = 0; i < n_length; ++ i)
		data[i] = uint8_t(n_first + i);
	return data;
}

Bytes Join(std::initializer_list<Bytes> parts)
{
	Bytes data;
	for(const Bytes &r_part : parts)
		data.insert(data.end(), r_part.begin(), r_part.end());
	return data;
}

} // namespace

TEST(BlockRunLengthHistogram, RepeatsJoinAcrossPlaneBoundaries)
{
	const PlaneList cases[] = {
		{HexBytes("01 02 05 05"), HexBytes("05 03 04 06")}, // a pair and a single make a run of three
		{HexBytes("01 07 07 07 07"), HexBytes("07 07 02 03 04")}, // a run goes on into the next plane
		{HexBytes("01 02 03 09"), HexBytes("09"), HexBytes("09 04 05 06")}, // through a plane of one byte
		{HexBytes("01 02 09 09"), Repeated(300, 9), HexBytes("09 09 09 04 05")}, // through a whole plane, in blocks of 128
		{HexBytes("01 02 09"), HexBytes("08"), HexBytes("09 09 03 04")}, // equal values that do not touch
		{Join({Counting(20), Repeated(130, 0)}), Repeated(127, 0), HexBytes("00 05 06 07 08")},
		{Repeated(5, 4), Repeated(5, 4), Repeated(5, 4)}, // one repeat fills the block
		{HexBytes("06 06"), HexBytes("07 07"), HexBytes("06 06 06 01 02 03")} // pairs that stay pairs
	};
	for(const PlaneList &r_planes : cases)
		EXPECT_TRUE(b_SameHistogram(r_planes));
}

TEST(BlockRunLengthHistogram, RunOfThreeAtEndOfABlockStaysLiteralButNotAtEndOfAPlane)
{
	const PlaneList cases[] = {
		{HexBytes("01 02 03 04 04 04"), HexBytes("09 08")}, // a run: bytes follow in the block
		{HexBytes("09 08"), HexBytes("01 02 03 04 04 04")}, // literal: the block ends
		{HexBytes("09 08 04"), HexBytes("04 04")}, // joined at the end: still three, still literal
		{HexBytes("09 08 04"), HexBytes("04 04 04")}, // four: a run
		{HexBytes("01 02"), HexBytes("04"), HexBytes("04"), HexBytes("04")},
		{HexBytes("04 04 04")}, {HexBytes("04 04 04 04")}, {HexBytes("05 04 04 04")},
		{HexBytes("05 05 05"), HexBytes("04 04 04")}
	};
	for(const PlaneList &r_planes : cases)
		EXPECT_TRUE(b_SameHistogram(r_planes));
}

TEST(BlockRunLengthHistogram, LiteralStretchesJoinAcrossPlanesAndSplitInBlocksOf128)
{
	const PlaneList cases[] = {
		{Counting(100), Counting(100, 7), Counting(100, 31)}, // one stretch of 300 over three planes
		{Join({Repeated(4, 1), Counting(200)}), Counting(60), Join({Counting(70), Repeated(4, 2)})},
		{Join({Counting(127), Repeated(3, 1), Counting(1)}), Counting(128)}, // 127, a run, then 129
		{Counting(128), Counting(128)},
		{Counting(129), Join({Repeated(5, 3), Counting(255), Repeated(5, 3), Counting(1)}), Counting(127)},
		{Counting(1), Counting(1), Counting(1), Counting(1)}
	};
	for(const PlaneList &r_planes : cases)
		EXPECT_TRUE(b_SameHistogram(r_planes));
}

TEST(BlockRunLengthHistogram, RunIsFoundAtEveryPlaceInALongLiteralStretch)
{
	// the summary skips literal stretches several bytes at a time: a run must
	// be found at every alignment, also right at its edges
	for(size_t n_at = 0; n_at + 3 <= 48; ++ n_at) {
		for(size_t n_length : {3, 4, 5}) {
			Bytes plane = Counting(48);
			for(size_t i = n_at; i < n_at + n_length && i < plane.size(); ++ i)
				plane[i] = 0xee;
			EXPECT_TRUE(b_SameHistogram({Counting(5, 1), plane, Counting(5, 2)}));
			EXPECT_TRUE(b_SameHistogram({plane}));
		}
	}
}

TEST(BlockRunLengthHistogram, EveryBlockOfTinyPlanesOverTwoValues)
{
	// all blocks of four planes of up to three bytes over two values: every
	// way a junction can go at that size, including planes that are empty
	std::vector<Bytes> planes;
	for(size_t n_length = 0; n_length <= 3; ++ n_length) {
		for(size_t n_bits = 0; n_bits < (size_t(1) << n_length); ++ n_bits) {
			Bytes plane(n_length);
			for(size_t i = 0; i < n_length; ++ i)
				plane[i] = uint8_t(n_bits >> i & 1);
			planes.push_back(plane);
		}
	}
	size_t n_failure_num = 0;
	for(const Bytes &a : planes) {
		for(const Bytes &b : planes) {
			for(const Bytes &c : planes) {
				for(const Bytes &d : planes)
					n_failure_num += (b_SameHistogram({a, b, c, d}))? 0 : 1;
			}
		}
	}
	EXPECT_EQ(n_failure_num, 0u);
}

TEST(BlockRunLengthHistogram, RandomBlocksOfPredictedLookingPlanes)
{
	std::mt19937 random(2024);
	auto Plane = [&random]() {
		const size_t n_size = random() % 700;
		Bytes plane(n_size);
		switch(random() % 4) {
		case 0: // residuals near zero: many short repeats
			for(uint8_t &r_byte : plane)
				r_byte = uint8_t(random() % 3);
			break;
		case 1: // long repeats with noise between
			for(size_t i = 0; i < n_size;) {
				const uint8_t n_value = uint8_t(random() % 3);
				for(size_t n = 1 + random() % 200; n && i < n_size; -- n)
					plane[i ++] = n_value;
				if(i < n_size && random() % 2)
					plane[i ++] = uint8_t(random());
			}
			break;
		case 2: // noise: almost no runs
			for(uint8_t &r_byte : plane)
				r_byte = uint8_t(random());
			break;
		default: // flat, as a plane of one colour predicts
			plane.assign(n_size, uint8_t(random() % 2));
			if(n_size)
				plane[0] = uint8_t(random() % 3);
		}
		return plane;
	};
	size_t n_failure_num = 0;
	for(int n_case = 0; n_case < 3000; ++ n_case) {
		PlaneList planes(1 + random() % 4);
		for(Bytes &r_plane : planes)
			r_plane = Plane();
		n_failure_num += (b_SameHistogram(planes))? 0 : 1;
	}
	EXPECT_EQ(n_failure_num, 0u);
}
