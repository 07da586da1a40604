// Where --edition finds an edition's CVemoDll_C.dll.
#pragma once

#include <string>
#include <vector>

namespace vemo::tool {

// The edition's CVemoDll_C.dll beside vemo.exe in a folder named for the edition (vemo.exe
// unpacked beside the editions), else in the build's editions/<edition>/ (vemo.exe in
// <build>/tools). False when neither exists; `lookedIn` then lists the paths tried.
bool FindEditionDll(const std::string& edition, std::string& path, std::vector<std::string>& lookedIn);

}  // namespace vemo::tool
