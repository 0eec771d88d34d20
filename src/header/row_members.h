#pragma once

#include <cstdio>
#include <string>

#include "header/header_writer.h"

/*
 *	What "--row-decoder" adds to a header. In the image class's public part,
 *	after p_Decompress(): the sizes as constants, the declaration of RowWork
 *	and of the row decoders (b_Decode_Rows(), b_Decode_Rows_RGB565(),
 *	b_Decompress_Into(), b_Decompress_RGB565()); in its protected part, the
 *	declaration of b_Row_Decode(), which all four call. Behind the class (and
 *	behind the shared decompressor class), where the decompressor's types are
 *	known: RowWork and the definitions, whose CRowImage states the decoding
 *	parameters, the text's literals and the planes' entry points as
 *	constants. A text split into literals is read in place: the literals get
 *	an accessor of their own, p_Base85_Literals() (or 64), which the data
 *	accessor joins from.
 */

/** @brief writes the public declarations of the row decoder */
void WriteRowDeclarations(FILE *p_file, const HeaderContent &r_content);

/** @brief writes the protected declaration of b_Row_Decode(), which the public row decoders call */
void WriteRowProtectedDeclaration(FILE *p_file);

/**
 *	@brief writes the accessor of the literals of a text split into several
 *		(p_Base85_Literals() or p_Base64_Literals()), then the data accessor,
 *		which joins them from there
 */
void WriteRowLiterals(FILE *p_file, const HeaderContent &r_content, int n_base);

/**
 *	@brief writes RowWork and the definitions of the row decoder's members
 *	@param[in] r_s_class is the image class's name
 *	@param[in] r_s_code_scope is "" when the decompressor is the image class's
 *		own, else "CPXMDecompressCode_%08x::"
 */
void WriteRowDefinitions(FILE *p_file, const HeaderContent &r_content, int n_base, const std::string &r_s_class,
	const std::string &r_s_code_scope);
