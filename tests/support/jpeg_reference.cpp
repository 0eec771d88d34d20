#include "support/jpeg_reference.h"

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <stdexcept>
#include <vector>

#include <unistd.h>

#include <jpeglib.h>

#include "image/jpeg_decoder.h"

namespace {

/** libjpeg reports errors by calling error_exit, which must not return: it jumps back here. */
struct ErrorTrap {
	jpeg_error_mgr manager;
	jmp_buf jump;
};

void OnJpegError(j_common_ptr p_info)
{
	longjmp(reinterpret_cast<ErrorTrap*>(p_info->err)->jump, 1);
}

void OnJpegMessage(j_common_ptr, int)
{
}

jpeg_error_mgr *p_InitTrap(ErrorTrap &r_trap)
{
	jpeg_std_error(&r_trap.manager);
	r_trap.manager.error_exit = OnJpegError;
	r_trap.manager.emit_message = OnJpegMessage;
	return &r_trap.manager;
}

/** @brief the libjpeg part of s_WriteJpeg: plain data only, since it is left by longjmp */
bool b_Compress(const RasterImage &r_image, const JpegWriteSettings &r_settings,
	const uint8_t *p_samples, unsigned char **p_output, unsigned long *p_output_size)
{
	jpeg_compress_struct info;
	ErrorTrap trap;
	info.err = p_InitTrap(trap);
	if(setjmp(trap.jump)) {
		jpeg_destroy_compress(&info);
		return false;
	}
	jpeg_create_compress(&info);
	jpeg_mem_dest(&info, p_output, p_output_size);
	const int n_channel_num = (r_settings.b_gray)? 1 : 3;
	info.image_width = JDIMENSION(r_image.n_width);
	info.image_height = JDIMENSION(r_image.n_height);
	info.input_components = n_channel_num;
	info.in_color_space = (r_settings.b_gray)? JCS_GRAYSCALE : JCS_RGB;
	jpeg_set_defaults(&info);
	if(r_settings.b_rgb)
		jpeg_set_colorspace(&info, JCS_RGB);
	for(size_t i = 0; i < r_settings.s_component_ids.size(); ++ i)
		info.comp_info[i].component_id = uint8_t(r_settings.s_component_ids[i]);
	jpeg_set_quality(&info, r_settings.n_quality, r_settings.b_force_baseline);
	info.comp_info[0].h_samp_factor = r_settings.n_luma_h;
	info.comp_info[0].v_samp_factor = r_settings.n_luma_v;
	for(int i = 1; i < n_channel_num; ++ i)
		info.comp_info[i].h_samp_factor = info.comp_info[i].v_samp_factor = 1;
	info.restart_interval = unsigned(r_settings.n_restart_interval);
	info.write_JFIF_header = r_settings.b_jfif;
	info.write_Adobe_marker = r_settings.b_adobe;
	info.arith_code = r_settings.b_arithmetic;
	info.dct_method = JDCT_ISLOW;
	if(r_settings.b_progressive)
		jpeg_simple_progression(&info);
	jpeg_start_compress(&info, TRUE);
	if(r_settings.b_extra_markers) {
		const char p_exif[] = "Exif\0\0not really exif data";
		jpeg_write_marker(&info, JPEG_APP0 + 1, reinterpret_cast<const JOCTET*>(p_exif), sizeof(p_exif));
		jpeg_write_marker(&info, JPEG_APP0 + 15, reinterpret_cast<const JOCTET*>("\xff\xd9\xff"), 3);
		jpeg_write_marker(&info, JPEG_COM, reinterpret_cast<const JOCTET*>("made for a test"), 15);
	}
	while(info.next_scanline < info.image_height) {
		JSAMPROW p_row = const_cast<JSAMPROW>(p_samples +
			size_t(info.next_scanline) * info.image_width * n_channel_num);
		jpeg_write_scanlines(&info, &p_row, 1);
	}
	jpeg_finish_compress(&info);
	jpeg_destroy_compress(&info);
	return true;
}

/** @brief the libjpeg part of p_ReferenceDecodeJpeg: RGB samples, three per pixel */
bool b_Decompress(const std::string &s_jpeg, std::vector<uint8_t> &r_samples, int &r_n_width, int &r_n_height)
{
	jpeg_decompress_struct info;
	ErrorTrap trap;
	info.err = p_InitTrap(trap);
	if(setjmp(trap.jump)) {
		jpeg_destroy_decompress(&info);
		return false;
	}
	jpeg_create_decompress(&info);
	jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(s_jpeg.data()), (unsigned long)s_jpeg.size());
	jpeg_read_header(&info, TRUE);
	info.dct_method = JDCT_ISLOW;
	info.do_fancy_upsampling = FALSE;
	info.out_color_space = JCS_RGB;
	jpeg_start_decompress(&info);
	r_n_width = int(info.output_width);
	r_n_height = int(info.output_height);
	r_samples.resize(size_t(r_n_width) * r_n_height * 3);
	while(info.output_scanline < info.output_height) {
		JSAMPROW p_row = r_samples.data() + size_t(info.output_scanline) * r_n_width * 3;
		jpeg_read_scanlines(&info, &p_row, 1);
	}
	jpeg_finish_decompress(&info);
	jpeg_destroy_decompress(&info);
	return true;
}

} // namespace

