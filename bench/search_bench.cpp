// Times the predictor search, plain and fast, on pictures made here: a
// photo-like picture, line art and a picture with a soft alpha channel, with
// the default predictors and with "--exhaustive". The search runs on the
// pool size the tool would choose on this machine. Beside it, the two steps
// that cut a predicted plane into runs and literal stretches: the run-length
// coder and the plane summary of the fast search.

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "compress/color_transform.h"
#include "compress/predictor.h"
#include "compress/predictor_search.h"
#include "compress/rle_coder.h"
#include "compress/rle_histogram.h"
#include "compress/stream_format.h"
#include "compress/search_step.h"
#include "image/raster_image.h"
#include "threads/worker_pool.h"

namespace {

uint32_t n_Pixel(int r, int g, int b, int a = 255)
{
	auto n_Clamp = [](int n) { return uint32_t((n < 0)? 0 : (n > 255)? 255 : n); };
	return n_Clamp(a) << 24 | n_Clamp(b) << 16 | n_Clamp(g) << 8 | n_Clamp(r);
}

/** Smooth noise: random values on a coarse grid, interpolated, summed over a few octaves. */
class SmoothNoise {
public:
	explicit SmoothNoise(uint32_t n_seed)
		:m_values(n_grid * n_grid)
	{
		std::mt19937 random(n_seed);
		for(float &r_f : m_values)
			r_f = float(random() % 1024) / 1023.0f;
	}

	/** @return a value in 0 to 1 */
	float f_At(float x, float y) const
	{
		float f_sum = 0, f_weight = 0, f_amplitude = 1;
		for(int n_octave = 0; n_octave < 5; ++ n_octave, x *= 2, y *= 2, f_amplitude *= 0.5f) {
			f_sum += f_amplitude * f_Lattice(x + 7.3f * n_octave, y + 3.1f * n_octave);
			f_weight += f_amplitude;
		}
		return f_sum / f_weight;
	}

private:
	static const int n_grid = 64;

	float f_Lattice(float x, float y) const
	{
		const int x0 = int(std::floor(x)), y0 = int(std::floor(y));
		const float fx = x - x0, fy = y - y0;
		const float sx = fx * fx * (3 - 2 * fx), sy = fy * fy * (3 - 2 * fy);
		auto f_Value = [&](int gx, int gy) { return m_values[size_t((gy & (n_grid - 1)) * n_grid + (gx & (n_grid - 1)))]; };
		const float f_top = f_Value(x0, y0) + sx * (f_Value(x0 + 1, y0) - f_Value(x0, y0));
		const float f_bottom = f_Value(x0, y0 + 1) + sx * (f_Value(x0 + 1, y0 + 1) - f_Value(x0, y0 + 1));
		return f_top + sy * (f_bottom - f_top);
	}

