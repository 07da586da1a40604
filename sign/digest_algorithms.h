// The digest algorithms that the exports from ordinal 20 on take: the platform's identifiers
// (the header's CVEMO_SHA1 ... CVEMO_SHA512), each with its digest's length and the name vemo
// and openssl give it. Portable: the library, vemo and the tests share the one table.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "CVemoDll_C.h"

namespace vemo::sign {

struct DigestAlgorithm {
    uint32_t id;
    size_t size;  // bytes
    const char* name;
};

inline constexpr DigestAlgorithm kDigestAlgorithms[] = {
    {CVEMO_SHA1, 20, "sha1"},
    {CVEMO_SHA256, 32, "sha256"},
    {CVEMO_SHA384, 48, "sha384"},
    {CVEMO_SHA512, 64, "sha512"},
};

// The algorithm of `id`, or null for any other value.
inline const DigestAlgorithm* FindDigestAlgorithm(uint32_t id) {
    for (const DigestAlgorithm& algorithm : kDigestAlgorithms) {
        if (algorithm.id == id) return &algorithm;
    }
    return nullptr;
}

// The algorithm named `name` ("sha256"), or null.
inline const DigestAlgorithm* FindDigestAlgorithm(std::string_view name) {
    for (const DigestAlgorithm& algorithm : kDigestAlgorithms) {
        if (name == algorithm.name) return &algorithm;
    }
    return nullptr;
}

static_assert(CVEMO_DIGEST_SIZE_MAX == 64);

}  // namespace vemo::sign
