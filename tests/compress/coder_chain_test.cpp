#include <gtest/gtest.h>

#include <string>

#include "compress/base64.h"
#include "compress/base85.h"
#include "compress/huffman_coder.h"
#include "compress/rle_coder.h"
#include "support/byte_patterns.h"
#include "verify/decoder_oracle.h"

namespace {

// Decodes the text of a gray image whose plane is left unpredicted ("none"),
// one row of plane.size() pixels, with the decoder that headers carry and the
// reference decoder, which must agree, and counts the pixels that differ
// from the plane (all of them if the decoders fail).
size_t n_WrongPixels(bool b_base85, const std::string &r_s_text, const Bytes &plane, size_t n_packet_size)
{
	const DecodeParams params = {int(plane.size()), 1, n_packet_size, pred_None, pred_None, pred_None, 1, color_Gray};
	const Raster pixels = DecodedByEveryDecoder(b_base85, r_s_text, params);
	if(pixels.empty())
		return plane.size();
	size_t n_wrong = 0;
	for(size_t i = 0; i < plane.size(); ++ i)
		n_wrong += (pixels[i] != (0xff000000U | plane[i] * 0x010101U))? 1 : 0;
	return n_wrong;
}

} // namespace

// The coders against the decoder that generated headers carry and the
// reference decoder: the plane bytes come back.
TEST(CoderChain, EncodedStreamsDecodeWithBothDecoders)
{
	for(const ByteSample &r_sample : CoderSamples()) {
		const Bytes &plane = r_sample.data;
		if(plane.empty())
			continue;
		SCOPED_TRACE(r_sample.s_name);
		ByteBuffer packets, stream;
		ASSERT_TRUE(b_RunLengthEncode(plane.data(), plane.size(), packets));
		ASSERT_TRUE(b_HuffmanEncode(packets.p_Data(), packets.n_Size(), stream));
		const uint8_t *p_stream = stream.p_Data() + n_length_prefix_size;
		const size_t n_stream_size = stream.n_Size() - n_length_prefix_size;
		std::string s_base85, s_base64;
		ASSERT_TRUE(b_Base85EncodeString(p_stream, n_stream_size, s_base85));
		ASSERT_TRUE(b_Base64EncodeString(p_stream, n_stream_size, s_base64));
		EXPECT_EQ(n_WrongPixels(true, s_base85, plane, packets.n_Size()), 0u) << "BASE85";
		EXPECT_EQ(n_WrongPixels(false, s_base64, plane, packets.n_Size()), 0u) << "BASE64";
	}
}

// Codes longer than the decoder's look-up width take its slow path, and short
// codes its path of several symbols per look-up; a skewed histogram exercises
// both in one stream.
TEST(CoderChain, LongCodesDecodeWithBothDecoders)
{
	// byte value v occurs about 1.6^v times: Fibonacci-like weights give codes of up to 16 bits
	Bytes plane;
	uint32_t n_weight = 1, n_previous = 1;
	for(int v = 0; v < 19; ++ v) {
		for(uint32_t i = 0; i < n_weight; ++ i)
			plane.push_back(uint8_t(v));
		const uint32_t n_next = n_weight + n_previous;
		n_previous = n_weight;
		n_weight = n_next;
	}
	// a fixed shuffle that leaves no three equal bytes in a row, so the packets keep the histogram
	uint32_t n_state = 12345;
	for(size_t i = plane.size() - 1; i > 0; -- i) {
		n_state = n_state * 1103515245U + 12345U;
		std::swap(plane[i], plane[(n_state >> 8) % (i + 1)]);
	}
	for(size_t i = 2; i < plane.size(); ++ i) {
		if(plane[i] == plane[i - 1] && plane[i] == plane[i - 2])
			plane[i] = uint8_t(200 + i % 50); // a rare value breaks the triple
	}
	ByteBuffer packets, stream;
	ASSERT_TRUE(b_RunLengthEncode(plane.data(), plane.size(), packets));
	uint32_t p_frequency[256];
	CountByteFrequencies(packets.p_Data(), packets.n_Size(), p_frequency);
	HuffmanCode code;
	ASSERT_TRUE(b_BuildCodeLengths(p_frequency, n_max_code_length, code));
	int n_longest = 0;
	for(int i = 0; i < n_max_code_length; ++ i)
		n_longest = (code.p_code_num[i])? i + 1 : n_longest;
	ASSERT_GE(n_longest, 14) << "the stream must hold codes longer than the look-up width";

	ASSERT_TRUE(b_HuffmanEncode(packets.p_Data(), packets.n_Size(), stream));
	std::string s_text;
	ASSERT_TRUE(b_Base85EncodeString(stream.p_Data() + n_length_prefix_size,
		stream.n_Size() - n_length_prefix_size, s_text));
	EXPECT_EQ(n_WrongPixels(true, s_text, plane, packets.n_Size()), 0u);
}

// The decoder takes the codes a chunk at a time and expands the packets in
// blocks; thousands of packets of every length and kind, with the chunk ends
// falling at ever other places inside them, must come back byte for byte.
TEST(CoderChain, PacketsOfEveryLengthAndKindDecodeWithBothDecoders)
{
	Bytes plane;
	for(int k = 0; k < 1200; ++ k) {
		const size_t n_literal = size_t(k * 37) % 130 + 1, n_run = size_t(k * 11) % 300 + 3;
		for(size_t i = 0; i < n_literal; ++ i)
			plane.push_back(uint8_t(64 + (k + i) % 5)); // no three equal bytes in a row
		for(size_t i = 0; i < n_run; ++ i)
			plane.push_back(uint8_t(k % 7));
	}
	ByteBuffer packets, stream;
	ASSERT_TRUE(b_RunLengthEncode(plane.data(), plane.size(), packets));
	ASSERT_GT(packets.n_Size(), 20000u) << "the codes must span several chunks";
	ASSERT_TRUE(b_HuffmanEncode(packets.p_Data(), packets.n_Size(), stream));
	for(bool b_base85 : {true, false}) {
		SCOPED_TRACE((b_base85)? "BASE85" : "BASE64");
		std::string s_text;
		const uint8_t *p_stream = stream.p_Data() + n_length_prefix_size;
		const size_t n_stream_size = stream.n_Size() - n_length_prefix_size;
		ASSERT_TRUE((b_base85)? b_Base85EncodeString(p_stream, n_stream_size, s_text) :
			b_Base64EncodeString(p_stream, n_stream_size, s_text));
		EXPECT_EQ(n_WrongPixels(b_base85, s_text, plane, packets.n_Size()), 0u);
	}
}
