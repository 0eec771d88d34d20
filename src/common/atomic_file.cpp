#include "common/atomic_file.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const int n_max_link_depth = 40; // as the system's own path resolution allows
const int p_cleanup_signal_list[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};
const int n_pending_slot_num = 4; // hidden names alive at once: a run has two outputs open
const size_t n_hidden_suffix_size = 6; // the random characters that end a hidden name
const int n_max_link_tries = 100; // hidden names tried when others are taken

/*
 *	The hidden names that exist, for the signal handler. A slot is filled and
 *	emptied with the cleanup signals blocked, so the handler sees a whole
 *	name or none.
 */
char p_s_pending_temp[n_pending_slot_num][PATH_MAX];
volatile sig_atomic_t p_temp_pending[n_pending_slot_num] = {};

extern "C" void RemoveTempsAndResignal(int n_signal)
{
	for(int i = 0; i < n_pending_slot_num; ++ i) {
		if(p_temp_pending[i])
			unlink(p_s_pending_temp[i]);
	}
	// the handler was reset to the default on entry; the signal, blocked while
	// the handler runs, takes its usual course once it returns
	raise(n_signal);
}

/**
 *	@brief installs the cleanup handler for the signals whose default would
 *		leave a hidden temporary file behind (not where the process ignores
 *		them or handles them itself), and lets a file size limit fail writes
 *		as a full disk does instead of killing the process mid-write
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
		t_action.sa_handler = RemoveTempsAndResignal;
		t_action.sa_flags = int(SA_RESETHAND);
		sigemptyset(&t_action.sa_mask);
		sigaction(n_signal, &t_action, nullptr);
	}
	struct sigaction t_old;
	if(!sigaction(SIGXFSZ, nullptr, &t_old) && t_old.sa_handler == SIG_DFL)
		signal(SIGXFSZ, SIG_IGN);
}

/** Blocks the cleanup signals for its lifetime, so that hidden names come and go as single steps. */
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

/** @brief hands a hidden name to the signal handler; call with the cleanup signals blocked @return false when no slot is free */
bool b_SetPending(const std::string &s_name)
{
	for(int i = 0; i < n_pending_slot_num; ++ i) {
		if(!p_temp_pending[i]) {
			memcpy(p_s_pending_temp[i], s_name.c_str(), s_name.size() + 1);
			p_temp_pending[i] = 1;
			return true;
		}
	}
	return false;
}

/** @brief takes a hidden name back from the signal handler; call with the cleanup signals blocked */
void ClearPending(const std::string &s_name)
{
	for(int i = 0; i < n_pending_slot_num; ++ i) {
		if(p_temp_pending[i] && s_name == p_s_pending_temp[i])
			p_temp_pending[i] = 0;
	}
}

/** @brief the folder part of a path, "." when it has none */
std::string s_Folder(const std::string &s_path)
{
	const size_t n_slash = s_path.rfind('/');
	return (n_slash == std::string::npos)? "." : (n_slash)? s_path.substr(0, n_slash) : "/";
}

/**
 *	@brief the start of a hidden name beside the target, in the same folder so
 *		that the rename stays within one file system: "." and the target's name,
 *		cut so that a dot and the random suffix still fit the longest name the
 *		folder takes
 */
std::string s_HiddenPrefix(const std::string &s_target)
{
	const std::string s_folder = s_Folder(s_target);
	const long n_folder_max = pathconf(s_folder.c_str(), _PC_NAME_MAX);
	const size_t n_max_name = (n_folder_max > long(n_hidden_suffix_size + 3))? size_t(n_folder_max) : NAME_MAX;
	const std::string s_name = s_target.substr(s_target.rfind('/') + 1);
	return s_folder + "/." + s_name.substr(0, n_max_name - n_hidden_suffix_size - 2) + ".";
}

/** @brief six characters that make a hidden name unlikely to be taken; a taken one is tried again */
std::string s_RandomSuffix()
{
	static unsigned int n_counter = 0;
	timespec t_now;
	clock_gettime(CLOCK_MONOTONIC, &t_now);
	const unsigned int n_value = (unsigned(getpid()) * 2654435761U) ^ unsigned(t_now.tv_nsec) ^ (++ n_counter * 40503U);
	char p_s_suffix[n_hidden_suffix_size + 1];
	snprintf(p_s_suffix, sizeof(p_s_suffix), "%06x", n_value & 0xffffffU);
	return p_s_suffix;
}

