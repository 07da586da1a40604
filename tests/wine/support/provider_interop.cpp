#include "support/provider_interop.h"

#include <windows.h>

#include <fstream>

#include "support/scoped_environment.h"

namespace vemo::test {
namespace {

std::string& Folder() {
    static std::string folder;
    return folder;
}

}  // namespace

void SetInteropFolder(const std::string& folder) {
    Folder() = folder;
    CreateDirectoryA(folder.c_str(), nullptr);
    for (const std::string& name : ListFolder(folder)) DeleteFileA((folder + "\\" + name).c_str());
}

bool HasInteropFolder() { return !Folder().empty(); }

void WriteInteropFile(const std::string& name, const std::vector<uint8_t>& bytes) {
    if (!HasInteropFolder()) return;
    std::ofstream out(Folder() + "\\" + name, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace vemo::test
