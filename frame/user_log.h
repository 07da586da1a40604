// The daily user log of the token edition: "./<tag><yyyymmdd>_usr.log", one timestamped entry
// per failure, appended in binary mode and closed again after every entry.
#pragma once

#include <cstdarg>
#include <ctime>

namespace vemo {

// The source tag of every entry the library writes.
inline constexpr const char kSourceTag[] = "CVemoDll_C";

// Room for the log path: at most 300 characters and the terminator.
inline constexpr int kUserLogPathSize = 301;

// Appends one entry to today's log. 0 when written, -1 when the file could not be opened (the
// failure is reported on standard output and costs only this entry) or could not take the
// entry (a full disk: nothing is reported). Entries of one process are written one at a time.
int WriteUsrLog(const char* tag, const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 2, 3)))
#endif
    ;

// The same at a given local time: the file name and the timestamp both come from `when`.
int WriteUsrLogAt(const std::tm& when, const char* tag, const char* format, va_list args);

// The log's file name for `tag` on the day of `when`, cut to kUserLogPathSize - 1 characters.
void FormatUserLogPath(char (&path)[kUserLogPathSize], const std::tm& when, const char* tag);

}  // namespace vemo
