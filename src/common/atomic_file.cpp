#include "common/atomic_file.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const int n_max_link_depth = 40; // as the system's own path resolution allows
const int p_cleanup_signal_list[] = {SIGINT, SIGTERM, SIGHUP};

/*
 *	The temporary file that is being written, for the signal handler. It is
 *	set and cleared with the cleanup signals blocked, so the handler sees a
 *	whole name or none.
 */
char p_s_pending_temp[PATH_MAX];
volatile sig_atomic_t b_temp_pending = 0;

extern "C" void RemoveTempAndResignal(int n_signal)
{
	if(b_temp_pending)
		unlink(p_s_pending_temp);
	// the handler was reset to the default on entry; the signal, blocked while
	// the handler runs, takes its usual course once it returns
	raise(n_signal);
}

/**
 *	@brief installs the cleanup handler for the signals whose default would
 *		leave a temporary file behind (not where the process ignores them or
 *		handles them itself), and lets a file size limit fail writes as a
 *		full disk does instead of killing the process mid-write
 */
void InstallCleanupHandlers()
{
	static bool b_installed = false;
	if(b_installed)
		return;
	b_installed = true;
	for(int n_signal : p_cleanup_signal_list) {
		struct sigaction t_old;
		if(sigaction(n_signal, nullptr, &t_old) || t_old.sa_handler != SIG_DFL)
			continue;
		struct sigaction t_action = {};
		t_action.sa_handler = RemoveTempAndResignal;
		t_action.sa_flags = int(SA_RESETHAND);
		sigemptyset(&t_action.sa_mask);
		sigaction(n_signal, &t_action, nullptr);
	}
	struct sigaction t_old;
	if(!sigaction(SIGXFSZ, nullptr, &t_old) && t_old.sa_handler == SIG_DFL)
		signal(SIGXFSZ, SIG_IGN);
}

/** Blocks the cleanup signals for its lifetime, so that the pending name changes as one step. */
class CleanupSignalsBlocked {
public:
	CleanupSignalsBlocked()
	{
		sigset_t t_set;
		sigemptyset(&t_set);
		for(int n_signal : p_cleanup_signal_list)
			sigaddset(&t_set, n_signal);
		sigprocmask(SIG_BLOCK, &t_set, &m_t_previous);
	}

	~CleanupSignalsBlocked()
	{
		sigprocmask(SIG_SETMASK, &m_t_previous, nullptr);
	}

	CleanupSignalsBlocked(const CleanupSignalsBlocked&) = delete;
	CleanupSignalsBlocked &operator =(const CleanupSignalsBlocked&) = delete;

private:
	sigset_t m_t_previous;
};

/** @brief the folder part of a path, "." when it has none */
std::string s_Folder(const std::string &s_path)
{
	const size_t n_slash = s_path.rfind('/');
	return (n_slash == std::string::npos)? "." : (n_slash)? s_path.substr(0, n_slash) : "/";
}

/** @brief removes the temporary file and forgets it, keeping errno */
void DropTemp(AtomicFile &r_file)
{
	const int n_error = errno;
	{
		CleanupSignalsBlocked blocked;
		unlink(r_file.s_temp.c_str());
		b_temp_pending = 0;
	}
	r_file.s_temp.clear();
	errno = n_error;
}

} // namespace

std::string s_OutputTarget(const char *p_s_path)
{
	std::string s_path = p_s_path;
	for(int n_depth = 0; n_depth < n_max_link_depth; ++ n_depth) {
		struct stat t_status;
		if(lstat(s_path.c_str(), &t_status) || !S_ISLNK(t_status.st_mode))
			break;
		char p_s_link[PATH_MAX];
		const ssize_t n_length = readlink(s_path.c_str(), p_s_link, sizeof(p_s_link) - 1);
		if(n_length < 0)
			break;
		const std::string s_link(p_s_link, size_t(n_length));
		s_path = (s_link[0] == '/')? s_link : s_Folder(s_path) + "/" + s_link;
	}
	return s_path;
}

bool b_OpenAtomicFile(const char *p_s_path, LinkMode n_link_mode, AtomicFile &r_file)
{
	r_file = AtomicFile();
	r_file.s_target = (n_link_mode == LinkMode::ReplaceTarget)? s_OutputTarget(p_s_path) : p_s_path;
	struct stat t_status;
	if(!lstat(r_file.s_target.c_str(), &t_status) && !S_ISREG(t_status.st_mode) && !S_ISLNK(t_status.st_mode))
		return (r_file.p_file = fopen(r_file.s_target.c_str(), "w")) != nullptr;

	// a hidden name beside the target, so that the rename stays within one file system
	const std::string s_folder = s_Folder(r_file.s_target);
	const std::string s_name = r_file.s_target.substr(r_file.s_target.rfind('/') + 1);
	std::string s_template = s_folder + "/." + s_name + ".XXXXXX";
	if(s_template.size() >= sizeof(p_s_pending_temp)) {
		errno = ENAMETOOLONG;
		return false;
	}
	InstallCleanupHandlers();
	int n_descriptor;
	{
		CleanupSignalsBlocked blocked;
		if((n_descriptor = mkstemp(&s_template[0])) < 0)
			return false;
		memcpy(p_s_pending_temp, s_template.c_str(), s_template.size() + 1);
		b_temp_pending = 1;
	}
	r_file.s_temp = s_template;
	const mode_t n_mask = umask(0); // the process has no other thread at this point
	umask(n_mask);
	if(fchmod(n_descriptor, 0666 & ~n_mask) || !(r_file.p_file = fdopen(n_descriptor, "w"))) {
		const int n_error = errno;
		close(n_descriptor);
		errno = n_error;
		DropTemp(r_file);
		return false;
	}
	return true;
}

bool b_CommitAtomicFile(AtomicFile &r_file)
{
	FILE *p_file = r_file.p_file;
	r_file.p_file = nullptr;
	bool b_written = !fflush(p_file) && !ferror(p_file);
	int n_error = errno;
	if(b_written && !r_file.s_temp.empty() && fsync(fileno(p_file))) {
		b_written = false;
		n_error = errno;
	}
	if(fclose(p_file) && b_written) {
		b_written = false;
		n_error = errno;
	}
	if(r_file.s_temp.empty()) {
		errno = n_error;
		return b_written;
	}
	if(b_written) {
		CleanupSignalsBlocked blocked;
		if(!rename(r_file.s_temp.c_str(), r_file.s_target.c_str())) {
			b_temp_pending = 0;
			r_file.s_temp.clear();
			return true;
		}
		n_error = errno;
	}
	errno = n_error;
	DropTemp(r_file);
	return false;
}

void AbandonAtomicFile(AtomicFile &r_file)
{
	if(r_file.p_file)
		fclose(r_file.p_file);
	r_file.p_file = nullptr;
	if(!r_file.s_temp.empty())
		DropTemp(r_file);
}
