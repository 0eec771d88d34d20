#include "fuzz_support.h"

#include <cstdlib>
#include <filesystem>

#include "compress/crc32.h"

void FuzzCheckFailed(const char *p_s_condition, const char *p_s_file, int n_line)
{
	fprintf(stderr, "fuzz check failed: %s (%s:%d)\n", p_s_condition, p_s_file, n_line);
	fflush(stderr);
	abort();
}

namespace {

void RemoveTempDir()
{
	std::error_code t_error;
	std::filesystem::remove_all(r_s_FuzzTempDir(), t_error);
}

} // namespace

const std::string &r_s_FuzzTempDir()
{
	static const std::string s_path = [] {
		std::string s_template = (std::filesystem::temp_directory_path() / "pixmold-fuzz-XXXXXX").string();
		if(!mkdtemp(&s_template[0]))
			FuzzCheckFailed("mkdtemp() made the temp folder", __FILE__, __LINE__);
		return s_template;
	}();
	static const bool b_cleanup_registered = !atexit(RemoveTempDir);
	(void)b_cleanup_registered;
	return s_path;
}

std::string s_WriteFuzzFile(const char *p_s_name, const uint8_t *p_data, size_t n_size)
{
	const std::string s_path = r_s_FuzzTempDir() + "/" + p_s_name;
	FILE *p_file = fopen(s_path.c_str(), "wb");
	FUZZ_CHECK(p_file);
	FUZZ_CHECK(fwrite(p_data, 1, n_size, p_file) == n_size);
	FUZZ_CHECK(!fclose(p_file));
	return s_path;
}

void CheckLoadedImage(const RasterImage &r_image, bool b_opaque_unless_alpha)
{
	FUZZ_CHECK(r_image.n_width >= 0 && r_image.n_height >= 0);
	FUZZ_CHECK(b_AcceptableImageSize(r_image.n_width, r_image.n_height));
	FUZZ_CHECK(r_image.p_pixels);
	const size_t n_pixel_num = size_t(r_image.n_width) * size_t(r_image.n_height);
	for(size_t i = 0; i < n_pixel_num; ++ i) {
		const uint32_t n_pixel = r_image.p_pixels[i];
		const uint32_t n_red = n_pixel & 0xff, n_green = (n_pixel >> 8) & 0xff, n_blue = (n_pixel >> 16) & 0xff;
		if(r_image.b_grayscale)
			FUZZ_CHECK(n_red == n_green && n_green == n_blue);
		if(b_opaque_unless_alpha && !r_image.b_alpha)
			FUZZ_CHECK(n_pixel >> 24 == 0xff);
	}
	// the checksum reads the raster as the conversion does
	volatile uint32_t n_crc = n_Crc32_Image(r_image);
	(void)n_crc;
}

void RepairPngChunks(uint8_t *p_file, size_t n_size)
{
	const size_t n_signature_size = 8, n_chunk_overhead = 12;
	for(size_t n_at = n_signature_size; n_at + n_chunk_overhead <= n_size;) {
		const uint64_t n_length = uint64_t(p_file[n_at]) << 24 | uint32_t(p_file[n_at + 1]) << 16 |
			uint32_t(p_file[n_at + 2]) << 8 | p_file[n_at + 3];
		if(n_length > n_size - n_at - n_chunk_overhead)
			return;
		const uint32_t n_crc = n_Crc32(p_file + n_at + 4, size_t(n_length) + 4);
		uint8_t *p_crc = p_file + n_at + 8 + size_t(n_length);
		for(int i = 0; i < 4; ++ i)
			p_crc[i] = uint8_t(n_crc >> (24 - 8 * i));
		n_at += n_chunk_overhead + size_t(n_length);
	}
}

// glibc lets a program assign the standard stream pointers
StreamCapture::StreamCapture()
	:m_p_saved_out(stdout), m_p_saved_err(stderr)
{
	m_p_null = fopen("/dev/null", "w");
	m_p_errors = open_memstream(&m_p_error_text, &m_n_error_size);
	FUZZ_CHECK(m_p_null && m_p_errors);
	stdout = m_p_null;
	stderr = m_p_errors;
}

StreamCapture::~StreamCapture()
{
	stdout = m_p_saved_out;
	stderr = m_p_saved_err;
	fclose(m_p_null);
	fclose(m_p_errors);
	free(m_p_error_text);
}

std::string StreamCapture::s_Errors()
{
	fflush(m_p_errors);
	return std::string(m_p_error_text, m_n_error_size);
}
