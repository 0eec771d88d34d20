#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "image/jpeg_decoder.h"
#include "support/jpeg_reference.h"
#include "support/test_support.h"

namespace {

/*
 *	Every file here is a real libjpeg file, edited by hand where the damage is
 *	one libjpeg would not write. The unedited files and edits just short of
 *	each fault decode, so a refusal is the edit's doing; each refusal must
 *	give its own reason, so a check that goes missing is noticed even where
 *	a later one still refuses the file.
 */

const uint16_t n_sof0 = 0xffc0, n_sos = 0xffda, n_eoi = 0xffd9, n_app0 = 0xffe0, n_dht = 0xffc4;
const uint16_t n_dqt = 0xffdb, n_com = 0xfffe, n_rst0 = 0xffd0;

// offsets into SOF: marker 0, length 2, P 4, Y 5, X 7, Nf 9, then 3 bytes per component
const size_t n_sof_precision = 4, n_sof_height = 5, n_sof_width = 7, n_sof_component_num = 9;
const size_t n_sof_first_component = 10;
// offsets into SOS: marker 0, length 2, Ns 4, then identifier and TdTa per component
const size_t n_sos_component_num = 4, n_sos_first_component = 5;

const char p_s_no_soi[] = "JPEG (no start-of-image marker in its first 64 KiB)";

std::string s_File(const JpegWriteSettings &r_settings, int n_width = 40, int n_height = 24)
{
	ImageHolder picture(p_MakeTestPicture(n_width, n_height, 3));
	return s_WriteJpeg(*picture.p_image, r_settings);
}

JpegWriteSettings t_Settings(int n_luma_hv, bool b_gray = false)
{
	JpegWriteSettings settings;
	settings.n_luma_h = settings.n_luma_v = n_luma_hv;
	settings.b_gray = b_gray;
	return settings;
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

std::string s_BeforeScan(const std::string &s_jpeg, const std::string &s_bytes)
{
	return s_Inserted(s_jpeg, n_Marker(s_jpeg, n_sos), s_bytes);
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

/** @brief a DHT segment for one table with the given counts; the symbols count up from n_first_symbol (mod 256) */
std::string s_HuffmanSegment(int n_class_table, const std::vector<std::pair<int, int>> &r_length_counts, int n_first_symbol = 0)
{
	std::string s_counts(16, '\0'), s_symbols;
	for(const auto &r_length_count : r_length_counts) {
		s_counts[size_t(r_length_count.first - 1)] = char(r_length_count.second);
		for(int i = 0; i < r_length_count.second; ++ i)
			s_symbols += char(n_first_symbol + int(s_symbols.size()));
	}
	return s_Segment(n_dht, std::string(1, char(n_class_table)) + s_counts + s_symbols);
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
	const std::string s_jpeg = s_File(t_Settings(1, true), 8, 8);
	const size_t n_data = n_ScanDataOffset(s_jpeg);
	return s_jpeg.substr(0, n_data) + s_EntropyCoded(s_bits) + "\xff\xd9";
}

// codes of the default luminance tables: DC category 0, and the AC symbols
// 0xf0 (sixteen zeros), 0xf1 (fifteen zeros, then a 1-bit value) and end of block
const std::string s_dc_zero = "00", s_zeros16 = "11111111001", s_run15_size1 = "1111111111110101", s_end = "1010";

/** The color file (4:2:0), the gray file, a color file with a restart marker after every MCU. */
struct BaseFiles {
	std::string s_color = s_File(t_Settings(2));
	std::string s_gray = s_File(t_Settings(1, true));
	std::string s_restart = s_File([] { JpegWriteSettings settings; settings.n_restart_interval = 1; return settings; }());
	size_t n_sof = n_Marker(s_color, n_sof0);
	size_t n_component = n_sof + n_sof_first_component;
	size_t n_scan = n_Marker(s_color, n_sos);
	size_t n_gray_sof = n_Marker(s_gray, n_sof0);
	size_t n_restart_marker = n_Marker(s_restart, n_rst0);
};

struct Refusal {
	const char *p_s_name;
	std::string s_jpeg;
	LoadError n_error;
	std::string s_detail;
	bool b_valid = false; // a valid file of a kind not taken: libjpeg reads it
};

std::vector<Refusal> Refusals()
{
	const BaseFiles base;
	const std::string &s_color = base.s_color, &s_gray = base.s_gray;
	const size_t n_sof = base.n_sof, n_component = base.n_component, n_scan = base.n_scan;
	const size_t n_app0_offset = n_Marker(s_color, n_app0), n_eoi_offset = n_Marker(s_color, n_eoi);
	const size_t n_data = n_ScanDataOffset(s_color), n_dht_offset = n_Marker(s_color, n_dht);
	const std::string s_bad_code = std::string(s_color).replace(n_data, 4, std::string("\xff\x00\xff\x00", 4));
	const size_t n_frame_length = 2 + size_t(uint8_t(s_color[n_sof + 3]));
	const size_t n_scan_length = 2 + size_t(uint8_t(s_color[n_scan + 3]));
	// JFXX with extension code 0x13: a 2 x 2 thumbnail of RGB triplets
	const std::string s_jfxx = s_Segment(n_app0, std::string("JFXX\0\x13\x02\x02", 8) + std::string(12, '\x40'));
	JpegWriteSettings progressive, arithmetic, rgb = t_Settings(1);
	progressive.b_progressive = true;
	arithmetic.b_arithmetic = true;
	rgb.b_rgb = rgb.b_adobe = true;
	rgb.b_jfif = false;
	JpegWriteSettings rgb_named = rgb;
	rgb_named.b_adobe = false;
	std::vector<Refusal> refusals = {
		{"EmptyFile", "", LoadError::NotThisFormat, p_s_no_soi},
		{"SoiPastTheFirst64KiB", std::string(65535, '\0') + s_color, LoadError::NotThisFormat, p_s_no_soi},
		{"SoiAfter64KiBAndOneZeros", std::string(65537, '\0') + s_color, LoadError::NotThisFormat, p_s_no_soi},
		{"ProgressiveFile", s_File(progressive), LoadError::Unsupported, "progressive JPEG", true},
		{"ArithmeticCodedFile", s_File(arithmetic), LoadError::Unsupported, "arithmetic-coded JPEG", true},
		{"RgbWithAdobeTransform0", s_File(rgb), LoadError::Unsupported, "RGB JPEG (Adobe transform 0)", true},
		{"RgbNamedRGB", s_File(rgb_named), LoadError::Unsupported, "RGB JPEG (components named R, G and B)", true},
		{"CutBeforeEoi", s_color.substr(0, n_eoi_offset), LoadError::EndsEarly, "no end-of-image marker"},
		{"CutInsideEoi", s_color.substr(0, n_eoi_offset + 1), LoadError::EndsEarly, "no end-of-image marker"},
		{"CutInsideTheScan", s_color.substr(0, (n_data + s_color.size()) / 2), LoadError::EndsEarly, "inside the scan data"},
		{"CutAtTheScan", s_color.substr(0, n_data), LoadError::EndsEarly, "inside the scan data"},
		{"CutInsideDht", s_color.substr(0, n_dht_offset + 10), LoadError::EndsEarly, "inside the DHT segment"},
		{"JfifExtensionSegment", s_Inserted(s_color, n_Marker(s_color, n_dqt), s_jfxx),
			LoadError::Unsupported, "APP0 segment that is not a JFIF header"},
		{"JfifMinorVersion3", s_WithByte(s_color, n_app0_offset + 10, 3), LoadError::Unsupported, "JFIF version 1.03"},
		{"JfifMajorVersion2", s_WithByte(s_color, n_app0_offset + 9, 2), LoadError::Unsupported, "JFIF version 2.01"},
		{"JfifHeaderTooShort", s_WithWord(s_color, n_app0_offset + 2, 15), LoadError::Corrupt, "APP0 segment length 15 is below 16"},
		{"DnlSegment", s_Inserted(s_color, n_eoi_offset, s_Segment(0xffdc, std::string("\x00\x18", 2))),
			LoadError::Unsupported, "DNL segment"},
		{"TwoComponents", s_WithByte(s_color, n_sof + n_sof_component_num, 2), LoadError::Unsupported, "JPEG with 2 components"},
		{"FourComponents", s_WithByte(s_color, n_sof + n_sof_component_num, 4), LoadError::Unsupported, "JPEG with 4 components"},
		{"NoComponents", s_WithByte(s_color, n_sof + n_sof_component_num, 0), LoadError::Corrupt, "frame header lists no components"},
		{"Width32768", s_WithWord(s_gray, base.n_gray_sof + n_sof_width, 0x8000),
			LoadError::Unsupported, "JPEG of 32768 or more pixels on a side (32768 x 24)"},
		{"Height65535", s_WithWord(s_gray, base.n_gray_sof + n_sof_height, 0xffff),
			LoadError::Unsupported, "JPEG of 32768 or more pixels on a side (40 x 65535)"},
		{"BeyondThePixelLimit", s_WithWord(s_WithWord(s_gray, base.n_gray_sof + n_sof_height, 0xffff), base.n_gray_sof + n_sof_width, 0x4001),
			LoadError::TooLarge, "16385 x 65535"},
		{"ZeroWidth", s_WithWord(s_gray, base.n_gray_sof + n_sof_width, 0), LoadError::Corrupt, "frame width 0"},
		{"ZeroHeight", s_WithWord(s_gray, base.n_gray_sof + n_sof_height, 0), LoadError::Unsupported, "DNL segment (frame height 0)"},
		{"TwelveBitFrame", s_WithByte(s_color, n_sof + n_sof_precision, 12), LoadError::Unsupported, "12-bit JPEG"},
		{"SixteenBitFrame", s_WithByte(s_color, n_sof + n_sof_precision, 16), LoadError::Corrupt, "frame header gives 16-bit samples"},
		{"FrameTooShortForItsComponents", s_WithWord(s_color, n_sof + 2, 16), LoadError::Corrupt, "frame header too short for its 3 components"},
		{"FrameWithoutScan", s_color.substr(0, n_scan) + "\xff\xd9", LoadError::Corrupt, "end-of-image marker before any scan"},
		{"SecondFrameHeader", s_Inserted(s_color, n_scan, s_color.substr(n_sof, n_frame_length)),
			LoadError::Corrupt, "second frame header"},
		{"ScanBeforeFrame", s_Inserted(s_color, 2, s_color.substr(n_scan, n_scan_length)),
			LoadError::Corrupt, "SOS before the frame header"},
		{"HuffmanTableOf257Symbols", s_BeforeScan(s_color, s_HuffmanSegment(0x13, {{9, 255}, {10, 2}})),
			LoadError::Corrupt, "DHT segment declares more than 256 symbols"},
		{"HuffmanCodesOverfillingALength", s_BeforeScan(s_color, s_HuffmanSegment(0x02, {{1, 1}, {2, 3}})),
			LoadError::Corrupt, "DHT segment declares more codes of a length than fit"},
		{"HuffmanCodesAfterAFullLength", s_BeforeScan(s_color, s_HuffmanSegment(0x02, {{16, 255}, {15, 255}, {1, 2}})),
			LoadError::Corrupt, "DHT segment declares more codes of a length than fit"},
		// three codes of 2 bits, one symbol
		{"HuffmanSymbolsMissing", s_BeforeScan(s_color, s_Segment(n_dht, std::string("\x00\x00\x03", 3) + std::string(14, '\0') + "\x01")),
			LoadError::Corrupt, "DHT segment declares more symbols than it holds"},
		{"HuffmanTable4", s_BeforeScan(s_color, s_HuffmanSegment(0x04, {{1, 1}})), LoadError::Corrupt, "DHT segment defines table 4"},
		{"HuffmanClass2", s_BeforeScan(s_color, s_HuffmanSegment(0x20, {{1, 1}})), LoadError::Corrupt, "DHT segment defines table class 2"},
		{"QuantTable4", s_BeforeScan(s_color, s_Segment(n_dqt, "\x04" + std::string(64, '\x01'))),
			LoadError::Corrupt, "DQT segment defines table 4"},
		{"QuantPrecision2", s_BeforeScan(s_color, s_Segment(n_dqt, "\x20" + std::string(64, '\x01'))),
			LoadError::Corrupt, "DQT segment gives entry precision 2"},
		{"SixteenBitQuantTableCut", s_BeforeScan(s_color, s_Segment(n_dqt, "\x10" + std::string(100, '\x01'))),
			LoadError::Corrupt, "DQT segment is too short for its table"},
		{"CommentLength1", s_BeforeScan(s_color, std::string("\xff\xfe\x00\x01", 4)), LoadError::Corrupt, "COM segment length 1 is below 2"},
		{"QuantLength1", s_BeforeScan(s_color, std::string("\xff\xdb\x00\x01", 4)), LoadError::Corrupt, "DQT segment length 1 is below 2"},
		{"HuffmanLength0", s_BeforeScan(s_color, std::string("\xff\xc4\x00\x00", 4)), LoadError::Corrupt, "DHT segment length 0 is below 2"},
		{"ScanHeaderLength5", s_WithWord(s_color, n_scan + 2, 5), LoadError::Corrupt, "scan header length 5 is below 6"},
		// libjpeg's default tables leave the all-ones code free: sixteen 1 bits match no DC code
		{"BadHuffmanCode", s_bad_code, LoadError::Corrupt, "bad Huffman code in the scan"},
		// without the first of 14 markers the search for it passes over MCU 2 to the
		// second: the markers run out at the last restart, after MCU 14 of 15
		{"RestartMarkerMissing", std::string(base.s_restart).erase(base.n_restart_marker, 2),
			LoadError::Corrupt, "missing restart marker after MCU 14"},
		{"OtherMarkerWhereARestartIsDue", s_WithByte(base.s_restart, base.n_restart_marker + 1, 0xfe),
			LoadError::Corrupt, "missing restart marker after MCU 1"},
		// k = 49: sixteen more zeros, or fifteen and a coefficient, run past 63
		{"SixteenZerosPast63", s_OneBlockWithScan(s_dc_zero + s_zeros16 + s_zeros16 + s_zeros16 + s_zeros16 + s_end),
			LoadError::Corrupt, "coefficient index beyond 63 in the scan"},
		{"CoefficientPast63", s_OneBlockWithScan(s_dc_zero + s_zeros16 + s_zeros16 + s_zeros16 + s_run15_size1 + "1" + s_end),
			LoadError::Corrupt, "coefficient index beyond 63 in the scan"},
		// one-code tables: a DC category of 16, an AC symbol of a run without a coefficient
		{"DcCategory16", s_BeforeScan(s_OneBlockWithScan("0"), s_HuffmanSegment(0x00, {{1, 1}}, 0x10)),
			LoadError::Corrupt, "DC difference of category 16 in the scan"},
		{"AcRunWithoutCoefficient", s_BeforeScan(s_OneBlockWithScan(s_dc_zero + "0"), s_HuffmanSegment(0x10, {{1, 1}}, 0x10)),
			LoadError::Corrupt, "bad AC symbol 0x10 in the scan"},
		{"ScanListsYTwice", s_WithByte(s_color, n_scan + n_sos_first_component + 2, 1), LoadError::Corrupt, "scan lists component 1 twice"},
		{"ScanComponentNotInFrame", s_WithByte(s_color, n_scan + n_sos_first_component, 4),
			LoadError::Corrupt, "scan component 4 is not in the frame"},
		{"ScanTablesNeverDefined", s_WithByte(s_color, n_scan + n_sos_first_component + 1, 0x22),
			LoadError::Corrupt, "scan component 1 uses Huffman tables 2 and 2, not both defined"},
		{"ScanTableAbove3", s_WithByte(s_color, n_scan + n_sos_first_component + 1, 0x04),
			LoadError::Corrupt, "scan component 1 names Huffman tables 0 and 4"},
		{"ScanOfOneComponentOfThree", s_WithByte(s_color, n_scan + n_sos_component_num, 1),
			LoadError::Unsupported, "non-interleaved JPEG (a scan of 1 of 3 components)"},
		{"ScanOfFourComponents", s_WithByte(s_color, n_scan + n_sos_component_num, 4), LoadError::Corrupt, "scan of 4 components in a frame of 3"},
		{"FrameIdentifiers113", s_WithByte(s_color, n_component + 3, 1), LoadError::Corrupt, "two frame components with identifier 1"},
		{"SamplingFactor3", s_WithByte(s_color, n_component + 1, 0x32), LoadError::Unsupported, "sampling factor 3"},
		{"SamplingFactor0", s_WithByte(s_color, n_component + 4, 0x10), LoadError::Corrupt, "sampling factor 0"},
		{"QuantTableNumber4", s_WithByte(s_color, n_component + 2, 4),
			LoadError::Corrupt, "frame component 1 names quantisation table 4"},
		{"QuantTableNeverDefined", s_WithByte(s_color, n_component + 2, 3),
			LoadError::Corrupt, "component 1 uses quantisation table 3, not defined"},
	};
	const std::pair<uint16_t, const char*> p_refused_marker[] = {{0xffc3, "lossless JPEG"}, {0xffc5, "hierarchical JPEG"},
		{0xffc8, "JPEG extensions (JPG marker)"}, {0xffc9, "arithmetic-coded JPEG"}, {0xffcc, "arithmetic-coded JPEG"},
		{0xffcd, "hierarchical arithmetic-coded JPEG"}, {0xffde, "hierarchical JPEG"}};
	for(const auto &r_marker : p_refused_marker)
		refusals.push_back({"RefusedMarker", s_BeforeScan(s_color, s_Segment(r_marker.first, "ab")), LoadError::Unsupported, r_marker.second});
	const std::pair<uint16_t, const char*> p_unknown_marker[] = {{0xffd0, "unexpected marker 0xffd0"},
		{0xff03, "unexpected marker 0xff03"}, {0xffbe, "unexpected marker 0xffbe"}};
	for(const auto &r_marker : p_unknown_marker)
		refusals.push_back({"UnknownMarker", s_BeforeScan(s_color, s_Segment(r_marker.first, "ab")), LoadError::Corrupt, r_marker.second});
	return refusals;
}

TEST(JpegRefusal, EachFaultIsRefusedWithItsReason)
{
	for(const Refusal &r_refusal : Refusals()) {
		SCOPED_TRACE(r_refusal.p_s_name);
		LoadFailure failure;
		ImageHolder image(p_DecodeJpegBytes(r_refusal.s_jpeg, &failure));
		EXPECT_FALSE(image);
		EXPECT_EQ(int(failure.n_error), int(r_refusal.n_error));
		EXPECT_EQ(failure.p_s_detail, r_refusal.s_detail);
		if(r_refusal.b_valid) {
			ImageHolder reference(p_ReferenceDecodeJpeg(r_refusal.s_jpeg));
			EXPECT_TRUE(reference);
		}
	}
}

TEST(JpegRefusal, EditsJustShortOfAFaultDecode)
{
	const BaseFiles base;
	const std::string &s_color = base.s_color;
	std::vector<std::pair<const char*, std::string>> files = {
		{"ColorAsWritten", s_color}, {"GrayAsWritten", base.s_gray}, {"RestartsAsWritten", base.s_restart},
		{"SoiEndingAt64KiB", std::string(65534, '\x5a') + s_color},
		{"JfifVersion1.2", s_WithByte(s_color, n_Marker(s_color, n_app0) + 10, 2)},
		{"HuffmanTableOf256Symbols", s_BeforeScan(s_color, s_HuffmanSegment(0x13, {{9, 255}, {10, 1}}))},
		{"HuffmanCodesFillingALength", s_BeforeScan(s_color, s_HuffmanSegment(0x02, {{1, 1}, {2, 2}}))},
		{"CommentLength2", s_BeforeScan(s_color, std::string("\xff\xfe\x00\x02", 4))},
		{"SamplingFactor4", s_WithByte(s_color, base.n_component + 1, 0x41)},
		// k = 49 after sixteen zeros three times; k = 33, then fifteen zeros and a coefficient at 48
		{"SixteenZerosUpTo48", s_OneBlockWithScan(s_dc_zero + s_zeros16 + s_zeros16 + s_zeros16 + s_end)},
		{"CoefficientAt48", s_OneBlockWithScan(s_dc_zero + s_zeros16 + s_zeros16 + s_run15_size1 + "1" + s_end)},
	};
	for(uint16_t n_marker : {0xffe1, 0xffee, 0xffef, 0xfff0, 0xfffd, 0xfffe, 0xffdf, 0xff01, 0xff02, 0xffbf})
		files.push_back({"SkippedMarker", s_BeforeScan(s_color, s_Segment(n_marker, "ab"))});
	for(const auto &r_file : files) {
		SCOPED_TRACE(r_file.first);
		LoadFailure failure;
		ImageHolder image(p_DecodeJpegBytes(r_file.second, &failure));
		EXPECT_TRUE(image);
		EXPECT_EQ(int(failure.n_error), int(LoadError::None));
	}
}

TEST(JpegRefusal, ReadErrorIsToldFromTheEndOfTheFile)
{
	// a directory opens as a stream but cannot be read
	TempDir dir;
	FILE *p_file = fopen(dir.s_Path().c_str(), "rb");
	ASSERT_TRUE(p_file);
	LoadFailure failure;
	ImageHolder image(p_DecodeJpeg(p_file, &failure));
	fclose(p_file);
	EXPECT_FALSE(image);
	EXPECT_EQ(int(failure.n_error), int(LoadError::CannotRead));
	EXPECT_EQ(failure.n_system_error, EISDIR);
}

TEST(JpegRefusal, FileWithoutSoiReadsAsNoJpegWithTheRemarkAfterIt)
{
	LoadFailure failure, plain;
	ImageHolder image(p_DecodeJpegBytes("GIF89a", &failure));
	b_LoadFailed(&plain, LoadError::NotThisFormat, "PNG");
	char p_s_text[256];
	DescribeLoadFailure(failure, p_s_text, sizeof(p_s_text));
	EXPECT_STREQ(p_s_text, "not a JPEG file (no start-of-image marker in its first 64 KiB)");
	DescribeLoadFailure(plain, p_s_text, sizeof(p_s_text));
	EXPECT_STREQ(p_s_text, "not a PNG file");
}

} // namespace
