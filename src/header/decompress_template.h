#pragma once

/**
 *	The source text of the decompressor that every generated header carries,
 *	as emitted: LF line ends, one tab per nesting level, class members at one
 *	tab. The BASE64 and BASE85 variants differ only in the entry point
 *	(p_Decode_RLE_Huff_Base64 or p_Decode_RLE_Huff_Base85) and its text
 *	decoding. The built-in decoder compiles the same files
 *	(src/header/template/), so what the tool verifies is what users compile.
 */
const char *p_s_DecompressTemplate(bool b_base85);

/**
 *	The source text of the row decoder that headers made with "--row-decoder"
 *	carry behind the decompressor (never pruned, so that the tool compiles
 *	exactly what ships): it reads the same stream a row at a time, with the
 *	decompressor's predictions and colour terms. The BASE64 and BASE85
 *	variants differ only in their text reader (CRowText_Base64 or
 *	CRowText_Base85).
 */
const char *p_s_RowDecoderTemplate(bool b_base85);
