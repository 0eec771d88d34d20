#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <queue>
#include <random>

#include "compress/huffman_coder.h"
#include "compress/rle_coder.h"
#include "support/byte_patterns.h"

namespace {

typedef std::vector<int32_t> Counts;

uint32_t n_ReadLE32(const uint8_t *p_bytes)
{
	return uint32_t(p_bytes[0]) | uint32_t(p_bytes[1]) << 8 | uint32_t(p_bytes[2]) << 16 | uint32_t(p_bytes[3]) << 24;
}

/**
 *	Reference decoding of a CompressedStream, bit by bit: per length i + 1 the
 *	codes run from p_min_code[i] to p_max_code[i] - 1 and map to list entry
 *	code + p_table_off[i]; the first code of a length is twice the end of the
 *	codes of the length before. Fails when a code is longer than 16 bits or
 *	the bits run out; r_n_end_bit receives the stream's bit position after the last code.
 */
bool b_DecodeStream(const uint8_t *p_stream, size_t n_stream_size, size_t n_code_num,
	Bytes &r_decoded, size_t &r_n_end_bit)
{
	if(n_stream_size < 64)
		return false;
	int64_t p_min_code[16], p_max_code[16], p_table_off[16];
	int64_t n_code = 0, n_symbol_num = 0;
	for(int i = 0; i < 16; ++ i) {
		const int32_t n_count = int32_t(n_ReadLE32(p_stream + 4 * i));
		p_min_code[i] = n_code;
		p_max_code[i] = n_code + n_count;
		p_table_off[i] = n_symbol_num - n_code;
		n_symbol_num += n_count;
		n_code = (n_code + n_count) * 2;
	}
	if(n_symbol_num < 0 || size_t(n_symbol_num) > n_stream_size - 64)
		return false;
	const uint8_t *p_symbol = p_stream + 64;
	const uint8_t *p_bits = p_symbol + n_symbol_num;
	const size_t n_bit_limit = 8 * (n_stream_size - 64 - size_t(n_symbol_num));

	r_decoded.clear();
	size_t n_bit = 0;
	for(size_t k = 0; k < n_code_num; ++ k) {
		int64_t n_accumulator = 0;
		int i = 0;
		for(; i < 16; ++ i) {
			if(n_bit >= n_bit_limit)
				return false;
			n_accumulator = n_accumulator * 2 + ((p_bits[n_bit / 8] >> (7 - n_bit % 8)) & 1);
			++ n_bit;
			if(n_accumulator >= p_min_code[i] && n_accumulator < p_max_code[i])
				break;
		}
		if(i == 16)
			return false;
		r_decoded.push_back(p_symbol[n_accumulator + p_table_off[i]]);
	}
	r_n_end_bit = 8 * size_t(p_bits - p_stream) + n_bit;
	return true;
}

/** @brief encodes, then checks the prefix, the decoded bytes, the padding and the predicted length */
Bytes RoundTrip(const Bytes &r_input)
{
	ByteBuffer output;
	EXPECT_TRUE(b_HuffmanEncode(r_input.data(), r_input.size(), output));
	const Bytes result(output.p_Data(), output.p_Data() + output.n_Size());
	if(result.size() < n_length_prefix_size + 64) {
		ADD_FAILURE() << "output of " << result.size() << " bytes";
		return result;
	}
	EXPECT_EQ(n_ReadLE32(result.data()), r_input.size());

	const uint8_t *p_stream = result.data() + n_length_prefix_size;
	const size_t n_stream_size = result.size() - n_length_prefix_size;
	Bytes decoded;
	size_t n_end_bit = 0;
	EXPECT_TRUE(b_DecodeStream(p_stream, n_stream_size, r_input.size(), decoded, n_end_bit));
	EXPECT_EQ(decoded, r_input);
	EXPECT_EQ(n_stream_size, (n_end_bit + 7) / 8) << "no bytes beyond the codes";
	EXPECT_EQ(result.back() & ((1 << (-n_end_bit & 7)) - 1), 0) << "padding bits are zero";

	uint32_t p_frequency[n_byte_value_num];
	CountByteFrequencies(r_input.data(), r_input.size(), p_frequency);
	EXPECT_EQ(n_HuffmanStreamLength(p_frequency), n_stream_size);
	return result;
}

Counts CountsOf(const HuffmanCode &r_code)
{
	Counts counts(r_code.p_code_num, r_code.p_code_num + n_max_code_length);
	while(!counts.empty() && !counts.back())
		counts.pop_back();
	return counts;
}

HuffmanCode CodeOf(const std::vector<uint32_t> &r_frequency, int n_max_length = n_max_code_length)
{
	uint32_t p_frequency[n_byte_value_num] = {};
	std::copy(r_frequency.begin(), r_frequency.end(), p_frequency);
	HuffmanCode code;
	EXPECT_TRUE(b_BuildCodeLengths(p_frequency, n_max_length, code));
	return code;
}

std::vector<uint32_t> Fibonacci(int n_num)
{
	std::vector<uint32_t> numbers = {1, 1};
	while(int(numbers.size()) < n_num)
		numbers.push_back(numbers[numbers.size() - 1] + numbers[numbers.size() - 2]);
	numbers.resize(n_num);
	return numbers;
}

/** @brief bytes 0, 1, ... occurring as often as the frequencies say */
Bytes BytesOf(const std::vector<uint32_t> &r_frequency)
{
	Bytes data;
	for(size_t i = 0; i < r_frequency.size(); ++ i)
		data.insert(data.end(), r_frequency[i], uint8_t(i));
	return data;
}

/** @brief the fewest code bits any prefix code can spend: the sum of all merged weights */
uint64_t n_OptimalBitNum(const std::vector<uint32_t> &r_frequency)
{
	std::priority_queue<uint64_t, std::vector<uint64_t>, std::greater<uint64_t>> queue;
	for(uint32_t n_frequency : r_frequency) {
		if(n_frequency)
			queue.push(n_frequency);
	}
	uint64_t n_bit_num = 0;
	while(queue.size() > 1) {
		const uint64_t n_a = queue.top();
		queue.pop();
		const uint64_t n_b = queue.top();
		queue.pop();
		n_bit_num += n_a + n_b;
		queue.push(n_a + n_b);
	}
	return n_bit_num;
}

uint64_t n_BitNum(const HuffmanCode &r_code, const std::vector<uint32_t> &r_frequency)
{
	uint64_t n_bit_num = 0;
	for(size_t i = 0; i < r_frequency.size(); ++ i)
		n_bit_num += uint64_t(r_frequency[i]) * r_code.p_length[i];
	return n_bit_num;
}

/**
 *	@brief checks what every code must give: lengths within the limit and
 *		matching the counts, a complete prefix code, and the symbol list
 *		ranked by falling frequency then rising value, shortest codes first
 */
void ExpectWellFormed(const HuffmanCode &r_code, const std::vector<uint32_t> &r_frequency, int n_max_length)
{
	int n_used = 0;
	for(uint32_t n_frequency : r_frequency)
		n_used += (n_frequency)? 1 : 0;
	ASSERT_EQ(r_code.n_symbol_num, n_used);
	uint64_t n_kraft = 0; // in units of 2^-16
	int n_counted = 0;
	for(int i = 0; i < n_max_code_length; ++ i) {
		n_kraft += uint64_t(r_code.p_code_num[i]) << (n_max_code_length - 1 - i);
		n_counted += r_code.p_code_num[i];
		if(i >= n_max_length) {
			EXPECT_EQ(r_code.p_code_num[i], 0) << "length " << i + 1;
		}
	}
	EXPECT_EQ(n_counted, n_used);
	if(n_used > 1) {
		EXPECT_EQ(n_kraft, 1u << n_max_code_length) << "the code is complete";
	}

	for(int k = 0; k < n_used; ++ k) {
		const uint8_t n_symbol = r_code.p_symbol[k];
		ASSERT_LT(n_symbol, r_frequency.size());
		EXPECT_NE(r_frequency[n_symbol], 0u);
		if(k) {
			const uint8_t n_prev = r_code.p_symbol[k - 1];
			EXPECT_TRUE(r_frequency[n_prev] > r_frequency[n_symbol] ||
				(r_frequency[n_prev] == r_frequency[n_symbol] && n_prev < n_symbol)) << "rank " << k;
			EXPECT_LE(r_code.p_length[n_prev], r_code.p_length[n_symbol]) << "rank " << k;
		}
	}
}

} // namespace

