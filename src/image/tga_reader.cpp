#include "image/tga_reader.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <memory>
#include <new>

#include "image/raster_image.h"
#include "image/tga_format.h"

namespace {

const int n_max_block_values = 256; // pixels or colour-map entries converted per read
const int n_max_value_bytes = 4;
const int n_max_five_bit = 31;
const uint32_t n_opaque = 0xff000000U;

/** Grayscale values index this ramp of opaque grays, whatever colour map the header declares. */
struct GrayRamp {
	uint32_t p_entry[n_tga_gray_levels];

	constexpr GrayRamp()
		:p_entry()
	{
		for(uint32_t i = 0; i < uint32_t(n_tga_gray_levels); ++ i)
			p_entry[i] = n_opaque | i << 16 | i << 8 | i;
	}
};

constexpr GrayRamp gray_ramp;

/** The header fields the reader uses. */
struct TgaHeader {
	int n_id_length;
	int n_kind;
	bool b_rle;
	int n_first_entry;
	int n_map_length; // as stored; grayscale files use the gray ramp instead
	int n_entry_bits;
	int n_width;
	int n_height;
	int n_pixel_bits;
	bool b_top_down;
};

/** How stored values become pixels: true-colour values, or index bytes looked up in a table. */
struct ValueFormat {
	int n_value_bytes; // 2, 3 or 4 for true colour, 1 for indices
	bool b_indexed;
	const uint32_t *p_table;
	int n_table_length;
	int n_first_entry;
};

inline int n_Le16(const uint8_t *p_bytes)
{
	return p_bytes[0] | p_bytes[1] << 8;
}

TgaHeader t_ParseHeader(const uint8_t *p_raw)
{
	TgaHeader t_header;
	t_header.n_id_length = p_raw[tga_IdLength];
	t_header.n_kind = p_raw[tga_ImageType] & n_tga_kind_mask;
	t_header.b_rle = (p_raw[tga_ImageType] & n_tga_rle_flag) != 0;
	t_header.n_first_entry = n_Le16(p_raw + tga_FirstEntry);
	t_header.n_map_length = n_Le16(p_raw + tga_MapLength);
	t_header.n_entry_bits = p_raw[tga_EntrySize];
	t_header.n_width = n_Le16(p_raw + tga_Width);
	t_header.n_height = n_Le16(p_raw + tga_Height);
	t_header.n_pixel_bits = p_raw[tga_PixelDepth];
	t_header.b_top_down = (p_raw[tga_Descriptor] & n_tga_top_down_flag) != 0;
	return t_header;
}

inline bool b_TrueColorBits(int n_bits)
{
	return n_bits == 16 || n_bits == 24 || n_bits == 32;
}

/**
 *	@brief tells whether the reader can decode a file with this header
 *	@note The entry size of a colour-mapped file matters only when it has a
 *		colour map; the pixel depth of indexed kinds is never looked at, as
 *		they always store one byte per pixel.
 */
bool b_SupportedHeader(const TgaHeader &r_header)
{
	switch(r_header.n_kind) {
	case tga_kind_ColorMapped:
		return !r_header.n_map_length || b_TrueColorBits(r_header.n_entry_bits);
	case tga_kind_TrueColor:
		return b_TrueColorBits(r_header.n_pixel_bits);
	case tga_kind_Grayscale:
		return true;
	default:
		return false;
	}
}

/**
 *	@brief the bits of the pixels as stored: the pixel depth of true-colour
 *		files, the entry size of colour-mapped ones, 8 for grayscale
 */
int n_StoredBits(const TgaHeader &r_header)
{
	switch(r_header.n_kind) {
	case tga_kind_ColorMapped:
		return r_header.n_entry_bits;
	case tga_kind_TrueColor:
		return r_header.n_pixel_bits;
	default:
		return 8;
	}
}

/** @brief bytes of one stored pixel value: true-colour pixels are 2 to 4 bytes, the rest index bytes */
int n_ValueBytes(const TgaHeader &r_header)
{
	return (r_header.n_kind == tga_kind_TrueColor)? r_header.n_pixel_bits / 8 : 1;
}

/** @brief size of the colour map in the file; every entry takes whole bytes */
uint64_t n_ColorMapBytes(const TgaHeader &r_header)
{
	return uint64_t(r_header.n_map_length) * uint64_t((r_header.n_entry_bits + 7) / 8);
}

/**
 *	@brief the fewest bytes the pixel rows can take: every value stored, or
 *		for run-length rows, one packet of a byte and a value per 128 pixels
 *		of each row, since packets never cross rows
 */
uint64_t n_MinPixelBytes(const TgaHeader &r_header)
{
	const uint64_t n_value_bytes = uint64_t(n_ValueBytes(r_header));
	if(!r_header.b_rle)
		return uint64_t(r_header.n_width) * uint64_t(r_header.n_height) * n_value_bytes;
	const uint64_t n_packets_per_row = (uint64_t(r_header.n_width) +
		n_tga_max_packet_pixels - 1) / n_tga_max_packet_pixels;
	return uint64_t(r_header.n_height) * n_packets_per_row * (1 + n_value_bytes);
}

/** @brief tells whether at least n_bytes lie between the file position and the end of the file */
bool b_FileHoldsAtLeast(FILE *p_file, uint64_t n_bytes)
{
	const long n_position = ftell(p_file);
	if(n_position < 0 || fseek(p_file, 0, SEEK_END))
		return false;
	const long n_end = ftell(p_file);
	if(n_end < 0 || fseek(p_file, n_position, SEEK_SET))
		return false;
	return n_end >= n_position && uint64_t(n_end - n_position) >= n_bytes;
}

/*
 *	True-colour values, little-endian:
 *	16 bits: a word arrrrrgg gggbbbbb; the attribute bit a is ignored and each
 *	         5-bit channel c becomes c * 255 / 31, so 31 gives 255
 *	24 bits: blue, green, red
 *	32 bits: blue, green, red, alpha
 */
uint32_t n_TrueColorPixel(const uint8_t *p_value, int n_value_bytes)
{
	if(n_value_bytes == 2) {
		const uint32_t n_word = uint32_t(n_Le16(p_value));
		const uint32_t n_blue = (n_word & 31) * 255 / n_max_five_bit;
		const uint32_t n_green = ((n_word >> 5) & 31) * 255 / n_max_five_bit;
		const uint32_t n_red = ((n_word >> 10) & 31) * 255 / n_max_five_bit;
		return n_opaque | n_blue << 16 | n_green << 8 | n_red;
	}
	const uint32_t n_alpha = (n_value_bytes == 4)? uint32_t(p_value[3]) << 24 : n_opaque;
	return n_alpha | uint32_t(p_value[0]) << 16 | uint32_t(p_value[1]) << 8 | p_value[2];
}

void ConvertValues(const uint8_t *p_block, int n_count, const ValueFormat &r_format, uint32_t *p_dest)
{
	if(!r_format.b_indexed) {
		for(int i = 0; i < n_count; ++ i, p_block += r_format.n_value_bytes)
			p_dest[i] = n_TrueColorPixel(p_block, r_format.n_value_bytes);
		return;
	}
	for(int i = 0; i < n_count; ++ i) {
		// an index outside the table gives an all-zero, transparent black pixel
		const int n_index = p_block[i] - r_format.n_first_entry;
		p_dest[i] = (n_index >= 0 && n_index < r_format.n_table_length)? r_format.p_table[n_index] : 0;
	}
}

/** @brief reads n_count stored values and converts them into p_dest, a stack block at a time */
bool b_ReadValues(FILE *p_file, int n_count, const ValueFormat &r_format, uint32_t *p_dest)
{
	uint8_t p_block[n_max_block_values * n_max_value_bytes];
	while(n_count > 0) {
		const int n_block_values = std::min(n_count, n_max_block_values);
		const size_t n_block_bytes = size_t(n_block_values) * size_t(r_format.n_value_bytes);
		if(fread(p_block, 1, n_block_bytes, p_file) != n_block_bytes)
			return false;
		ConvertValues(p_block, n_block_values, r_format, p_dest);
		p_dest += n_block_values;
		n_count -= n_block_values;
	}
	return true;
}

bool b_ReadRleRow(FILE *p_file, int n_width, const ValueFormat &r_format, uint32_t *p_row)
{
	for(int x = 0; x < n_width;) {
		const int n_packet = fgetc(p_file);
		if(n_packet == EOF)
			return false;
		const int n_count = (n_packet & ~n_tga_run_flag) + 1;
		if(n_count > n_width - x)
			return false;
		if(n_packet & n_tga_run_flag) {
			if(!b_ReadValues(p_file, 1, r_format, p_row + x))
				return false;
			std::fill(p_row + x + 1, p_row + x + n_count, p_row[x]);
		} else if(!b_ReadValues(p_file, n_count, r_format, p_row + x))
			return false;
		x += n_count;
	}
	return true;
}

/** @brief reads the colour map of a colour-mapped file, converting each entry to a pixel */
uint32_t *p_ReadColorMap(FILE *p_file, const TgaHeader &r_header)
{
	uint32_t *p_table = new(std::nothrow) uint32_t[size_t(r_header.n_map_length)];
	if(!p_table)
		return nullptr;
	const ValueFormat t_entry_format = {r_header.n_entry_bits / 8, false, nullptr, 0, 0};
	if(!b_ReadValues(p_file, r_header.n_map_length, t_entry_format, p_table)) {
		delete[] p_table;
		return nullptr;
	}
	return p_table;
}

/** @brief decodes every row into its place in the image: bottom-up files fill the last row first */
bool b_ReadRows(FILE *p_file, const TgaHeader &r_header, const ValueFormat &r_format, RasterImage &r_image)
{
	for(int n_stored_row = 0; n_stored_row < r_header.n_height; ++ n_stored_row) {
		const int y = (r_header.b_top_down)? n_stored_row : r_header.n_height - 1 - n_stored_row;
		uint32_t *p_row = r_image.p_pixels + size_t(y) * size_t(r_header.n_width);
		if(!((r_header.b_rle)? b_ReadRleRow(p_file, r_header.n_width, r_format, p_row) :
		   b_ReadValues(p_file, r_header.n_width, r_format, p_row)))
			return false;
	}
	return true;
}

RasterImage *p_ReadTgaFile(FILE *p_file)
{
	uint8_t p_raw_header[n_tga_header_size];
	if(fread(p_raw_header, 1, n_tga_header_size, p_file) != n_tga_header_size)
		return nullptr;
	const TgaHeader t_header = t_ParseHeader(p_raw_header);
	if(!b_SupportedHeader(t_header) || fseek(p_file, t_header.n_id_length, SEEK_CUR))
		return nullptr;
	// a file that claims a huge image but holds few bytes fails here, before anything is allocated
	if(!b_FileHoldsAtLeast(p_file, n_ColorMapBytes(t_header) + n_MinPixelBytes(t_header)))
		return nullptr;

	// colour-mapped files look their indices up in the colour map; the other
	// kinds skip a map they declare, so that their pixels are read from the right place
	std::unique_ptr<uint32_t[]> p_color_map;
	ValueFormat t_format = {n_ValueBytes(t_header), t_header.n_kind != tga_kind_TrueColor, nullptr, 0, 0};
	if(t_header.n_kind == tga_kind_ColorMapped) {
		if(t_header.n_map_length) {
			p_color_map.reset(p_ReadColorMap(p_file, t_header));
			if(!p_color_map)
				return nullptr;
		}
		t_format.p_table = p_color_map.get();
		t_format.n_table_length = t_header.n_map_length;
		t_format.n_first_entry = t_header.n_first_entry;
	} else if(fseek(p_file, long(n_ColorMapBytes(t_header)), SEEK_CUR))
		return nullptr;
	if(t_header.n_kind == tga_kind_Grayscale) {
		t_format.p_table = gray_ramp.p_entry;
		t_format.n_table_length = n_tga_gray_levels;
	}

	RasterImage *p_image = p_NewRasterImage(t_header.n_width, t_header.n_height);
	if(!p_image)
		return nullptr;
	const int n_stored_bits = n_StoredBits(t_header);
	p_image->b_grayscale = t_header.n_kind == tga_kind_Grayscale;
	p_image->b_alpha = n_stored_bits == 32;
	p_image->n_channel_bits = uint8_t((n_stored_bits == 16)? 5 :
		(n_stored_bits == 24 || n_stored_bits == 32)? 8 : n_stored_bits);
	if(!b_ReadRows(p_file, t_header, t_format, *p_image)) {
		DeleteRasterImage(p_image);
		return nullptr;
	}
	return p_image;
}

} // namespace

RasterImage *p_LoadTgaImage(const char *p_s_filename, LoadFailure *p_failure)
{
	FILE *p_file = fopen(p_s_filename, "rb");
	if(!p_file) {
		b_LoadSystemFailed(p_failure, LoadError::CannotOpen, errno);
		return nullptr;
	}
	RasterImage *p_image = p_ReadTgaFile(p_file);
	if(!p_image)
		b_LoadFailed(p_failure, LoadError::Corrupt);
	fclose(p_file);
	return p_image;
}
