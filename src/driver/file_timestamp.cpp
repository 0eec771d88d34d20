#include "driver/file_timestamp.h"

#include <ctime>

#include <sys/stat.h>

bool b_ParseSourceDateEpoch(const char *p_s_value, int64_t &r_n_epoch)
{
	r_n_epoch = -1;
	if(!p_s_value || !*p_s_value)
		return true; // empty is unset, as the convention and GCC take it
	// digits alone, as `date +%s` prints them: no sign, no space, no fraction
	int64_t n_epoch = 0;
	const char *p_s_digit = p_s_value;
	for(; *p_s_digit >= '0' && *p_s_digit <= '9'; ++ p_s_digit) {
		n_epoch = n_epoch * 10 + (*p_s_digit - '0');
		if(n_epoch > n_max_source_date_epoch)
			return false; // also before the arithmetic could overflow
	}
	if(p_s_digit == p_s_value || *p_s_digit)
		return false;
	r_n_epoch = n_epoch;
	return true;
}

FileTimestamp t_FileTimestamp(const char *p_s_filename, int64_t n_latest)
{
	FileTimestamp t_unknown = {-1, -1, -1, -1, -1, -1};
	struct stat t_status;
	const bool b_known = !stat(p_s_filename, &t_status);
	// the clamp of reproducible builds: a file newer than the limit is dated by the limit
	time_t n_time;
	if(n_latest >= 0 && (!b_known || t_status.st_mtime > n_latest))
		n_time = time_t(n_latest);
	else if(b_known)
		n_time = t_status.st_mtime;
	else
		return t_unknown;
	struct tm t_calendar;
	if(!gmtime_r(&n_time, &t_calendar))
		return t_unknown;
	FileTimestamp t_time;
	t_time.n_month = int16_t(t_calendar.tm_mon + 1);
	t_time.n_day = int16_t(t_calendar.tm_mday);
	t_time.n_year = int16_t(t_calendar.tm_year + 1900);
	t_time.n_hour = int16_t(t_calendar.tm_hour);
	t_time.n_minute = int16_t(t_calendar.tm_min);
	t_time.n_second = int16_t(t_calendar.tm_sec);
	return t_time;
}
