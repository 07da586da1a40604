#include "user_log.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "local_clock.h"

namespace vemo {
namespace {

// "无法打开用户文件%s: %s" ("cannot open the user file") in the GBK code page.
constexpr const char kOpenFailureMessage[] =
    "\xce\xde\xb7\xa8\xb4\xf2\xbf\xaa\xd3\xc3\xbb\xa7\xce\xc4\xbc\xfe%s: %s";

// Append mode seeks to the end before each write, so two threads appending through handles of
// their own could write at one offset: the entries of one process go one at a time.
std::mutex& LogFileLock() {
    static std::mutex lock;
    return lock;
}

}  // namespace

void FormatUserLogPath(char (&path)[kUserLogPathSize], const std::tm& when, const char* tag) {
    std::snprintf(path, sizeof path, "%s%s%04d%02d%02d_usr.log", "./", tag ? tag : "",
                  when.tm_year + 1900, when.tm_mon + 1, when.tm_mday);
}

int WriteUsrLogAt(const std::tm& when, const char* tag, const char* format, va_list args) {
    char path[kUserLogPathSize];
    FormatUserLogPath(path, when, tag);

    const std::lock_guard<std::mutex> hold(LogFileLock());
    std::FILE* file = std::fopen(path, "ab");
    if (file == nullptr) {
        const int error = errno;
        std::printf(kOpenFailureMessage, path, std::strerror(error));
        std::fflush(stdout);
        return -1;
    }
    std::fprintf(file, "%04d-%02d-%02d %02d:%02d:%02d ", when.tm_year + 1900, when.tm_mon + 1,
                 when.tm_mday, when.tm_hour, when.tm_min, when.tm_sec);
    std::vfprintf(file, format, args);
    std::fputc('\n', file);
    // A file that cannot grow (a full disk) also costs only the entry, silently: the message
    // of an open failure would not be true of it.
    const bool written = std::ferror(file) == 0;
    return std::fclose(file) == 0 && written ? 0 : -1;
}

int WriteUsrLog(const char* tag, const char* format, ...) {
    const std::tm now = localNow();  // one clock reading for the file name and the timestamp
    va_list args;
    va_start(args, format);
    const int result = WriteUsrLogAt(now, tag, format, args);
    va_end(args);
    return result;
}

}  // namespace vemo
