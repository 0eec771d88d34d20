#include "image/png_reader.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <new>

#include <png.h>

namespace {

const size_t n_png_signature_size = 8;

/**
 *	Deflate expands data at most 1032-fold (a 258-byte match costs at least
 *	two bits), so a file shorter than its pixel bytes / 1032 cannot hold them.
 *	Refusing such a file before the raster is allocated keeps a forged header
 *	with a tiny body from costing gigabytes.
 */
const uint64_t n_max_deflate_ratio = 1032;

/**
 *	Everything one load holds that must be released, on success and on error
 *	alike, and where the reason for a failure goes. It lives in the frame of
 *	p_LoadPngImage() and is only reached through pointers from b_ReadPng(),
 *	which sets the libpng recovery point, and from the libpng callbacks:
 *	after a long jump back every field reads as last stored.
 */
struct PngLoad {
	FILE *p_file = nullptr;
	int64_t n_file_size = -1; // -1 when unknown
	LoadFailure *p_failure = nullptr;
	bool b_out_of_memory = false; // an allocation for libpng failed
	png_structp p_png = nullptr;
	png_infop p_info = nullptr;
	png_infop p_end_info = nullptr; // only passed to the final destroy call
	png_bytep p_rows = nullptr; // one row, or every row of an interlaced image
	RasterImage *p_image = nullptr; // until it is handed to the caller
};

void PNGCBAPI IgnorePngWarning(png_structp, png_const_charp)
{
}

/**
 *	@brief records libpng's error, in its own words, unless an allocation
 *		failed, then leaves through the recovery point set in b_ReadPng(),
 *		since libpng's error function must not return
 */
void PNGCBAPI LeavePngOnError(png_structp p_png, png_const_charp p_s_message)
{
	const PngLoad *p_load = static_cast<const PngLoad*>(png_get_error_ptr(p_png));
	if(p_load->b_out_of_memory)
		b_LoadFailed(p_load->p_failure, LoadError::NoMemory);
	else
		b_LoadFailed(p_load->p_failure, LoadError::Corrupt, "%s", p_s_message);
	png_longjmp(p_png, 1);
}

/** libpng's allocations, through the C heap, noting a failure so that it is reported as such */
png_voidp PNGCBAPI p_AllocateForPng(png_structp p_png, png_alloc_size_t n_size)
{
	png_voidp p_block = malloc(n_size);
	if(!p_block && n_size)
		static_cast<PngLoad*>(png_get_mem_ptr(p_png))->b_out_of_memory = true;
	return p_block;
}

void PNGCBAPI FreeForPng(png_structp, png_voidp p_block)
{
	free(p_block);
}

/** libpng's reads: a short one is a file that ends early or a failed read, recorded before libpng's error */
void PNGCBAPI ReadPngData(png_structp p_png, png_bytep p_dest, png_size_t n_size)
{
	const PngLoad *p_load = static_cast<const PngLoad*>(png_get_io_ptr(p_png));
	if(fread(p_dest, 1, n_size, p_load->p_file) != n_size) {
		b_LoadReadFailed(p_load->p_failure, p_load->p_file);
		png_error(p_png, "short read");
	}
}

void ReleasePngLoad(PngLoad &r_load)
{
	DeleteRasterImage(r_load.p_image);
	delete[] r_load.p_rows;
	if(r_load.p_png)
		png_destroy_read_struct(&r_load.p_png, &r_load.p_info, &r_load.p_end_info);
	if(r_load.p_file)
		fclose(r_load.p_file);
}

/** @brief tells whether rows of this colour type and depth are one of the four layouts ConvertPngRow() takes */
bool b_ConvertiblePngRows(int n_color_type, int n_bit_depth)
{
	if(n_bit_depth != 8)
		return false;
	switch(n_color_type) {
	case PNG_COLOR_TYPE_GRAY:
	case PNG_COLOR_TYPE_RGB:
	case PNG_COLOR_TYPE_GRAY_ALPHA:
	case PNG_COLOR_TYPE_RGB_ALPHA:
		return true;
	default:
		return false;
	}
}

/**
 *	Turns one row of 8-bit samples into raster words (alpha << 24 | blue << 16 |
 *	green << 8 | red):
 *
 *		gray        g        ->  ff g g g
 *		RGB         r g b    ->  ff b g r
 *		gray+alpha  g a      ->  a  g g g
 *		RGBA        r g b a  ->  a  b g r
 */
void ConvertPngRow(const png_byte *p_row, int n_color_type, uint32_t *p_dest, uint32_t *p_dest_end)
{
	const uint32_t n_opaque = 0xff000000U;
	switch(n_color_type) {
	case PNG_COLOR_TYPE_GRAY:
		for(; p_dest != p_dest_end; ++ p_dest, ++ p_row)
			*p_dest = n_opaque | uint32_t(p_row[0]) * 0x010101U;
		break;
	case PNG_COLOR_TYPE_RGB:
		for(; p_dest != p_dest_end; ++ p_dest, p_row += 3)
			*p_dest = n_opaque | uint32_t(p_row[2]) << 16 | uint32_t(p_row[1]) << 8 | p_row[0];
		break;
	case PNG_COLOR_TYPE_GRAY_ALPHA:
		for(; p_dest != p_dest_end; ++ p_dest, p_row += 2)
			*p_dest = uint32_t(p_row[1]) << 24 | uint32_t(p_row[0]) * 0x010101U;
		break;
	case PNG_COLOR_TYPE_RGB_ALPHA:
		for(; p_dest != p_dest_end; ++ p_dest, p_row += 4) {
			*p_dest = uint32_t(p_row[3]) << 24 | uint32_t(p_row[2]) << 16 |
				uint32_t(p_row[1]) << 8 | p_row[0];
		}
		break;
	}
}

/**
 *	@brief decodes the file that p_load has open, past its signature, with
 *		its libpng structures created, into p_load->p_image
 *	@return true on success; false with the reason recorded otherwise, leaving
 *		whatever was allocated in p_load for ReleasePngLoad()
 */
bool b_ReadPng(PngLoad *p_load)
{
	// every libpng error lands here, its reason recorded; p_load itself never
	// changes, and no local is read after the jump
	if(setjmp(png_jmpbuf(p_load->p_png)))
		return false;

	png_structp p_png = p_load->p_png;
	png_infop p_info = p_load->p_info;
	LoadFailure *p_failure = p_load->p_failure;
	// the largest sides libpng takes at all, so that the pixel limit below is what refuses large images
	png_set_user_limits(p_png, PNG_UINT_31_MAX, PNG_UINT_31_MAX);
	png_read_info(p_png, p_info);
	png_uint_32 n_width, n_height;
	int n_file_bit_depth, n_file_color_type;
	png_get_IHDR(p_png, p_info, &n_width, &n_height, &n_file_bit_depth, &n_file_color_type,
		nullptr, nullptr, nullptr);
	if(!b_AcceptableImageSize(n_width, n_height))
		return b_LoadFailed(p_failure, LoadError::TooLarge, "%u x %u", n_width, n_height);
	const uint64_t n_pixel_bits = uint64_t(n_width) * n_height * png_get_channels(p_png, p_info) * uint64_t(n_file_bit_depth);
	if(p_load->n_file_size >= 0 && uint64_t(p_load->n_file_size) * n_max_deflate_ratio < n_pixel_bits / 8) {
		return b_LoadFailed(p_failure, LoadError::EndsEarly, "%u x %u pixels cannot fit in %lld bytes",
			n_width, n_height, static_cast<long long>(p_load->n_file_size));
	}

	// Bring every file to 8-bit gray, gray+alpha, RGB or RGBA rows, and
	// interlaced files to whole rows, which their last pass completes.
	if(n_file_color_type == PNG_COLOR_TYPE_PALETTE)
		png_set_expand(p_png);
	if(n_file_color_type == PNG_COLOR_TYPE_GRAY && n_file_bit_depth < 8) {
		png_set_gray_to_rgb(p_png);
		png_set_expand_gray_1_2_4_to_8(p_png);
	}
	if(png_get_valid(p_png, p_info, PNG_INFO_tRNS))
		png_set_expand(p_png); // the transparency becomes an alpha channel
	if(n_file_bit_depth == 16)
		png_set_strip_16(p_png);
	const int n_pass_num = png_set_interlace_handling(p_png);
	png_read_update_info(p_png, p_info);
	const int n_color_type = png_get_color_type(p_png, p_info);
	if(!b_ConvertiblePngRows(n_color_type, png_get_bit_depth(p_png, p_info))) {
		return b_LoadFailed(p_failure, LoadError::Unsupported, "PNG colour type %d at bit depth %d",
			n_file_color_type, n_file_bit_depth);
	}

	if(!(p_load->p_image = p_NewRasterImage(int(n_width), int(n_height))))
		return b_LoadFailed(p_failure, LoadError::NoMemory);
	RasterImage &r_image = *p_load->p_image;
	r_image.n_channel_bits = uint8_t(n_file_bit_depth);
	r_image.b_grayscale = !(n_color_type & PNG_COLOR_MASK_COLOR);
	r_image.b_alpha = (n_color_type & PNG_COLOR_MASK_ALPHA) != 0;
	// a file of one pass goes through a single row buffer, converted as each
	// row arrives; the passes of an interlaced file build every row at once
	const size_t n_row_bytes = png_get_rowbytes(p_png, p_info);
	const size_t n_buffer_rows = (n_pass_num > 1)? n_height : 1;
	if(!(p_load->p_rows = new(std::nothrow) png_byte[n_row_bytes * n_buffer_rows]))
		return b_LoadFailed(p_failure, LoadError::NoMemory);
	for(int n_pass = 0; n_pass < n_pass_num; ++ n_pass) {
		for(png_uint_32 y = 0; y < n_height; ++ y) {
			png_bytep p_row = p_load->p_rows + ((n_buffer_rows > 1)? y * n_row_bytes : 0);
			png_read_row(p_png, p_row, nullptr);
			if(n_pass == n_pass_num - 1) {
				uint32_t *p_dest = r_image.p_pixels + size_t(y) * n_width;
				ConvertPngRow(p_row, n_color_type, p_dest, p_dest + n_width);
			}
		}
	}
	png_read_end(p_png, p_info);
	return true;
}

/** @brief size of an open file in bytes, or -1 when it cannot be told; leaves the file at its start */
int64_t n_FileSize(FILE *p_file)
{
	const int64_t n_size = (fseek(p_file, 0, SEEK_END))? -1 : ftell(p_file);
	rewind(p_file);
	return n_size;
}

/**
 *	@brief reads the eight signature bytes; a file too short to hold them all
 *		ends early when those it has are the signature's first bytes
 */
bool b_ReadPngSignature(FILE *p_file, LoadFailure *p_failure)
{
	png_byte p_signature[n_png_signature_size];
	const size_t n_read = fread(p_signature, 1, n_png_signature_size, p_file);
	if(n_read && png_sig_cmp(p_signature, 0, n_read))
		return b_LoadFailed(p_failure, LoadError::NotThisFormat, "PNG");
	if(n_read < n_png_signature_size)
		return b_LoadReadFailed(p_failure, p_file, "in the signature");
	return true;
}

} // namespace

