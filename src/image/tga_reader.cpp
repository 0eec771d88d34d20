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

/** The header fields the reader uses. */
struct TgaHeader {
	int n_id_length;
	int n_image_type; // as stored, for messages
	int n_kind;
	bool b_rle;
	int n_first_entry;
	int n_map_length; // entries, looked up by colour-mapped files and skipped by the others
	int n_entry_bits;
	int n_width;
	int n_height;
	int n_pixel_bits;
	bool b_top_down;
};

/** What a stored value is. */
enum class ValueKind {
	TrueColor, // 2, 3 or 4 bytes of colour
	Gray, // a gray byte, or a gray byte and an alpha byte
	Index // a byte that indexes the colour map
};

/** How stored values become pixels. */
struct ValueFormat {
	ValueKind n_kind;
	int n_value_bytes;
	const uint32_t *p_map; // the colour map, for indices
	int n_map_length;
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
	t_header.n_image_type = p_raw[tga_ImageType];
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
 *	@brief tells whether the reader can decode a file with this header, and
 *		records the reason when it cannot
 *	@note The entry size of a colour-mapped file matters only when it has a
 *		colour map; the pixel depth of colour-mapped files is never looked at,
 *		as they always store one byte per pixel.
 */
bool b_SupportedHeader(const TgaHeader &r_header, LoadFailure *p_failure)
{
	switch(r_header.n_kind) {
	case tga_kind_ColorMapped:
		if(r_header.n_map_length && !b_TrueColorBits(r_header.n_entry_bits))
			return b_LoadFailed(p_failure, LoadError::Unsupported, "TGA colour map entry size %d", r_header.n_entry_bits);
		return true;
	case tga_kind_TrueColor:
		if(!b_TrueColorBits(r_header.n_pixel_bits))
			return b_LoadFailed(p_failure, LoadError::Unsupported, "TGA pixel depth %d", r_header.n_pixel_bits);
		return true;
	case tga_kind_Grayscale:
		if(r_header.n_pixel_bits != 8 && r_header.n_pixel_bits != 16)
			return b_LoadFailed(p_failure, LoadError::Unsupported, "grayscale TGA of depth %d", r_header.n_pixel_bits);
		return true;
	default:
		return b_LoadFailed(p_failure, LoadError::Unsupported, "TGA image type %d", r_header.n_image_type);
	}
}

/** @brief the format of the stored pixels; indices are looked up in the colour map set later */
ValueFormat t_PixelFormat(const TgaHeader &r_header)
{
	switch(r_header.n_kind) {
	case tga_kind_TrueColor:
		return ValueFormat{ValueKind::TrueColor, r_header.n_pixel_bits / 8, nullptr, 0, 0};
	case tga_kind_Grayscale:
		return ValueFormat{ValueKind::Gray, r_header.n_pixel_bits / 8, nullptr, 0, 0};
	default:
		return ValueFormat{ValueKind::Index, 1, nullptr, 0, r_header.n_first_entry};
	}
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
	const uint64_t n_value_bytes = uint64_t(t_PixelFormat(r_header).n_value_bytes);
	if(!r_header.b_rle)
		return uint64_t(r_header.n_width) * uint64_t(r_header.n_height) * n_value_bytes;
	const uint64_t n_packets_per_row = (uint64_t(r_header.n_width) +
		n_tga_max_packet_pixels - 1) / n_tga_max_packet_pixels;
	return uint64_t(r_header.n_height) * n_packets_per_row * (1 + n_value_bytes);
}

/** @brief the bytes between the file position and the end of the file, or -1 when the system cannot tell */
int64_t n_BytesLeft(FILE *p_file)
{
	const long n_position = ftell(p_file);
	if(n_position < 0 || fseek(p_file, 0, SEEK_END))
		return -1;
	const long n_end = ftell(p_file);
	if(n_end < 0 || fseek(p_file, n_position, SEEK_SET))
		return -1;
	return std::max(n_end - n_position, 0L);
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

/*
 *	Gray values: a gray byte g gives the opaque gray g; 16-bit ones are g and
 *	then an alpha byte.
 *	Indices: an index outside the colour map gives an all-zero, transparent
 *	black pixel.
 */
uint32_t n_ValuePixel(const uint8_t *p_value, const ValueFormat &r_format)
{
	switch(r_format.n_kind) {
	case ValueKind::TrueColor:
		return n_TrueColorPixel(p_value, r_format.n_value_bytes);
	case ValueKind::Gray: {
		const uint32_t n_alpha = (r_format.n_value_bytes == 2)? uint32_t(p_value[1]) << 24 : n_opaque;
		return n_alpha | p_value[0] * 0x010101U;
	}
	default: {
		const int n_index = p_value[0] - r_format.n_first_entry;
		return (n_index >= 0 && n_index < r_format.n_map_length)? r_format.p_map[n_index] : 0;
	}
	}
}

/**
 *	@brief reads n_count stored values and converts them into p_dest, a stack block at a time
 *	@param[in] p_s_where names the part of the file for the message when it ends early
 */
bool b_ReadValues(FILE *p_file, int n_count, const ValueFormat &r_format, uint32_t *p_dest,
	LoadFailure *p_failure, const char *p_s_where)
{
	uint8_t p_block[n_max_block_values * n_max_value_bytes];
	while(n_count > 0) {
		const int n_block_values = std::min(n_count, n_max_block_values);
		const size_t n_block_bytes = size_t(n_block_values) * size_t(r_format.n_value_bytes);
		if(fread(p_block, 1, n_block_bytes, p_file) != n_block_bytes)
			return b_LoadReadFailed(p_failure, p_file, p_s_where);
		for(int i = 0; i < n_block_values; ++ i)
			p_dest[i] = n_ValuePixel(p_block + i * r_format.n_value_bytes, r_format);
		p_dest += n_block_values;
		n_count -= n_block_values;
	}
	return true;
}

const char *const p_s_in_pixels = "in the pixel data";

bool b_ReadRleRow(FILE *p_file, int n_width, const ValueFormat &r_format, uint32_t *p_row, LoadFailure *p_failure)
{
	for(int x = 0; x < n_width;) {
		const int n_packet = fgetc(p_file);
		if(n_packet == EOF)
			return b_LoadReadFailed(p_failure, p_file, p_s_in_pixels);
		const int n_count = (n_packet & ~n_tga_run_flag) + 1;
		if(n_count > n_width - x)
			return b_LoadFailed(p_failure, LoadError::Corrupt, "a run-length packet crosses the end of a row");
		if(n_packet & n_tga_run_flag) {
			if(!b_ReadValues(p_file, 1, r_format, p_row + x, p_failure, p_s_in_pixels))
				return false;
			std::fill(p_row + x + 1, p_row + x + n_count, p_row[x]);
		} else if(!b_ReadValues(p_file, n_count, r_format, p_row + x, p_failure, p_s_in_pixels))
			return false;
		x += n_count;
	}
	return true;
}

/** @brief reads the colour map of a colour-mapped file, converting each entry to a pixel */
uint32_t *p_ReadColorMap(FILE *p_file, const TgaHeader &r_header, LoadFailure *p_failure)
{
	uint32_t *p_map = new(std::nothrow) uint32_t[size_t(r_header.n_map_length)];
	if(!p_map) {
		b_LoadFailed(p_failure, LoadError::NoMemory);
		return nullptr;
	}
	const ValueFormat t_entry_format = {ValueKind::TrueColor, r_header.n_entry_bits / 8, nullptr, 0, 0};
	if(!b_ReadValues(p_file, r_header.n_map_length, t_entry_format, p_map, p_failure, "in the colour map")) {
		delete[] p_map;
		return nullptr;
	}
	return p_map;
}

/** @brief decodes every row into its place in the image: bottom-up files fill the last row first */
bool b_ReadRows(FILE *p_file, const TgaHeader &r_header, const ValueFormat &r_format, RasterImage &r_image,
	LoadFailure *p_failure)
{
	for(int n_stored_row = 0; n_stored_row < r_header.n_height; ++ n_stored_row) {
		const int y = (r_header.b_top_down)? n_stored_row : r_header.n_height - 1 - n_stored_row;
		uint32_t *p_row = r_image.p_pixels + size_t(y) * size_t(r_header.n_width);
		if(!((r_header.b_rle)? b_ReadRleRow(p_file, r_header.n_width, r_format, p_row, p_failure) :
		   b_ReadValues(p_file, r_header.n_width, r_format, p_row, p_failure, p_s_in_pixels)))
			return false;
	}
	return true;
}

/**
 *	@brief sets the image's flags: grayscale files are 8 bits a channel, with
 *		alpha at depth 16; the others take their colour values' size (the
 *		pixels of true-colour files, the colour map entries of colour-mapped
 *		ones): 5 bits a channel at 16, alpha at 32
 */
void SetImageFlags(const TgaHeader &r_header, RasterImage &r_image)
{
	if(r_header.n_kind == tga_kind_Grayscale) {
		r_image.b_grayscale = true;
		r_image.b_alpha = r_header.n_pixel_bits == 16;
		r_image.n_channel_bits = 8;
		return;
	}
	const int n_color_bits = (r_header.n_kind == tga_kind_TrueColor)? r_header.n_pixel_bits : r_header.n_entry_bits;
	r_image.b_alpha = n_color_bits == 32;
	r_image.n_channel_bits = uint8_t((n_color_bits == 16)? 5 :
		(n_color_bits == 24 || n_color_bits == 32)? 8 : n_color_bits);
}

/** @brief checks the image's size against the pixel limit and, before anything is allocated, against the file's length */
bool b_FileHoldsImage(FILE *p_file, const TgaHeader &r_header, LoadFailure *p_failure)
{
	if(!b_AcceptableImageSize(r_header.n_width, r_header.n_height))
		return b_LoadFailed(p_failure, LoadError::TooLarge, "%d x %d", r_header.n_width, r_header.n_height);
	const int64_t n_bytes_left = n_BytesLeft(p_file);
	if(n_bytes_left < 0)
		return b_LoadSystemFailed(p_failure, LoadError::CannotRead, errno);
	const uint64_t n_bytes_needed = n_ColorMapBytes(r_header) + n_MinPixelBytes(r_header);
	if(uint64_t(n_bytes_left) < n_bytes_needed) {
		return b_LoadFailed(p_failure, LoadError::EndsEarly, "%d x %d pixels need at least %llu bytes, %lld are left",
			r_header.n_width, r_header.n_height, static_cast<unsigned long long>(n_bytes_needed),
			static_cast<long long>(n_bytes_left));
	}
	return true;
}

RasterImage *p_ReadTgaFile(FILE *p_file, LoadFailure *p_failure)
{
	uint8_t p_raw_header[n_tga_header_size];
	if(fread(p_raw_header, 1, n_tga_header_size, p_file) != n_tga_header_size) {
		b_LoadReadFailed(p_failure, p_file, "in the header");
		return nullptr;
	}
	const TgaHeader t_header = t_ParseHeader(p_raw_header);
	if(!b_SupportedHeader(t_header, p_failure))
		return nullptr;
	if(fseek(p_file, t_header.n_id_length, SEEK_CUR)) {
		b_LoadSystemFailed(p_failure, LoadError::CannotRead, errno);
		return nullptr;
	}
	// a file that claims a huge image but holds few bytes fails here, before anything is allocated
	if(!b_FileHoldsImage(p_file, t_header, p_failure))
		return nullptr;

	// colour-mapped files look their indices up in the colour map; the other
	// kinds skip a map they declare, so that their pixels are read from the right place
	std::unique_ptr<uint32_t[]> p_color_map;
	ValueFormat t_format = t_PixelFormat(t_header);
	if(t_header.n_kind != tga_kind_ColorMapped) {
		if(fseek(p_file, long(n_ColorMapBytes(t_header)), SEEK_CUR)) {
			b_LoadSystemFailed(p_failure, LoadError::CannotRead, errno);
			return nullptr;
		}
	} else if(t_header.n_map_length) {
		p_color_map.reset(p_ReadColorMap(p_file, t_header, p_failure));
		if(!p_color_map)
			return nullptr;
		t_format.p_map = p_color_map.get();
		t_format.n_map_length = t_header.n_map_length;
	}

	RasterImage *p_image = p_NewRasterImage(t_header.n_width, t_header.n_height);
	if(!p_image) {
		b_LoadFailed(p_failure, LoadError::NoMemory);
		return nullptr;
	}
	SetImageFlags(t_header, *p_image);
	if(!b_ReadRows(p_file, t_header, t_format, *p_image, p_failure)) {
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
	RasterImage *p_image = p_ReadTgaFile(p_file, p_failure);
	fclose(p_file);
	return p_image;
}