TEST(HuffmanCoder, EmptyInputIsPrefixAndZeroCounts)
{
	EXPECT_EQ(RoundTrip(Bytes()), Bytes(68, 0));
}

TEST(HuffmanCoder, OneRepeatedByteCodesAsOneZeroBitEach)
{
	for(size_t m : {1, 7, 8, 9, 1000}) {
		const Bytes output = RoundTrip(Bytes(m, 0x5a));
		Bytes expected(4 + 64 + 1 + (m + 7) / 8, 0);
		expected[0] = uint8_t(m);
		expected[1] = uint8_t(m >> 8);
		expected[4] = 1; // one code of one bit
		expected[68] = 0x5a;
		EXPECT_EQ(output, expected) << m;
	}
}

TEST(HuffmanCoder, SmallInputGivesExactBytes)
{
	Bytes expected(73, 0);
	expected[0] = 7;
	expected[4] = 1; // one 1-bit code
	expected[8] = 2; // two 2-bit codes
	const Bytes tail = HexBytes("61 62 63 0A C0"); // symbols, then the bits 0 0 0 0 10 10 11
	std::copy(tail.begin(), tail.end(), expected.begin() + 68);
	EXPECT_EQ(RoundTrip(HexBytes("61 61 61 61 62 62 63")), expected);
}

