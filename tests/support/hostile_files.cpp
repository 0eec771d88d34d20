#include "support/hostile_files.h"

#include "compress/crc32.h"

namespace {

const int p_hostile_side[] = {65535, 16384};

void PutBe16(std::string &r_s_bytes, int n_value)
{
	r_s_bytes += char(n_value >> 8);
	r_s_bytes += char(n_value);
}

void PutBe32(std::string &r_s_bytes, uint32_t n_value)
{
	PutBe16(r_s_bytes, int(n_value >> 16));
	PutBe16(r_s_bytes, int(n_value & 0xffff));
}

/** 24-bit true colour, uncompressed, with 100 bytes of pixels */
std::string s_HostileTga(int n_side)
{
	std::string s_file(18, '\0');
	s_file[2] = 2;
	s_file[12] = char(n_side);
	s_file[13] = char(n_side >> 8);
	s_file[14] = char(n_side);
	s_file[15] = char(n_side >> 8);
	s_file[16] = 24;
	return s_file + std::string(100, '\x40');
}

void PutPngChunk(std::string &r_s_file, const char *p_s_type, const std::string &r_s_data)
{
	PutBe32(r_s_file, uint32_t(r_s_data.size()));
	const std::string s_typed = p_s_type + r_s_data;
	r_s_file += s_typed;
	PutBe32(r_s_file, n_Crc32(s_typed.data(), s_typed.size()));
}

/** 8-bit RGB with one stored deflate block of a few zero bytes */
std::string s_HostilePng(int n_side)
{
	std::string s_file = "\x89PNG\r\n\x1a\n";
	std::string s_header;
	PutBe32(s_header, uint32_t(n_side));
	PutBe32(s_header, uint32_t(n_side));
	s_header += std::string("\x08\x02\x00\x00\x00", 5);
	PutPngChunk(s_file, "IHDR", s_header);
	// zlib header, a final stored block of 4 zero bytes, then the Adler-32 of those bytes
	PutPngChunk(s_file, "IDAT", std::string("\x78\x01\x01\x04\x00\xfb\xff\x00\x00\x00\x00\x00\x04\x00\x01", 15));
	PutPngChunk(s_file, "IEND", "");
	return s_file;
}

void PutJpegSegment(std::string &r_s_file, int n_marker, const std::string &r_s_data)
{
	PutBe16(r_s_file, n_marker);
	PutBe16(r_s_file, int(r_s_data.size()) + 2);
	r_s_file += r_s_data;
}

/** three 1x1 components, all-ones quantisation, one-code Huffman tables and 16 bytes of scan */
std::string s_HostileJpeg(int n_side)
{
	std::string s_file("\xff\xd8", 2);
	PutJpegSegment(s_file, 0xffdb, std::string(1, '\0') + std::string(64, '\x01'));
	std::string s_frame(1, '\x08');
	PutBe16(s_frame, n_side);
	PutBe16(s_frame, n_side);
	s_frame += std::string("\x03\x01\x11\x00\x02\x11\x00\x03\x11\x00", 10);
	PutJpegSegment(s_file, 0xffc0, s_frame);
	// one 1-bit code, for symbol 0, in the DC and in the AC table 0
	const std::string s_counts = std::string(1, '\x01') + std::string(15, '\0') + std::string(1, '\0');
	PutJpegSegment(s_file, 0xffc4, std::string(1, '\x00') + s_counts + std::string(1, '\x10') + s_counts);
	PutJpegSegment(s_file, 0xffda, std::string("\x03\x01\x00\x02\x00\x03\x00\x00\x3f\x00", 10));
	return s_file + std::string(16, '\0') + std::string("\xff\xd9", 2);
}

} // namespace

std::vector<HostileFile> HostileSizeFiles()
{
	std::vector<HostileFile> files;
	for(int n_side : p_hostile_side) {
		const std::string s_size = std::to_string(n_side) + "x" + std::to_string(n_side);
		files.push_back({"huge_" + s_size + ".tga", s_HostileTga(n_side)});
		files.push_back({"huge_" + s_size + ".png", s_HostilePng(n_side)});
		files.push_back({"huge_" + s_size + ".jpg", s_HostileJpeg(n_side)});
	}
	return files;
}
