#include "image/load_failure.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "image/raster_image.h"

bool b_LoadFailed(LoadFailure *p_failure, LoadError n_error, const char *p_s_detail_format, ...)
{
	if(!p_failure || p_failure->n_error != LoadError::None)
		return false;
	p_failure->n_error = n_error;
	p_failure->p_s_detail[0] = 0;
	if(p_s_detail_format) {
		va_list args;
		va_start(args, p_s_detail_format);
		vsnprintf(p_failure->p_s_detail, sizeof(p_failure->p_s_detail), p_s_detail_format, args);
		va_end(args);
	}
	return false;
}

bool b_LoadSystemFailed(LoadFailure *p_failure, LoadError n_error, int n_system_error)
{
	if(p_failure && p_failure->n_error == LoadError::None)
		p_failure->n_system_error = n_system_error;
	return b_LoadFailed(p_failure, n_error);
}

bool b_LoadReadFailed(LoadFailure *p_failure, FILE *p_file, const char *p_s_where)
{
	const int n_system_error = errno;
	if(ferror(p_file))
		return b_LoadSystemFailed(p_failure, LoadError::CannotRead, n_system_error);
	return (p_s_where)? b_LoadFailed(p_failure, LoadError::EndsEarly, "%s", p_s_where) :
		b_LoadFailed(p_failure, LoadError::EndsEarly);
}

void DescribeLoadFailure(const LoadFailure &r_failure, char *p_s_text, size_t n_size)
{
	const char *p_s_detail = r_failure.p_s_detail;
	const char *p_s_separator = (*p_s_detail)? ": " : "";
	switch(r_failure.n_error) {
	case LoadError::None:
		snprintf(p_s_text, n_size, "no failure");
		break;
	case LoadError::CannotOpen:
		snprintf(p_s_text, n_size, "cannot open the file: %s", strerror(r_failure.n_system_error));
		break;
	case LoadError::CannotRead:
		snprintf(p_s_text, n_size, "cannot read the file: %s", strerror(r_failure.n_system_error));
		break;
	case LoadError::Unseekable:
		snprintf(p_s_text, n_size, "cannot read %s: the readers need a file they can seek in", p_s_detail);
		break;
	case LoadError::Misnamed:
		snprintf(p_s_text, n_size, "a %s", p_s_detail);
		break;
	case LoadError::NotThisFormat: {
		// the format's name, then any remark: "JPEG (no ...)" reads "not a JPEG file (no ...)"
		const int n_name_length = int(strcspn(p_s_detail, " "));
		snprintf(p_s_text, n_size, "not a %.*s file%s", n_name_length, p_s_detail, p_s_detail + n_name_length);
		break;
	}
	case LoadError::EndsEarly:
		snprintf(p_s_text, n_size, "the file ends early%s%s", p_s_separator, p_s_detail);
		break;
	case LoadError::Corrupt:
		snprintf(p_s_text, n_size, "the file is corrupt%s%s", p_s_separator, p_s_detail);
		break;
	case LoadError::Unsupported:
		snprintf(p_s_text, n_size, "unsupported: %s", p_s_detail);
		break;
	case LoadError::TooLarge:
		snprintf(p_s_text, n_size, "the image is larger than the limit of %llu pixels%s%s",
			static_cast<unsigned long long>(n_max_image_pixels), p_s_separator, p_s_detail);
		break;
	case LoadError::NoMemory:
		snprintf(p_s_text, n_size, "not enough memory");
		break;
	}
}
