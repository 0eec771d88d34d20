#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "compress/rle_coder.h"
#include "support/byte_patterns.h"

namespace {

/** One packet of a run-length stream, placed in the expanded data. */
struct Packet {
	bool b_run;
	size_t n_begin; // offset of its first expanded byte
	size_t n_length; // expanded bytes
};

/**
 *	Reference expansion: code byte c, then c odd: one byte that stands for
 *	(c >> 1) + 1 copies, c even: (c >> 1) + 1 bytes copied as they are.
 *	Returns false when the last packet is cut short.
 */
bool b_ExpandPackets(const Bytes &r_stream, Bytes &r_expanded, std::vector<Packet> &r_packets)
{
	r_expanded.clear();
	r_packets.clear();
	for(size_t i = 0; i < r_stream.size();) {
		const uint8_t n_code = r_stream[i ++];
		const Packet packet = {(n_code & 1) != 0, r_expanded.size(), size_t(n_code >> 1) + 1};
		const size_t n_follow = (packet.b_run)? 1 : packet.n_length;
		if(r_stream.size() - i < n_follow)
			return false;
		if(packet.b_run)
			r_expanded.insert(r_expanded.end(), packet.n_length, r_stream[i]);
		else
			r_expanded.insert(r_expanded.end(), r_stream.begin() + i, r_stream.begin() + i + n_follow);
		i += n_follow;
		r_packets.push_back(packet);
	}
	return true;
}

Bytes Encoded(const Bytes &r_input)
{
	ByteBuffer output;
	EXPECT_TRUE(b_RunLengthEncode(r_input.data(), r_input.size(), output));
	return Bytes(output.p_Data(), output.p_Data() + output.n_Size());
}

Bytes Concat(std::initializer_list<Bytes> parts)
{
	Bytes result;
	for(const Bytes &r_part : parts)
		result.insert(result.end(), r_part.begin(), r_part.end());
	return result;
}

} // namespace

TEST(RunLengthCoder, ShortInputsGiveTheDocumentedPackets)
{
	EXPECT_EQ(Encoded(Bytes()), Bytes());
	EXPECT_EQ(Encoded(HexBytes("41")), HexBytes("00 41"));
	EXPECT_EQ(Encoded(HexBytes("41 41 41 41 42")), HexBytes("07 41 00 42"));
	EXPECT_EQ(Encoded(HexBytes("41 42 42 42 42")), HexBytes("00 41 07 42"));
	EXPECT_EQ(Encoded(HexBytes("41 42 43 43 43 43")), HexBytes("02 41 42 07 43"));
}

TEST(RunLengthCoder, TwoEqualBytesNeverMakeARun)
{
	EXPECT_EQ(Encoded(HexBytes("41 41 42 42 43 43 44 44")), HexBytes("0E 41 41 42 42 43 43 44 44"));
	EXPECT_EQ(Encoded(HexBytes("41 41 42 43 43 43 43")), HexBytes("04 41 41 42 07 43"));
}

TEST(RunLengthCoder, RunOfThreeAtEndStaysLiteral)
{
	EXPECT_EQ(Encoded(HexBytes("41 42 43 43 43")), HexBytes("08 41 42 43 43 43"));
	EXPECT_EQ(Encoded(HexBytes("41 41 41")), HexBytes("04 41 41 41"));
	// after a run only three bytes are left: too few to look for another
	EXPECT_EQ(Encoded(HexBytes("41 41 41 41 41 42 42 42")), HexBytes("09 41 04 42 42 42"));
}

TEST(RunLengthCoder, LongRunSplitsIntoBlocksOf128)
{
	EXPECT_EQ(Encoded(Bytes(300, 0x78)), HexBytes("FF 78 FF 78 57 78"));
	EXPECT_EQ(Encoded(Bytes(256, 0x78)), HexBytes("FF 78 FF 78"));
}

TEST(RunLengthCoder, RunRemainderOfOneOrTwoIsStillARun)
{
	EXPECT_EQ(Encoded(Concat({Bytes(130, 0x55), HexBytes("01 02")})),
		HexBytes("FF 55 03 55 02 01 02"));
	EXPECT_EQ(Encoded(Concat({Bytes(129, 0x55), HexBytes("01 02 03")})),
		HexBytes("FF 55 01 55 04 01 02 03"));
}

