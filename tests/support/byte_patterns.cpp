#include "support/byte_patterns.h"

#include <cstdlib>
#include <random>

namespace {

// std::mt19937 gives the same numbers everywhere; the standard distributions do not
uint8_t n_Byte(std::mt19937 &r_random, unsigned n_value_num = 256)
{
	return uint8_t(r_random() % n_value_num);
}

Bytes Noise(size_t n_size, std::mt19937 &r_random, unsigned n_value_num)
{
	Bytes data(n_size);
	for(uint8_t &r_byte : data)
		r_byte = n_Byte(r_random, n_value_num);
	return data;
}

/** runs of 1 to n_max_run equal bytes, with a chance of a noise byte between them */
Bytes Runs(size_t n_size, std::mt19937 &r_random, size_t n_max_run, bool b_noise)
{
	Bytes data;
	while(data.size() < n_size) {
		const uint8_t n_value = n_Byte(r_random, 4);
		for(size_t n_run = 1 + r_random() % n_max_run; n_run && data.size() < n_size; -- n_run)
			data.push_back(n_value);
		if(b_noise && data.size() < n_size && r_random() % 2)
			data.push_back(n_Byte(r_random));
	}
	return data;
}

} // namespace

std::vector<ByteSample> CoderSamples()
{
	std::vector<size_t> lengths;
	for(size_t n = 0; n <= 40; ++ n)
		lengths.push_back(n);
	for(size_t n : {126, 127, 128, 129, 130, 131, 255, 256, 257, 258, 259, 383, 384, 385,
	   1000, 1001, 1002, 1003, 2047, 2048, 2049, 2050, 4093, 4094, 4095, 4096})
		lengths.push_back(n);

	std::mt19937 random(12345);
	std::vector<ByteSample> samples;
	for(size_t n : lengths) {
		const std::string s_size = " of " + std::to_string(n);
		samples.push_back({"noise" + s_size, Noise(n, random, 256)});
		samples.push_back({"three-value noise" + s_size, Noise(n, random, 3)});
		samples.push_back({"long runs" + s_size, Runs(n, random, 300, false)});
		samples.push_back({"short runs and noise" + s_size, Runs(n, random, 6, true)});
		samples.push_back({"zeros" + s_size, Bytes(n, 0)});
		Bytes counting(n);
		for(size_t i = 0; i < n; ++ i)
			counting[i] = uint8_t(i);
		samples.push_back({"counting" + s_size, counting});
	}
	return samples;
}

Bytes HexBytes(const char *p_s_hex)
{
	Bytes data;
	for(char *p_s_end;; p_s_hex = p_s_end) {
		const unsigned long n_value = strtoul(p_s_hex, &p_s_end, 16);
		if(p_s_end == p_s_hex)
			break;
		data.push_back(uint8_t(n_value));
	}
	return data;
}
