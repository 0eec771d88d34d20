#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "compress/base85.h"
#include "compress/byte_buffer.h"
#include "support/byte_patterns.h"

namespace {

/** @brief the tool's own decoding, which the reference decoder reads texts with */
Bytes Base85Decoded(const std::string &r_s_text)
{
	ByteBuffer decoded;
	EXPECT_TRUE(b_Base85Decode(r_s_text.c_str(), decoded));
	return Bytes(decoded.p_Data(), decoded.p_Data() + decoded.n_Size());
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
