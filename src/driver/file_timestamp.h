#pragma once

#include <cstdint>

#include "header/header_writer.h"

/** The latest SOURCE_DATE_EPOCH that is accepted: the last second of the year 9999, as GCC takes it. */
const int64_t n_max_source_date_epoch = 253402300799;

/**
 *	@brief reads SOURCE_DATE_EPOCH, the time that reproducible builds set as the
 *		latest an output may state
 *	@param[in] p_s_value is the variable's text, or null when it is not set
 *	@param[out] r_n_epoch receives the seconds since 1970-01-01 00:00:00 UTC, or -1 when not set or empty
 *	@return false when the text is not decimal digits alone, or names a time
 *		after n_max_source_date_epoch (the build is then refused rather than
 *		made with a date nobody meant)
 */
bool b_ParseSourceDateEpoch(const char *p_s_value, int64_t &r_n_epoch);

/**
 *	@brief reads the last-write time of a file as calendar fields in UTC
 *	@param[in] n_latest is the latest time to state, in seconds since 1970
 *		(a later or unknown file time gives this one), or -1 for no limit
 *	@return the time, or -1 in every field when the file's status cannot be read and there is no limit
 */
FileTimestamp t_FileTimestamp(const char *p_s_filename, int64_t n_latest);
