#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <thread>

#include "image/load_failure.h"
#include "image/raster_image.h"

/** How libjpeg is to write a test file. */
struct JpegWriteSettings {
	int n_quality = 85;
	int n_luma_h = 1; // sampling factors of the first component; the others are 1 x 1
	int n_luma_v = 1;
	bool b_gray = false; // one component, from the green channel
	int n_restart_interval = 0; // MCUs between restart markers, 0 for none
	bool b_progressive = false;
	bool b_arithmetic = false;
	bool b_jfif = true; // write the JFIF APP0 segment
	bool b_force_baseline = true; // false lets low qualities write 16-bit tables (SOF1)
	bool b_extra_markers = false; // APP1, APP15 and COM segments after the tables
	bool b_rgb = false; // store R, G and B (libjpeg names the components so), not YCbCr
	bool b_adobe = false; // write an Adobe APP14 segment (transform 0 for RGB, 1 for YCbCr)
	std::string s_component_ids; // one byte per component; empty: libjpeg's own
};

/** @brief encodes an image with libjpeg; throws std::runtime_error when libjpeg fails */
std::string s_WriteJpeg(const RasterImage &r_image, const JpegWriteSettings &r_settings);

/**
 *	@brief decodes with libjpeg as the reference: the accurate integer DCT and
 *		plain replicating upsampling, RGB out
 *	@return a new opaque image, or null when libjpeg refuses the data
 */
RasterImage *p_ReferenceDecodeJpeg(const std::string &s_jpeg);

/** @brief runs the tool's decoder on bytes in memory, through a seekable stream */
RasterImage *p_DecodeJpegBytes(const std::string &s_jpeg, LoadFailure *p_failure = nullptr);

/** Bytes readable through a pipe, which cannot seek; a thread writes them. */
class PipedBytes {
public:
	explicit PipedBytes(const std::string &s_bytes);
	~PipedBytes(); // closes the reading end, which also ends a writer the reader left blocked
	PipedBytes(const PipedBytes&) = delete;
	PipedBytes &operator =(const PipedBytes&) = delete;

	FILE *p_File() const { return m_p_file; }

private:
	std::string m_s_bytes;
	int m_n_write_fd;
	FILE *m_p_file;
	std::thread m_writer;
};

/** @brief runs the tool's decoder on bytes sent through a pipe */
RasterImage *p_DecodeJpegFromPipe(const std::string &s_jpeg);

/** Largest channel difference and PSNR (dB, over R, G and B) of two images of one size. */
struct ImageDifference {
	int n_max;
	double f_psnr; // infinity for identical images
};

ImageDifference t_CompareImages(const RasterImage &r_a, const RasterImage &r_b);

/** @brief offset of the first marker n_marker at or after n_from, or std::string::npos */
size_t n_FindMarker(const std::string &s_jpeg, uint16_t n_marker, size_t n_from = 0);

/** @brief a whole segment: marker, length (payload + 2) and payload */
std::string s_Segment(uint16_t n_marker, const std::string &s_payload);

/** @brief offset of the entropy-coded data: just past the SOS segment */
size_t n_ScanDataOffset(const std::string &s_jpeg);