TEST(HuffmanCoder, TieBetweenInnerNodeAndLeafGoesToInnerNode)
{
	std::vector<uint32_t> frequency(0x31, 0);
	frequency[0x30] = frequency[0x20] = 2;
	frequency[0x11] = frequency[0x10] = 1;
	const HuffmanCode code = CodeOf(frequency);
	EXPECT_EQ(CountsOf(code), Counts({1, 1, 2}));
	// of equal frequencies the lower value ranks first
	EXPECT_EQ(Bytes(code.p_symbol, code.p_symbol + 4), HexBytes("20 30 10 11"));
	EXPECT_EQ(code.p_length[0x20], 1);
	EXPECT_EQ(code.p_length[0x30], 2);
	EXPECT_EQ(code.p_length[0x10], 3);
	EXPECT_EQ(code.p_length[0x11], 3);
}

TEST(HuffmanCoder, SeventeenFibonacciFrequenciesFitWithoutHalving)
{
	const std::vector<uint32_t> frequency = Fibonacci(17);
	const HuffmanCode code = CodeOf(frequency);
	EXPECT_EQ(CountsOf(code), Counts({1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 2}));
	EXPECT_EQ(n_BitNum(code, frequency), n_OptimalBitNum(frequency));
	ExpectWellFormed(code, frequency, n_max_code_length);
}

TEST(HuffmanCoder, EighteenFibonacciFrequenciesAreHalvedOnce)
{
	const std::vector<uint32_t> frequency = Fibonacci(18);
	const HuffmanCode code = CodeOf(frequency);
	EXPECT_EQ(CountsOf(code), Counts({0, 2, 2, 2, 2, 2, 3, 1, 0, 4}));
	ExpectWellFormed(code, frequency, n_max_code_length);
	// halving makes the frequencies 1, 2 and 3 equal, yet the list keeps their true order
	EXPECT_EQ(Bytes(code.p_symbol + 14, code.p_symbol + 18), HexBytes("03 02 00 01"));
	RoundTrip(BytesOf(frequency));
}

