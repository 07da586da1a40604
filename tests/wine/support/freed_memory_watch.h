// Watches the memory this program releases through C++ delete for known secrets: while a watch
// lives, each block is searched just before it goes back to the heap. This program's code and
// the C++ library it links (strings, vectors, stream buffers) allocate this way, so a clear
// copy that some code forgot to wipe shows up here; memory that the platform's own functions
// manage is not seen. New blocks start zeroed, so what a released block holds was written into
// it during its life.
//
// Linking support/freed_memory_watch.cpp replaces the program's global operator new and delete.
#pragma once

#include <string>
#include <vector>

namespace vemo::test {

struct Secret {
    std::string name;   // for the report: "PFX password (UTF-16)"
    std::string bytes;  // searched for, byte for byte
};

class FreedMemoryWatch {
public:
    explicit FreedMemoryWatch(std::vector<Secret> secrets);  // watches from here...
    ~FreedMemoryWatch();                                     // ...to here
    FreedMemoryWatch(const FreedMemoryWatch&) = delete;
    FreedMemoryWatch& operator=(const FreedMemoryWatch&) = delete;

    // The names of the secrets found in released blocks so far, each once.
    std::vector<std::string> found() const;
    // Blocks searched so far.
    unsigned long blocksSearched() const { return blocks_; }

    void inspect(const void* block, size_t size);  // called by operator delete

private:
    static constexpr size_t kMaxSecrets = 32;
    std::vector<Secret> secrets_;
    bool hit_[kMaxSecrets] = {};
    unsigned long blocks_ = 0;
};

}  // namespace vemo::test