/** @brief removes the hidden name and forgets it, keeping errno */
void DropTemp(AtomicFile &r_file)
{
	const int n_error = errno;
	{
		CleanupSignalsBlocked blocked;
		unlink(r_file.s_temp.c_str());
		ClearPending(r_file.s_temp);
	}
	r_file.s_temp.clear();
	errno = n_error;
}

/**
 *	@brief looks at what the output path names now
 *	@param[out] r_b_exists is set when there is a file to replace or write
 *		to; a symbolic link that ReplaceLink replaces does not count, as the new
 *		file does not take over anything of it
 *	@return false with errno set when the path cannot be used: a link loop, a
 *		folder of it that is no folder or may not be searched
 */
bool b_StatOutput(const char *p_s_path, LinkMode n_link_mode, struct stat &r_t_status, bool &r_b_exists)
{
	// the system follows the links here, also those of /proc whose text is no path ("pipe:[n]")
	const int n_result = (n_link_mode == LinkMode::ReplaceTarget)? stat(p_s_path, &r_t_status) :
		lstat(p_s_path, &r_t_status);
	if(n_result && errno != ENOENT)
		return false;
	r_b_exists = !n_result && !S_ISLNK(r_t_status.st_mode);
	return true;
}

/** @brief tells whether opening a file without a name failed because the system or file system cannot, not for a reason of the path */
bool b_UnnamedFilesRefused(int n_error)
{
	return n_error == EOPNOTSUPP || n_error == EISDIR || n_error == EINVAL;
}

/** @brief creates the file under a hidden name that the signal handler knows @return its descriptor, or -1 with errno set */
int n_CreateNamedTemp(AtomicFile &r_file)
{
	std::string s_name = s_HiddenPrefix(r_file.s_target) + std::string(n_hidden_suffix_size, 'X');
	if(s_name.size() >= PATH_MAX) {
		errno = ENAMETOOLONG;
		return -1;
	}
	CleanupSignalsBlocked blocked;
	const int n_descriptor = mkostemp(&s_name[0], O_CLOEXEC);
	if(n_descriptor < 0)
		return -1;
	if(!b_SetPending(s_name)) {
		unlink(s_name.c_str());
		close(n_descriptor);
		errno = EMFILE;
		return -1;
	}
	r_file.s_temp = s_name;
	r_file.n_kind = AtomicFile::Kind::Named;
	return n_descriptor;
}

/**
 *	@brief gives the new file what the user set on the file it replaces: the
 *		owner and group where the process may set them, and the permission
 *		bits; a new file gets 0666 less the umask
 *	@param[in] p_t_old is the replaced file's status, or null for a new file
 */
bool b_TakeOverAttributes(int n_descriptor, const struct stat *p_t_old, AtomicFile::Kind n_kind)
{
	if(!p_t_old) {
		if(n_kind == AtomicFile::Kind::Unnamed)
			return true; // created with 0666, less the umask
		const mode_t n_mask = umask(0); // mkstemp made it 0600; the process has no other thread at this point
		umask(n_mask);
		return !fchmod(n_descriptor, 0666 & ~n_mask);
	}
	// the owner first, as a change of owner clears the set-user-ID and set-group-ID bits
	if(fchown(n_descriptor, p_t_old->st_uid, p_t_old->st_gid) && errno != EPERM)
		return false;
	return !fchmod(n_descriptor, p_t_old->st_mode & 07777);
}

/**
 *	@brief gives an open file without a name the name s_name
 *	@return 0, or the errno value of the failure (EEXIST when the name is taken)
 */
int n_LinkDescriptor(int n_descriptor, const std::string &s_name)
{
	if(!linkat(n_descriptor, "", AT_FDCWD, s_name.c_str(), AT_EMPTY_PATH))
		return 0;
	if(errno == EEXIST)
		return EEXIST;
	// AT_EMPTY_PATH may need a privilege; the descriptor's entry in /proc links the same file
	char p_s_descriptor_path[32];
	snprintf(p_s_descriptor_path, sizeof(p_s_descriptor_path), "/proc/self/fd/%d", n_descriptor);
	return (linkat(AT_FDCWD, p_s_descriptor_path, AT_FDCWD, s_name.c_str(), AT_SYMLINK_FOLLOW))? errno : 0;
}

/**
 *	@brief puts the unnamed file in place: a file cannot be linked over
 *		another, so it gets a hidden name first, which the rename then takes
 *		over the target. The cleanup signals wait until the hidden name is gone.
 *	@return 0, or the errno value of the failure
 */
