#pragma once

/**
 *	@brief runs one conversion from the command line to the verified header
 *	@return the process exit code: 0 for a completed run (and for the usage
 *		text), -1 for every failure
 */
int n_RunConversion(int n_arg_num, const char **p_arg_list);
