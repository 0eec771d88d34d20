// what a header made without "--self-contained" uses without including it
#include <assert.h>
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>
#include <new>
#define _ASSERTE(x) assert(x)

#include "named_logo.h"

#include "header_helpers.h"

bool b_NamedLogoDecodes()
{
	return b_DecodesToItsChecksum<CNamedLogo>();
}
