// Runs a fuzz target without libFuzzer: every file named on the command line,
// and every file below every folder named there, in sorted order.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <string>
#include <vector>

/*
 *	The non-throwing allocations, which all of the tool's large buffers use,
 *	are capped as libFuzzer's malloc limit caps them: a small input that
 *	makes the tool ask for this much has found a size check that is missing.
 */
const size_t n_max_replay_allocation = size_t(256) << 20;

void *operator new(size_t n_size, const std::nothrow_t&) noexcept
{
	if(n_size > n_max_replay_allocation) {
		fprintf(stderr, "error: an allocation of %zu bytes, above the replay's cap\n", n_size);
		abort();
	}
	return malloc((n_size)? n_size : 1);
}

void *operator new[](size_t n_size, const std::nothrow_t &r_tag) noexcept
{
	return operator new(n_size, r_tag);
}

// the default throwing allocation also takes its memory from malloc
void operator delete(void *p_memory) noexcept
{
	free(p_memory);
}

void operator delete[](void *p_memory) noexcept
{
	free(p_memory);
}

void operator delete(void *p_memory, size_t) noexcept
{
	free(p_memory);
}

void operator delete[](void *p_memory, size_t) noexcept
{
	free(p_memory);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *p_data, size_t n_size);

namespace {

bool b_ReadWholeFile(const std::string &s_path, std::vector<uint8_t> &r_bytes)
{
	FILE *p_file = fopen(s_path.c_str(), "rb");
	if(!p_file)
		return false;
	r_bytes.clear();
	uint8_t p_block[65536];
	for(size_t n_read; (n_read = fread(p_block, 1, sizeof(p_block), p_file)) > 0;)
		r_bytes.insert(r_bytes.end(), p_block, p_block + n_read);
	const bool b_ok = !ferror(p_file);
	fclose(p_file);
	return b_ok;
}

} // namespace

int main(int n_arg_num, const char **p_arg_list)
{
	std::vector<std::string> files;
	for(int i = 1; i < n_arg_num; ++ i) {
		const std::filesystem::path path(p_arg_list[i]);
		if(std::filesystem::is_directory(path)) {
			for(const auto &r_entry : std::filesystem::recursive_directory_iterator(path)) {
				if(r_entry.is_regular_file())
					files.push_back(r_entry.path().string());
			}
		} else if(std::filesystem::exists(path))
			files.push_back(path.string());
		else {
			fprintf(stderr, "error: no such file or folder: '%s'\n", p_arg_list[i]);
			return 1;
		}
	}
	std::sort(files.begin(), files.end());

	std::vector<uint8_t> bytes;
	for(const std::string &r_s_file : files) {
		if(!b_ReadWholeFile(r_s_file, bytes)) {
			fprintf(stderr, "error: cannot read '%s'\n", r_s_file.c_str());
			return 1;
		}
		printf("%s\n", r_s_file.c_str());
		fflush(stdout); // a crash then names its input
		LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
	}
	printf("replayed %u inputs\n", unsigned(files.size()));
	return 0;
}
