#pragma once

#include "header/header_writer.h"

/**
 *	@brief reads the last-write time of a file as calendar fields in UTC
 *	@return the time, or -1 in every field when the file's status cannot be read
 */
FileTimestamp t_FileTimestamp(const char *p_s_filename);
