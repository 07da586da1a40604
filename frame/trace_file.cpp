#include "trace_file.h"

#include "local_clock.h"

namespace vemo {

void WriteTraceHeader(std::FILE* file, const std::tm& when) {
    std::fputs("========================================================\n", file);
    std::fprintf(file, "\n\nProject Name: %s - Date: %d/%d/%d - Time: %02dh%02dm\n",
                 kTraceProjectName, when.tm_mon + 1, when.tm_mday, when.tm_year + 1900,
                 when.tm_hour, when.tm_min);
}

std::mutex& TraceFileLock() {
    static std::mutex lock;
    return lock;
}

std::FILE* OpenTraceFile() {
    const std::tm now = localNow();
    std::FILE* file = std::fopen(kTraceFileName, "a+");  // text mode: "\n" becomes CR LF
    if (file != nullptr) WriteTraceHeader(file, now);
    return file;
}

}  // namespace vemo
