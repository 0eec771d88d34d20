#pragma once

#include <cstddef>
#include <cstdint>

#include "image/load_failure.h"

/*
 *	What an input file really is, told apart from what its name says: the
 *	readers are chosen by the extension, so a file of another format, or one
 *	they cannot seek in, would otherwise fail with a reason about the wrong
 *	thing.
 */

/**
 *	@brief refuses, before any reader opens it, an input the readers cannot
 *		seek in: a FIFO or a socket by its type (so that a FIFO nobody writes
 *		is never waited for), a device by a seek that fails
 *	@return false with the reason recorded (LoadError::Unseekable)
 */
bool b_SeekableInput(const char *p_s_path, LoadFailure *p_failure);

/**
 *	@brief the format that a file's first bytes are the signature of: "PNG",
 *		"JPEG", "GIF", "BMP", "WebP", or the Netpbm "PBM", "PGM", "PPM" and
 *		"PAM"; null for none (TGA files carry no signature)
 */
const char *p_s_SignatureFormat(const uint8_t *p_head, size_t n_size);

/**
 *	@brief after a failed load, names the real format of a file whose first
 *		bytes are the signature of another format than its reader's
 *		("a PNG file named .jpg"), in place of the reader's reason
 *	@param[in] p_s_reader_format is "TGA", "PNG" or "JPEG"
 *	@param[in] p_s_extension is the extension that chose the reader, as the path spells it
 */
void NameMisnamedFile(const char *p_s_path, const char *p_s_reader_format, const char *p_s_extension,
	LoadFailure &r_failure);