	std::vector<float> m_values;
};

/** @brief a photo-like picture: smooth colour fields with sensor-like noise; with alpha, a soft vignette */
RasterImage *p_PhotoLike(int n_width, int n_height, bool b_alpha)
{
	RasterImage *p_image = p_NewRasterImage(n_width, n_height);
	if(!p_image)
		return nullptr;
	p_image->b_alpha = b_alpha;
	const SmoothNoise red(1), green(2), blue(3);
	std::mt19937 random(4);
	const float f_scale = 6.0f / float(n_width);
	for(int y = 0; y < n_height; ++ y) {
		for(int x = 0; x < n_width; ++ x) {
			const float fx = float(x) * f_scale, fy = float(y) * f_scale;
			auto n_Noise = [&random]() { return int(random() % 7) - 3; };
			const float dx = float(x - n_width / 2) / float(n_width), dy = float(y - n_height / 2) / float(n_height);
			const int a = (b_alpha)? int(255 * (1.2f - 2.4f * std::sqrt(dx * dx + dy * dy))) : 255;
			p_image->p_pixels[size_t(y) * size_t(n_width) + size_t(x)] = n_Pixel(int(255 * red.f_At(fx, fy)) + n_Noise(),
				int(255 * green.f_At(fx, fy)) + n_Noise(), int(255 * blue.f_At(fx, fy)) + n_Noise(), a);
		}
	}
	return p_image;
}

/** @brief line art: a white page with flat-coloured boxes, discs and thin lines */
RasterImage *p_LineArt(int n_width, int n_height)
{
	RasterImage *p_image = p_NewRasterImage(n_width, n_height);
	if(!p_image)
		return nullptr;
	const uint32_t p_ink[] = {n_Pixel(20, 30, 120), n_Pixel(240, 140, 20), n_Pixel(0, 0, 0), n_Pixel(30, 160, 60)};
	for(int y = 0; y < n_height; ++ y) {
		for(int x = 0; x < n_width; ++ x) {
			uint32_t n_pixel = n_Pixel(255, 255, 255);
			if((x / 96 + y / 80) % 3 == 0 && x % 96 > 10 && y % 80 > 12)
				n_pixel = p_ink[(x / 96) % 4];
			const int cx = x % 160 - 80, cy = y % 120 - 60;
			if(cx * cx + cy * cy < 40 * 40)
				n_pixel = p_ink[(y / 120 + 1) % 4];
			if((x + 2 * y) % 97 < 2 || (3 * x - y + 4096) % 151 == 0)
				n_pixel = p_ink[2];
			p_image->p_pixels[size_t(y) * size_t(n_width) + size_t(x)] = n_pixel;
		}
	}
	return p_image;
}

enum Picture { picture_Photo, picture_LineArt, picture_Alpha };

/** The benchmark pictures, made on first use and kept for the program's life. */
const RasterImage &r_Picture(int n_picture)
{
	static RasterImage *const p_photo = p_PhotoLike(1024, 768, false);
	static RasterImage *const p_line_art = p_LineArt(1024, 768);
	static RasterImage *const p_alpha = p_PhotoLike(512, 384, true);
	const RasterImage *p_image = (n_picture == picture_Photo)? p_photo : (n_picture == picture_LineArt)? p_line_art : p_alpha;
	return *p_image;
}

// Arguments: picture, predictor count, method (0 plain, 1 fast).
void SearchBenchmark(benchmark::State &r_state)
{
	const RasterImage &r_image = r_Picture(int(r_state.range(0)));
	const int n_predictor_count = int(r_state.range(1));
	const SearchMethod n_method = (r_state.range(2))? SearchMethod::Fast : SearchMethod::Plain;
	const PlaneSettings t_settings = {false, r_image.b_alpha, false, 2, 6, 8}; // the tool's defaults
	const int n_participant_num = WorkerPool::n_DefaultParticipantNum();
	const int n_candidate_num = n_CandidateNum(n_predictor_count, false, r_image.b_alpha);
	for(auto _ : r_state) {
		PredictorSearch search(r_image, t_settings, n_predictor_count, n_method);
		SearchResult result;
		if(!b_RunSearch(search, n_participant_num, result)) {
			r_state.SkipWithError("the search failed");
			return;
		}
		benchmark::DoNotOptimize(result.output.p_Data());
	}
	const double f_pixel_num = double(r_image.n_width) * double(r_image.n_height);
	r_state.counters["pixels/s"] = benchmark::Counter(f_pixel_num * double(r_state.iterations()),
		benchmark::Counter::kIsRate);
	r_state.counters["candidates/s"] = benchmark::Counter(double(n_candidate_num) * double(r_state.iterations()),
		benchmark::Counter::kIsRate);
	r_state.counters["participants"] = n_participant_num;
}

void SearchCases(benchmark::internal::Benchmark *p_benchmark)
{
	p_benchmark->ArgNames({"picture", "predictors", "fast"});
	for(int n_picture : {picture_Photo, picture_LineArt, picture_Alpha}) {
		for(int n_predictor_count : {n_default_predictor_num, n_predictor_num}) {
			for(int b_fast : {0, 1})
				p_benchmark->Args({n_picture, n_predictor_count, b_fast});
		}
	}
}

// Arguments: picture, step (0 the run-length coder, 1 the plane summary of the fast search).
void RunLengthBenchmark(benchmark::State &r_state)
{
	// the luma plane as the searches see it, predicted with "med"
	const RasterImage &r_image = r_Picture(int(r_state.range(0)));
	const PlaneSettings t_settings = {false, r_image.b_alpha, false, 2, 6, 8};
	const size_t n_plane_size = size_t(r_image.n_width) * size_t(r_image.n_height);
	ByteBuffer planes, output;
	if(!b_BuildPlanes(r_image, t_settings, planes) ||
	   !b_PredictImagePlane(planes.p_Data(), r_image.n_width, r_image.n_height, pred_Med)) {
		r_state.SkipWithError("no planes");
		return;
	}
	PlaneRunSummary t_summary;
	for(auto _ : r_state) {
		if(r_state.range(1))
			SummarisePlaneRuns(planes.p_Data(), n_plane_size, t_summary);
		else if(!b_RunLengthEncode(planes.p_Data(), n_plane_size, output)) {
			r_state.SkipWithError("the coder failed");
			return;
		}
		benchmark::DoNotOptimize(output.p_Data());
		benchmark::DoNotOptimize(&t_summary);
	}
	r_state.SetBytesProcessed(int64_t(n_plane_size) * int64_t(r_state.iterations()));
}

} // namespace

// the plain exhaustive searches take seconds each, so those run once
BENCHMARK(SearchBenchmark)->Apply(SearchCases)->Unit(benchmark::kMillisecond)->MinTime(0.5)->UseRealTime();

BENCHMARK(RunLengthBenchmark)->ArgNames({"picture", "summary"})
	->ArgsProduct({{picture_Photo, picture_LineArt, picture_Alpha}, {0, 1}});

BENCHMARK_MAIN();