std::string s_WriteJpeg(const RasterImage &r_image, const JpegWriteSettings &r_settings)
{
	std::vector<uint8_t> samples;
	for(size_t i = 0, n = size_t(r_image.n_width) * r_image.n_height; i < n; ++ i) {
		const uint32_t n_pixel = r_image.p_pixels[i];
		if(r_settings.b_gray)
			samples.push_back(uint8_t(n_pixel >> 8));
		else {
			samples.push_back(uint8_t(n_pixel));
			samples.push_back(uint8_t(n_pixel >> 8));
			samples.push_back(uint8_t(n_pixel >> 16));
		}
	}
	unsigned char *p_output = nullptr;
	unsigned long n_output_size = 0;
	const bool b_ok = b_Compress(r_image, r_settings, samples.data(), &p_output, &n_output_size);
	std::string s_jpeg = (b_ok)? std::string(reinterpret_cast<char*>(p_output), n_output_size) : std::string();
	free(p_output);
	if(!b_ok)
		throw std::runtime_error("libjpeg could not write the test file");
	return s_jpeg;
}

RasterImage *p_ReferenceDecodeJpeg(const std::string &s_jpeg)
{
	std::vector<uint8_t> samples;
	int n_width, n_height;
	if(!b_Decompress(s_jpeg, samples, n_width, n_height))
		return nullptr;
	RasterImage *p_image = p_NewRasterImage(n_width, n_height);
	for(size_t i = 0, n = size_t(n_width) * n_height; p_image && i < n; ++ i) {
		const uint8_t *p_rgb = &samples[3 * i];
		p_image->p_pixels[i] = 0xff000000U | uint32_t(p_rgb[2]) << 16 | uint32_t(p_rgb[1]) << 8 | p_rgb[0];
	}
	return p_image;
}

RasterImage *p_DecodeJpegBytes(const std::string &s_jpeg, LoadFailure *p_failure)
{
	std::string s_copy = s_jpeg; // fmemopen wants writable memory
	FILE *p_file = (s_copy.empty())? fopen("/dev/null", "rb") : fmemopen(&s_copy[0], s_copy.size(), "rb");
	if(!p_file)
		throw std::runtime_error("cannot open a memory stream");
	RasterImage *p_image = p_DecodeJpeg(p_file, p_failure);
	fclose(p_file);
	return p_image;
}

