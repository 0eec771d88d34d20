#include "driver/file_timestamp.h"

#include <ctime>

#include <sys/stat.h>

FileTimestamp t_FileTimestamp(const char *p_s_filename)
{
	FileTimestamp t_unknown = {-1, -1, -1, -1, -1, -1};
	struct stat t_status;
	if(stat(p_s_filename, &t_status))
		return t_unknown;
	struct tm t_calendar;
	if(!gmtime_r(&t_status.st_mtime, &t_calendar))
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
