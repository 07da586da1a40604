// An open C runtime file (fopen), closed by its owner on every return path. Portable: the
// file readers that need no Windows API use it too.
#pragma once

#include <cstdio>
#include <memory>

namespace vemo {

struct CFileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using CFile = std::unique_ptr<std::FILE, CFileCloser>;

}  // namespace vemo
