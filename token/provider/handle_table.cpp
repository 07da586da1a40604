#include "token/provider/handle_table.h"

namespace vemo::csp {

ULONG_PTR NextHandle() {
    // Callers hold the provider lock. Starting away from 0 and small numbers keeps a handle
    // from looking like a flag or a count; the counter wraps only after 2^32 objects on 32-bit
    // Windows.
    static ULONG_PTR next = 0x10000;
    return next++;
}

}  // namespace vemo::csp
