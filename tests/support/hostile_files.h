#pragma once

#include <string>
#include <vector>

/** An image file whose header claims a huge picture while its body holds a few bytes. */
struct HostileFile {
	std::string s_name; // with the extension that picks the reader
	std::string s_bytes;
};

/**
 *	@brief a TGA header, a PNG IHDR and a JPEG frame header each of 65535 x
 *		65535 pixels (beyond the tool's limit) and of 16384 x 16384 (just
 *		inside it), every one followed by a tiny but well-formed body
 */
std::vector<HostileFile> HostileSizeFiles();
