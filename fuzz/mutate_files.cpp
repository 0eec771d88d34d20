/*
 *	Writes deterministic mutations of image files for the tool's mutation
 *	test: truncations, bit flips, overwritten bytes, extreme values in the
 *	header words, deleted and repeated ranges. PNG mutations get their chunk
 *	checksums repaired half of the time, so that they reach the decoding
 *	behind libpng's checks. Each output keeps its input's extension, which is
 *	how the tool picks a reader.
 *
 *	Usage: mutate_files <output-folder> <mutations-per-file> <seed> <file>...
 */

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "fuzz_support.h"

namespace {

typedef std::vector<uint8_t> Bytes;

/** xorshift64*: the same numbers on every platform */
struct Random {
	uint64_t n_state;

	uint32_t n_Next()
	{
		n_state ^= n_state >> 12;
		n_state ^= n_state << 25;
		n_state ^= n_state >> 27;
		return uint32_t((n_state * 0x2545f4914f6cdd1dULL) >> 32);
	}

	size_t n_Below(size_t n_limit) { return (n_limit)? n_Next() % n_limit : 0; }
};

void Mutate(Bytes &r_file, Random &r_random)
{
	if(r_file.empty())
		return;
	static const uint8_t p_extreme_byte[] = {0x00, 0xff, 0x7f, 0x80, 0x01};
	static const uint16_t p_extreme_word[] = {0x0000, 0xffff, 0x8000, 0x7fff, 0x4000, 0x0001};
	switch(r_random.n_Below(6)) {
	case 0:
		r_file.resize(r_random.n_Below(r_file.size()));
		break;
	case 1:
		for(size_t i = 0, n = 1 + r_random.n_Below(8); i < n; ++ i)
			r_file[r_random.n_Below(r_file.size())] ^= uint8_t(1 << r_random.n_Below(8));
		break;
	case 2:
		for(size_t i = 0, n = 1 + r_random.n_Below(4); i < n; ++ i) {
			const uint8_t n_value = (r_random.n_Below(2))? p_extreme_byte[r_random.n_Below(5)] : uint8_t(r_random.n_Next());
			r_file[r_random.n_Below(r_file.size())] = n_value;
		}
		break;
	case 3: {
		// the headers of all three formats sit in the first bytes
		const size_t n_at = r_random.n_Below(std::min<size_t>(r_file.size(), 64));
		const uint16_t n_word = p_extreme_word[r_random.n_Below(6)];
		const bool b_big_endian = r_random.n_Below(2) != 0;
		r_file[n_at] = uint8_t(b_big_endian? n_word >> 8 : n_word);
		if(n_at + 1 < r_file.size())
			r_file[n_at + 1] = uint8_t(b_big_endian? n_word : n_word >> 8);
		break;
	}
	case 4: {
		const size_t n_at = r_random.n_Below(r_file.size());
		const size_t n_length = std::min(r_file.size() - n_at, 1 + r_random.n_Below(16));
		r_file.erase(r_file.begin() + n_at, r_file.begin() + n_at + n_length);
		break;
	}
	default: {
		const size_t n_at = r_random.n_Below(r_file.size());
		const size_t n_length = std::min(r_file.size() - n_at, 1 + r_random.n_Below(64));
		const Bytes range(r_file.begin() + n_at, r_file.begin() + n_at + n_length);
		r_file.insert(r_file.begin() + r_random.n_Below(r_file.size()), range.begin(), range.end());
		break;
	}
	}
}

} // namespace

int main(int n_arg_num, const char **p_arg_list)
{
	if(n_arg_num < 5) {
		fprintf(stderr, "usage: mutate_files <output-folder> <mutations-per-file> <seed> <file>...\n");
		return 1;
	}
	const std::filesystem::path out_dir(p_arg_list[1]);
	const int n_mutation_num = atoi(p_arg_list[2]);
	const uint64_t n_seed = strtoull(p_arg_list[3], nullptr, 10);
	std::filesystem::create_directories(out_dir);
	for(int n_file = 4; n_file < n_arg_num; ++ n_file) {
		const std::filesystem::path path(p_arg_list[n_file]);
		FILE *p_file = fopen(path.string().c_str(), "rb");
		if(!p_file) {
			fprintf(stderr, "error: cannot read '%s'\n", p_arg_list[n_file]);
			return 1;
		}
		Bytes original;
		for(int n_byte; (n_byte = fgetc(p_file)) != EOF;)
			original.push_back(uint8_t(n_byte));
		fclose(p_file);
		const bool b_png = path.extension() == ".png";
		for(int n_mutation = 0; n_mutation < n_mutation_num; ++ n_mutation) {
			Random random = {(n_seed + 1) * 0x9e3779b97f4a7c15ULL ^ uint64_t(n_file) << 32 ^ uint64_t(n_mutation)};
			for(int i = 0; i < 8; ++ i)
				random.n_Next(); // spread the nearby seeds apart
			Bytes file = original;
			for(size_t i = 0, n = 1 + random.n_Below(3); i < n; ++ i)
				Mutate(file, random);
			if(b_png && random.n_Below(2))
				RepairPngChunks(file.data(), file.size());
			char p_s_number[16];
			snprintf(p_s_number, sizeof(p_s_number), "_%05d", n_mutation);
			const std::filesystem::path out = out_dir / (path.stem().string() + p_s_number + path.extension().string());
			FILE *p_out = fopen(out.string().c_str(), "wb");
			if(!p_out || fwrite(file.data(), 1, file.size(), p_out) != file.size() || fclose(p_out)) {
				fprintf(stderr, "error: cannot write '%s'\n", out.string().c_str());
				return 1;
			}
		}
	}
	return 0;
}
