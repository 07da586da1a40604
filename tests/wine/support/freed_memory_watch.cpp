#include "support/freed_memory_watch.h"

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>

namespace vemo::test {
namespace {

std::atomic<FreedMemoryWatch*> g_watch{nullptr};

// Each block carries its requested size in front of it, so that exactly what its owner could
// have written is searched.
constexpr size_t kHeader = 16;

void* Allocate(size_t size) {
    auto* base = static_cast<unsigned char*>(std::malloc(size + kHeader));
    if (base == nullptr) throw std::bad_alloc();
    std::memcpy(base, &size, sizeof size);
    std::memset(base + kHeader, 0, size);
    return base + kHeader;
}

void Release(void* block) noexcept {
    if (block == nullptr) return;
    auto* base = static_cast<unsigned char*>(block) - kHeader;
    size_t size = 0;
    std::memcpy(&size, base, sizeof size);
    if (FreedMemoryWatch* watch = g_watch.load()) watch->inspect(block, size);
    std::free(base);
}

bool Contains(const unsigned char* block, size_t size, const std::string& secret) {
    if (secret.empty() || size < secret.size()) return false;
    const auto first = static_cast<unsigned char>(secret[0]);
    for (size_t at = 0; at + secret.size() <= size; ++at) {
        if (block[at] == first && std::memcmp(block + at, secret.data(), secret.size()) == 0) return true;
    }
    return false;
}

}  // namespace

FreedMemoryWatch::FreedMemoryWatch(std::vector<Secret> secrets) : secrets_(std::move(secrets)) {
    if (secrets_.size() > kMaxSecrets) secrets_.resize(kMaxSecrets);
    g_watch.store(this);
}

FreedMemoryWatch::~FreedMemoryWatch() { g_watch.store(nullptr); }

void FreedMemoryWatch::inspect(const void* block, size_t size) {
    ++blocks_;
    for (size_t i = 0; i < secrets_.size(); ++i) {
        if (!hit_[i] && Contains(static_cast<const unsigned char*>(block), size, secrets_[i].bytes)) hit_[i] = true;
    }
}

std::vector<std::string> FreedMemoryWatch::found() const {
    FreedMemoryWatch* const watching = g_watch.exchange(nullptr);  // the answer allocates
    std::vector<std::string> names;
    for (size_t i = 0; i < secrets_.size(); ++i) {
        if (hit_[i]) names.push_back(secrets_[i].name);
    }
    g_watch.store(watching);
    return names;
}

}  // namespace vemo::test

// The program's global allocation functions (the aligned forms are left to the C++ library).
void* operator new(size_t size) { return vemo::test::Allocate(size); }
void* operator new[](size_t size) { return vemo::test::Allocate(size); }
void* operator new(size_t size, const std::nothrow_t&) noexcept {
    try {
        return vemo::test::Allocate(size);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](size_t size, const std::nothrow_t& tag) noexcept { return operator new(size, tag); }
void operator delete(void* block) noexcept { vemo::test::Release(block); }
void operator delete[](void* block) noexcept { vemo::test::Release(block); }
void operator delete(void* block, size_t) noexcept { vemo::test::Release(block); }
void operator delete[](void* block, size_t) noexcept { vemo::test::Release(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { vemo::test::Release(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { vemo::test::Release(block); }
