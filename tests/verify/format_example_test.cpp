#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "compress/crc32.h"
#include "support/test_support.h"
#include "verify/decoder_oracle.h"

// The worked examples of FORMAT.md, read from the document itself, so that
// the document cannot drift from the code: every layer they state is what
// the tool's coders make of the example's pixels, every decoder turns the
// text back into the decoded pixels, the checksum is that of their bytes,
// and the planes' entry points stated for the first are those the tool finds.

namespace {

/** @brief the sections of the document whose heading names a worked example, each from its heading on */
std::vector<std::string> WorkedExamples(const std::string &r_s_document)
{
	std::vector<std::string> examples;
	for(size_t n_begin = r_s_document.find("\n## "); n_begin != std::string::npos;) {
		const size_t n_end = r_s_document.find("\n## ", n_begin + 1);
		const std::string s_section = r_s_document.substr(n_begin + 1, n_end - n_begin);
		if(s_section.substr(0, s_section.find('\n')).find("worked example") != std::string::npos)
			examples.push_back(s_section);
		n_begin = n_end;
	}
	return examples;
}

/**
 *	@brief the words after the label and a colon at the start of a line of the
 *		example, and on the indented lines that continue it; empty when the
 *		example has no such line
 */
std::vector<std::string> ExampleWords(const std::string &r_s_example, const std::string &s_label)
{
	std::vector<std::string> words;
	const size_t n_label = r_s_example.find("\n" + s_label + ":");
	if(n_label == std::string::npos)
		return words;
	size_t n_begin = n_label + 1 + s_label.size() + 1;
	do {
		const size_t n_end = r_s_example.find('\n', n_begin);
		std::istringstream line(r_s_example.substr(n_begin, n_end - n_begin));
		for(std::string s_word; line >> s_word;)
			words.push_back(s_word);
		n_begin = n_end + 1;
	} while(n_begin < r_s_example.size() && r_s_example[n_begin] == ' ');
	return words;
}

std::vector<uint32_t> ExampleNumbers(const std::string &r_s_example, const char *p_s_label, int n_base)
{
	std::vector<uint32_t> numbers;
	for(const std::string &r_s_word : ExampleWords(r_s_example, p_s_label))
		numbers.push_back(uint32_t(std::stoul(r_s_word, nullptr, n_base)));
	EXPECT_FALSE(numbers.empty()) << p_s_label << " missing";
	return numbers;
}

std::vector<uint8_t> ExampleBytes(const std::string &r_s_example, const char *p_s_label)
{
	const std::vector<uint32_t> numbers = ExampleNumbers(r_s_example, p_s_label, 16);
	return std::vector<uint8_t>(numbers.begin(), numbers.end());
}

void CheckWorkedExample(const std::string &r_s_example, EncodedImage &r_encoded)
{
	const std::vector<uint32_t> p = ExampleNumbers(r_s_example, "parameters", 10);
	ASSERT_EQ(p.size(), 8u);
	const DecodeParams params = {int(p[0]), int(p[1]), p[2], int(p[3]), int(p[4]), int(p[5]), int(p[6]), int(p[7])};
	const Raster pixels = ExampleNumbers(r_s_example, "pixels", 16);
	ASSERT_EQ(pixels.size(), size_t(params.n_image_width * params.n_image_height));
	// the text's label names its BASE, as a header's names do
	const std::vector<std::string> base85 = ExampleWords(r_s_example, "base85"),
		base64 = ExampleWords(r_s_example, "base64");
	ASSERT_EQ(base85.size() + base64.size(), 1u) << "one text, BASE85 or BASE64";
	const bool b_base85 = !base85.empty();
	const std::string &r_s_text = (b_base85)? base85[0] : base64[0];

	ImageHolder image(p_NewRasterImage(params.n_image_width, params.n_image_height));
	std::copy(pixels.begin(), pixels.end(), image->p_pixels);
	// the tool's default depths: 6-bit chroma, 8-bit alpha
	const PlaneSettings settings = {(params.n_color_type & color_Gray) != 0, (params.n_color_type & color_Alpha) != 0,
		(params.n_color_type & color_LosslessColor) != 0, params.n_subsample, 6, 8};
	const EncodedImage &encoded = r_encoded = EncodedWith(*image.p_image, settings, params.n_predictor_y,
		params.n_predictor_uv, params.n_predictor_a, b_base85);
	EXPECT_EQ(encoded.planes, ExampleBytes(r_s_example, "planes"));
	EXPECT_EQ(encoded.residuals, ExampleBytes(r_s_example, "residuals"));
	EXPECT_EQ(encoded.packets, ExampleBytes(r_s_example, "packets"));
	EXPECT_EQ(encoded.params.n_huff_stage_size, params.n_huff_stage_size);
	std::vector<uint8_t> stream;
	for(uint32_t n_count : ExampleNumbers(r_s_example, "counts", 10)) {
		for(int n_shift = 0; n_shift < 32; n_shift += 8)
			stream.push_back(uint8_t(n_count >> n_shift));
	}
	for(const char *p_s_part : {"symbols", "bits"}) {
		const std::vector<uint8_t> part = ExampleBytes(r_s_example, p_s_part);
		stream.insert(stream.end(), part.begin(), part.end());
	}
	EXPECT_EQ(encoded.stream, stream);
	EXPECT_EQ(encoded.s_text, r_s_text);

	// a lossless example decodes to its pixels, a lossy one states what it decodes to
	const Raster decoded = (ExampleWords(r_s_example, "decoded").empty())? pixels :
		ExampleNumbers(r_s_example, "decoded", 16);
	EXPECT_EQ(DecodedByEveryDecoder(b_base85, r_s_text, params), decoded);
	// n_CRC32() is over the bytes red, green, blue, alpha of each pixel, whatever the machine's byte order
	std::vector<uint8_t> bytes;
	for(uint32_t n_pixel : decoded) {
		for(int n_shift = 0; n_shift < 32; n_shift += 8)
			bytes.push_back(uint8_t(n_pixel >> n_shift));
	}
	const uint32_t n_crc = n_Crc32(bytes.data(), bytes.size());
	EXPECT_EQ(ExampleNumbers(r_s_example, "crc32", 16), std::vector<uint32_t>{n_crc});
	EXPECT_EQ(encoded.n_stored_crc, n_crc);
}

} // namespace

