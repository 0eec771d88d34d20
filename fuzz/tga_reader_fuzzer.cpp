// The TGA reader on any bytes, written to a file since the reader takes a path.

#include "fuzz_support.h"
#include "image/tga_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *p_data, size_t n_size)
{
	const std::string s_path = s_WriteFuzzFile("input.tga", p_data, n_size);
	LoadFailure t_failure;
	RasterImage *p_image = p_LoadTgaImage(s_path.c_str(), &t_failure);
	// every refusal says why, and only a refusal does
	FUZZ_CHECK((p_image == nullptr) == (t_failure.n_error != LoadError::None));
	if(p_image) {
		// indices outside a colour map give transparent black in any kind of file
		CheckLoadedImage(*p_image, false);
		FUZZ_CHECK(p_image->n_width <= 0xffff && p_image->n_height <= 0xffff);
		DeleteRasterImage(p_image);
	}
	return 0;
}
