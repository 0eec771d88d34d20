#include "header_helpers.h"
#include "named_logo.h"

bool b_NamedLogoDecodes()
{
	return b_DecodesToItsChecksum<CNamedLogo>();
}
