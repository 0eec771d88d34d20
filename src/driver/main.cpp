#include "driver/conversion.h"

#ifdef __GLIBC__
#include <malloc.h>
#endif

int main(int n_arg_num, const char **p_arg_list)
{
#ifdef __GLIBC__
	// Buffers of a megabyte and more are mapped apart, so that the memory of
	// each one that a stage of the conversion frees goes back to the system at
	// once; glibc would otherwise raise this threshold after the first such
	// buffer is freed and serve the next ones from its heap, which keeps them.
	mallopt(M_MMAP_THRESHOLD, 1 << 20);
#endif
	return n_RunConversion(n_arg_num, p_arg_list);
}