int n_PlaceUnnamed(AtomicFile &r_file)
{
	const std::string s_prefix = s_HiddenPrefix(r_file.s_target);
	CleanupSignalsBlocked blocked;
	for(int n_try = 0; n_try < n_max_link_tries; ++ n_try) {
		const std::string s_name = s_prefix + s_RandomSuffix();
		const int n_error = n_LinkDescriptor(fileno(r_file.p_file), s_name);
		if(n_error == EEXIST)
			continue;
		if(n_error)
			return n_error;
		if(!rename(s_name.c_str(), r_file.s_target.c_str()))
			return 0;
		const int n_rename_error = errno;
		unlink(s_name.c_str());
		return n_rename_error;
	}
	return EEXIST;
}

/** @brief puts the file with a hidden name in place @return 0, or the errno value of the failure */
int n_PlaceNamed(AtomicFile &r_file)
{
	CleanupSignalsBlocked blocked;
	if(rename(r_file.s_temp.c_str(), r_file.s_target.c_str()))
		return errno;
	ClearPending(r_file.s_temp); // the name is the target's now: nobody may remove it
	r_file.s_temp.clear();
	return 0;
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

bool b_OpenAtomicFile(const char *p_s_path, LinkMode n_link_mode, AtomicFile &r_file, TempKind n_temp_kind)
{
	r_file = AtomicFile();
	InstallCleanupHandlers();
	struct stat t_old;
	bool b_exists;
	if(!b_StatOutput(p_s_path, n_link_mode, t_old, b_exists))
		return false;
	if(b_exists && !S_ISREG(t_old.st_mode)) {
		// a device or pipe is written as it is; a folder is refused by the open, with the system's reason
		r_file.s_target = p_s_path;
		return (r_file.p_file = fopen(p_s_path, "w")) != nullptr;
	}
	r_file.s_target = (n_link_mode == LinkMode::ReplaceTarget)? s_OutputTarget(p_s_path) : p_s_path;
	// a file that could not be written in place is not replaced either
	if(b_exists && faccessat(AT_FDCWD, r_file.s_target.c_str(), W_OK, AT_EACCESS))
		return false;

	int n_descriptor = -1;
	if(n_temp_kind == TempKind::UnnamedWherePossible) {
		// like any new file, it needs a folder that takes one
		n_descriptor = open(s_Folder(r_file.s_target).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
		if(n_descriptor >= 0)
			r_file.n_kind = AtomicFile::Kind::Unnamed;
		else if(!b_UnnamedFilesRefused(errno))
			return false;
	}
	if(n_descriptor < 0 && (n_descriptor = n_CreateNamedTemp(r_file)) < 0)
		return false;
	if(!b_TakeOverAttributes(n_descriptor, (b_exists)? &t_old : nullptr, r_file.n_kind) ||
	   !(r_file.p_file = fdopen(n_descriptor, "w"))) {
		const int n_error = errno;
		close(n_descriptor);
		AbandonAtomicFile(r_file);
		errno = n_error;
		return false;
	}
	return true;
}

bool b_FinishAtomicFile(AtomicFile &r_file)
{
	bool b_stored = !fflush(r_file.p_file) && !ferror(r_file.p_file);
	if(b_stored && r_file.n_kind != AtomicFile::Kind::Direct && fsync(fileno(r_file.p_file)))
		b_stored = false;
	if(!b_stored) {
		const int n_error = errno;
		AbandonAtomicFile(r_file);
		errno = n_error;
	}
	return b_stored;
}

bool b_CommitAtomicFile(AtomicFile &r_file)
{
	if(!b_FinishAtomicFile(r_file))
		return false;
	int n_error = 0;
	if(r_file.n_kind == AtomicFile::Kind::Unnamed)
		n_error = n_PlaceUnnamed(r_file);
	else if(r_file.n_kind == AtomicFile::Kind::Named)
		n_error = n_PlaceNamed(r_file);
	FILE *p_file = r_file.p_file;
	r_file.p_file = nullptr;
	// a placed file is on disk already; a direct output may still fail at the close
	if(fclose(p_file) && !n_error && r_file.n_kind == AtomicFile::Kind::Direct)
		n_error = errno;
	if(n_error) {
		AbandonAtomicFile(r_file);
		errno = n_error;
		return false;
	}
	return true;
}

void AbandonAtomicFile(AtomicFile &r_file)
{
	if(r_file.p_file)
		fclose(r_file.p_file);
	r_file.p_file = nullptr;
	if(!r_file.s_temp.empty())
		DropTemp(r_file);
}
