#include "image/file_kind.h"

#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const size_t n_head_size = 18; // enough for every signature below

/** @brief tells whether a file begins with the given bytes */
bool b_StartsWith(const uint8_t *p_head, size_t n_size, const char *p_s_bytes, size_t n_length)
{
	return n_size >= n_length && !memcmp(p_head, p_s_bytes, n_length);
}

/** @brief tells whether a BMP file's info header, at offset 14, begins with the size of one of the format's versions */
bool b_KnownBmpInfoHeader(const uint8_t *p_head, size_t n_size)
{
	if(n_size < 18)
		return false;
	const uint32_t n_info_size = uint32_t(p_head[14]) | uint32_t(p_head[15]) << 8 |
		uint32_t(p_head[16]) << 16 | uint32_t(p_head[17]) << 24;
	const uint32_t p_known_size_list[] = {12, 40, 52, 56, 64, 108, 124};
	for(uint32_t n_known : p_known_size_list) {
		if(n_info_size == n_known)
			return true;
	}
	return false;
}

} // namespace

bool b_SeekableInput(const char *p_s_path, LoadFailure *p_failure)
{
	struct stat t_status;
	if(stat(p_s_path, &t_status))
		return true; // the reader's own open says why
	if(S_ISFIFO(t_status.st_mode))
		return b_LoadFailed(p_failure, LoadError::Unseekable, "a FIFO");
	if(S_ISSOCK(t_status.st_mode))
		return b_LoadFailed(p_failure, LoadError::Unseekable, "a socket");
	if(!S_ISCHR(t_status.st_mode))
		return true;
	// some devices seek (/dev/zero), others do not (a terminal); asking opens without waiting
	const int n_descriptor = open(p_s_path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
	if(n_descriptor < 0)
		return true;
	const bool b_seeks = lseek(n_descriptor, 0, SEEK_END) >= 0;
	close(n_descriptor);
	return b_seeks || b_LoadFailed(p_failure, LoadError::Unseekable, "a device that cannot seek");
}

/*
 *	Signatures, from the first byte:
 *	PNG   89 50 4e 47 0d 0a 1a 0a
 *	JPEG  ff d8 ff (SOI and the first byte of the next marker)
 *	GIF   "GIF87a" or "GIF89a"
 *	BMP   "BM", and at offset 14 the size of a known info header (two letters alone say little)
 *	WebP  "RIFF", a 4-byte size, "WEBP"
 *	Netpbm "P1" to "P7" and white space: P1 and P4 PBM, P2 and P5 PGM, P3 and P6 PPM, P7 PAM
 */
const char *p_s_SignatureFormat(const uint8_t *p_head, size_t n_size)
{
	if(b_StartsWith(p_head, n_size, "\x89PNG\r\n\x1a\n", 8))
		return "PNG";
	if(b_StartsWith(p_head, n_size, "\xff\xd8\xff", 3))
		return "JPEG";
	if(b_StartsWith(p_head, n_size, "GIF87a", 6) || b_StartsWith(p_head, n_size, "GIF89a", 6))
		return "GIF";
	if(b_StartsWith(p_head, n_size, "BM", 2) && b_KnownBmpInfoHeader(p_head, n_size))
		return "BMP";
	if(b_StartsWith(p_head, n_size, "RIFF", 4) && n_size >= 12 && !memcmp(p_head + 8, "WEBP", 4))
		return "WebP";
	if(n_size >= 3 && p_head[0] == 'P' && p_head[1] >= '1' && p_head[1] <= '7' && p_head[2] &&
	   strchr(" \t\r\n", p_head[2])) {
		const char *const p_netpbm_list[] = {"PBM", "PGM", "PPM", "PBM", "PGM", "PPM", "PAM"};
		return p_netpbm_list[p_head[1] - '1'];
	}
	return nullptr;
}

void NameMisnamedFile(const char *p_s_path, const char *p_s_reader_format, const char *p_s_extension,
	LoadFailure &r_failure)
{
	// a file that could not be read at all, or memory, is not a matter of the format
	if(r_failure.n_error == LoadError::NoMemory || r_failure.n_error == LoadError::CannotOpen ||
	   r_failure.n_error == LoadError::Unseekable)
		return;
	FILE *p_file = fopen(p_s_path, "rb");
	if(!p_file)
		return;
	uint8_t p_head[n_head_size];
	const size_t n_size = fread(p_head, 1, sizeof(p_head), p_file);
	fclose(p_file);
	const char *p_s_format = p_s_SignatureFormat(p_head, n_size);
	if(!p_s_format || !strcmp(p_s_format, p_s_reader_format))
		return;
	r_failure = LoadFailure();
	b_LoadFailed(&r_failure, LoadError::Misnamed, "%s file named %s", p_s_format, p_s_extension);
}
