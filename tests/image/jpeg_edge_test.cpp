#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "image/jpeg_decoder.h"
#include "image/jpeg_decoder_state.h"
#include "image/jpeg_segments.h"
#include "image/jpeg_stream.h"
#include "support/jpeg_reference.h"
#include "support/test_support.h"

namespace {

const uint16_t n_sof0 = 0xffc0, n_sos = 0xffda, n_dqt = 0xffdb, n_dht = 0xffc4, n_com = 0xfffe;

std::string s_File(const JpegWriteSettings &r_settings, int n_width = 48, int n_height = 40)
{
	ImageHolder picture(p_MakeTestPicture(n_width, n_height, 11));
	return s_WriteJpeg(*picture.p_image, r_settings);
}

std::string s_RestartFile(bool b_gray)
{
	JpegWriteSettings settings;
	settings.b_gray = b_gray;
	settings.n_luma_h = settings.n_luma_v = (b_gray)? 1 : 2;
	settings.n_restart_interval = 1;
	return s_File(settings);
}

size_t n_Marker(const std::string &s_jpeg, uint16_t n_marker)
{
	const size_t n_offset = n_FindMarker(s_jpeg, n_marker);
	if(n_offset == std::string::npos)
		throw std::runtime_error("test file lacks a marker");
	return n_offset;
}

/** @brief the two decodes are the same image, pixel for pixel */
void ExpectSameImage(const std::string &s_original, const std::string &s_edited)
{
	ImageHolder original(p_DecodeJpegBytes(s_original)), edited(p_DecodeJpegBytes(s_edited));
	ASSERT_TRUE(original);
	ASSERT_TRUE(edited);
	ASSERT_EQ(edited->n_width, original->n_width);
	ASSERT_EQ(edited->n_height, original->n_height);
	EXPECT_EQ(memcmp(edited->p_pixels, original->p_pixels, n_RasterByteSize(*original.p_image)), 0);
}

TEST(JpegEdge, BytesBeforeSoiArePassedOver)
{
	const std::string s_jpeg = s_File(JpegWriteSettings());
	ExpectSameImage(s_jpeg, std::string("junk\xff\x00\xff\xff\xd9\x12", 10) + s_jpeg);
}

TEST(JpegEdge, StrayAndFillBytesBetweenSegmentsArePassedOver)
{
	const std::string s_jpeg = s_File(JpegWriteSettings());
	std::string s_edited = s_jpeg;
	s_edited.insert(n_Marker(s_edited, n_sos), "\xff\xff\xff");
	s_edited.insert(n_Marker(s_edited, n_sof0), "\x01\x02\x03");
	s_edited.insert(n_Marker(s_edited, n_dqt), std::string("\x00\xff\x00\x7f", 4));
	ExpectSameImage(s_jpeg, s_edited);
}

TEST(JpegEdge, SegmentBytesBeyondWhatIsReadArePassedOver)
{
	const std::string s_jpeg = s_File(JpegWriteSettings());
	std::string s_edited = s_jpeg;
	// a DRI of 6 bytes with no restarts, and a DHT whose length adds 16 bytes, too few for a table
	s_edited.insert(n_Marker(s_edited, n_sos), s_Segment(0xffdd, std::string("\x00\x00\xab\xcd", 4)));
	const size_t n_table = n_Marker(s_edited, n_dht), n_length = size_t(uint8_t(s_edited[n_table + 2]) << 8 | uint8_t(s_edited[n_table + 3]));
	s_edited.insert(n_table + 2 + n_length, std::string(16, '\x11'));
	s_edited[n_table + 2] = char((n_length + 16) >> 8);
	s_edited[n_table + 3] = char(n_length + 16);
	ExpectSameImage(s_jpeg, s_edited);
}

TEST(JpegEdge, LaterHuffmanTableReplacesEarlierOne)
{
	const std::string s_jpeg = s_File(JpegWriteSettings());
	// DC table 0 with one code only: had it stayed, the scan could not be decoded
	const std::string s_early = s_Segment(n_dht, std::string("\x00\x01", 2) + std::string(15, '\0') + "\x05");
	ExpectSameImage(s_jpeg, s_jpeg.substr(0, 2) + s_early + s_jpeg.substr(2));
}

TEST(JpegEdge, RestartMarkersInAnyOrderDecode)
{
	for(bool b_gray : {false, true}) {
		const std::string s_jpeg = s_RestartFile(b_gray);
		std::string s_edited = s_jpeg;
		int n_restart_num = 0;
		// in the scan every 0xff is followed by a stuffed 0 or a marker
		for(size_t i = n_ScanDataOffset(s_edited); i + 1 < s_edited.size(); ++ i) {
			if(s_edited[i] == '\xff' && (s_edited[i + 1] & 0xf8) == 0xd0)
				s_edited[i + 1] = char(0xd0 + (n_restart_num ++ * 5 + 3) % 8); // 3, 0, 5, 2, 7 ...
		}
		EXPECT_GE(n_restart_num, 8);
		ExpectSameImage(s_jpeg, s_edited);
	}
}

TEST(JpegEdge, ComponentsAreTakenInFrameOrderWhateverTheirIdentifiers)
{
	// restarts after every MCU also show that each component's prediction restarts
	const std::string s_jpeg = s_RestartFile(false);
	const size_t n_frame_ids = n_Marker(s_jpeg, n_sof0) + 10, n_scan_ids = n_Marker(s_jpeg, n_sos) + 5;
	for(const char *p_s_ids : {"\x02\x03\x04", "\x03\x01\x02", "\x04\x02\x01", "\x00\x01\x02", "\xc8\x00\x05"}) {
		std::string s_edited = s_jpeg;
		for(int i = 0; i < 3; ++ i)
			s_edited[n_frame_ids + 3 * i] = s_edited[n_scan_ids + 2 * i] = p_s_ids[i];
		ExpectSameImage(s_jpeg, s_edited);
	}
}

TEST(JpegEdge, OneComponentFrameIgnoresItsSamplingFactors)
{
	JpegWriteSettings settings;
	settings.b_gray = true;
	settings.n_restart_interval = 3;
	const std::string s_jpeg = s_File(settings, 37, 29);
	const size_t n_factors = n_Marker(s_jpeg, n_sof0) + 11;
	ASSERT_EQ(s_jpeg[n_factors], '\x11');
	for(char n_hv : {'\x22', '\x14', '\x41'}) {
		std::string s_edited = s_jpeg;
		s_edited[n_factors] = n_hv;
		ExpectSameImage(s_jpeg, s_edited);
	}
}

TEST(JpegEdge, FileOnDiskMemoryStreamAndPipeDecodeAlike)
{
	const std::string s_jpeg = s_RestartFile(false);
	TempDir dir;
	WriteFile(dir.s_File("a.jpg"), s_jpeg);
	FILE *p_file = fopen(dir.s_File("a.jpg").c_str(), "rb");
	ASSERT_TRUE(p_file);
	ImageHolder from_disk(p_DecodeJpeg(p_file));
	fclose(p_file);
	ImageHolder from_memory(p_DecodeJpegBytes(s_jpeg)), from_pipe(p_DecodeJpegFromPipe(s_jpeg));
	ASSERT_TRUE(from_disk && from_memory && from_pipe);
	const size_t n_size = n_RasterByteSize(*from_disk.p_image);
	EXPECT_EQ(memcmp(from_disk->p_pixels, from_memory->p_pixels, n_size), 0);
	EXPECT_EQ(memcmp(from_disk->p_pixels, from_pipe->p_pixels, n_size), 0);
}

TEST(JpegEdge, FileLargerThanTheReadBufferDecodes)
{
	JpegWriteSettings settings;
	settings.n_quality = 100;
	settings.n_restart_interval = 7;
	const std::string s_jpeg = s_File(settings, 300, 200);
	ASSERT_GT(s_jpeg.size(), 3 * n_jpeg_read_buffer_size);
	ImageHolder decoded(p_DecodeJpegBytes(s_jpeg)), reference(p_ReferenceDecodeJpeg(s_jpeg));
	ASSERT_TRUE(decoded && reference);
	EXPECT_GE(t_CompareImages(*decoded.p_image, *reference.p_image).f_psnr, 40.0);
}

/** What reading a file up to and including its frame header did. */
struct FrameProbe {
	bool b_frame_accepted;
	bool b_planes_allocated;
	LoadFailure failure;
};

/** @brief runs the segment handlers up to the frame header, then releases the planes */
FrameProbe t_ReadUpToFrame(FILE *p_file)
{
	JpegDecoder decoder = {};
	FrameProbe probe = {false, false, {}};
	JpegByteReader reader;
	InitJpegByteReader(reader, p_file, &probe.failure);
	uint16_t n_marker;
	while(b_FindJpegMarker(reader, n_marker)) {
		if(n_marker == marker_SOF0) {
			probe.b_frame_accepted = b_ReadJpegSegment(n_marker, decoder, reader);
			break;
		}
		if(!b_ReadJpegSegment(n_marker, decoder, reader))
			break;
	}
	probe.b_planes_allocated = decoder.p_plane[0] != nullptr;
	for(int8_t *p_plane : decoder.p_plane)
		delete[] p_plane;
	return probe;
}

FrameProbe t_ReadUpToFrame(const std::string &s_jpeg)
{
	std::string s_copy = s_jpeg;
	FILE *p_file = fmemopen(&s_copy[0], s_copy.size(), "rb");
	const FrameProbe probe = t_ReadUpToFrame(p_file);
	fclose(p_file);
	return probe;
}

/** @brief a small gray file whose frame header claims another size, with n_padding bytes of comments before it */
std::string s_ClaimingSize(int n_width, int n_height, size_t n_padding)
{
	JpegWriteSettings settings;
	settings.b_gray = true;
	std::string s_jpeg = s_File(settings, 8, 8);
	const size_t n_frame = n_Marker(s_jpeg, n_sof0);
	s_jpeg[n_frame + 5] = char(n_height >> 8);
	s_jpeg[n_frame + 6] = char(n_height);
	s_jpeg[n_frame + 7] = char(n_width >> 8);
	s_jpeg[n_frame + 8] = char(n_width);
	const size_t n_comment_size = 65000, n_frame_end = n_frame + 2 + 11;
	for(; n_padding; n_padding -= std::min(n_padding, n_comment_size))
		s_jpeg.insert(n_frame_end, s_Segment(n_com, std::string(std::min(n_padding, n_comment_size), 'p')));
	return s_jpeg;
}

TEST(JpegHostileSize, FrameAtThePixelLimitIsTakenAndOneRowMoreIsNot)
{
	// 16384 x 16384 is exactly 2^28 pixels; the padding covers two bits per block
	const size_t n_padding = 16384 / 8 * 16384 / 8 / 4 + 1000;
	const FrameProbe at_limit = t_ReadUpToFrame(s_ClaimingSize(16384, 16384, n_padding));
	EXPECT_TRUE(at_limit.b_frame_accepted);
	EXPECT_TRUE(at_limit.b_planes_allocated);
	const FrameProbe over_limit = t_ReadUpToFrame(s_ClaimingSize(16384, 16385, n_padding));
	EXPECT_FALSE(over_limit.b_frame_accepted);
	EXPECT_FALSE(over_limit.b_planes_allocated);
	EXPECT_EQ(int(over_limit.failure.n_error), int(LoadError::TooLarge));
	EXPECT_STREQ(over_limit.failure.p_s_detail, "16384 x 16385");
}

TEST(JpegHostileSize, ShortFileClaimingAHugeFrameFailsBeforeAllocating)
{
	// 8192 x 8192 gray is 2^20 blocks, so at least 2^18 bytes of scan
	const std::string s_short = s_ClaimingSize(8192, 8192, 0);
	const FrameProbe seekable = t_ReadUpToFrame(s_short);
	EXPECT_FALSE(seekable.b_frame_accepted);
	EXPECT_FALSE(seekable.b_planes_allocated);
	EXPECT_EQ(int(seekable.failure.n_error), int(LoadError::EndsEarly));
	EXPECT_STREQ(seekable.failure.p_s_detail, "too short for the scan of a 8192 x 8192 image");
	const FrameProbe enough = t_ReadUpToFrame(s_ClaimingSize(8192, 8192, 1 << 18));
	EXPECT_TRUE(enough.b_frame_accepted);
	// through a pipe the size of the rest is unknown: the frame is taken and the scan runs out
	PipedBytes piped(s_short);
	const FrameProbe unseekable = t_ReadUpToFrame(piped.p_File());
	EXPECT_TRUE(unseekable.b_frame_accepted);
	EXPECT_TRUE(unseekable.b_planes_allocated);
	ImageHolder decoded(p_DecodeJpegFromPipe(s_short));
	EXPECT_FALSE(decoded);
}

} // namespace
