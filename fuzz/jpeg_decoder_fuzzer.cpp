// The JPEG decoder on any bytes, read from memory through a FILE: an image
// that holds together, or a refusal with its reason.

#include "fuzz_support.h"
#include "image/jpeg_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *p_data, size_t n_size)
{
	if(!n_size)
		return 0; // fmemopen() takes no empty buffer
	FILE *p_file = fmemopen(const_cast<uint8_t*>(p_data), n_size, "rb");
	FUZZ_CHECK(p_file);
	LoadFailure failure;
	RasterImage *p_image = p_DecodeJpeg(p_file, &failure);
	fclose(p_file);
	// a refusal always says why, and only a refusal
	FUZZ_CHECK((p_image == nullptr) == (failure.n_error != LoadError::None));
	if(p_image) {
		CheckLoadedImage(*p_image, true);
		FUZZ_CHECK(!p_image->b_alpha);
		FUZZ_CHECK(p_image->n_width > 0 && p_image->n_width < 32768);
		FUZZ_CHECK(p_image->n_height > 0 && p_image->n_height < 32768);
		DeleteRasterImage(p_image);
	}
	return 0;
}
