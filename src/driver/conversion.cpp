#include "driver/conversion.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "compress/base64.h"
#include "compress/base85.h"
#include "compress/color_transform.h"
#include "compress/crc32.h"
#include "compress/predictor_search.h"
#include "compress/row_entry_points.h"
#include "compress/stream_format.h"
#include "common/atomic_file.h"
#include "driver/command_line.h"
#include "driver/file_timestamp.h"
#include "driver/run_settings.h"
#include "compress/search_step.h"
#include "driver/terminal_progress.h"
#include "header/header_writer.h"
#include "image/file_kind.h"
#include "image/jpeg_decoder.h"
#include "image/png_reader.h"
#include "image/tga_reader.h"
#include "threads/worker_pool.h"
#include "verify/raster_rebuild.h"
#include "verify/round_trip_check.h"

namespace {

enum class ImageFormat { Unknown, Tga, Png, Jpeg };

/**
 *	@brief opens the null device on a closed standard input, output or error,
 *		so that no file the run opens takes their number and receives what is
 *		meant for them
 */
void OpenClosedStandardDescriptors()
{
	for(int n_descriptor = STDIN_FILENO; n_descriptor <= STDERR_FILENO; ++ n_descriptor) {
		// the lowest free number is the closed one, as the lower ones are open by now
		if(fcntl(n_descriptor, F_GETFD) < 0 && errno == EBADF)
			open("/dev/null", O_RDWR);
	}
}

/** @brief tells whether two paths name one existing file (device and inode), whatever their spelling or links */
bool b_SameFile(const char *p_s_path, const char *p_s_other_path)
{
	struct stat t_status, t_other_status;
	return !stat(p_s_path, &t_status) && !stat(p_s_other_path, &t_other_status) &&
		t_status.st_dev == t_other_status.st_dev && t_status.st_ino == t_other_status.st_ino;
}

/** @brief tells whether two paths name one entry of one folder, existing or not */
bool b_SameEntry(const std::string &r_s_path, const std::string &r_s_other_path)
{
	std::string p_s_name[2], p_s_folder[2];
	for(int i = 0; i < 2; ++ i) {
		const std::string &r_s = (i)? r_s_other_path : r_s_path;
		const size_t n_slash = r_s.rfind('/');
		p_s_name[i] = (n_slash == std::string::npos)? r_s : r_s.substr(n_slash + 1);
		p_s_folder[i] = (n_slash == std::string::npos)? "." : (n_slash)? r_s.substr(0, n_slash) : "/";
	}
	return p_s_name[0] == p_s_name[1] && b_SameFile(p_s_folder[0].c_str(), p_s_folder[1].c_str());
}

/**
 *	@brief refuses, before anything is written, a run whose outputs would
 *		replace its input or one another: the header is written over what its
 *		path names (through links), and the decoded image goes to its own path
 *		(test_decompress.tga in the working folder unless the options say otherwise)
 *	@return false after printing why
 */
bool b_OutputsSpareTheInput(const ConversionOptions &r_options, FILE *p_err)
{
	const std::string s_header = s_OutputTarget(r_options.p_s_header_file);
	if(b_SameFile(s_header.c_str(), r_options.p_s_image_file)) {
		fprintf(p_err, "error: the header file '%s' is the image file '%s'\n",
			r_options.p_s_header_file, r_options.p_s_image_file);
		return false;
	}
	const char *p_s_test_image = r_options.p_s_test_image;
	if(!p_s_test_image)
		return true;
	if(b_SameEntry(s_header, p_s_test_image) || b_SameFile(s_header.c_str(), p_s_test_image)) {
		fprintf(p_err, "error: the header file '%s' is the '%s' that the run writes the decoded image to\n",
			r_options.p_s_header_file, p_s_test_image);
		return false;
	}
	if(b_SameFile(r_options.p_s_image_file, p_s_test_image)) {
		fprintf(p_err, "error: the image file '%s' is the '%s' that the run writes the decoded image to\n",
			r_options.p_s_image_file, p_s_test_image);
		return false;
	}
	return true;
}

/** @brief picks the reader by the text from the last "." of the whole path, ignoring case */
ImageFormat n_ImageFormat(const char *p_s_filename)
{
	const char *p_s_extension = strrchr(p_s_filename, '.');
	if(!p_s_extension)
		return ImageFormat::Unknown;
	if(!strcasecmp(p_s_extension, ".tga"))
		return ImageFormat::Tga;
	if(!strcasecmp(p_s_extension, ".png"))
		return ImageFormat::Png;
	if(!strcasecmp(p_s_extension, ".jpg") || !strcasecmp(p_s_extension, ".jpeg"))
		return ImageFormat::Jpeg;
	return ImageFormat::Unknown;
}

/** @brief the name of a reader's format, as messages and reasons give it */
const char *p_s_FormatName(ImageFormat n_format)
{
	return (n_format == ImageFormat::Tga)? "TGA" : (n_format == ImageFormat::Png)? "PNG" : "JPEG";
}

RasterImage *p_ReadImage(ImageFormat n_format, const char *p_s_filename, LoadFailure &r_failure)
{
	switch(n_format) {
	case ImageFormat::Tga:
		return p_LoadTgaImage(p_s_filename, &r_failure);
	case ImageFormat::Png:
		return p_LoadPngImage(p_s_filename, &r_failure);
	case ImageFormat::Jpeg: {
		FILE *p_file = fopen(p_s_filename, "rb");
		if(!p_file) {
			b_LoadSystemFailed(&r_failure, LoadError::CannotOpen, errno);
			return nullptr;
		}
		RasterImage *p_image = p_DecodeJpeg(p_file, &r_failure);
		fclose(p_file);
		return p_image;
	}
	default:
		return nullptr;
	}
}

/**
 *	@brief loads the image with the reader its extension chose; a file the
 *		readers cannot seek in is refused before it is opened, and a file of
 *		another format is named for it rather than for the reader's complaint
 */
RasterImage *p_LoadImage(ImageFormat n_format, const char *p_s_filename, bool b_verbose, LoadFailure &r_failure)
{
	if(b_verbose)
		printf("loading image in %s format ...\n", p_s_FormatName(n_format));
	if(!b_SeekableInput(p_s_filename, &r_failure))
		return nullptr;
	RasterImage *p_image = p_ReadImage(n_format, p_s_filename, r_failure);
	if(!p_image)
		NameMisnamedFile(p_s_filename, p_s_FormatName(n_format), strrchr(p_s_filename, '.'), r_failure);
	return p_image;
}

/**
 *	@brief reports a failed load: exhausted memory as every other step does,
 *		anything else as the load error followed by the reason on a line of its own
 */
void ReportLoadFailure(const char *p_s_filename, const LoadFailure &r_failure, FILE *p_err)
{
	if(r_failure.n_error == LoadError::NoMemory) {
		fprintf(p_err, "error: not enough memory\n");
		return;
	}
	fprintf(p_err, "error: error loading image file '%s'\n", p_s_filename);
	if(r_failure.n_error != LoadError::None) {
		char p_s_reason[256];
		DescribeLoadFailure(r_failure, p_s_reason, sizeof(p_s_reason));
		fprintf(p_err, "\t%s\n", p_s_reason);
	}
}

/** @brief applies "--alpha" or "--no-alpha" to the image, saying so when b_report is set */
void ApplyAlphaMode(RasterImage &r_image, int n_alpha_mode, bool b_report)
{
	if(n_alpha_mode == 1 && !r_image.b_alpha) {
		r_image.b_alpha = true; // the pixels already carry alpha 0xff
		if(b_report)
			printf("forcing alpha channel as per --alpha\n");
	} else if(n_alpha_mode == 0 && r_image.b_alpha) {
		r_image.b_alpha = false;
		if(b_report)
			printf("stripping alpha channel as per --no-alpha\n");
		const size_t n_pixel_num = size_t(r_image.n_width) * size_t(r_image.n_height);
		for(size_t i = 0; i < n_pixel_num; ++ i)
			r_image.p_pixels[i] |= 0xff000000U;
	}
}

void PrintStatistics(const ConversionOptions &r_options, const RasterImage &r_image,
	const ByteBuffer &r_output, const std::string &r_s_text, int n_pred_y, int n_pred_uv, int n_pred_a)
{
	const int n_base = n_BaseNumber(r_options);
	const size_t n_length = r_output.n_Size();
	printf("\tencoding %u bytes as BASE%d\n", unsigned(n_length), n_base);
	if(n_length >= 5) {
		const uint8_t *p_last = r_output.p_Data() + n_length - 5;
		printf("\tthe last 5 bytes of data to BASE%d are: 0x%02x 0x%02x 0x%02x 0x%02x 0x%02x\n",
			n_base, p_last[0], p_last[1], p_last[2], p_last[3], p_last[4]);
	}
	const int n_text_length = int(r_s_text.size());
	const char *p_s_y = p_s_PredictorName(n_pred_y), *p_s_uv = p_s_PredictorName(n_pred_uv),
		*p_s_a = p_s_PredictorName(n_pred_a);
	if(!r_options.b_gray && r_image.b_alpha)
		printf("\t(%d bytes, using %s for predicting Y, %s for UV and %s for A)\n", n_text_length, p_s_y, p_s_uv, p_s_a);
	else if(!r_options.b_gray)
		printf("\t(%d bytes, using %s for predicting Y, %s for UV and there is no A)\n", n_text_length, p_s_y, p_s_uv);
	else if(r_image.b_alpha)
		printf("\t(%d bytes, using %s for predicting Y, there is no UV and %s for A)\n", n_text_length, p_s_y, p_s_a);
	else
		printf("\t(%d bytes, using %s for predicting Y, there is no UV and there is no A)\n", n_text_length, p_s_y);
	const int n_channel_num = ((r_options.b_gray)? 1 : 3) + ((r_image.b_alpha)? 1 : 0);
	printf("\tcompression ratio: %f:1\n", double(n_channel_num) * r_image.n_width * r_image.n_height /
		double(r_s_text.size()));
	printf("writing image data ...\n");
}

/**
 *	@brief the conversion of a loaded image, from the grayscale step to the
 *		verified header, which goes to r_header but is not put in place
 *	@param[in] n_latest_time is the latest time the header may state (SOURCE_DATE_EPOCH), or -1
 */
int n_ConvertImage(ConversionOptions &r_options, RasterImage &r_image, SearchMethod n_search_method,
	int64_t n_latest_time, AtomicFile &r_header)
{
	const uint32_t n_original_crc = n_Crc32_Image(r_image);
	if(r_options.b_gray && !r_image.b_grayscale)
		ConvertToGrayscale(r_image, r_image.b_alpha); // marks the image grayscale
	r_options.b_gray = r_image.b_grayscale;
	// a quiet run tells of the alpha decision only as part of the report "--verbose" asks for
	ApplyAlphaMode(r_image, r_options.n_alpha_mode, !r_options.b_quiet || r_options.b_verbose);
	const uint32_t n_transformed_crc = n_Crc32_Image(r_image);

	if(r_options.b_verbose)
		printf("compressing image data ...\n");
	const PlaneSettings t_settings = {r_options.b_gray, r_image.b_alpha, r_options.b_lossless,
		int(r_options.n_subsample), int(r_options.n_chroma_bpp), int(r_options.n_alpha_bpp)};
	SearchResult search;
	SearchFailure t_search_failure;
	PredictorSearch predictor_search(r_image, t_settings,
		(r_options.b_exhaustive)? n_predictor_num : n_default_predictor_num, n_search_method);
	// the raster the planes decode to, compared with the image, and its checksum, taken
	// before the search codes in the planes
	const DecodeParams t_layout = {r_image.n_width, r_image.n_height, 0, pred_None, pred_None, pred_None,
		int(r_options.n_subsample), n_ColorType(t_settings)};
	RebuiltRaster t_rebuilt = {0, 0};
	bool b_searched;
	{
		// erased when the search ends; a quiet run shows none
		TerminalProgress progress(stderr, !r_options.b_quiet && isatty(fileno(stderr)));
		predictor_search.SetProgress(&progress);
		b_searched = b_RunSearch(predictor_search, WorkerPool::n_DefaultParticipantNum(), search, &t_search_failure,
			[&](const uint8_t *p_planes) { t_rebuilt = t_RebuildRaster(p_planes, t_layout, &r_image); });
	}
	// nothing reads the image's pixels any more: the memory goes back before the
	// text, the header and the check's decoded raster take theirs
	delete[] r_image.p_pixels;
	r_image.p_pixels = nullptr;
	if(!b_searched) {
		if(t_search_failure.b_no_memory)
			fprintf(stderr, "error: not enough memory\n");
		else
			fprintf(stderr, "error: the search failed: %s\n", t_search_failure.p_s_cause);
		return -1;
	}
	if(search.output.b_Empty()) {
		fprintf(stderr, "error: packed buffer came out empty, something went wrong\n");
		return -1;
	}
	// planes the image does not have are reported, written and decoded as "none"
	const int n_pred_y = search.t_best.n_predictor_y;
	const int n_pred_uv = (r_options.b_gray)? pred_None : search.t_best.n_predictor_uv;
	const int n_pred_a = (r_image.b_alpha)? search.t_best.n_predictor_a : pred_None;

	// the text carries the compressed stream, without the coder's length prefix
	std::string s_text;
	const uint8_t *p_stream = search.output.p_Data() + n_length_prefix_size;
	const size_t n_stream_size = search.output.n_Size() - n_length_prefix_size;
	if(!((r_options.b_base85)? b_Base85EncodeString(p_stream, n_stream_size, s_text) :
	   b_Base64EncodeString(p_stream, n_stream_size, s_text))) {
		fprintf(stderr, "error: not enough memory\n");
		return -1;
	}
	if(r_options.b_verbose)
		PrintStatistics(r_options, r_image, search.output, s_text, n_pred_y, n_pred_uv, n_pred_a);

	HeaderContent t_content;
	t_content.t_settings = t_HeaderSettings(r_options);
	t_content.t_params = DecodeParams{r_image.n_width, r_image.n_height, search.n_rle_size,
		n_pred_y, n_pred_uv, n_pred_a, int(r_options.n_subsample), n_ColorType(t_settings)};
	t_content.p_s_text = &s_text;
	t_content.n_stored_crc = t_rebuilt.n_crc;
	t_content.n_original_crc = n_original_crc;
	t_content.n_transformed_crc = n_transformed_crc;
	t_content.t_image_time = t_FileTimestamp(r_options.p_s_image_file, n_latest_time);
	t_content.p_s_build_date = p_s_BuildDate();
	RowEntryPoints t_row_entries;
	if(r_options.b_row_decoder) {
		// where each plane begins, which the row decoder states as constants
		if(!b_FindRowEntryPoints(r_options.b_base85, s_text.c_str(), p_stream, n_stream_size, t_content.t_params,
		   t_row_entries)) {
			fprintf(stderr, "error: the compressed stream does not read back, so its planes have no entry points\n");
			return -1;
		}
		t_content.p_row_entries = &t_row_entries;
	}
	search.output = ByteBuffer(); // the text holds the stream now
	fflush(stdout); // keep the optimiser's and our messages in order when both streams are one
	if(!b_WriteHeader(t_content, r_header, stdout, stderr))
		return -1;

	// the check decodes with exactly the numbers the header passes; it writes the test image, if any, whatever it finds
	RoundTripInput t_check;
	t_check.p_s_text = &s_text;
	t_check.p_image = &r_image;
	t_check.t_params = t_content.t_params;
	t_check.n_stored_crc = t_content.n_stored_crc;
	t_check.t_settings = t_CheckSettings(r_options, t_settings);
	t_check.n_differ = t_rebuilt.n_differ;
	t_check.p_row_entries = t_content.p_row_entries;
	t_check.n_max_cstr_len = r_options.n_max_cstr_len;
	return n_RoundTripCheck(t_check, r_options.p_s_test_image, stdout, stderr);
}

/** @brief loads the image and converts it into r_header, which the caller puts in place when this returns 0 */
int n_LoadAndConvert(ConversionOptions &r_options, ImageFormat n_format, SearchMethod n_search_method,
	int64_t n_latest_time, AtomicFile &r_header)
{
	LoadFailure t_failure;
	std::unique_ptr<RasterImage, void (*)(RasterImage*)> p_image(
		p_LoadImage(n_format, r_options.p_s_image_file, r_options.b_verbose, t_failure), &DeleteRasterImage);
	if(!p_image) {
		ReportLoadFailure(r_options.p_s_image_file, t_failure, stderr);
		return -1;
	}
	if(!p_image->n_width || !p_image->n_height) {
		// a header cannot describe an image without pixels: its decoder takes sizes of at least 1
		fprintf(stderr, "error: image file '%s' holds no pixels\n", r_options.p_s_image_file);
		return -1;
	}
	return n_ConvertImage(r_options, *p_image, n_search_method, n_latest_time, r_header);
}

} // namespace

