#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "support/jpeg_reference.h"
#include "support/test_support.h"

namespace {

/*
 *	Every file here is a real libjpeg file, edited by hand where the damage is
 *	one libjpeg would not write. Each test first shows that the unedited
 *	file decodes, so a refusal is the edit's doing.
 */

const uint16_t n_sof0 = 0xffc0, n_sos = 0xffda, n_eoi = 0xffd9, n_app0 = 0xffe0, n_dht = 0xffc4;
const uint16_t n_com = 0xfffe, n_rst0 = 0xffd0;

// offsets into SOF: marker 0, length 2, P 4, Y 5, X 7, Nf 9, then 3 bytes per component
const size_t n_sof_precision = 4, n_sof_height = 5, n_sof_width = 7, n_sof_component_num = 9;
const size_t n_sof_first_component = 10;

std::string s_File(const JpegWriteSettings &r_settings, int n_width = 40, int n_height = 24)
{
	ImageHolder picture(p_MakeTestPicture(n_width, n_height, 3));
	return s_WriteJpeg(*picture.p_image, r_settings);
}

std::string s_ColorFile()
{
	JpegWriteSettings settings;
	settings.n_luma_h = settings.n_luma_v = 2;
	return s_File(settings);
}

std::string s_GrayFile(int n_width = 40, int n_height = 24)
{
	JpegWriteSettings settings;
	settings.b_gray = true;
	return s_File(settings, n_width, n_height);
}

bool b_Decodes(const std::string &s_jpeg)
{
	ImageHolder image(p_DecodeJpegBytes(s_jpeg));
	return bool(image);
}

size_t n_Marker(const std::string &s_jpeg, uint16_t n_marker)
{
	const size_t n_offset = n_FindMarker(s_jpeg, n_marker);
	if(n_offset == std::string::npos)
		throw std::runtime_error("test file lacks a marker");
	return n_offset;
}

std::string s_Inserted(std::string s_jpeg, size_t n_offset, const std::string &s_bytes)
{
	return s_jpeg.insert(n_offset, s_bytes);
}

std::string s_WithByte(std::string s_jpeg, size_t n_offset, int n_value)
{
	s_jpeg[n_offset] = char(n_value);
	return s_jpeg;
}

std::string s_WithWord(std::string s_jpeg, size_t n_offset, int n_value)
{
	s_jpeg[n_offset] = char(n_value >> 8);
	s_jpeg[n_offset + 1] = char(n_value);
	return s_jpeg;
}

/** @brief a DHT segment for one table with the given counts; the symbols are 0, 1, 2 ... (mod 256) */
std::string s_HuffmanSegment(int n_class_table, const std::vector<std::pair<int, int>> &r_length_counts)
{
	std::string s_counts(16, '\0'), s_symbols;
	for(const auto &r_length_count : r_length_counts) {
		s_counts[size_t(r_length_count.first - 1)] = char(r_length_count.second);
		for(int i = 0; i < r_length_count.second; ++ i)
			s_symbols += char(s_symbols.size());
	}
	return s_Segment(n_dht, std::string(1, char(n_class_table)) + s_counts + s_symbols);
}

TEST(JpegRefusal, ProgressiveFile)
{
	JpegWriteSettings settings;
	settings.b_progressive = true;
	const std::string s_jpeg = s_File(settings);
	ImageHolder reference(p_ReferenceDecodeJpeg(s_jpeg));
	ASSERT_TRUE(reference);
	EXPECT_FALSE(b_Decodes(s_jpeg));
}

TEST(JpegRefusal, ArithmeticCodedFile)
{
	JpegWriteSettings settings;
	settings.b_arithmetic = true;
	const std::string s_jpeg = s_File(settings);
	ImageHolder reference(p_ReferenceDecodeJpeg(s_jpeg));
	ASSERT_TRUE(reference);
	EXPECT_FALSE(b_Decodes(s_jpeg));
}

TEST(JpegRefusal, FileTruncatedRightAfterTheLastMcu)
{
	const std::string s_jpeg = s_ColorFile();
	ASSERT_TRUE(b_Decodes(s_jpeg));
	const size_t n_eoi_offset = n_Marker(s_jpeg, n_eoi);
	ASSERT_EQ(n_eoi_offset, s_jpeg.size() - 2);
	EXPECT_FALSE(b_Decodes(s_jpeg.substr(0, n_eoi_offset)));
	EXPECT_FALSE(b_Decodes(s_jpeg.substr(0, n_eoi_offset + 1)));
}

TEST(JpegRefusal, FileTruncatedInsideTheScan)
{
	const std::string s_jpeg = s_ColorFile();
	const size_t n_data = n_ScanDataOffset(s_jpeg);
	EXPECT_FALSE(b_Decodes(s_jpeg.substr(0, (n_data + s_jpeg.size()) / 2)));
	EXPECT_FALSE(b_Decodes(s_jpeg.substr(0, n_data)));
}

TEST(JpegRefusal, JfifExtensionSegment)
{
	const std::string s_jpeg = s_ColorFile();
	// JFXX with extension code 0x13: a 2 x 2 thumbnail of RGB triplets
	const std::string s_jfxx = s_Segment(n_app0, std::string("JFXX\0\x13\x02\x02", 8) + std::string(12, '\x40'));
	const size_t n_after_jfif = n_FindMarker(s_jpeg, 0xffdb);
	ASSERT_TRUE(b_Decodes(s_Inserted(s_jpeg, n_after_jfif, s_Segment(n_com, "placeholder of its size"))));
	EXPECT_FALSE(b_Decodes(s_Inserted(s_jpeg, n_after_jfif, s_jfxx)));
}

TEST(JpegRefusal, JfifHeaderOfAnotherVersionOrTooShort)
{
	const std::string s_jpeg = s_ColorFile();
	const size_t n_app0_offset = n_Marker(s_jpeg, n_app0);
	ASSERT_EQ(s_jpeg.substr(n_app0_offset + 4, 5), std::string("JFIF\0", 5));
	EXPECT_TRUE(b_Decodes(s_WithByte(s_jpeg, n_app0_offset + 10, 2))); // version 1.2
	EXPECT_FALSE(b_Decodes(s_WithByte(s_jpeg, n_app0_offset + 10, 3)));
	EXPECT_FALSE(b_Decodes(s_WithByte(s_jpeg, n_app0_offset + 9, 2)));
	EXPECT_FALSE(b_Decodes(s_WithWord(s_jpeg, n_app0_offset + 2, 15)));
}

TEST(JpegRefusal, DnlSegment)
{
	const std::string s_jpeg = s_ColorFile();
	const size_t n_eoi_offset = n_Marker(s_jpeg, n_eoi);
	EXPECT_FALSE(b_Decodes(s_Inserted(s_jpeg, n_eoi_offset, s_Segment(0xffdc, std::string("\x00\x18", 2)))));
}

TEST(JpegRefusal, TwoComponentFrame)
{
	const std::string s_jpeg = s_ColorFile();
	const size_t n_sof = n_Marker(s_jpeg, n_sof0);
	ASSERT_EQ(s_jpeg[n_sof + n_sof_component_num], 3);
	EXPECT_FALSE(b_Decodes(s_WithByte(s_jpeg, n_sof + n_sof_component_num, 2)));
	EXPECT_FALSE(b_Decodes(s_WithByte(s_jpeg, n_sof + n_sof_component_num, 4)));
}

TEST(JpegRefusal, WidthOrHeightOf32768OrMore)
{
	const std::string s_jpeg = s_GrayFile();
	const size_t n_sof = n_Marker(s_jpeg, n_sof0);
	for(int n_size : {0x8000, 0xffff}) {
		EXPECT_FALSE(b_Decodes(s_WithWord(s_jpeg, n_sof + n_sof_width, n_size))) << n_size;
		EXPECT_FALSE(b_Decodes(s_WithWord(s_jpeg, n_sof + n_sof_height, n_size))) << n_size;
	}
}

TEST(JpegRefusal, ZeroWidthOrHeight)
{
	const std::string s_jpeg = s_GrayFile();
	const size_t n_sof = n_Marker(s_jpeg, n_sof0);
	EXPECT_FALSE(b_Decodes(s_WithWord(s_jpeg, n_sof + n_sof_width, 0)));
	EXPECT_FALSE(b_Decodes(s_WithWord(s_jpeg, n_sof + n_sof_height, 0)));
}

TEST(JpegRefusal, TwelveBitFrame)
{
	const std::string s_jpeg = s_ColorFile();
	const size_t n_sof = n_Marker(s_jpeg, n_sof0);
	ASSERT_EQ(s_jpeg[n_sof + n_sof_precision], 8);
	EXPECT_FALSE(b_Decodes(s_WithByte(s_jpeg, n_sof + n_sof_precision, 12)));
	EXPECT_FALSE(b_Decodes(s_WithByte(s_jpeg, n_sof + n_sof_precision, 16)));
}

TEST(JpegRefusal, FrameWithoutScan)
{
	const std::string s_jpeg = s_ColorFile();
	EXPECT_FALSE(b_Decodes(s_jpeg.substr(0, n_Marker(s_jpeg, n_sos)) + "\xff\xd9"));
}

TEST(JpegRefusal, SecondFrameHeader)
{
	const std::string s_jpeg = s_ColorFile();
	const size_t n_sof = n_Marker(s_jpeg, n_sof0), n_length = 2 + size_t(uint8_t(s_jpeg[n_sof + 3]));
	EXPECT_FALSE(b_Decodes(s_Inserted(s_jpeg, n_Marker(s_jpeg, n_sos), s_jpeg.substr(n_sof, n_length))));
}

TEST(JpegRefusal, HuffmanTableWithMoreThan256Symbols)
{
	// both tables fit the code space (255 codes of 9 bits leave room at 10 bits);
	// only the symbol count tells them apart
	const std::string s_jpeg = s_ColorFile();
	const size_t n_scan = n_Marker(s_jpeg, n_sos);
	EXPECT_TRUE(b_Decodes(s_Inserted(s_jpeg, n_scan, s_HuffmanSegment(0x13, {{9, 255}, {10, 1}}))));
	EXPECT_FALSE(b_Decodes(s_Inserted(s_jpeg, n_scan, s_HuffmanSegment(0x13, {{9, 255}, {10, 2}}))));
}

TEST(JpegRefusal, HuffmanCountsOverfillingTheCodeSpace)
{
	const std::string s_jpeg = s_ColorFile();
	const size_t n_scan = n_Marker(s_jpeg, n_sos);
	EXPECT_TRUE(b_Decodes(s_Inserted(s_jpeg, n_scan, s_HuffmanSegment(0x02, {{1, 1}, {2, 2}}))));
	EXPECT_FALSE(b_Decodes(s_Inserted(s_jpeg, n_scan, s_HuffmanSegment(0x02, {{1, 1}, {2, 3}}))));
	EXPECT_FALSE(b_Decodes(s_Inserted(s_jpeg, n_scan, s_HuffmanSegment(0x02, {{16, 255}, {15, 255}, {1, 2}}))));
}

TEST(JpegRefusal, SegmentLengthBelowTwo)
{
	const std::string s_jpeg = s_ColorFile();
	const size_t n_scan = n_Marker(s_jpeg, n_sos);
	EXPECT_TRUE(b_Decodes(s_Inserted(s_jpeg, n_scan, std::string("\xff\xfe\x00\x02", 4))));
	for(const char *p_s_segment : {"\xff\xfe\x00\x01", "\xff\xfe\x00\x00", "\xff\xdb\x00\x01", "\xff\xc4\x00\x00"})
		EXPECT_FALSE(b_Decodes(s_Inserted(s_jpeg, n_scan, std::string(p_s_segment, 4)))) << int(uint8_t(p_s_segment[1]));
}

TEST(JpegRefusal, BadHuffmanCode)
{
	// libjpeg's default tables leave the all-ones code free: sixteen 1 bits match no DC code
	const std::string s_jpeg = s_ColorFile();
	const size_t n_data = n_ScanDataOffset(s_jpeg);
	std::string s_bad = s_jpeg;
	s_bad.replace(n_data, 4, std::string("\xff\x00\xff\x00", 4));
	EXPECT_FALSE(b_Decodes(s_bad));
}

TEST(JpegRefusal, MissingRestartMarker)
{
	JpegWriteSettings settings;
	settings.n_restart_interval = 1;
	const std::string s_jpeg = s_File(settings);
	ASSERT_TRUE(b_Decodes(s_jpeg));
	const size_t n_restart = n_FindMarker(s_jpeg, n_rst0);
	ASSERT_NE(n_restart, std::string::npos);
	EXPECT_FALSE(b_Decodes(std::string(s_jpeg).erase(n_restart, 2)));
	// a marker other than RSTn where one is due
	EXPECT_FALSE(b_Decodes(s_WithByte(s_jpeg, n_restart + 1, 0xfe)));
}

/** @brief packs bits ('0' and '1') into entropy-coded bytes: padded with 1 bits, a 0 stuffed after each 0xff */
std::string s_EntropyCoded(const std::string &s_bits)
{
	std::string s_bytes;
	for(size_t i = 0; i < s_bits.size(); i += 8) {
		int n_byte = 0;
		for(size_t j = i; j < i + 8; ++ j)
			n_byte = n_byte << 1 | (j >= s_bits.size() || s_bits[j] == '1');
		s_bytes += char(n_byte);
		if(n_byte == 0xff)
			s_bytes += '\0';
	}
	return s_bytes;
}

/** @brief an 8 x 8 gray file (one block, libjpeg's default tables) whose scan data is replaced */
std::string s_OneBlockWithScan(const std::string &s_bits)
{
	const std::string s_jpeg = s_GrayFile(8, 8);
	const size_t n_data = n_ScanDataOffset(s_jpeg);
	return s_jpeg.substr(0, n_data) + s_EntropyCoded(s_bits) + "\xff\xd9";
}

TEST(JpegRefusal, AcCoefficientsPastTheEndOfTheBlock)
{
	// codes of the default luminance tables: DC category 0, and the AC symbols
	// 0xf0 (sixteen zeros), 0xf1 (fifteen zeros, then a 1-bit value) and end of block
	const std::string s_dc_zero = "00", s_zeros16 = "11111111001", s_run15_size1 = "1111111111110101";
	const std::string s_end = "1010";
	ImageHolder flat(p_DecodeJpegBytes(s_OneBlockWithScan(s_dc_zero + s_zeros16 + s_zeros16 + s_zeros16 + s_end)));
	ASSERT_TRUE(flat);
	EXPECT_EQ(flat->p_pixels[0], n_Pixel(128, 128, 128));
	// k = 33, then fifteen zeros and a coefficient at 48, which makes the block uneven
	ImageHolder ridged(p_DecodeJpegBytes(s_OneBlockWithScan(s_dc_zero + s_zeros16 + s_zeros16 + s_run15_size1 + "1" + s_end)));
	ASSERT_TRUE(ridged);
	EXPECT_NE(std::count(ridged->p_pixels, ridged->p_pixels + 64, ridged->p_pixels[0]), 64);
	// k = 49: sixteen more zeros, or fifteen and a coefficient, run past 63
	EXPECT_FALSE(b_Decodes(s_OneBlockWithScan(s_dc_zero + s_zeros16 + s_zeros16 + s_zeros16 + s_zeros16 + s_end)));
	EXPECT_FALSE(b_Decodes(s_OneBlockWithScan(s_dc_zero + s_zeros16 + s_zeros16 + s_zeros16 + s_run15_size1 + "1" + s_end)));
}

TEST(JpegRefusal, ScanThatDoesNotMatchTheFrame)
{
	const std::string s_jpeg = s_ColorFile();
	// SOS: marker, length, Ns, then identifier and TdTa for Y, Cb, Cr
	const size_t n_scan = n_Marker(s_jpeg, n_sos);
	ASSERT_EQ(s_jpeg.substr(n_scan + 5, 6), std::string("\x01\x00\x02\x11\x03\x11", 6));
	EXPECT_FALSE(b_Decodes(s_WithByte(s_jpeg, n_scan + 7, 1))); // Y twice
	EXPECT_FALSE(b_Decodes(s_WithByte(s_jpeg, n_scan + 5, 4))); // no such component
	EXPECT_FALSE(b_Decodes(s_WithByte(s_jpeg, n_scan + 6, 0x22))); // tables never defined
	EXPECT_FALSE(b_Decodes(s_WithByte(s_jpeg, n_scan + 6, 0x04))); // table number above 3
	EXPECT_FALSE(b_Decodes(s_WithByte(s_jpeg, n_scan + 4, 1))); // one component of three
}

TEST(JpegRefusal, FrameComponentsWithBadIdentifiersFactorsOrTables)
{
	const std::string s_jpeg = s_ColorFile();
	const size_t n_component = n_Marker(s_jpeg, n_sof0) + n_sof_first_component;
	EXPECT_FALSE(b_Decodes(s_WithByte(s_jpeg, n_component + 3, 1))); // identifiers 1, 1, 3
	EXPECT_FALSE(b_Decodes(s_WithByte(s_jpeg, n_component, 0))); // identifier 0
	EXPECT_FALSE(b_Decodes(s_WithByte(s_jpeg, n_component + 1, 0x32))); // sampling factor 3
	EXPECT_FALSE(b_Decodes(s_WithByte(s_jpeg, n_component + 2, 4))); // quantisation table 4
	EXPECT_FALSE(b_Decodes(s_WithByte(s_jpeg, n_component + 2, 3))); // table 3, never defined
}

TEST(JpegRefusal, RefusedMarkers)
{
	const std::string s_jpeg = s_ColorFile();
	const size_t n_scan = n_Marker(s_jpeg, n_sos);
	for(uint16_t n_marker : {0xffc3, 0xffc9, 0xffcc, 0xffde, 0xffd0, 0xffc8, 0xff03})
		EXPECT_FALSE(b_Decodes(s_Inserted(s_jpeg, n_scan, s_Segment(n_marker, "ab")))) << std::hex << n_marker;
	for(uint16_t n_marker : {0xffe1, 0xffef, 0xfff0, 0xfffd, 0xfffe, 0xffdf, 0xff01, 0xff02, 0xffbf})
		EXPECT_TRUE(b_Decodes(s_Inserted(s_jpeg, n_scan, s_Segment(n_marker, "ab")))) << std::hex << n_marker;
}

} // namespace
