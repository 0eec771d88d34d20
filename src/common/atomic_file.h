#pragma once

#include <cstdio>
#include <string>

/**
 *	An output file that appears complete or not at all. It is written to a
 *	new temporary file in the target's own folder and renamed over the target
 *	only once it is flushed and closed; until then the previous file, if any,
 *	stays as it was. A failure, or SIGINT, SIGTERM or SIGHUP (which still end
 *	the process with their usual effect), leaves no temporary file behind.
 *
 *	A target that exists and is not a regular file (a device, a pipe) cannot
 *	be replaced: it is written to directly, as an ordinary open would.
 */
struct AtomicFile {
	FILE *p_file = nullptr; // where the content goes
	std::string s_target; // the file that the rename replaces
	std::string s_temp; // the temporary file; empty when writing to the target directly
};

/** What a symbolic link at the output path means. */
enum class LinkMode {
	ReplaceTarget, // the file the link points to is replaced; the link stays
	ReplaceLink // the link itself is replaced by the new file
};

/**
 *	@brief the file an output path will replace, following symbolic links
 *		(also dangling ones) as ReplaceTarget does
 *	@return the final path; the path itself when it is no link
 */
std::string s_OutputTarget(const char *p_s_path);

/**
 *	@brief starts an output; the new file gets the permissions a newly created
 *		file gets (0666 less the umask)
 *	@return true with r_file open for writing; false with errno set
 */
bool b_OpenAtomicFile(const char *p_s_path, LinkMode n_link_mode, AtomicFile &r_file);

/**
 *	@brief flushes, syncs and closes the output and puts it in place
 *	@return true when the complete file is in place; false with errno set (the
 *		temporary file is removed and the previous file stays)
 */
bool b_CommitAtomicFile(AtomicFile &r_file);

/** @brief closes the output and removes the temporary file; the previous file stays */
void AbandonAtomicFile(AtomicFile &r_file);
