#include "driver/conversion.h"

int main(int n_arg_num, const char **p_arg_list)
{
	return n_RunConversion(n_arg_num, p_arg_list);
}
