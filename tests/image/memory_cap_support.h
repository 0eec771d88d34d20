#pragma once

#include <cstdio>
#include <string>

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "image/load_failure.h"
#include "image/raster_image.h"

// AddressSanitizer reserves terabytes of address space up front and aborts
// where an allocation fails, so it cannot run under a cap of address space.
#if defined(__SANITIZE_ADDRESS__)
#define PIXMOLD_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define PIXMOLD_ADDRESS_SANITIZER 1
#endif
#endif

/** A reader's entry point, as p_LoadTgaImage() and p_LoadPngImage(). */
typedef RasterImage *(*ImageLoader)(const char *p_s_filename, LoadFailure *p_failure);

/**
 *	@brief loads a file in a child process whose address space may grow by
 *		no more than n_headroom bytes, so that the load's large allocations fail
 *	@return the reason the child's load recorded; a load that succeeds fails the test
 */
inline LoadError n_LoadErrorWithMemoryCap(ImageLoader p_load, const std::string &s_path, size_t n_headroom)
{
	const pid_t n_pid = fork();
	if(!n_pid) {
		long n_pages = 0; // the address space in use, as the first number of statm
		FILE *p_statm = fopen("/proc/self/statm", "r");
		if(!p_statm || fscanf(p_statm, "%ld", &n_pages) != 1)
			_exit(255);
		fclose(p_statm);
		const rlim_t n_cap = rlim_t(n_pages) * rlim_t(sysconf(_SC_PAGESIZE)) + n_headroom;
		const struct rlimit t_limit = {n_cap, n_cap};
		LoadFailure t_failure;
		if(setrlimit(RLIMIT_AS, &t_limit) || p_load(s_path.c_str(), &t_failure))
			_exit(255);
		_exit(int(t_failure.n_error));
	}
	int n_status = 0;
	EXPECT_EQ(waitpid(n_pid, &n_status, 0), n_pid);
	EXPECT_TRUE(WIFEXITED(n_status) && WEXITSTATUS(n_status) != 255) << "the capped load did not fail";
	return LoadError(WEXITSTATUS(n_status));
}
