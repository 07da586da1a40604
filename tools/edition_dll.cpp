#include "edition_dll.h"

#include <windows.h>

namespace vemo::tool {
namespace {

std::string ProgramFolder() {
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    const std::string program(path, length);
    return program.substr(0, program.find_last_of("\\/"));
}

// The path without "." and ".." steps, as a user would type it.
std::string FullPath(const std::string& path) {
    char full[MAX_PATH] = {};
    const DWORD length = GetFullPathNameA(path.c_str(), MAX_PATH, full, nullptr);
    return length > 0 && length < MAX_PATH ? std::string(full, length) : path;
}

bool IsFile(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

}  // namespace

bool FindEditionDll(const std::string& edition, std::string& path, std::vector<std::string>& lookedIn) {
    const std::string folder = ProgramFolder();
    for (const std::string& candidate : {folder + "\\" + edition + "\\CVemoDll_C.dll",
                                         folder + "\\..\\editions\\" + edition + "\\CVemoDll_C.dll"}) {
        const std::string full = FullPath(candidate);
        if (IsFile(full)) {
            path = full;
            return true;
        }
        lookedIn.push_back(full);
    }
    return false;
}

}  // namespace vemo::tool