TEST(HuffmanCoder, SkewedFrequenciesStayWithinSixteenBits)
{
	std::vector<std::vector<uint32_t>> histograms;
	for(int n : {19, 20, 24, 32, 40, 47})
		histograms.push_back(Fibonacci(n));
	std::vector<uint32_t> powers;
	for(int i = 0; i < 32; ++ i)
		powers.push_back(uint32_t(1) << i);
	histograms.push_back(powers);
	std::vector<uint32_t> all_values(n_byte_value_num);
	for(int i = 0; i < n_byte_value_num; ++ i)
		all_values[i] = (i < 32)? uint32_t(1) << (31 - i) : uint32_t(1 + i % 3);
	histograms.push_back(all_values);

	for(const std::vector<uint32_t> &r_frequency : histograms) {
		SCOPED_TRACE(r_frequency.size());
		ExpectWellFormed(CodeOf(r_frequency), r_frequency, n_max_code_length);
	}
	RoundTrip(BytesOf(Fibonacci(24)));
}

TEST(HuffmanCoder, ShorterLengthLimitsAreHonoured)
{
	for(int n_limit = 2; n_limit < n_max_code_length; ++ n_limit) {
		SCOPED_TRACE(n_limit);
		const std::vector<uint32_t> frequency = Fibonacci(std::min((1 << n_limit) - 2, n_byte_value_num));
		ExpectWellFormed(CodeOf(frequency, n_limit), frequency, n_limit);
	}
}

TEST(HuffmanCoder, RefusesLimitsOutOfRangeAndTooManySymbols)
{
	uint32_t p_frequency[n_byte_value_num] = {5, 3, 1};
	HuffmanCode code;
	EXPECT_FALSE(b_BuildCodeLengths(p_frequency, 0, code));
	EXPECT_FALSE(b_BuildCodeLengths(p_frequency, n_max_code_length + 1, code));
	EXPECT_FALSE(b_BuildCodeLengths(p_frequency, 2, code)); // 3 symbols need 2^L - 1 > 3
	EXPECT_TRUE(b_BuildCodeLengths(p_frequency, 3, code));
	p_frequency[2] = 0;
	EXPECT_TRUE(b_BuildCodeLengths(p_frequency, 2, code));
	EXPECT_EQ(CountsOf(code), Counts({2}));
}

TEST(HuffmanCoder, RandomHistogramsGiveOptimalCodesRankedByFrequencyThenValue)
{
	std::mt19937 random(777);
	for(int n_trial = 0; n_trial < 200; ++ n_trial) {
		// odd trials: many equal frequencies, some values unused
		std::vector<uint32_t> frequency(n_byte_value_num, 0);
		for(int i = 0, n_used = 2 + int(random() % 255); i < n_used; ++ i)
			frequency[random() % n_byte_value_num] = (n_trial % 2)? random() % 4 : 100 + random() % 900;
		const HuffmanCode code = CodeOf(frequency);
		ASSERT_EQ(code.p_code_num[n_max_code_length - 1], 0) << "a premise of this test";
		EXPECT_EQ(n_BitNum(code, frequency), n_OptimalBitNum(frequency)) << "trial " << n_trial;
		ExpectWellFormed(code, frequency, n_max_code_length);
	}
}

TEST(HuffmanCoder, RoundTripsAndPredictsItsLengthOnManyInputs)
{
	for(const ByteSample &r_sample : CoderSamples()) {
		SCOPED_TRACE(r_sample.s_name);
		RoundTrip(r_sample.data);
		ByteBuffer packets;
		ASSERT_TRUE(b_RunLengthEncode(r_sample.data.data(), r_sample.data.size(), packets));
		RoundTrip(Bytes(packets.p_Data(), packets.p_Data() + packets.n_Size()));
	}
}

TEST(HuffmanCoder, OutputReplacesEarlierContents)
{
	ByteBuffer output;
	const Bytes first(1000, 7), second = HexBytes("61 61 61 61 62 62 63");
	ASSERT_TRUE(b_HuffmanEncode(first.data(), first.size(), output));
	ASSERT_TRUE(b_HuffmanEncode(second.data(), second.size(), output));
	EXPECT_EQ(output.n_Size(), 73u);
	EXPECT_EQ(output.p_Data()[0], 7);
}
