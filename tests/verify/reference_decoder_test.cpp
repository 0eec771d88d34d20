#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "compress/crc32.h"
#include "support/test_support.h"
#include "verify/decoder_oracle.h"

namespace {

typedef std::vector<uint8_t> Bytes;

/** @brief the CompressedStream of hand-made counts (per code length 1 to 16), symbol list and code bits */
Bytes Stream(const std::vector<int32_t> &r_counts, const Bytes &r_symbols, const Bytes &r_bits)
{
	Bytes stream;
	for(int i = 0; i < n_max_code_length; ++ i) {
		const uint32_t n_count = (size_t(i) < r_counts.size())? uint32_t(r_counts[size_t(i)]) : 0;
		for(int n_shift = 0; n_shift < 32; n_shift += 8)
			stream.push_back(uint8_t(n_count >> n_shift));
	}
	stream.insert(stream.end(), r_symbols.begin(), r_symbols.end());
	stream.insert(stream.end(), r_bits.begin(), r_bits.end());
	return stream;
}

std::string s_Text(const Bytes &r_stream, bool b_base85)
{
	std::string s_text;
	EXPECT_TRUE((b_base85)? b_Base85EncodeString(r_stream.data(), r_stream.size(), s_text) :
		b_Base64EncodeString(r_stream.data(), r_stream.size(), s_text));
	return s_text;
}

/** @brief random packets that expand to exactly n_size bytes: runs and literals of every length */
Bytes RandomPackets(std::mt19937 &r_random, size_t n_size, unsigned n_value_num)
{
	Bytes packets;
	while(n_size) {
		const size_t n_length = std::min(n_size, size_t(1 + r_random() % ((r_random() % 4)? 6 : 128)));
		const bool b_run = r_random() % 2;
		packets.push_back(uint8_t(2 * n_length - ((b_run)? 1 : 2)));
		for(size_t i = 0; i < ((b_run)? 1 : n_length); ++ i)
			packets.push_back(uint8_t(r_random() % n_value_num));
		n_size -= n_length;
	}
	return packets;
}

/**
 *	@brief a canonical code of random lengths (1 to 16 bits, many long ones)
 *		for every byte value of the data, and some values it does not hold,
 *		then the data coded with it
 */
Bytes RandomlyCoded(std::mt19937 &r_random, const Bytes &r_data)
{
	std::vector<int> length(256, 0);
	for(uint8_t n_byte : r_data)
		length[n_byte] = 1;
	for(int n_extra = int(r_random() % 4); n_extra; -- n_extra)
		length[r_random() % 256] = 1;
	std::vector<int> symbols;
	for(int n_value = 0; n_value < 256; ++ n_value) {
		if(length[size_t(n_value)]) {
			symbols.push_back(n_value);
			length[size_t(n_value)] = 1 + int(r_random() % 16);
		}
	}
	// lengthen codes at random until they fit (their Kraft sum is at most 1)
	auto n_KraftSum = [&]() { uint32_t n_sum = 0; for(int n : symbols) n_sum += 1U << (16 - length[size_t(n)]); return n_sum; };
	while(n_KraftSum() > 1U << 16) {
		int &r_length = length[size_t(symbols[r_random() % symbols.size()])];
		r_length += (r_length < 16)? 1 : 0;
	}
	std::shuffle(symbols.begin(), symbols.end(), r_random);
	std::stable_sort(symbols.begin(), symbols.end(), [&](int a, int b) { return length[size_t(a)] < length[size_t(b)]; });
	std::vector<int32_t> counts(16, 0);
	std::vector<uint32_t> code(256, 0);
	uint32_t n_code = 0;
	for(int n_length = 1, i = 0; n_length <= 16; ++ n_length, n_code *= 2) {
		for(; size_t(i) < symbols.size() && length[size_t(symbols[size_t(i)])] == n_length; ++ i, ++ n_code) {
			code[size_t(symbols[size_t(i)])] = n_code;
			++ counts[size_t(n_length - 1)];
		}
	}
	Bytes bits, list(symbols.begin(), symbols.end());
	size_t n_bit_num = 0;
	for(uint8_t n_byte : r_data) {
		for(int i = length[n_byte] - 1; i >= 0; -- i, ++ n_bit_num) {
			if(n_bit_num % 8 == 0)
				bits.push_back(0);
			bits.back() |= uint8_t((code[n_byte] >> i & 1) << (7 - n_bit_num % 8));
		}
	}
	return Stream(counts, list, bits);
}

/** @brief damages one part of a case: the stream, the text or a parameter */
void Damage(std::mt19937 &r_random, Bytes &r_stream, DecodeParams &r_params, bool &r_b_text_damage)
{
	switch(r_random() % 6) {
	case 0:
		if(!r_stream.empty())
			r_stream[r_random() % r_stream.size()] ^= uint8_t(1 << r_random() % 8);
		break;
	case 1:
		r_stream.resize(r_random() % (r_stream.size() + 1));
		break;
	case 2:
		r_params.n_huff_stage_size += size_t(int(r_random() % 5) - 2);
		break;
	case 3:
		r_params.n_predictor_a = int(r_random() % 16) - 2;
		break;
	case 4:
		r_params.n_image_width += int(r_random() % 3) - 1;
		break;
	default:
		r_b_text_damage = true;
	}
}

} // namespace

