#include "driver/run_settings.h"

HeaderSettings t_HeaderSettings(const ConversionOptions &r_options)
{
	return HeaderSettings{r_options.p_s_image_file, r_options.p_s_header_file, r_options.b_names_from_file_name,
		r_options.p_s_class_name, r_options.p_s_guard_name, r_options.b_base85, r_options.b_lossless,
		r_options.b_shared_decompress, r_options.b_code_opts, r_options.b_self_contained, r_options.b_verbose,
		r_options.b_quiet, n_DataLineWidth(r_options), r_options.n_max_cstr_len, r_options.b_row_decoder};
}

CheckSettings t_CheckSettings(const ConversionOptions &r_options, const PlaneSettings &r_planes)
{
	return CheckSettings{r_options.b_verbose, r_options.b_quiet, r_options.b_base85,
		b_PrunesDecompressor(t_HeaderSettings(r_options)), r_options.b_row_decoder, r_planes};
}