TEST(RunLengthCoder, LiteralsSplitIntoBlocksOf128)
{
	Bytes input(200);
	for(size_t i = 0; i < input.size(); ++ i)
		input[i] = uint8_t(i / 2); // pairs, never three equal neighbours
	const Bytes expected = Concat({HexBytes("FE"), Bytes(input.begin(), input.begin() + 128),
		HexBytes("8E"), Bytes(input.begin() + 128, input.end())});
	EXPECT_EQ(Encoded(input), expected);
}

TEST(RunLengthCoder, OutputReplacesEarlierContents)
{
	ByteBuffer output;
	const Bytes first(50, 1), second = HexBytes("41 41 41 41 42");
	ASSERT_TRUE(b_RunLengthEncode(first.data(), first.size(), output));
	ASSERT_TRUE(b_RunLengthEncode(second.data(), second.size(), output));
	EXPECT_EQ(Bytes(output.p_Data(), output.p_Data() + output.n_Size()), HexBytes("07 41 00 42"));
}

/*
 *	The greedy choice, stated as properties of the output rather than as the
 *	scan that makes it: these together leave exactly one packet sequence for
 *	each input.
 *	- no literal byte that lies 4 or more bytes before the end starts three equal bytes;
 *	- a run takes the whole repeat: it has 3 or more bytes, starts 4 or more
 *	  bytes before the end, and differs from its neighbours on both sides;
 *	- blocks of the same kind only follow one another when the first is full (128).
 */
TEST(RunLengthCoder, PacketsFollowTheGreedyRuleOnManyInputs)
{
	for(const ByteSample &r_sample : CoderSamples()) {
		SCOPED_TRACE(r_sample.s_name);
		const Bytes &data = r_sample.data;
		const size_t n = data.size();
		const Bytes stream = Encoded(data);
		Bytes expanded;
		std::vector<Packet> packets;
		ASSERT_TRUE(b_ExpandPackets(stream, expanded, packets));
		ASSERT_EQ(expanded, data);
		EXPECT_LE(stream.size(), n + (n + 127) / 128);

		// a packet continues the one before when both are literals or both runs of one value
		auto b_Continues = [&](size_t k) {
			return k && k < packets.size() && packets[k - 1].b_run == packets[k].b_run &&
				(!packets[k].b_run || data[packets[k - 1].n_begin] == data[packets[k].n_begin]);
		};
		for(size_t k = 0; k < packets.size(); ++ k) {
			const Packet &r_packet = packets[k];
			const size_t n_begin = r_packet.n_begin, n_end = n_begin + r_packet.n_length;
			if(b_Continues(k)) {
				EXPECT_EQ(packets[k - 1].n_length, 128u) << "packet " << k;
			}
			if(!r_packet.b_run) {
				for(size_t p = n_begin; p < n_end && p + 4 <= n; ++ p)
					EXPECT_FALSE(data[p] == data[p + 1] && data[p] == data[p + 2]) << "literal at " << p;
			} else if(!b_Continues(k)) {
				EXPECT_LE(n_begin + 4, n) << "run at " << n_begin;
				EXPECT_TRUE(!n_begin || data[n_begin - 1] != data[n_begin]) << "run at " << n_begin;
				EXPECT_TRUE(n_begin + 2 < n && data[n_begin + 1] == data[n_begin] &&
					data[n_begin + 2] == data[n_begin]) << "run at " << n_begin;
			}
			if(r_packet.b_run && !b_Continues(k + 1)) {
				EXPECT_TRUE(n_end == n || data[n_end] != data[n_begin]) << "run ending at " << n_end;
			}
		}
	}
}

TEST(RunLengthCoder, FastWalkCutsTheInputLikeThePlainWalk)
{
	typedef std::vector<std::array<size_t, 3>> CallList;
	auto Recorder = [](CallList &r_calls) {
		return [&r_calls](size_t n_literal_begin, size_t n_literal, size_t n_run) {
			r_calls.push_back({n_literal_begin, n_literal, n_run});
			return true;
		};
	};
	// input that follows the walked part lets runs start later, up to its last three bytes
	for(const ByteSample &r_sample : CoderSamples()) {
		for(size_t n_following : {0, 1, 2, 3, 4, 100}) {
			CallList fast, plain;
			b_ForEachRleStretch(r_sample.data.data(), r_sample.data.size(), n_following, Recorder(fast));
			b_ForEachRleStretchPlain(r_sample.data.data(), r_sample.data.size(), n_following, Recorder(plain));
			EXPECT_EQ(fast, plain) << r_sample.s_name << ", followed by " << n_following << " bytes";
		}
	}
}
