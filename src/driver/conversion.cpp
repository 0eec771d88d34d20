#include "driver/conversion.h"

int n_RunConversion(int n_arg_num, const char **p_arg_list)
{
	(void)n_arg_num;
	(void)p_arg_list;
	return 0;
}
