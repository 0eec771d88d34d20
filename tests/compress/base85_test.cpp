#include <gtest/gtest.h>

#include <cstring>

#include "compress/base85.h"
#include "support/byte_patterns.h"

namespace {

const char p_s_alphabet[] =
	"0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz!#$%&()*+-;<=>.@^_,{|}~";

/**
 *	Reference decoding, left to right: digit 84 ('~') where a group starts
 *	stands for four zero bytes; otherwise a group of k = min(remaining, 5)
 *	digits, padded to five with digit 84, is a big-endian base-85 number
 *	whose top k - 1 bytes are the data. Characters outside the alphabet count 0.
 */
Bytes Base85Decoded(const std::string &r_s_text)
{
	auto n_Digit = [](char c) -> uint32_t {
		const char *p_found = (c)? strchr(p_s_alphabet, c) : nullptr;
		return (p_found)? uint32_t(p_found - p_s_alphabet) : 0;
	};
	Bytes data;
	for(size_t i = 0, n = r_s_text.size(); i < n;) {
		if(n_Digit(r_s_text[i]) == 84) {
			data.insert(data.end(), 4, 0);
			++ i;
			continue;
		}
		const size_t k = std::min(n - i, size_t(5));
		uint32_t v = 0;
		for(size_t j = 0; j < 5; ++ j)
			v = v * 85 + ((j < k)? n_Digit(r_s_text[i + j]) : 84);
		for(size_t j = 0; j + 1 < k; ++ j)
			data.push_back(uint8_t(v >> (24 - 8 * j)));
		i += k;
	}
	return data;
}

std::string s_Base85(const Bytes &r_data)
{
	std::string s_text;
	EXPECT_TRUE(b_Base85EncodeString(r_data.data(), r_data.size(), s_text));
	return s_text;
}

std::string s_Base85WithoutZeroGroups(const Bytes &r_data)
{
	std::string s_text(n_Base85MaxTextLength(r_data.size()), '\0');
	s_text.resize(n_Base85Encode(r_data.data(), r_data.size(), &s_text[0], s_text.size(), false));
	return s_text;
}

} // namespace

TEST(Base85, KnownTexts)
{
	EXPECT_EQ(s_Base85(Bytes()), "");
	EXPECT_EQ(s_Base85(HexBytes("00 00 00 00")), "~");
	EXPECT_EQ(s_Base85(HexBytes("00 00 00 01")), "00001");
	EXPECT_EQ(s_Base85(HexBytes("FF")), "{{");
	EXPECT_EQ(s_Base85(HexBytes("FF FF FF FF")), "|NsC0");
	EXPECT_EQ(s_Base85(Bytes(8, 0)), "~~");
}

TEST(Base85, TailGroupIsNeverShortened)
{
	EXPECT_EQ(s_Base85(Bytes(3, 0)), "0000");
	EXPECT_EQ(s_Base85(Bytes(7, 0)), "~0000");
	EXPECT_EQ(s_Base85(Bytes(1, 0)), "00");
}

TEST(Base85, ZeroGroupsOnlyWhenAskedFor)
{
	EXPECT_EQ(s_Base85WithoutZeroGroups(Bytes(8, 0)), "0000000000");
	EXPECT_EQ(Base85Decoded("0000000000"), Bytes(8, 0));
}

TEST(Base85, RoundTripsOnManyInputs)
{
	for(const ByteSample &r_sample : CoderSamples()) {
		SCOPED_TRACE(r_sample.s_name);
		const Bytes &data = r_sample.data;
		size_t n_zero_groups = 0;
		for(size_t i = 0; i + 4 <= data.size(); i += 4)
			n_zero_groups += (!data[i] && !data[i + 1] && !data[i + 2] && !data[i + 3])? 1 : 0;
		const std::string s_text = s_Base85(data);
		EXPECT_EQ(s_text.size(), n_Base85MaxTextLength(data.size()) - 4 * n_zero_groups);
		EXPECT_EQ(Base85Decoded(s_text), data);
		const std::string s_full = s_Base85WithoutZeroGroups(data);
		EXPECT_EQ(s_full.size(), n_Base85MaxTextLength(data.size()));
		EXPECT_EQ(Base85Decoded(s_full), data);
	}
}

TEST(Base85, CapacityMustCoverTheBoundEvenWhenZeroGroupsWouldFit)
{
	const Bytes zeros(8, 0);
	char p_text[16];
	memset(p_text, '#', sizeof(p_text));
	EXPECT_EQ(n_Base85Encode(zeros.data(), zeros.size(), p_text, 9, true), 0u);
	EXPECT_EQ(std::string(p_text, sizeof(p_text)), std::string(sizeof(p_text), '#')) << "nothing written";
	ASSERT_EQ(n_Base85Encode(zeros.data(), zeros.size(), p_text, 10, true), 2u);
	EXPECT_EQ(std::string(p_text, 3), "~~#") << "no terminator";
}

TEST(Base85, RefusesInputWhoseTextWouldNotFit32Bits)
{
	EXPECT_EQ(n_Base85MaxTextLength(n_max_base85_input), 0xffffffffu) << "the largest input just fits";
	// the size check comes before any byte is read, so the small array is safe
	const uint8_t p_data[4] = {};
	char p_text[8];
	EXPECT_EQ(n_Base85Encode(p_data, n_max_base85_input + 1, p_text, size_t(-1), true), 0u);
	std::string s_text = "unchanged";
	EXPECT_FALSE(b_Base85EncodeString(p_data, n_max_base85_input + 1, s_text));
	EXPECT_EQ(s_text, "unchanged");
}
