#pragma once

#include <gtest/gtest.h>

#include <algorithm>
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
#include "compress/row_entry_points.h"
#include "compress/stream_format.h"
#include "image/raster_image.h"
#include "verify/builtin_decoder.h"
#include "verify/raster_rebuild.h"
#include "verify/reference_decoder.h"
#include "verify/row_decoder.h"

typedef std::vector<uint32_t> Raster;

/** @brief RGB565 of an ARGB pixel, its bytes swapped, as the row decoder writes it for SPI panels */
inline uint16_t n_SwappedRgb565(uint32_t n_pixel)
{
	const uint32_t n_rgb565 = (n_pixel & 0xf8) << 8 | (n_pixel >> 10 & 0x3f) << 5 | (n_pixel >> 19 & 0x1f);
	return uint16_t(n_rgb565 >> 8 | (n_rgb565 & 0xff) << 8);
}

/**
 *	@brief decodes a text with the fast decoder that headers carry, with the
 *		reference decoder and with the row decoder of "--row-decoder" (from
 *		the entry points the tool finds in the same stream, none where it
 *		cannot read it, and the text cut into literals of a few characters);
 *		a test failure unless all give the same raster (the row decoder also
 *		in RGB565) or all refuse, the first two for the same reason
 *	@param[out] p_refusal receives that reason, or None (null: not recorded)
 *	@return the raster, empty when all refuse
 */
inline Raster DecodedByEveryDecoder(bool b_base85, const std::string &s_text, const DecodeParams &r_params,
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

	ByteBuffer stream;
	RowEntryPoints entries = {};
	const DecodeParams &p = r_params;
	if(b_AcceptableImageSize(p.n_image_width, p.n_image_height) && p.n_subsample > 0 &&
	   ((b_base85)? b_Base85Decode(s_text.c_str(), stream) : b_Base64Decode(s_text.c_str(), stream)))
		b_FindRowEntryPoints(b_base85, s_text.c_str(), stream.p_Data(), stream.n_Size(), p, entries);
	std::vector<std::string> pieces;
	std::vector<const char*> piece_list;
	const size_t n_piece_length = 1 + s_text.size() * 7 % 13;
	for(size_t n_begin = 0; n_begin < s_text.size() || pieces.empty(); n_begin += n_piece_length)
		pieces.push_back(s_text.substr(std::min(n_begin, s_text.size()), n_piece_length));
	for(const std::string &r_s_piece : pieces)
		piece_list.push_back(r_s_piece.c_str());
	const RowText text = {piece_list.data(), n_piece_length, s_text.size()};
	// room for a raster whatever the others did: a row decoder that accepts what they refuse writes one
	const size_t n_row_pixel_num = (b_AcceptableImageSize(p.n_image_width, p.n_image_height))?
		size_t(p.n_image_width) * size_t(p.n_image_height) : 0;
	Raster rows(n_row_pixel_num);
	std::vector<uint16_t> rgb565(n_row_pixel_num);
	EXPECT_EQ(b_RowDecode(b_base85, text, p, entries, RowPixels::Argb, rows.data()), !fast.empty()) <<
		"the row decoder refused and the decoders did not, or the other way round";
	EXPECT_EQ(b_RowDecode(b_base85, text, p, entries, RowPixels::Rgb565Swapped, rgb565.data()), !fast.empty());
	if(!fast.empty()) {
		EXPECT_TRUE(rows == fast) << "the row decoder disagrees";
		for(size_t i = 0; i < n_pixel_num && !::testing::Test::HasFailure(); ++ i)
			EXPECT_EQ(rgb565[i], n_SwappedRgb565(fast[i])) << "RGB565 of pixel " << i;
	}
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
