// Where an export writes down its failures, chosen by the edition: the token edition writes
// the daily user log, the trace edition the debug trace file, the picker edition nothing.
// Call sites pass __LINE__ for the "Line %d" of each message.
#pragma once

#include <cstdarg>
#include <cstdint>
#include <cstdio>

#include "edition.h"
#include "local_clock.h"
#include "trace_file.h"
#include "user_log.h"

namespace vemo {

#if defined(__GNUC__)
#define VEMO_PRINTF_FORMAT(fmt_index, first_arg) \
    __attribute__((format(printf, fmt_index, first_arg)))
#else
#define VEMO_PRINTF_FORMAT(fmt_index, first_arg)
#endif

// One "[ERROR]..." line in the user log (token edition); nothing in the other editions.
inline void LogError(const char* format, ...) VEMO_PRINTF_FORMAT(1, 2);
inline void LogError(const char* format, ...) {
    if constexpr (edition::kWritesUserLog) {
        const std::tm now = localNow();
        va_list args;
        va_start(args, format);
        WriteUsrLogAt(now, kSourceTag, format, args);
        va_end(args);
    } else {
        (void)format;
    }
}

// The trace block of one traced call (trace edition): opened on construction, closed on
// destruction or by close(). In the other editions it never opens and writes nothing.
// The header and every line reach the file at once, so that a block opened inside another
// (by an operation the traced call runs) lands after the lines written before it.
class TraceBlock {
public:
    TraceBlock() {
        if constexpr (edition::kWritesTrace) {
            const std::lock_guard<std::mutex> hold(TraceFileLock());
            file_ = OpenTraceFile();
            if (file_ != nullptr) std::fflush(file_);
        }
    }
    ~TraceBlock() { close(); }
    TraceBlock(const TraceBlock&) = delete;
    TraceBlock& operator=(const TraceBlock&) = delete;

    void operator()(const char* format, ...) VEMO_PRINTF_FORMAT(2, 3) {
        if (file_ == nullptr) return;
        const std::lock_guard<std::mutex> hold(TraceFileLock());
        va_list args;
        va_start(args, format);
        std::vfprintf(file_, format, args);
        va_end(args);
        std::fflush(file_);
    }

    void close() {
        if (file_ != nullptr) std::fclose(file_);
        file_ = nullptr;
    }

private:
    std::FILE* file_ = nullptr;
};

// A failed step of the exports from ordinal 20 on, in the one form they share:
// "[ERROR]<step> is error,Error Code: 0x<code>,Line <line>", as a user log entry in the token
// edition and as a trace block of its own in the trace edition (a call that succeeds opens no
// block, so these exports cost no file access on their way to success); nothing in the picker
// edition. `line` is the __LINE__ of the statement that reports.
inline void ReportFailure(const char* step, uint32_t code, int line) {
    LogError("[ERROR]%s is error,Error Code: 0x%08x,Line %d\n", step, unsigned(code), line);
    if constexpr (edition::kWritesTrace) {
        TraceBlock trace;
        trace("[ERROR]%s is error,Error Code: 0x%08x,Line %d\n", step, unsigned(code), line);
    }
}

}  // namespace vemo