// Real output of the tool's coders: both decoders give the raster whose
// checksum the encoder stored, and a lossless image comes back exactly.
TEST(ReferenceDecoder, EncodedImagesDecodeToTheStoredChecksumInEveryKind)
{
	const int p_color_type_list[] = {color_Gray, color_Gray | color_Alpha, 0, color_Alpha,
		color_LosslessColor, color_LosslessColor | color_Alpha};
	for(int n_color_type : p_color_type_list) {
		for(int n_subsample = 1; n_subsample <= 3; ++ n_subsample) {
			const bool b_alpha = (n_color_type & color_Alpha) != 0;
			ImageHolder image(p_MakeTestPicture(13 + n_subsample, 9, uint32_t(n_color_type), b_alpha));
			const PlaneSettings settings = {(n_color_type & color_Gray) != 0, b_alpha,
				(n_color_type & color_LosslessColor) != 0, n_subsample, 8 - n_subsample, 8};
			if(settings.b_gray)
				ConvertToGrayscale(*image.p_image, b_alpha);
			for(int n_predictor = 0; n_predictor < n_predictor_num; ++ n_predictor) {
				SCOPED_TRACE("colour type " + std::to_string(n_color_type) + ", subsampling " +
					std::to_string(n_subsample) + ", predictor " + p_s_PredictorName(n_predictor));
				const bool b_base85 = n_predictor % 2 == 0;
				const EncodedImage encoded = EncodedWith(*image.p_image, settings, n_predictor,
					(n_predictor + 3) % n_predictor_num, (n_predictor + 5) % n_predictor_num, b_base85);
				const Raster raster = DecodedByEveryDecoder(b_base85, encoded.s_text, encoded.params);
				ASSERT_EQ(raster.size(), size_t(image->n_width) * size_t(image->n_height));
				EXPECT_EQ(n_Crc32_Raster(raster.data(), image->n_width, image->n_height), encoded.n_stored_crc);
				if(n_color_type & color_LosslessColor && n_subsample == 1 && settings.n_chroma_bpp == 8) {
					EXPECT_TRUE(raster == Raster(image->p_pixels, image->p_pixels + raster.size()));
				}
			}
		}
	}
}

// Streams the encoder never makes: random code tables with codes of up to 16
// bits, random packets, several chunks of codes, and damage to every layer.
TEST(ReferenceDecoder, FastDecoderAgreesOnStreamsTheEncoderNeverMakes)
{
	std::mt19937 random(2024);
	int n_decoded = 0, n_refused = 0;
	for(int n_case = 0; n_case < 3000; ++ n_case) {
		const bool b_large = n_case % 50 == 0; // past the fast decoder's chunk of 2048 codes
		DecodeParams params = {int(1 + random() % ((b_large)? 150 : 9)), int(1 + random() % ((b_large)? 90 : 9)),
			0, int(random() % 12), int(random() % 12), int(random() % 12), int(1 + random() % 4), int(random() % 8)};
		const size_t n_block_size = MakePlaneLayout(params.n_image_width, params.n_image_height,
			params.n_subsample, params.n_color_type).n_image_data_size;
		const Bytes packets = RandomPackets(random, n_block_size, (random() % 2)? 6 : 256);
		params.n_huff_stage_size = packets.size();
		Bytes stream = RandomlyCoded(random, packets);
		bool b_text_damage = false;
		if(n_case % 3)
			Damage(random, stream, params, b_text_damage);
		const bool b_base85 = random() % 2;
		std::string s_text = s_Text(stream, b_base85);
		if(b_text_damage && !s_text.empty()) {
			const char *p_s_chars = "~~~0zA+/.\"\x7f\x80";
			s_text[random() % s_text.size()] = p_s_chars[random() % strlen(p_s_chars)];
			s_text.resize(s_text.size() - random() % 3 % s_text.size());
		}
		SCOPED_TRACE("case " + std::to_string(n_case));
		const Raster raster = DecodedByEveryDecoder(b_base85, s_text, params);
		++ ((raster.empty())? n_refused : n_decoded);
		if(HasFailure())
			return;
	}
	// both outcomes must be common, or the comparison proves little
	EXPECT_GT(n_decoded, 1000);
	EXPECT_GT(n_refused, 500);
}

