// What a module that links the C++ library statically gives back when it is unloaded while the
// process goes on: the C++ library's reserve for exceptions thrown when memory runs out (about
// 70 KB), allocated once per module and otherwise lost at every load and unload. A program that
// loads the library (or advapi32 the token's provider) for each use would lose it every time.
#pragma once

namespace __gnu_cxx {
void __freeres();  // the C++ library's own release of its per-module allocations
}

namespace vemo {

// Call from DllMain on DLL_PROCESS_DETACH when the module is unloaded (not at process exit).
inline void ReleaseRuntimeReserve() { __gnu_cxx::__freeres(); }

}  // namespace vemo
