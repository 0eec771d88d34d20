#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <string>

#include <dirent.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "common/atomic_file.h"
#include "support/test_support.h"

/*
 *	The writer's two ways of keeping an unfinished file: without a name, the
 *	tool's way where the file system allows it, and under a hidden name, the
 *	way elsewhere, which the tests force here.
 */

namespace {

/** @brief the names in a folder, sorted, each followed by a line feed */
std::string s_Listing(const std::string &s_folder)
{
	return RunProcess({"ls", "-A", s_folder}, "").s_out;
}

/** @brief opens an output over a file that holds "previous", and writes "new" into it */
void StartOutput(const std::string &s_path, TempKind n_temp_kind, AtomicFile &r_file)
{
	WriteFile(s_path, "previous");
	ASSERT_TRUE(b_OpenAtomicFile(s_path.c_str(), LinkMode::ReplaceTarget, r_file, n_temp_kind));
	ASSERT_EQ(fputs("new", r_file.p_file), 1);
	ASSERT_EQ(fflush(r_file.p_file), 0);
}

} // namespace

TEST(AtomicFile, AnAbandonedNamedOutputLeavesNoTemporaryFile)
{
	TempDir dir;
	AtomicFile file;
	ASSERT_NO_FATAL_FAILURE(StartOutput(dir.s_File("out.h"), TempKind::Named, file));
	ASSERT_EQ(file.n_kind, AtomicFile::Kind::Named);
	EXPECT_EQ(s_ReadFile(file.s_temp), "new");
	AbandonAtomicFile(file);
	EXPECT_EQ(s_Listing(dir.s_Path()), "out.h\n");
	EXPECT_EQ(s_ReadFile(dir.s_File("out.h")), "previous");
}

TEST(AtomicFile, TemporaryNamesFitTheLongestFileName)
{
	TempDir dir;
	const std::string s_name(255, 'h');
	for(TempKind n_temp_kind : {TempKind::Named, TempKind::UnnamedWherePossible}) {
		AtomicFile file;
		ASSERT_NO_FATAL_FAILURE(StartOutput(dir.s_File(s_name), n_temp_kind, file));
		ASSERT_TRUE(b_CommitAtomicFile(file)) << strerror(errno);
		EXPECT_EQ(s_ReadFile(dir.s_File(s_name)), "new");
		EXPECT_EQ(s_Listing(dir.s_Path()), s_name + "\n");
	}
}

TEST(AtomicFile, ACleanupSignalRemovesTheHiddenNameAndStillEndsTheProcess)
{
	TempDir dir;
	for(int n_signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) {
		const pid_t n_pid = fork();
		if(!n_pid) {
			const rlimit t_no_core = {0, 0}; // SIGQUIT would leave a core file
			setrlimit(RLIMIT_CORE, &t_no_core);
			AtomicFile file;
			WriteFile(dir.s_File("out.h"), "previous");
			if(b_OpenAtomicFile(dir.s_File("out.h").c_str(), LinkMode::ReplaceTarget, file, TempKind::Named))
				raise(n_signal);
			_exit(1);
		}
		int n_status = 0;
		ASSERT_EQ(waitpid(n_pid, &n_status, 0), n_pid);
		EXPECT_TRUE(WIFSIGNALED(n_status) && WTERMSIG(n_status) == n_signal) << "signal " << n_signal;
		EXPECT_EQ(s_Listing(dir.s_Path()), "out.h\n") << "signal " << n_signal;
	}
}