TEST(FormatExample, EveryLayerIsWhatTheToolMakesAndEveryDecoderReadsIt)
{
	const std::string s_document = s_ReadFile(PIXMOLD_TEST_DATA_DIR "/../../FORMAT.md");
	const std::vector<std::string> examples = WorkedExamples(s_document);
	ASSERT_EQ(examples.size(), 2u) << "gray with alpha; colour with alpha, subsampled";
	for(const std::string &r_s_example : examples) {
		SCOPED_TRACE(r_s_example.substr(0, r_s_example.find('\n')));
		EncodedImage encoded;
		CheckWorkedExample(r_s_example, encoded);
	}
	// the row decoder's entry points, which the document states for the first example
	EncodedImage first;
	CheckWorkedExample(examples[0], first);
	RowEntryPoints entries;
	ASSERT_TRUE(b_FindRowEntryPoints(true, first.s_text.c_str(), first.stream.data(), first.stream.size(),
		first.params, entries));
	std::vector<uint32_t> found;
	for(int i = 0; i < entries.n_plane_num; ++ i) {
		const RowEntryPoint &r = entries.p_entry[i];
		found.insert(found.end(), {uint32_t(r.n_text), uint32_t(r.n_bit), uint32_t(r.n_code), uint32_t(r.n_skip)});
	}
	EXPECT_EQ(found, ExampleNumbers(s_document, "entries", 10));
}