PipedBytes::PipedBytes(const std::string &s_bytes)
	:m_s_bytes(s_bytes)
{
	int p_pipe[2];
	if(pipe(p_pipe) || !(m_p_file = fdopen(p_pipe[0], "rb")))
		throw std::runtime_error("cannot create a pipe");
	signal(SIGPIPE, SIG_IGN); // a reader that stops early makes write() fail instead
	m_n_write_fd = p_pipe[1];
	m_writer = std::thread([this]() {
		for(size_t n_done = 0; n_done < m_s_bytes.size();) {
			const ssize_t n_written = write(m_n_write_fd, m_s_bytes.data() + n_done, m_s_bytes.size() - n_done);
			if(n_written <= 0)
				break;
			n_done += size_t(n_written);
		}
		close(m_n_write_fd);
	});
}

PipedBytes::~PipedBytes()
{
	fclose(m_p_file);
	m_writer.join();
}

RasterImage *p_DecodeJpegFromPipe(const std::string &s_jpeg)
{
	PipedBytes piped(s_jpeg);
	return p_DecodeJpeg(piped.p_File());
}

ImageDifference t_CompareImages(const RasterImage &r_a, const RasterImage &r_b)
{
	if(r_a.n_width != r_b.n_width || r_a.n_height != r_b.n_height)
		throw std::runtime_error("images of different sizes");
	ImageDifference difference = {0, 0};
	double f_squares = 0;
	const size_t n_pixel_num = size_t(r_a.n_width) * r_a.n_height;
	for(size_t i = 0; i < n_pixel_num; ++ i) {
		for(int n_shift = 0; n_shift < 24; n_shift += 8) {
			const int n_diff = std::abs(int(r_a.p_pixels[i] >> n_shift & 0xff) - int(r_b.p_pixels[i] >> n_shift & 0xff));
			difference.n_max = std::max(difference.n_max, n_diff);
			f_squares += double(n_diff) * n_diff;
		}
	}
	difference.f_psnr = (f_squares)? 10 * std::log10(255.0 * 255.0 * 3 * double(n_pixel_num) / f_squares) :
		std::numeric_limits<double>::infinity();
	return difference;
}

size_t n_FindMarker(const std::string &s_jpeg, uint16_t n_marker, size_t n_from)
{
	// walk the segments by their lengths, and the entropy-coded data byte by byte
	const auto n_Byte = [&s_jpeg](size_t i) { return int(uint8_t(s_jpeg[i])); };
	bool b_in_scan = false;
	for(size_t i = 2; i + 1 < s_jpeg.size();) { // past SOI
		if(n_Byte(i) != 0xff) {
			if(!b_in_scan)
				return std::string::npos;
			++ i;
			continue;
		}
		const int n_code = n_Byte(i + 1);
		if(n_code == 0xff || (b_in_scan && !n_code)) { // fill or stuffed byte
			i += (n_code)? 1 : 2;
			continue;
		}
		if(i >= n_from && n_code == (n_marker & 0xff))
			return i;
		if((n_code >= 0xd0 && n_code <= 0xd9) || i + 3 >= s_jpeg.size())
			i += 2; // RSTn, SOI and EOI have no length
		else {
			b_in_scan = n_code == 0xda;
			i += 2 + size_t(n_Byte(i + 2) << 8 | n_Byte(i + 3));
		}
	}
	return std::string::npos;
}

std::string s_Segment(uint16_t n_marker, const std::string &s_payload)
{
	const size_t n_length = s_payload.size() + 2;
	return std::string{char(n_marker >> 8), char(n_marker), char(n_length >> 8), char(n_length)} + s_payload;
}

size_t n_ScanDataOffset(const std::string &s_jpeg)
{
	const size_t n_sos = n_FindMarker(s_jpeg, 0xffda);
	if(n_sos == std::string::npos)
		throw std::runtime_error("no scan");
	return n_sos + 2 + size_t(uint8_t(s_jpeg[n_sos + 2]) << 8 | uint8_t(s_jpeg[n_sos + 3]));
}
