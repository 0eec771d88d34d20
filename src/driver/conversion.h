#pragma once

#include "compress/predictor_search.h"

/**
 *	@brief runs one conversion from the command line to the verified header
 *	@param[in] n_search_method chooses how the predictor search measures the
 *		candidates; the header is the same with either (the tool uses the fast one)
 *	@return the process exit code: 0 for a completed run (and for the usage
 *		text), -1 for every failure
 */
int n_RunConversion(int n_arg_num, const char **p_arg_list, SearchMethod n_search_method = SearchMethod::Fast);
