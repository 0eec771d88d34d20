#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "image/raster_image.h"

/*
 *	Helpers that the fuzz targets share. A target reports a broken promise
 *	with FUZZ_CHECK, which aborts, so that libFuzzer and the plain replay
 *	both count it as a crash.
 */

#define FUZZ_CHECK(b_condition) \
	do { \
		if(!(b_condition)) \
			FuzzCheckFailed(#b_condition, __FILE__, __LINE__); \
	} while(0)

[[noreturn]] void FuzzCheckFailed(const char *p_s_condition, const char *p_s_file, int n_line);

/** @brief a folder of this process's own, made on first use and removed at exit */
const std::string &r_s_FuzzTempDir();

/** @brief writes the bytes to a file of that name in the process's temp folder; returns its path */
std::string s_WriteFuzzFile(const char *p_s_name, const uint8_t *p_data, size_t n_size);

/**
 *	@brief checks what every reader promises of an image it returns: a size
 *		within the tool's pixel limit, gray pixels when it is marked grayscale,
 *		and (when b_opaque_unless_alpha) alpha 0xff when it has no alpha;
 *		reads every pixel, so a raster shorter than its size is found
 */
void CheckLoadedImage(const RasterImage &r_image, bool b_opaque_unless_alpha);

/**
 *	@brief recomputes the CRC of every whole chunk of a PNG file (length,
 *		type, data, CRC of type and data), so that damage inside a chunk
 *		reaches libpng's decoding instead of its checksum test
 */
void RepairPngChunks(uint8_t *p_file, size_t n_size);

/** Reads the option bytes at the front of an input, then leaves the rest as the payload. */
struct FuzzInput {
	const uint8_t *p_data;
	size_t n_size;

	/** @brief the next byte, or 0 once the input is used up */
	uint8_t n_Byte()
	{
		if(!n_size)
			return 0;
		-- n_size;
		return *p_data ++;
	}
};

/**
 *	Redirects the C streams stdout and stderr for the lifetime of the object:
 *	stdout is dropped, stderr is kept in memory for the target to examine.
 *	Only the FILE pointers are swapped, never the descriptors, so sanitizer
 *	reports (written straight to descriptor 2) still reach the console.
 */
class StreamCapture {
public:
	StreamCapture();
	~StreamCapture();
	StreamCapture(const StreamCapture&) = delete;
	StreamCapture &operator =(const StreamCapture&) = delete;

	/** @brief what was written to stderr so far */
	std::string s_Errors();

private:
	FILE *m_p_saved_out;
	FILE *m_p_saved_err;
	FILE *m_p_null;
	FILE *m_p_errors;
	char *m_p_error_text = nullptr;
	size_t m_n_error_size = 0;
};
