// first, so that nothing included before it can hide what it lacks
#include "logo.h"

#include <stdio.h>

#include "header_helpers.h"

bool b_NamedLogoDecodes(); // named_logo.cpp

int main()
{
	bool b_logo = b_DecodesToItsChecksum<Clogo_png>();
	bool b_named_logo = b_NamedLogoDecodes();
	printf("logo.h %s, named_logo.h %s\n", (b_logo)? "ok" : "MISMATCH", (b_named_logo)? "ok" : "MISMATCH");
	return (b_logo && b_named_logo)? 0 : 1;
}
