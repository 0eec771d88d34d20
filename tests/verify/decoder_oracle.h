#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "compress/base64.h"
#include "compress/base85.h"
#include "compress/byte_buffer.h"
#include "compress/color_transform.h"
#include "compress/huffman_coder.h"
#include "compress/predictor.h"
#include "compress/rle_coder.h"
#include "compress/stream_format.h"
#include "image/raster_image.h"
#include "verify/builtin_decoder.h"
#include "verify/raster_rebuild.h"
#include "verify/reference_decoder.h"

typedef std::vector<uint32_t> Raster;

/**
 *	@brief decodes a text with the fast decoder that headers carry and with the
 *		reference decoder; a test failure unless both give the same raster or
 *		both refuse for the same reason
 *	@param[out] p_refusal receives that reason, or None (null: not recorded)
 *	@return the raster, empty when both refuse
 */
inline Raster DecodedByBoth(bool b_base85, const std::string &s_text, const DecodeParams &r_params,
	DecodeRefusal *p_refusal = nullptr)
{
	DecodeRefusal n_fast_refusal, n_reference_refusal;
	uint32_t *p_fast = p_BuiltinDecode(b_base85, s_text.c_str(), r_params, &n_fast_refusal);
	uint32_t *p_reference = p_ReferenceDecode(b_base85, s_text.c_str(), r_params, &n_reference_refusal);
	EXPECT_EQ(p_fast != nullptr, p_reference != nullptr) << "one decoder refused, the other did not";
	EXPECT_EQ(int(n_fast_refusal), int(n_reference_refusal)) << "the decoders give different reasons";
	if(p_refusal)
		*p_refusal = n_reference_refusal;
	Raster fast, reference;
	const size_t n_pixel_num = (p_fast || p_reference)?
		size_t(r_params.n_image_width) * size_t(r_params.n_image_height) : 0;
	if(p_fast)
		fast.assign(p_fast, p_fast + n_pixel_num);
	if(p_reference)
		reference.assign(p_reference, p_reference + n_pixel_num);
	delete[] p_fast;
	delete[] p_reference;
	EXPECT_TRUE(fast == reference) << "the decoders disagree";
	return reference;
}

/** An image compressed by the tool's coders, with predictors chosen by the caller, layer by layer. */
struct EncodedImage {
	// the plane block before and after prediction, the run-length stream, the CompressedStream
	std::vector<uint8_t> planes, residuals, packets, stream;
	std::string s_text;
	DecodeParams params;
	uint32_t n_stored_crc; // CRC-32 of the raster that decoding yields
};

/**
 *	@brief compresses an image as the tool does once its search has picked the
 *		predictors: planes, prediction, run-length and Huffman coding, BASE text
 *	@param[in] n_predictor_uv and n_predictor_a are ignored (written as "none")
 *		where the image has no such planes, as the tool writes them
 */
inline EncodedImage EncodedWith(const RasterImage &r_image, const PlaneSettings &r_settings,
	int n_predictor_y, int n_predictor_uv, int n_predictor_a, bool b_base85)
{
	const int n_width = r_image.n_width, n_height = r_image.n_height, n_color_type = n_ColorType(r_settings);
	if(r_settings.b_gray)
		n_predictor_uv = pred_None;
	if(!r_settings.b_alpha)
		n_predictor_a = pred_None;
	ByteBuffer planes, packets, output;
	EncodedImage encoded = {{}, {}, {}, {}, "", DecodeParams{n_width, n_height, 0, n_predictor_y, n_predictor_uv,
		n_predictor_a, r_settings.n_subsample, n_color_type}, 0};
	EXPECT_TRUE(b_BuildPlanes(r_image, r_settings, planes));
	encoded.planes.assign(planes.p_Data(), planes.p_Data() + planes.n_Size());
	encoded.n_stored_crc = n_RebuiltRasterChecksum(planes.p_Data(), encoded.params);
	const int p_predictor[] = {n_predictor_y, n_predictor_uv, n_predictor_a};
	EXPECT_TRUE(b_PredictPlaneBlock(planes.p_Data(), n_width, n_height, r_settings.n_subsample, n_color_type,
		p_predictor));
	encoded.residuals.assign(planes.p_Data(), planes.p_Data() + planes.n_Size());
	EXPECT_TRUE(b_RunLengthEncode(planes.p_Data(), planes.n_Size(), packets));
	encoded.packets.assign(packets.p_Data(), packets.p_Data() + packets.n_Size());
	EXPECT_TRUE(b_HuffmanEncode(packets.p_Data(), packets.n_Size(), output));
	encoded.params.n_huff_stage_size = packets.n_Size();
	encoded.stream.assign(output.p_Data() + n_length_prefix_size, output.p_Data() + output.n_Size());
	EXPECT_TRUE((b_base85)? b_Base85EncodeString(encoded.stream.data(), encoded.stream.size(), encoded.s_text) :
		b_Base64EncodeString(encoded.stream.data(), encoded.stream.size(), encoded.s_text));
	return encoded;
}
