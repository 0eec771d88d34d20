#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "support/test_support.h"
#include "verify/decoder_oracle.h"

// The worked example of FORMAT.md, read from the document itself, so that
// the document cannot drift from the code: every layer it states is what the
// tool's coders make of the example's pixels, every decoder turns its text
// back into those pixels, and the planes' entry points are those the tool finds.

namespace {

/** @brief the numbers on the document's line that starts with the label and a colon */
std::vector<uint32_t> ExampleLine(const std::string &r_s_document, const char *p_s_label, int n_base)
{
	const std::string s_label = std::string("\n") + p_s_label + ":";
	const size_t n_begin = r_s_document.find(s_label);
	EXPECT_NE(n_begin, std::string::npos) << p_s_label << " missing";
	std::vector<uint32_t> numbers;
	if(n_begin == std::string::npos)
		return numbers;
	std::istringstream line(r_s_document.substr(n_begin + s_label.size(),
		r_s_document.find('\n', n_begin + 1) - n_begin - s_label.size()));
	for(std::string s_word; line >> s_word;)
		numbers.push_back(uint32_t(std::stoul(s_word, nullptr, n_base)));
	return numbers;
}

std::vector<uint8_t> ExampleBytes(const std::string &r_s_document, const char *p_s_label)
{
	const std::vector<uint32_t> numbers = ExampleLine(r_s_document, p_s_label, 16);
	return std::vector<uint8_t>(numbers.begin(), numbers.end());
}

} // namespace

TEST(FormatExample, EveryLayerIsWhatTheToolMakesAndBothDecodersReadIt)
{
	const std::string s_document = s_ReadFile(PIXMOLD_TEST_DATA_DIR "/../../FORMAT.md");
	ASSERT_FALSE(s_document.empty());
	const std::vector<uint32_t> p = ExampleLine(s_document, "parameters", 10);
	ASSERT_EQ(p.size(), 8u);
	const DecodeParams params = {int(p[0]), int(p[1]), p[2], int(p[3]), int(p[4]), int(p[5]), int(p[6]), int(p[7])};
	const Raster pixels = ExampleLine(s_document, "pixels", 16);
	ASSERT_EQ(pixels.size(), size_t(params.n_image_width * params.n_image_height));
	ImageHolder image(p_NewRasterImage(params.n_image_width, params.n_image_height));
	std::copy(pixels.begin(), pixels.end(), image->p_pixels);
	// the tool's default depths: 6-bit chroma (which a gray image has not), 8-bit alpha
	const PlaneSettings settings = {(params.n_color_type & color_Gray) != 0, (params.n_color_type & color_Alpha) != 0,
		(params.n_color_type & color_LosslessColor) != 0, params.n_subsample, 6, 8};

	const EncodedImage encoded = EncodedWith(*image.p_image, settings, params.n_predictor_y,
		params.n_predictor_uv, params.n_predictor_a, true);
	EXPECT_EQ(encoded.planes, ExampleBytes(s_document, "planes"));
	EXPECT_EQ(encoded.residuals, ExampleBytes(s_document, "residuals"));
	EXPECT_EQ(encoded.packets, ExampleBytes(s_document, "packets"));
	EXPECT_EQ(encoded.params.n_huff_stage_size, params.n_huff_stage_size);
	std::vector<uint8_t> stream;
	for(uint32_t n_count : ExampleLine(s_document, "counts", 10)) {
		for(int n_shift = 0; n_shift < 32; n_shift += 8)
			stream.push_back(uint8_t(n_count >> n_shift));
	}
	for(const char *p_s_part : {"symbols", "bits"}) {
		const std::vector<uint8_t> part = ExampleBytes(s_document, p_s_part);
		stream.insert(stream.end(), part.begin(), part.end());
	}
	EXPECT_EQ(encoded.stream, stream);

	const size_t n_text = s_document.find("\ntext: ");
	ASSERT_NE(n_text, std::string::npos);
	const size_t n_text_begin = n_text + strlen("\ntext: ");
	const std::string s_text = s_document.substr(n_text_begin, s_document.find('\n', n_text_begin) - n_text_begin);
	EXPECT_EQ(encoded.s_text, s_text);
	EXPECT_EQ(DecodedByEveryDecoder(true, s_text, params), pixels);

	RowEntryPoints entries;
	ASSERT_TRUE(b_FindRowEntryPoints(true, s_text.c_str(), stream.data(), stream.size(), params, entries));
	std::vector<uint32_t> found;
	for(int i = 0; i < entries.n_plane_num; ++ i) {
		const RowEntryPoint &r = entries.p_entry[i];
		found.insert(found.end(), {uint32_t(r.n_text), uint32_t(r.n_bit), uint32_t(r.n_code), uint32_t(r.n_skip)});
	}
	EXPECT_EQ(found, ExampleLine(s_document, "entries", 10));
}
