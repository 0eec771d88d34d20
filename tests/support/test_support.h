#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "image/raster_image.h"

/** A fresh directory under the system's temporary folder, removed with its contents on destruction. */
class TempDir {
public:
	TempDir();
	~TempDir();
	TempDir(const TempDir&) = delete;
	TempDir &operator =(const TempDir&) = delete;

	const std::string &s_Path() const { return m_s_path; }
	std::string s_File(const std::string &s_name) const { return m_s_path + "/" + s_name; }

private:
	std::string m_s_path;
};

/** Exit status and captured output of a child process. */
struct ProcessResult {
	int n_status; // exit status 0 to 255, or -1 when the process did not exit normally
	std::string s_out;
	std::string s_err;
};

/** @brief runs a program with arguments in a directory, capturing both output streams */
ProcessResult RunProcess(const std::vector<std::string> &r_args, const std::string &s_working_dir);

/** @brief runs the Pixmold executable built with the tests */
ProcessResult RunTool(const std::vector<std::string> &r_args, const std::string &s_working_dir);

/**
 *	@brief runs a function in a child process whose address space may grow by
 *		n_headroom bytes at most, so that the allocations it makes beyond that fail
 *	@return what the function returned when it is 0 to 254, else -1, as when the
 *		cap could not be set or the child did not end by returning
 */
int n_RunWithMemoryCap(size_t n_headroom, const std::function<int()> &r_function);

// AddressSanitizer reserves terabytes of address space and aborts where an
// allocation fails, so tests with a memory cap are left out of its builds
#if defined(__SANITIZE_ADDRESS__)
#define PIXMOLD_ADDRESS_SANITIZER
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define PIXMOLD_ADDRESS_SANITIZER
#endif
#endif

std::string s_ReadFile(const std::string &s_path); // whole file as bytes; empty if unreadable
/** @brief everything written to a temporary file (from tmpfile()), which is then closed */
std::string s_ReadAndClose(FILE *p_file);
void WriteFile(const std::string &s_path, const std::string &s_bytes);
bool b_FileExists(const std::string &s_path);

/** Owns a RasterImage for the duration of a test. */
struct ImageHolder {
	RasterImage *p_image;
	explicit ImageHolder(RasterImage *p_img = nullptr) :p_image(p_img) {}
	~ImageHolder() { DeleteRasterImage(p_image); }
	ImageHolder(const ImageHolder&) = delete;
	ImageHolder &operator =(const ImageHolder&) = delete;
	RasterImage *operator ->() const { return p_image; }
	explicit operator bool() const { return p_image != nullptr; }
};

/** @brief packs a pixel in the raster layout: alpha << 24 | blue << 16 | green << 8 | red */
inline uint32_t n_Pixel(int r, int g, int b, int a = 255)
{
	return uint32_t(a) << 24 | uint32_t(b) << 16 | uint32_t(g) << 8 | uint32_t(r);
}

/**
 *	@brief a deterministic photo-like test picture: smooth gradients, a few
 *		hard edges and mild noise, so that every predictor and coder path is used
 *	@param[in] n_seed varies the picture
 *	@param[in] b_alpha gives the picture a varying alpha channel (else opaque)
 */
RasterImage *p_MakeTestPicture(int n_width, int n_height, uint32_t n_seed, bool b_alpha = false);