RasterImage *p_LoadPngImage(const char *p_s_filename, LoadFailure *p_failure)
{
	PngLoad load;
	load.p_failure = p_failure;
	if(!(load.p_file = fopen(p_s_filename, "rb"))) {
		b_LoadSystemFailed(p_failure, LoadError::CannotOpen, errno);
		return nullptr;
	}
	load.n_file_size = n_FileSize(load.p_file);
	RasterImage *p_image = nullptr;
	if(b_ReadPngSignature(load.p_file, p_failure)) {
		// The version is that of the libpng headers built against, which the
		// library checks; with it right, creating the structures fails only when memory runs out.
		load.p_png = png_create_read_struct_2(PNG_LIBPNG_VER_STRING, &load, LeavePngOnError, IgnorePngWarning,
			&load, p_AllocateForPng, FreeForPng);
		if(load.p_png && (load.p_info = png_create_info_struct(load.p_png)) &&
		   (load.p_end_info = png_create_info_struct(load.p_png))) {
			png_set_read_fn(load.p_png, &load, ReadPngData);
			png_set_sig_bytes(load.p_png, int(n_png_signature_size));
			if(b_ReadPng(&load)) {
				p_image = load.p_image;
				load.p_image = nullptr;
			}
		} else
			b_LoadFailed(p_failure, LoadError::NoMemory);
	}
	ReleasePngLoad(load);
	return p_image;
}
