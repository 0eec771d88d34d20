#include <gtest/gtest.h>

#include <string>

#include "compress/base64.h"
#include "compress/base85.h"
#include "compress/huffman_coder.h"
#include "compress/rle_coder.h"
#include "support/byte_patterns.h"
#include "verify/builtin_decoder.h"

// The coders against the decoder that generated headers carry: a gray image
// whose plane is left unpredicted ("none") comes back as its plane bytes.
TEST(CoderChain, EncodedStreamsDecodeWithTheBuiltInDecoder)
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

		const DecodeParams params = {int(plane.size()), 1, packets.n_Size(),
			pred_None, pred_None, pred_None, 1, color_Gray};
		auto n_WrongPixels = [&](bool b_base85, const std::string &r_s_text) {
			uint32_t *p_pixels = p_BuiltinDecode(b_base85, r_s_text.c_str(), params);
			if(!p_pixels)
				return plane.size();
			size_t n_wrong = 0;
			for(size_t i = 0; i < plane.size(); ++ i)
				n_wrong += (p_pixels[i] != (0xff000000U | plane[i] * 0x010101U))? 1 : 0;
			delete[] p_pixels;
			return n_wrong;
		};
		EXPECT_EQ(n_WrongPixels(true, s_base85), 0u) << "BASE85";
		EXPECT_EQ(n_WrongPixels(false, s_base64), 0u) << "BASE64";
	}
}
