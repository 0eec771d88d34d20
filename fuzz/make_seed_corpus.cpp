/*
 *	Writes the seed corpora of the fuzz targets: small valid files of every
 *	kind the readers take (TGA written here, PNG through libpng, JPEG through
 *	libjpeg), conversion inputs built from them, and decoder inputs made by
 *	the tool's own encoder. Usage: make_seed_corpus <output-folder>; it fills
 *	<output-folder>/<target>/ for every target, and <output-folder>/hostile/
 *	with the files of hostile sizes for the mutation test. The output is
 *	deterministic.
 */

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include <jpeglib.h>
#include <png.h>

#include "compress/base64.h"
#include "compress/base85.h"
#include "compress/stream_format.h"
#include "compress/search_step.h"
#include "image/raster_image.h"
#include "support/hostile_files.h"

namespace {

typedef std::vector<uint8_t> Bytes;

std::string s_out_dir;

void WriteSeed(const char *p_s_target, const std::string &r_s_name, const Bytes &r_bytes)
{
	const std::filesystem::path dir = std::filesystem::path(s_out_dir) / p_s_target;
	std::filesystem::create_directories(dir);
	const std::string s_path = (dir / r_s_name).string();
	FILE *p_file = fopen(s_path.c_str(), "wb");
	if(!p_file || fwrite(r_bytes.data(), 1, r_bytes.size(), p_file) != r_bytes.size() || fclose(p_file)) {
		fprintf(stderr, "error: cannot write '%s'\n", s_path.c_str());
		exit(1);
	}
}

/** @brief a deterministic picture with gradients, an edge, flat areas and varying alpha */
void Picture(int n_width, int n_height, int x, int y, uint8_t p_rgba[4])
{
	const bool b_flat = x < n_width / 3;
	p_rgba[0] = uint8_t(b_flat? 40 : x * 255 / n_width);
	p_rgba[1] = uint8_t(b_flat? 200 : y * 255 / n_height);
	p_rgba[2] = uint8_t((x * 7 + y * 13) & 0xff);
	p_rgba[3] = uint8_t((y < n_height / 2)? 255 : (x * 31) & 0xff);
}

// ---- TGA ----

void PutLe16(Bytes &r_bytes, int n_value)
{
	r_bytes.push_back(uint8_t(n_value));
	r_bytes.push_back(uint8_t(n_value >> 8));
}

/** @brief one stored value: an index byte, or a 16, 24 or 32-bit colour */
Bytes t_TgaValue(const uint8_t p_rgba[4], int n_bits, int n_index)
{
	if(n_bits == 8)
		return Bytes{uint8_t(n_index)};
	if(n_bits == 16) {
		const int n_word = (p_rgba[2] >> 3) | (p_rgba[1] >> 3) << 5 | (p_rgba[0] >> 3) << 10;
		return Bytes{uint8_t(n_word), uint8_t(n_word >> 8)};
	}
	Bytes value = {p_rgba[2], p_rgba[1], p_rgba[0]};
	if(n_bits == 32)
		value.push_back(p_rgba[3]);
	return value;
}

/** @brief appends one row as run-length packets: runs of 2 or more, literal blocks otherwise */
void PutRleRow(Bytes &r_file, const std::vector<Bytes> &r_row)
{
	for(size_t x = 0; x < r_row.size();) {
		size_t n_run = 1;
		while(x + n_run < r_row.size() && n_run < 128 && r_row[x + n_run] == r_row[x])
			++ n_run;
		if(n_run >= 2) {
			r_file.push_back(uint8_t(0x80 | (n_run - 1)));
			r_file.insert(r_file.end(), r_row[x].begin(), r_row[x].end());
			x += n_run;
			continue;
		}
		size_t n_literal = 1;
		while(x + n_literal < r_row.size() && n_literal < 128 &&
		   !(x + n_literal + 1 < r_row.size() && r_row[x + n_literal] == r_row[x + n_literal + 1]))
			++ n_literal;
		r_file.push_back(uint8_t(n_literal - 1));
		for(size_t i = 0; i < n_literal; ++ i)
			r_file.insert(r_file.end(), r_row[x + i].begin(), r_row[x + i].end());
		x += n_literal;
	}
}

/**
 *	@brief a TGA file of kind 1 (colour-mapped, 16 entries of n_bits), 2
 *		(true colour of n_bits) or 3 (gray of 8 bits, or gray and alpha of 16),
 *		run-length coded when b_rle
 */
Bytes t_Tga(int n_kind, bool b_rle, int n_bits, int n_width, int n_height, bool b_top_down, int n_id_length)
{
	const int n_map_length = (n_kind == 1)? 16 : 0, n_first_entry = (n_kind == 1)? 2 : 0;
	Bytes file = {uint8_t(n_id_length), uint8_t(n_map_length? 1 : 0), uint8_t(n_kind | (b_rle? 8 : 0))};
	PutLe16(file, n_first_entry);
	PutLe16(file, n_map_length);
	file.push_back(uint8_t(n_map_length? n_bits : 0));
	PutLe16(file, 0);
	PutLe16(file, 0);
	PutLe16(file, n_width);
	PutLe16(file, n_height);
	file.push_back(uint8_t((n_kind == 1)? 8 : n_bits));
	file.push_back(uint8_t(b_top_down? 0x20 : 0));
	for(int i = 0; i < n_id_length; ++ i)
		file.push_back(uint8_t('a' + i));
	for(int i = 0; i < n_map_length; ++ i) {
		const uint8_t p_rgba[4] = {uint8_t(i * 16), uint8_t(255 - i * 16), uint8_t(i * 5), uint8_t(i * 17)};
		const Bytes value = t_TgaValue(p_rgba, n_bits, 0);
		file.insert(file.end(), value.begin(), value.end());
	}
	for(int n_row = 0; n_row < n_height; ++ n_row) {
		const int y = b_top_down? n_row : n_height - 1 - n_row;
		std::vector<Bytes> row;
		for(int x = 0; x < n_width; ++ x) {
			uint8_t p_rgba[4];
			Picture(n_width, n_height, x, y, p_rgba);
			// indices cover the map, with a few outside it
			const int n_index = (n_kind == 1)? n_first_entry + (x / 2 + y) % 18 : p_rgba[0];
			row.push_back((n_kind == 3 && n_bits == 16)? Bytes{p_rgba[0], p_rgba[3]} :
				t_TgaValue(p_rgba, (n_kind == 2)? n_bits : 8, n_index));
		}
		if(b_rle)
			PutRleRow(file, row);
		else {
			for(const Bytes &r_value : row)
				file.insert(file.end(), r_value.begin(), r_value.end());
		}
	}
	return file;
}

// ---- PNG ----

void AppendPngData(png_structp p_png, png_bytep p_data, png_size_t n_length)
{
	Bytes &r_file = *static_cast<Bytes*>(png_get_io_ptr(p_png));
	r_file.insert(r_file.end(), p_data, p_data + n_length);
}

void FlushNothing(png_structp)
{
}

/** @brief a PNG file of any colour type and depth, with a tRNS chunk and interlacing on request */
Bytes t_Png(int n_color_type, int n_depth, bool b_trns, bool b_interlaced, int n_width, int n_height)
{
	Bytes file;
	png_structp p_png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
	png_infop p_info = png_create_info_struct(p_png);
	if(setjmp(png_jmpbuf(p_png))) {
		fprintf(stderr, "error: libpng failed to write a seed\n");
		exit(1);
	}
	png_set_write_fn(p_png, &file, AppendPngData, FlushNothing);
	png_set_IHDR(p_png, p_info, png_uint_32(n_width), png_uint_32(n_height), n_depth, n_color_type,
		b_interlaced? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
	const int n_max = (1 << n_depth) - 1;
	if(n_color_type == PNG_COLOR_TYPE_PALETTE) {
		png_color p_palette[16];
		png_byte p_alpha[16];
		for(int i = 0; i < 16; ++ i) {
			p_palette[i] = png_color{png_byte(i * 16), png_byte(255 - i * 16), png_byte(i * 5)};
			p_alpha[i] = png_byte(i * 17);
		}
		png_set_PLTE(p_png, p_info, p_palette, (n_max < 15)? n_max + 1 : 16);
		if(b_trns)
			png_set_tRNS(p_png, p_info, p_alpha, (n_max < 15)? n_max + 1 : 16, nullptr);
	} else if(b_trns) {
		png_color_16 t_key = {};
		t_key.gray = t_key.red = t_key.green = t_key.blue = png_uint_16(n_max / 2);
		png_set_tRNS(p_png, p_info, nullptr, 0, &t_key);
	}
	png_write_info(p_png, p_info);
	const int n_channels = (n_color_type == PNG_COLOR_TYPE_RGB)? 3 : (n_color_type == PNG_COLOR_TYPE_RGB_ALPHA)? 4 :
		(n_color_type == PNG_COLOR_TYPE_GRAY_ALPHA)? 2 : 1;
	const size_t n_row_bytes = (size_t(n_width) * n_channels * n_depth + 7) / 8;
	std::vector<Bytes> rows(n_height, Bytes(n_row_bytes, 0));
	std::vector<png_bytep> row_list;
	for(int y = 0; y < n_height; ++ y) {
		for(int x = 0; x < n_width; ++ x) {
			uint8_t p_rgba[4];
			Picture(n_width, n_height, x, y, p_rgba);
			for(int c = 0; c < n_channels; ++ c) {
				// gray takes the red sample; a sample of depth d is the top d bits (16 bits: both bytes)
				const int n_sample8 = p_rgba[(n_channels <= 2 && c == 1)? 3 : c];
				const int n_sample = (n_color_type == PNG_COLOR_TYPE_PALETTE)? (x + y) % (n_max < 15? n_max + 1 : 16) :
					(n_depth == 16)? n_sample8 * 257 : n_sample8 >> (8 - n_depth);
				const size_t n_bit = (size_t(x) * n_channels + c) * n_depth;
				if(n_depth == 16) {
					rows[y][n_bit / 8] = uint8_t(n_sample >> 8);
					rows[y][n_bit / 8 + 1] = uint8_t(n_sample);
				} else
					rows[y][n_bit / 8] |= uint8_t(n_sample << (8 - n_depth - n_bit % 8));
			}
		}
		row_list.push_back(rows[y].data());
	}
	png_write_image(p_png, row_list.data());
	png_write_end(p_png, p_info);
	png_destroy_write_struct(&p_png, &p_info);
	return file;
}

// ---- JPEG ----

/** @brief a baseline JPEG file through libjpeg; n_h and n_v are the luma sampling factors */
Bytes t_Jpeg(int n_components, int n_h, int n_v, int n_restart, int n_quality, bool b_progressive,
	int n_width, int n_height)
{
	jpeg_compress_struct t_info;
	jpeg_error_mgr t_error;
	t_info.err = jpeg_std_error(&t_error);
	jpeg_create_compress(&t_info);
	unsigned char *p_buffer = nullptr;
	unsigned long n_size = 0;
	jpeg_mem_dest(&t_info, &p_buffer, &n_size);
	t_info.image_width = JDIMENSION(n_width);
	t_info.image_height = JDIMENSION(n_height);
	t_info.input_components = n_components;
	t_info.in_color_space = (n_components == 1)? JCS_GRAYSCALE : JCS_RGB;
	jpeg_set_defaults(&t_info);
	jpeg_set_quality(&t_info, n_quality, TRUE);
	t_info.comp_info[0].h_samp_factor = n_h;
	t_info.comp_info[0].v_samp_factor = n_v;
	t_info.restart_interval = JDIMENSION(n_restart);
	if(b_progressive)
		jpeg_simple_progression(&t_info);
	jpeg_start_compress(&t_info, TRUE);
	Bytes row(size_t(n_width) * n_components);
	while(t_info.next_scanline < t_info.image_height) {
		for(int x = 0; x < n_width; ++ x) {
			uint8_t p_rgba[4];
			Picture(n_width, n_height, x, int(t_info.next_scanline), p_rgba);
			for(int c = 0; c < n_components; ++ c)
				row[size_t(x) * n_components + c] = p_rgba[c];
		}
		JSAMPROW p_row = row.data();
		jpeg_write_scanlines(&t_info, &p_row, 1);
	}
	jpeg_finish_compress(&t_info);
	jpeg_destroy_compress(&t_info);
	Bytes file(p_buffer, p_buffer + n_size);
	free(p_buffer);
	return file;
}

// ---- targets ----

void WriteTgaSeeds(std::vector<std::pair<std::string, Bytes>> &r_images)
{
	const int p_true_bits[] = {16, 24, 32};
	for(int n_rle = 0; n_rle < 2; ++ n_rle) {
		for(int n_bits : p_true_bits) {
			for(int n_kind = 1; n_kind <= 2; ++ n_kind) {
				const std::string s_name = "kind" + std::to_string(n_kind + 8 * n_rle) + "_" + std::to_string(n_bits) + ".tga";
				const Bytes file = t_Tga(n_kind, n_rle, n_bits, 13, 7, n_bits != 24, (n_bits == 16)? 3 : 0);
				WriteSeed("tga_reader", s_name, file);
				r_images.emplace_back(s_name, file);
			}
		}
		for(int n_bits : {8, 16}) {
			const std::string s_name = "kind" + std::to_string(3 + 8 * n_rle) + "_" + std::to_string(n_bits) + ".tga";
			const Bytes file = t_Tga(3, n_rle, n_bits, 9, 6, n_rle, 0);
			WriteSeed("tga_reader", s_name, file);
			r_images.emplace_back(s_name, file);
		}
	}
	// a long run-length row, packets of the full 128 pixels
	WriteSeed("tga_reader", "kind10_24_wide.tga", t_Tga(2, true, 24, 300, 2, true, 0));
}

void WritePngSeeds(std::vector<std::pair<std::string, Bytes>> &r_images)
{
	struct PngKind {
		int n_color_type;
		int n_depth;
		bool b_trns;
	};
	const PngKind p_kind[] = {
		{PNG_COLOR_TYPE_GRAY, 1, false}, {PNG_COLOR_TYPE_GRAY, 2, true}, {PNG_COLOR_TYPE_GRAY, 4, false},
		{PNG_COLOR_TYPE_GRAY, 8, false}, {PNG_COLOR_TYPE_GRAY, 8, true}, {PNG_COLOR_TYPE_GRAY, 16, false},
		{PNG_COLOR_TYPE_RGB, 8, false}, {PNG_COLOR_TYPE_RGB, 8, true}, {PNG_COLOR_TYPE_RGB, 16, false},
		{PNG_COLOR_TYPE_PALETTE, 1, false}, {PNG_COLOR_TYPE_PALETTE, 2, false}, {PNG_COLOR_TYPE_PALETTE, 4, true},
		{PNG_COLOR_TYPE_PALETTE, 8, false}, {PNG_COLOR_TYPE_PALETTE, 8, true},
		{PNG_COLOR_TYPE_GRAY_ALPHA, 8, false}, {PNG_COLOR_TYPE_GRAY_ALPHA, 16, false},
		{PNG_COLOR_TYPE_RGB_ALPHA, 8, false}, {PNG_COLOR_TYPE_RGB_ALPHA, 16, false}
	};
	for(const PngKind &r_kind : p_kind) {
		for(int n_interlaced = 0; n_interlaced < 2; ++ n_interlaced) {
			const std::string s_name = "type" + std::to_string(r_kind.n_color_type) + "_" +
				std::to_string(r_kind.n_depth) + (r_kind.b_trns? "_trns" : "") + (n_interlaced? "_adam7" : "") + ".png";
			const Bytes file = t_Png(r_kind.n_color_type, r_kind.n_depth, r_kind.b_trns, n_interlaced, 11, 7);
			WriteSeed("png_reader", s_name, file);
			if(!n_interlaced)
				r_images.emplace_back(s_name, file);
		}
	}
}

void WriteJpegSeeds(std::vector<std::pair<std::string, Bytes>> &r_images)
{
	struct JpegKind {
		int n_components, n_h, n_v, n_restart, n_quality, n_width, n_height;
		bool b_progressive;
	};
	const JpegKind p_kind[] = {
		{1, 1, 1, 0, 75, 16, 16, false}, {1, 1, 1, 1, 90, 17, 13, false}, {1, 2, 2, 2, 50, 20, 9, false},
		{3, 1, 1, 0, 75, 16, 8, false}, {3, 2, 1, 0, 75, 17, 13, false}, {3, 2, 2, 0, 60, 33, 17, false},
		{3, 1, 2, 3, 80, 12, 20, false}, {3, 2, 2, 1, 95, 24, 24, false}, {3, 4, 1, 2, 40, 40, 8, false},
		{3, 1, 1, 0, 5, 16, 16, false}, {3, 2, 2, 0, 75, 16, 16, true}
	};
	for(const JpegKind &k : p_kind) {
		const std::string s_name = std::string((k.n_components == 1)? "gray" : "ycc") + "_" +
			std::to_string(k.n_h) + "x" + std::to_string(k.n_v) + "_rst" + std::to_string(k.n_restart) +
			"_q" + std::to_string(k.n_quality) + "_" + std::to_string(k.n_width) + "x" +
			std::to_string(k.n_height) + (k.b_progressive? "_progressive" : "") + ".jpg";
		const Bytes file = t_Jpeg(k.n_components, k.n_h, k.n_v, k.n_restart, k.n_quality, k.b_progressive,
			k.n_width, k.n_height);
		WriteSeed("jpeg_decoder", s_name, file);
		r_images.emplace_back(s_name, file);
	}
}

/** @brief conversion inputs: option bytes (see conversion_fuzzer.cpp) in front of each image */
void WriteConversionSeeds(const std::vector<std::pair<std::string, Bytes>> &r_images)
{
	const uint8_t p_options[][4] = {
		{0x00, 0x00, 0x00, 0x00}, // defaults
		{0x41, 0x01, 0x00, 0x00}, // --base-64 --lossless --subsample 1
		{0x06, 0x8b, 0x13, 0x05}, // shared, no code opts, subsample 3, chroma 1, exhaustive, alpha 3, narrow lines
		{0xb8, 0x22, 0x2f, 0x00} // gray, no alpha, lossless, verbose, subsample 2, chroma 4, alpha 7, lines 42
	};
	int n_variant = 0;
	for(const auto &r_image : r_images) {
		const std::string &r_s_name = r_image.first;
		const uint8_t n_format = (r_s_name.find(".tga") != std::string::npos)? 0 :
			(r_s_name.find(".png") != std::string::npos)? 1 : 2;
		const uint8_t *p_option = p_options[n_variant ++ % 4];
		Bytes input = {n_format, p_option[0], p_option[1], p_option[2], p_option[3]};
		input.insert(input.end(), r_image.second.begin(), r_image.second.end());
		WriteSeed("conversion", r_s_name, input);
	}
}

/** @brief decoder inputs: the tool's own encoding of small pictures, with their nine parameter bytes */
void WriteDecoderSeeds()
{
	struct DecoderKind {
		int n_width, n_height;
		bool b_gray, b_alpha, b_lossless;
		int n_subsample, n_chroma_bpp, n_alpha_bpp;
		bool b_base85;
	};
	const DecoderKind p_kind[] = {
		{1, 1, false, false, false, 1, 8, 8, true}, {5, 3, false, false, false, 2, 6, 8, true},
		{5, 3, false, true, false, 2, 6, 8, false}, {16, 9, false, false, true, 1, 8, 8, true},
		{16, 9, false, true, true, 1, 8, 8, false}, {13, 11, true, false, false, 1, 8, 8, true},
		{13, 11, true, true, false, 1, 8, 4, false}, {30, 20, false, true, false, 3, 3, 5, true},
		{64, 2, false, false, false, 8, 8, 8, false}, {2, 40, true, false, false, 1, 8, 8, true}
	};
	for(const DecoderKind &k : p_kind) {
		RasterImage *p_image = p_NewRasterImage(k.n_width, k.n_height);
		if(!p_image)
			exit(1);
		p_image->b_grayscale = k.b_gray;
		p_image->b_alpha = k.b_alpha;
		for(int y = 0; y < k.n_height; ++ y) {
			for(int x = 0; x < k.n_width; ++ x) {
				uint8_t p_rgba[4];
				Picture(k.n_width, k.n_height, x, y, p_rgba);
				if(k.b_gray)
					p_rgba[1] = p_rgba[2] = p_rgba[0];
				if(!k.b_alpha)
					p_rgba[3] = 255;
				p_image->p_pixels[y * k.n_width + x] = uint32_t(p_rgba[3]) << 24 |
					uint32_t(p_rgba[2]) << 16 | uint32_t(p_rgba[1]) << 8 | p_rgba[0];
			}
		}
		const PlaneSettings t_settings = {k.b_gray, k.b_alpha, k.b_lossless, k.n_subsample, k.n_chroma_bpp, k.n_alpha_bpp};
		PredictorSearch search(*p_image, t_settings, n_default_predictor_num);
		SearchResult result;
		if(!b_RunSearch(search, 1, result) || result.output.n_Size() < n_length_prefix_size) {
			fprintf(stderr, "error: the encoder failed on a seed picture\n");
			exit(1);
		}
		const uint8_t *p_stream = result.output.p_Data() + n_length_prefix_size;
		const size_t n_stream_size = result.output.n_Size() - n_length_prefix_size;
		std::string s_text;
		if(!((k.b_base85)? b_Base85EncodeString(p_stream, n_stream_size, s_text) :
		   b_Base64EncodeString(p_stream, n_stream_size, s_text)))
			exit(1);
		const int n_pred_uv = (k.b_gray)? pred_None : result.t_best.n_predictor_uv;
		const int n_pred_a = (k.b_alpha)? result.t_best.n_predictor_a : pred_None;
		Bytes input = {uint8_t((k.b_base85? 1 : 0) | n_ColorType(t_settings) << 1), uint8_t(k.n_width - 1),
			uint8_t(k.n_height - 1), uint8_t(k.n_subsample - 1), uint8_t(result.t_best.n_predictor_y + 1),
			uint8_t(n_pred_uv + 1), uint8_t(n_pred_a + 1), uint8_t(result.n_rle_size), uint8_t(result.n_rle_size >> 8)};
		input.insert(input.end(), s_text.begin(), s_text.end());
		WriteSeed("builtin_decoder", std::to_string(k.n_width) + "x" + std::to_string(k.n_height) +
			(k.b_gray? "_gray" : "_color") + (k.b_alpha? "_alpha" : "") + (k.b_lossless? "_lossless" : "") +
			"_s" + std::to_string(k.n_subsample) + (k.b_base85? "_base85" : "_base64"), input);
		DeleteRasterImage(p_image);
	}
}

} // namespace

int main(int n_arg_num, const char **p_arg_list)
{
	if(n_arg_num != 2) {
		fprintf(stderr, "usage: make_seed_corpus <output-folder>\n");
		return 1;
	}
	s_out_dir = p_arg_list[1];
	std::vector<std::pair<std::string, Bytes>> images;
	WriteTgaSeeds(images);
	WritePngSeeds(images);
	WriteJpegSeeds(images);
	WriteConversionSeeds(images);
	WriteDecoderSeeds();
	for(const HostileFile &r_file : HostileSizeFiles())
		WriteSeed("hostile", r_file.s_name, Bytes(r_file.s_bytes.begin(), r_file.s_bytes.end()));
	return 0;
}
