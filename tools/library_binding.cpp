#include "library_binding.h"

namespace vemo::tool {
namespace {

#if defined(_WIN64)
#define VEMO_STDCALL
#define VEMO_CDECL
#else
#define VEMO_STDCALL __stdcall
#define VEMO_CDECL __cdecl
#endif

// One signature in both calling conventions; the edition decides which one is called.
template <typename Result, typename... Args>
struct Export {
    using Stdcall = Result(VEMO_STDCALL*)(Args...);
    using Cdecl = Result(VEMO_CDECL*)(Args...);
    static Result call(FARPROC proc, bool stdcallEdition, Args... args) {
        void* address = reinterpret_cast<void*>(proc);
        return stdcallEdition ? reinterpret_cast<Stdcall>(address)(args...)
                              : reinterpret_cast<Cdecl>(address)(args...);
    }
};

using GenerateRandomExport = Export<int32_t, uint8_t*, uint32_t>;
using HashExport = Export<int32_t, int32_t, const uint8_t*, uint32_t, uint8_t*, uint32_t*>;

}  // namespace

LibraryBinding::LibraryBinding(const std::string& path) {
    module_ = LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (module_ == nullptr) {
        error_ = "cannot load " + path + " (error " + std::to_string(GetLastError()) + ")";
        return;
    }
    stdcallEdition_ = GetProcAddress(module_, "_C_VEMO_Hash@20") != nullptr;
}

LibraryBinding::~LibraryBinding() {
    if (module_ != nullptr) FreeLibrary(module_);
}

FARPROC LibraryBinding::resolve(const char* decorated, const char* plain) const {
    return GetProcAddress(module_, stdcallEdition_ && decorated ? decorated : plain);
}

int32_t LibraryBinding::generateRandom(uint8_t* buffer, uint32_t length) const {
    FARPROC proc = resolve("_C_VEMO_GenerateRandom@8", "C_VEMO_GenerateRandom");
    return GenerateRandomExport::call(proc, stdcallEdition_, buffer, length);
}

int32_t LibraryBinding::hash(const uint8_t* data, uint32_t length, uint8_t* digest, uint32_t* digestLength) const {
    FARPROC proc = resolve("_C_VEMO_Hash@20", "C_VEMO_Hash");
    return HashExport::call(proc, stdcallEdition_, 0, data, length, digest, digestLength);
}

}  // namespace vemo::tool
