// A failed step written down both ways at once: the user log's "[ERROR]" line (token edition)
// and the trace line (trace edition, when the call traces). `line` is the __LINE__ of the
// reporting statement.
#pragma once

#include "frame/diagnostics.h"

namespace vemo::validate {

inline void ReportFailure(TraceBlock* trace, const char* step, int line) {
    LogError("[ERROR]%s is error,Line %d\n", step, line);
    if (trace) (*trace)("***** %s fails. Line %d\n", step, line);
}

inline void ReportFailure(TraceBlock* trace, const char* step, unsigned code, int line) {
    LogError("[ERROR]%s is error,Error Code: 0x%08x,Line %d\n", step, code, line);
    if (trace) (*trace)("***** %s fails. Error Code: 0x%08x, Line %d\n", step, code, line);
}

}  // namespace vemo::validate
