#pragma once

#include <cstddef>
#include <new>
#include <stdexcept>
#include <string>

/** @brief sizes a text string without letting an allocation failure escape; false when it fails */
inline bool b_ResizeText(std::string &r_s_text, size_t n_length)
{
	try {
		r_s_text.resize(n_length);
	} catch(const std::bad_alloc&) {
		return false;
	} catch(const std::length_error&) {
		return false;
	}
	return true;
}