int n_RunConversion(int n_arg_num, const char **p_arg_list, SearchMethod n_search_method)
{
	OpenClosedStandardDescriptors();
	// a reader that closed its end of standard output or error loses what was
	// meant for it; the run goes on, and its work decides the exit code
	signal(SIGPIPE, SIG_IGN);
	ConversionOptions t_options;
	switch(n_ParseCommandLine(n_arg_num, p_arg_list, t_options, stdout, stderr)) {
	case CommandLineVerdict::Usage:
		return 0;
	case CommandLineVerdict::Refused:
		return -1;
	case CommandLineVerdict::Run:
		break;
	}

	// reproducible builds set the latest time an output may state; a value
	// that means no time fails the run, as their convention asks
	const char *p_s_source_date_epoch = getenv("SOURCE_DATE_EPOCH");
	int64_t n_latest_time;
	if(!b_ParseSourceDateEpoch(p_s_source_date_epoch, n_latest_time)) {
		fprintf(stderr, "error: SOURCE_DATE_EPOCH is '%s', not a number of seconds from 0 to %lld\n",
			p_s_source_date_epoch, (long long)n_max_source_date_epoch);
		return -1;
	}

	const ImageFormat n_format = n_ImageFormat(t_options.p_s_image_file);
	if(n_format == ImageFormat::Unknown) {
		fprintf(stderr, "error: unknown input file format\n");
		return -1;
	}
	if(!b_OutputsSpareTheInput(t_options, stderr))
		return -1;
	// the header's file is made first, so that a path that cannot be written
	// is refused before any work; it replaces the previous header only once
	// the whole run has succeeded, the test image written
	AtomicFile header;
	if(!b_OpenHeader(t_options.p_s_header_file, header, stderr))
		return -1;
	if(n_LoadAndConvert(t_options, n_format, n_search_method, n_latest_time, header)) {
		AbandonAtomicFile(header);
		return -1;
	}
	return (b_CommitHeader(header, t_options.p_s_header_file, stderr))? 0 : -1;
}
