#pragma once

// The decompressor source that every header carries, compiled into the tool
// as it is, in the environment a header expects from the program that
// includes it. Each translation unit gets a copy of its own (an unnamed
// namespace), so that one built with assertions and one without never share
// a definition.

#include <cassert>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

#ifndef _ASSERTE
#define _ASSERTE(x) assert(x)
#endif

namespace {

/**
 *	The whole decompressor source, as a shared header (or one made with
 *	"--no-code-opts") carries it, and the row decoder behind it with both
 *	text readers.
 */
struct CTemplateCode {
#include "header/template/unpredict_plane.inl"
#include "header/template/decode_base64.inl"
#include "header/template/decode_base85.inl"
#include "header/template/decode_stages.inl"
#include "header/template/row_decoder.inl"
#include "header/template/row_text_base64.inl"
#include "header/template/row_text_base85.inl"
};

} // namespace