// Each refusal rule, by a stream that breaks it and the same stream with
// the break repaired: the repaired one decodes, so the rule is the cause,
// and both decoders name its kind, parameters or data.
// The streams code each byte as itself in 8 bits, then the packets are
// the code bits.
TEST(ReferenceDecoder, EachRefusalRuleRefusesTheBreakAndOnlyIt)
{
	std::vector<int32_t> byte_code(16, 0);
	byte_code[7] = 256;
	Bytes all_bytes;
	for(int n_value = 0; n_value < 256; ++ n_value)
		all_bytes.push_back(uint8_t(n_value));
	const Bytes packets = {0x06, 1, 2, 3, 4}; // a literal of 4 bytes: a 2 x 2 gray plane
	const DecodeParams valid = {2, 2, packets.size(), pred_None, pred_None, pred_None, 1, color_Gray};
	struct Break {
		const char *p_s_rule;
		DecodeRefusal n_refusal;
		DecodeParams params;
		Bytes stream, repaired_stream;
	};
	DecodeParams huge = valid, zero_width = valid, zero_subsample = valid, unknown_y = valid, unknown_uv = valid,
		unknown_a = valid, negative_a = valid, cut = valid;
	huge.n_image_width = huge.n_image_height = 16385;
	zero_width.n_image_width = 0;
	zero_subsample.n_subsample = 0;
	unknown_y.n_predictor_y = 12;
	unknown_uv.n_predictor_uv = 12; // even where the image has no such plane
	unknown_a.n_predictor_a = 12;
	negative_a.n_predictor_a = -1;
	cut.n_huff_stage_size = 4; // the literal's last byte is not among the codes
	std::vector<int32_t> negative = byte_code, too_many = byte_code;
	negative[15] = -1;
	too_many[0] = 1;
	const Bytes valid_stream = Stream(byte_code, all_bytes, packets);
	const Bytes counts_only(valid_stream.begin(), valid_stream.begin() + 64);
	const DecodeRefusal n_params = DecodeRefusal::Parameters, n_data = DecodeRefusal::Data;
	const Break break_list[] = {
		{"pixels beyond the tool's limit", n_params, huge, valid_stream, {}},
		{"width below 1", n_params, zero_width, valid_stream, {}},
		{"subsampling below 1", n_params, zero_subsample, valid_stream, {}},
		{"unknown Y predictor", n_params, unknown_y, valid_stream, {}},
		{"unknown chroma predictor", n_params, unknown_uv, valid_stream, {}},
		{"unknown alpha predictor", n_params, unknown_a, valid_stream, {}},
		{"negative alpha predictor", n_params, negative_a, valid_stream, {}},
		{"a stream shorter than its counts", n_data, valid, Bytes(counts_only.begin(), counts_only.end() - 1), {}},
		{"a negative count", n_data, valid, Stream(negative, all_bytes, packets), {}},
		{"more than 256 symbols", n_data, valid, Stream(too_many, Bytes(257, 0), packets), {}},
		{"symbols beyond the stream", n_data, valid, Bytes(valid_stream.begin(), valid_stream.begin() + 64 + 255), {}},
		// one 1-bit code, "0": the bits 1... match no code of up to 16 bits
		{"bits that match no code", n_data, valid, Stream({1}, {6}, {0x7f}), Stream({1}, {6}, {0x00})},
		{"a packet cut by the end of the codes", n_data, cut, valid_stream, {}},
		{"a packet past the plane block", n_data, valid, Stream(byte_code, all_bytes, {0x08, 1, 2, 3, 4, 5}), {}},
		{"a plane block not filled", n_data, valid, Stream(byte_code, all_bytes, {0x04, 1, 2, 3}), {}}
	};
	for(bool b_base85 : {true, false}) {
		EXPECT_EQ(DecodedByEveryDecoder(b_base85, s_Text(valid_stream, b_base85), valid),
			Raster({0xff010101u, 0xff020202u, 0xff030303u, 0xff040404u}));
		for(const Break &r_break : break_list) {
			SCOPED_TRACE(r_break.p_s_rule);
			DecodeRefusal n_refusal;
			EXPECT_TRUE(DecodedByEveryDecoder(b_base85, s_Text(r_break.stream, b_base85), r_break.params,
				&n_refusal).empty());
			EXPECT_EQ(int(n_refusal), int(r_break.n_refusal));
			const Bytes &r_repaired = (r_break.repaired_stream.empty())? valid_stream : r_break.repaired_stream;
			const DecodeParams &r_repaired_params = (r_break.repaired_stream.empty())? valid : r_break.params;
			EXPECT_FALSE(DecodedByEveryDecoder(b_base85, s_Text(r_repaired, b_base85), r_repaired_params).empty());
		}
	}
	// the run-length stream's size lies from a 64th of the plane block (exactly: 64 x size >=
	// block) to twice it; a 129-byte block takes 3 to 258 bytes, and any text is then refused as data
	for(size_t n_huff_stage_size : {2, 3, 258, 259}) {
		DecodeRefusal n_refusal;
		EXPECT_TRUE(DecodedByEveryDecoder(true, "", {129, 1, n_huff_stage_size, pred_None, pred_None, pred_None, 1, color_Gray},
			&n_refusal).empty());
		const bool b_in_range = n_huff_stage_size == 3 || n_huff_stage_size == 258;
		EXPECT_EQ(int(n_refusal), int((b_in_range)? n_data : n_params)) << n_huff_stage_size;
	}
	// no code bits at all: the missing bits read as 0, the code of 0x05, twice a run of 3
	const DecodeParams zeros = {3, 1, 2, pred_None, pred_None, pred_None, 1, color_Gray};
	EXPECT_EQ(DecodedByEveryDecoder(true, s_Text(Stream({1}, {0x05}, {}), true), zeros), Raster(3, 0xff050505u));
}

