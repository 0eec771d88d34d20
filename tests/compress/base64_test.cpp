#include <gtest/gtest.h>

#include <cstring>

#include "compress/base64.h"
#include "support/byte_patterns.h"

namespace {

/**
 *	Reference decoding: 'A'-'Z', 'a'-'z', '0'-'9', '+' are 0 to 62, anything
 *	else 63; four characters give three bytes, a tail of 3 or 2 characters
 *	gives 2 or 1 bytes, a single leftover character nothing.
 */
Bytes Base64Decoded(const std::string &r_s_text)
{
	auto n_Value = [](char c) -> uint32_t {
		const char *p_s_alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+";
		const char *p_found = (c)? strchr(p_s_alphabet, c) : nullptr;
		return (p_found)? uint32_t(p_found - p_s_alphabet) : 63;
	};
	Bytes data;
	const size_t n = r_s_text.size();
	for(size_t i = 0; i < n; i += 4) {
		const size_t n_group = std::min(n - i, size_t(4));
		uint32_t v = 0;
		for(size_t k = 0; k < 4; ++ k)
			v = v << 6 | ((k < n_group)? n_Value(r_s_text[i + k]) : 0);
		for(size_t k = 0; k + 1 < n_group; ++ k)
			data.push_back(uint8_t(v >> (16 - 8 * k)));
	}
	return data;
}

std::string s_Base64(const Bytes &r_data)
{
	std::string s_text;
	EXPECT_TRUE(b_Base64EncodeString(r_data.data(), r_data.size(), s_text));
	return s_text;
}

} // namespace

TEST(Base64, KnownTextsWithoutPadding)
{
	EXPECT_EQ(s_Base64(Bytes()), "");
	EXPECT_EQ(s_Base64(HexBytes("4D 61 6E")), "TWFu");
	EXPECT_EQ(s_Base64(HexBytes("4D")), "TQ");
	EXPECT_EQ(s_Base64(HexBytes("4D 61")), "TWE");
	EXPECT_EQ(s_Base64(HexBytes("FB FF BF")), "+/+/");
}

TEST(Base64, RoundTripsOnManyInputs)
{
	for(const ByteSample &r_sample : CoderSamples()) {
		SCOPED_TRACE(r_sample.s_name);
		const std::string s_text = s_Base64(r_sample.data);
		EXPECT_EQ(s_text.size(), n_Base64TextLength(r_sample.data.size()));
		EXPECT_NE(s_text.size() % 4, 1u);
		EXPECT_EQ(Base64Decoded(s_text), r_sample.data);
	}
}

TEST(Base64, WritesExactlyTheTextAndRefusesSmallBuffers)
{
	const Bytes data = HexBytes("4D 61 6E 4D 61");
	char p_text[16];
	memset(p_text, '#', sizeof(p_text));
	EXPECT_FALSE(b_Base64Encode(data.data(), data.size(), p_text, 6));
	EXPECT_EQ(std::string(p_text, sizeof(p_text)), std::string(sizeof(p_text), '#')) << "nothing written";
	ASSERT_TRUE(b_Base64Encode(data.data(), data.size(), p_text, 7));
	EXPECT_EQ(std::string(p_text, 8), "TWFuTWE#") << "no terminator";
}

TEST(Base64, RefusesInputWhoseTextWouldNotFit32Bits)
{
	EXPECT_EQ(n_Base64TextLength(n_max_base64_input), 0xffffffffu) << "the largest input just fits";
	// the size check comes before any byte is read, so the small array is safe
	const uint8_t p_data[4] = {};
	char p_text[8];
	EXPECT_FALSE(b_Base64Encode(p_data, n_max_base64_input + 1, p_text, size_t(-1)));
	std::string s_text = "unchanged";
	EXPECT_FALSE(b_Base64EncodeString(p_data, n_max_base64_input + 1, s_text));
	EXPECT_EQ(s_text, "unchanged");
}
