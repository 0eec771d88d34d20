#include "support/test_support.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include <fcntl.h>
#include <ftw.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

TempDir::TempDir()
{
	const char *p_s_tmp = getenv("TMPDIR");
	std::string s_template = std::string((p_s_tmp && *p_s_tmp)? p_s_tmp : "/tmp") + "/pixmold_test_XXXXXX";
	std::vector<char> name(s_template.begin(), s_template.end());
	name.push_back(0);
	if(!mkdtemp(name.data()))
		throw std::runtime_error("mkdtemp failed");
	m_s_path = name.data();
}

TempDir::~TempDir()
{
	nftw(m_s_path.c_str(), [](const char *p_s_path, const struct stat*, int, struct FTW*) {
		return remove(p_s_path);
	}, 16, FTW_DEPTH | FTW_PHYS);
}

ProcessResult RunProcess(const std::vector<std::string> &r_args, const std::string &s_working_dir)
{
	// output goes to files rather than pipes, so a chatty child can never block
	TempDir capture;
	const std::string s_out = capture.s_File("stdout"), s_err = capture.s_File("stderr");
	pid_t n_pid = fork();
	if(n_pid < 0)
		throw std::runtime_error("fork failed");
	if(!n_pid) {
		int n_out = open(s_out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
		int n_err = open(s_err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
		if(n_out < 0 || n_err < 0 || dup2(n_out, 1) < 0 || dup2(n_err, 2) < 0 ||
		   (!s_working_dir.empty() && chdir(s_working_dir.c_str())))
			_exit(127);
		std::vector<char*> argv;
		for(const std::string &s_arg : r_args)
			argv.push_back(const_cast<char*>(s_arg.c_str()));
		argv.push_back(nullptr);
		execvp(argv[0], argv.data());
		_exit(127);
	}
	int n_wait_status = 0;
	while(waitpid(n_pid, &n_wait_status, 0) < 0 && errno == EINTR)
		;
	ProcessResult result;
	result.n_status = (WIFEXITED(n_wait_status))? WEXITSTATUS(n_wait_status) : -1;
	result.s_out = s_ReadFile(s_out);
	result.s_err = s_ReadFile(s_err);
	return result;
}

ProcessResult RunTool(const std::vector<std::string> &r_args, const std::string &s_working_dir)
{
	std::vector<std::string> args(1, PIXMOLD_TOOL_PATH);
	args.insert(args.end(), r_args.begin(), r_args.end());
	return RunProcess(args, s_working_dir);
}

int n_RunWithMemoryCap(size_t n_headroom, const std::function<int()> &r_function)
{
	fflush(nullptr); // nothing buffered is written twice
	const pid_t n_pid = fork();
	if(!n_pid) {
		long n_pages = 0; // the address space in use, the first number of statm
		FILE *p_statm = fopen("/proc/self/statm", "r");
		if(!p_statm || fscanf(p_statm, "%ld", &n_pages) != 1)
			_exit(255);
		fclose(p_statm);
		const rlim_t n_cap = rlim_t(n_pages) * rlim_t(sysconf(_SC_PAGESIZE)) + n_headroom;
		const struct rlimit t_limit = {n_cap, n_cap};
		if(setrlimit(RLIMIT_AS, &t_limit))
			_exit(255);
		const int n_result = r_function();
		_exit((n_result >= 0 && n_result < 255)? n_result : 255);
	}
	int n_status = 0;
	if(n_pid < 0 || waitpid(n_pid, &n_status, 0) != n_pid || !WIFEXITED(n_status) || WEXITSTATUS(n_status) == 255)
		return -1;
	return WEXITSTATUS(n_status);
}

std::string s_ReadFile(const std::string &s_path)
{
	std::ifstream file(s_path, std::ios::binary);
	std::ostringstream content;
	content << file.rdbuf();
	return content.str();
}

std::string s_ReadAndClose(FILE *p_file)
{
	std::string s_text;
	rewind(p_file);
	for(int n_char; (n_char = fgetc(p_file)) != EOF;)
		s_text += char(n_char);
	fclose(p_file);
	return s_text;
}

void WriteFile(const std::string &s_path, const std::string &s_bytes)
{
	std::ofstream file(s_path, std::ios::binary | std::ios::trunc);
	file.write(s_bytes.data(), std::streamsize(s_bytes.size()));
	if(!file)
		throw std::runtime_error("cannot write " + s_path);
}

bool b_FileExists(const std::string &s_path)
{
	struct stat t_stat;
	return !stat(s_path.c_str(), &t_stat);
}

RasterImage *p_MakeTestPicture(int n_width, int n_height, uint32_t n_seed, bool b_alpha)
{
	RasterImage *p_image = p_NewRasterImage(n_width, n_height);
	if(!p_image)
		return nullptr;
	p_image->b_alpha = b_alpha;
	uint32_t n_state = n_seed * 2654435761U + 12345;
	auto n_Noise = [&n_state]() {
		n_state = n_state * 1103515245U + 12345U;
		return int((n_state >> 16) & 7) - 3;
	};
	auto n_Clamp = [](int n) { return (n < 0)? 0 : (n > 255)? 255 : n; };
	for(int y = 0; y < n_height; ++ y) {
		for(int x = 0; x < n_width; ++ x) {
			int r = (x * 255) / std::max(1, n_width - 1);
			int g = (y * 255) / std::max(1, n_height - 1);
			int b = ((x + y + int(n_seed)) * 7) & 255;
			if((x / 8 + y / 8 + int(n_seed)) % 5 == 0) // hard-edged blocks
				r = 255 - r, b = 40;
			int a = (b_alpha)? n_Clamp(((x * 3 + y * 5) & 255) + n_Noise()) : 255;
			p_image->p_pixels[x + y * n_width] = n_Pixel(n_Clamp(r + n_Noise()),
				n_Clamp(g + n_Noise()), n_Clamp(b + n_Noise()), a);
		}
	}
	return p_image;
}
