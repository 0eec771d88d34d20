#pragma once

#include <cstdio>
#include <string>

/**
 *	An output file that appears complete or not at all. It is written to a
 *	new file in the target's own folder that has no name (O_TMPFILE) where the
 *	file system allows it, else a hidden temporary name, and it is put in
 *	place (linked and renamed over the target) only by the commit, which the
 *	caller makes once the whole work succeeded; until then the previous file,
 *	if any, stays as it was. A failure leaves nothing behind, and neither does
 *	any death of the process while the file has no name (SIGKILL included).
 *	A hidden name is removed also on SIGINT, SIGTERM, SIGHUP and SIGQUIT,
 *	which still end the process with their usual effect.
 *
 *	A replaced file keeps its permission bits, and its owner and group where
 *	the process may set them; other hard links of it keep the old content. A
 *	target that exists and is not a regular file (a device, a pipe, standard
 *	output given as /dev/stdout) cannot be replaced: it is written to
 *	directly, as an ordinary open would.
 */
struct AtomicFile {
	/** Where the content goes until the commit. */
	enum class Kind {
		Direct, // the target itself, which is no regular file
		Unnamed, // a file without a name (O_TMPFILE)
		Named // a file under the hidden name s_temp
	};

	FILE *p_file = nullptr; // where the content goes; null once committed or abandoned
	Kind n_kind = Kind::Direct;
	std::string s_target; // what the commit replaces; for a direct output the path written to
	std::string s_temp; // the hidden name, while the file has one
};

/** What a symbolic link at the output path means. */
enum class LinkMode {
	ReplaceTarget, // the file the link points to is replaced; the link stays
	ReplaceLink // the link itself is replaced by the new file
};

/** How the unfinished file is kept. */
enum class TempKind {
	UnnamedWherePossible, // without a name, unless the file system refuses; then as Named
	Named // always under a hidden name (the way of file systems without O_TMPFILE)
};

/**
 *	@brief the file an output path will replace, following symbolic links
 *		(also dangling ones) as ReplaceTarget does
 *	@return the final path; the path itself when it is no link
 */
std::string s_OutputTarget(const char *p_s_path);

/**
 *	@brief starts an output; a new file gets the permissions a newly created
 *		file gets (0666 less the umask), a replaced one keeps those it had
 *	@return true with r_file open for writing; false with errno set, for a
 *		path the process could not open for writing in place (an existing file
 *		it may not write, a link loop) and for a folder that takes no new file
 */
bool b_OpenAtomicFile(const char *p_s_path, LinkMode n_link_mode, AtomicFile &r_file,
	TempKind n_temp_kind = TempKind::UnnamedWherePossible);

/**
 *	@brief flushes and syncs the content, without putting the file in place
 *	@return true when every byte is stored; false with errno set, and the
 *		output abandoned
 */
bool b_FinishAtomicFile(AtomicFile &r_file);

/**
 *	@brief finishes the output, puts it in place and closes it
 *	@return true when the complete file is in place; false with errno set
 *		(the output is abandoned and the previous file stays)
 */
bool b_CommitAtomicFile(AtomicFile &r_file);

/** @brief closes the output and drops the unfinished file; the previous file stays (safe to call twice) */
void AbandonAtomicFile(AtomicFile &r_file);
