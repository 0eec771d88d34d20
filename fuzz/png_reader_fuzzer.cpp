// The PNG reader (libpng beneath it) on any bytes, written to a file since the
// reader takes a path. The chunk checksums are made right first: libpng is not
// instrumented, so the fuzzer could not learn them, and a wrong one only ever
// takes the one error path that every other libpng error takes too.

#include <vector>

#include "fuzz_support.h"
#include "image/png_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *p_data, size_t n_size)
{
	std::vector<uint8_t> file(p_data, p_data + n_size);
	RepairPngChunks(file.data(), file.size());
	const std::string s_path = s_WriteFuzzFile("input.png", file.data(), file.size());
	LoadFailure t_failure;
	RasterImage *p_image = p_LoadPngImage(s_path.c_str(), &t_failure);
	// every refusal says why, and only a refusal does
	FUZZ_CHECK((p_image == nullptr) == (t_failure.n_error != LoadError::None));
	if(p_image) {
		CheckLoadedImage(*p_image, true);
		const int n_bits = p_image->n_channel_bits;
		FUZZ_CHECK(n_bits == 1 || n_bits == 2 || n_bits == 4 || n_bits == 8 || n_bits == 16);
		DeleteRasterImage(p_image);
	}
	return 0;
}
