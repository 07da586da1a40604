// The number of handles this process holds.
#pragma once

namespace vemo::test {

// GetProcessHandleCount; where that answers 0 (Wine), the process's entries in the system's
// handle table.
unsigned long ProcessHandleCount();

}  // namespace vemo::test
