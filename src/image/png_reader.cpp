#include "image/png_reader.h"

#include <cerrno>
#include <cstdio>
#include <new>

#include <png.h>

namespace {

/**
 *	Deflate expands data at most 1032-fold (a 258-byte match costs at least
 *	two bits), so a file shorter than its pixel bytes / 1032 cannot hold them.
 *	Refusing such a file before any row is allocated keeps a forged header
 *	with a tiny body from costing gigabytes of row buffers.
 */
const uint64_t n_max_deflate_ratio = 1032;

/**
 *	Everything one load holds that must be released, on success and on error
 *	alike. It lives in the frame of p_LoadPngImage() and is only reached
 *	through a pointer from p_ReadPng(), which sets the libpng recovery point:
 *	after a long jump back there every field reads as last stored.
 */
struct PngLoad {
	FILE *p_file = nullptr;
	png_structp p_png = nullptr;
	png_infop p_info = nullptr;
	png_infop p_end_info = nullptr; // only passed to the final destroy call
	png_bytepp p_row_list = nullptr;
	png_uint_32 n_row_num = 0; // entries of p_row_list, each null or a row from png_malloc
	int64_t n_file_size = -1; // -1 when unknown
};

void PNGCBAPI IgnorePngWarning(png_structp, png_const_charp)
{
}

/** libpng's error function must not return; it leaves through the recovery point set in p_ReadPng() */
void PNGCBAPI LeavePngOnError(png_structp p_png, png_const_charp)
{
	png_longjmp(p_png, 1);
}

void ReleasePngLoad(PngLoad &r_load)
{
	for(png_uint_32 i = 0; i < r_load.n_row_num; ++ i)
		png_free(r_load.p_png, r_load.p_row_list[i]);
	delete[] r_load.p_row_list;
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
 *	@brief decodes the file that p_load has open, with its libpng structures created
 *	@return a new image, or null on any libpng error, a size above the tool's
 *		limit or a failed allocation; whatever was allocated stays in p_load
 *		for ReleasePngLoad()
 */
RasterImage *p_ReadPng(PngLoad *p_load)
{
	// every libpng error lands here; p_load itself never changes, so it is safe to use after the jump
	if(setjmp(png_jmpbuf(p_load->p_png)))
		return nullptr;

	png_structp p_png = p_load->p_png;
	png_infop p_info = p_load->p_info;
	// libpng refuses the header itself when one side exceeds the whole pixel budget
	png_set_user_limits(p_png, png_uint_32(n_max_image_pixels), png_uint_32(n_max_image_pixels));
	png_read_info(p_png, p_info);
	png_uint_32 n_width, n_height;
	int n_file_bit_depth, n_file_color_type;
	png_get_IHDR(p_png, p_info, &n_width, &n_height, &n_file_bit_depth, &n_file_color_type,
		nullptr, nullptr, nullptr);
	if(!b_AcceptableImageSize(n_width, n_height))
		return nullptr;
	const uint64_t n_pixel_bits = uint64_t(n_width) * n_height * png_get_channels(p_png, p_info) * uint64_t(n_file_bit_depth);
	if(p_load->n_file_size >= 0 && uint64_t(p_load->n_file_size) * n_max_deflate_ratio < n_pixel_bits / 8)
		return nullptr;

	// Bring every file to 8-bit gray, gray+alpha, RGB or RGBA rows. Interlaced
	// files need no request: png_read_image() reads all passes into whole rows.
	bool b_transformed = false;
	if(n_file_color_type == PNG_COLOR_TYPE_PALETTE) {
		png_set_expand(p_png);
		b_transformed = true;
	}
	if(n_file_color_type == PNG_COLOR_TYPE_GRAY && n_file_bit_depth < 8) {
		png_set_gray_to_rgb(p_png);
		png_set_expand_gray_1_2_4_to_8(p_png);
		b_transformed = true;
	}
	if(png_get_valid(p_png, p_info, PNG_INFO_tRNS)) {
		png_set_expand(p_png); // the transparency becomes an alpha channel
		b_transformed = true;
	}
	if(n_file_bit_depth == 16) {
		png_set_strip_16(p_png);
		b_transformed = true;
	}
	int n_bit_depth = n_file_bit_depth, n_color_type = n_file_color_type;
	if(b_transformed) {
		png_read_update_info(p_png, p_info);
		n_bit_depth = png_get_bit_depth(p_png, p_info);
		n_color_type = png_get_color_type(p_png, p_info);
	}
	if(!b_ConvertiblePngRows(n_color_type, n_bit_depth))
		return nullptr;

	if(!(p_load->p_row_list = new(std::nothrow) png_bytep[n_height]()))
		return nullptr;
	p_load->n_row_num = n_height;
	const png_size_t n_row_bytes = png_get_rowbytes(p_png, p_info);
	for(png_uint_32 y = 0; y < n_height; ++ y)
		p_load->p_row_list[y] = static_cast<png_bytep>(png_malloc(p_png, n_row_bytes));
	png_read_image(p_png, p_load->p_row_list);
	png_read_end(p_png, p_info);

	RasterImage *p_image = p_NewRasterImage(int(n_width), int(n_height));
	if(!p_image)
		return nullptr;
	p_image->n_channel_bits = uint8_t(n_file_bit_depth);
	p_image->b_grayscale = !(n_color_type & PNG_COLOR_MASK_COLOR);
	p_image->b_alpha = (n_color_type & PNG_COLOR_MASK_ALPHA) != 0;
	for(png_uint_32 y = 0; y < n_height; ++ y) {
		uint32_t *p_dest = p_image->p_pixels + size_t(y) * n_width;
		ConvertPngRow(p_load->p_row_list[y], n_color_type, p_dest, p_dest + n_width);
	}
	return p_image;
}

/** @brief size of an open file in bytes, or -1 when it cannot be told; leaves the file at its start */
int64_t n_FileSize(FILE *p_file)
{
	const int64_t n_size = (fseek(p_file, 0, SEEK_END))? -1 : ftell(p_file);
	rewind(p_file);
	return n_size;
}

} // namespace

RasterImage *p_LoadPngImage(const char *p_s_filename, LoadFailure *p_failure)
{
	PngLoad load;
	if(!(load.p_file = fopen(p_s_filename, "rb")))
		b_LoadSystemFailed(p_failure, LoadError::CannotOpen, errno);
	else {
		load.n_file_size = n_FileSize(load.p_file);
		// the version is that of the libpng headers built against, which the library checks
		load.p_png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, LeavePngOnError, IgnorePngWarning);
	}
	RasterImage *p_image = nullptr;
	if(load.p_png) {
		png_init_io(load.p_png, load.p_file);
		if((load.p_info = png_create_info_struct(load.p_png)) &&
		   (load.p_end_info = png_create_info_struct(load.p_png)))
			p_image = p_ReadPng(&load);
	}
	ReleasePngLoad(load);
	if(!p_image)
		b_LoadFailed(p_failure, LoadError::Corrupt);
	return p_image;
}
