// Decodes the three embedded images at start-up and checks every raster
// against the checksum stored in its header; exits with 1 on any mismatch.

// The generated headers bring the standard headers their code uses (the
// default of pixmold_add_header()), so they need nothing before them.
// Headers made with --shared-decompress define their shared decompressor in
// the header itself, so they all go into this one translation unit.
#include "sample.h"
#include "badge.h"
#include "stripes.h"

#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include "raster_crc32.h"

/**
 *	@brief decodes one embedded image and compares its checksum
 *	@tparam CImage is the class of a generated header (all have the same static functions)
 *	@return Returns true if the image decoded and its raster matches n_CRC32().
 */
template <class CImage>
static bool b_CheckImage(const char *p_s_name)
{
	// The data text is a literal, or, when the header was made with a
	// --max-cstr-len shorter than the text, a copy joined on the heap that
	// the caller deletes (p_Decompress() does this by itself).
	const char *p_s_data = CImage::p_s_Base85_Data();
	if(!p_s_data) {
		fprintf(stderr, "%s: not enough memory for the data text\n", p_s_name);
		return false;
	}
	size_t n_text_length = strlen(p_s_data);
	if(CImage::b_Dynamic())
		delete[] p_s_data;

	// the raster is the caller's, allocated with new[]
	uint32_t *p_raster = CImage::p_Decompress();
	if(!p_raster) {
		fprintf(stderr, "%s: not enough memory to decode\n", p_s_name);
		return false;
	}
	uint32_t n_crc = n_RasterCrc32(p_raster, size_t(CImage::n_Width()) * size_t(CImage::n_Height()));
	uint32_t n_first_pixel = p_raster[0]; // alpha << 24 | blue << 16 | green << 8 | red
	delete[] p_raster;

	bool b_match = n_crc == CImage::n_CRC32();
	printf("%-8s %3d x %-3d %-5s %-8s %-6s data %5u characters%s, first pixel 0x%08x, crc 0x%08x %s\n",
		p_s_name, CImage::n_Width(), CImage::n_Height(), (CImage::b_Grayscale())? "gray" : "color",
		(CImage::b_Lossless())? "lossless" : "lossy", (CImage::b_Alpha())? "alpha" : "opaque",
		unsigned(n_text_length), (CImage::b_Dynamic())? " (on the heap)" : "", unsigned(n_first_pixel),
		unsigned(n_crc), (b_match)? "ok" : "MISMATCH");
	return b_match;
}

int main()
{
	bool b_all_match = b_CheckImage<Csample_png>("sample");
	b_all_match &= b_CheckImage<Cbadge_png>("badge");
	b_all_match &= b_CheckImage<Cstripes_tga>("stripes");
	return (b_all_match)? 0 : 1;
}
