// CVemoDll_C.dll loaded at run time, whichever edition it is: the token and trace editions
// export two decorated names and use stdcall, the picker edition plain names and cdecl.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace vemo::tool {

class LibraryBinding {
public:
    // Loads the module; check loaded() and error() before calling.
    explicit LibraryBinding(const std::string& path);
    ~LibraryBinding();
    LibraryBinding(const LibraryBinding&) = delete;
    LibraryBinding& operator=(const LibraryBinding&) = delete;

    bool loaded() const { return module_ != nullptr; }
    const std::string& error() const { return error_; }
    // "token or trace" (stdcall, decorated names) or "picker" (cdecl, plain names).
    const char* editionFamily() const { return stdcallEdition_ ? "token or trace" : "picker"; }

    int32_t generateRandom(uint8_t* buffer, uint32_t length) const;
    int32_t hash(const uint8_t* data, uint32_t length, uint8_t* digest, uint32_t* digestLength) const;

private:
    FARPROC resolve(const char* decorated, const char* plain) const;

    HMODULE module_ = nullptr;
    bool stdcallEdition_ = false;
    std::string error_;
};

}  // namespace vemo::tool
