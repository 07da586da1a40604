// random and hash: C_VEMO_GenerateRandom and C_VEMO_Hash.
#include <cstdio>
#include <cstdlib>

#include "commands.h"

namespace vemo::tool {
namespace {

int Random(const LibraryBinding& library, const Arguments& args) {
    if (args.size() != 1) return Usage(kRandomCommand);
    const unsigned long count = std::strtoul(args[0].c_str(), nullptr, 10);
    if (count > 1u << 20) {
        std::fprintf(stderr, "vemo: at most 1048576 bytes at a time\n");
        return 2;
    }
    std::vector<uint8_t> buffer(count ? count : 1);
    const int32_t result = library.generateRandom(buffer.data(), static_cast<uint32_t>(count));
    if (result == 0) std::printf("random: %s\n", Hex(buffer.data(), count).c_str());
    return Report(result);
}

int Hash(const LibraryBinding& library, const Arguments& args) {
    std::string data;
    if (args.size() == 2 && args[0] == "--file") {
        if (!ReadFile(args[1], data)) return 2;
    } else if (args.size() == 1) {
        data = args[0];
    } else {
        return Usage(kHashCommand);
    }
    uint8_t digest[CVEMO_SHA1_DIGEST_SIZE] = {};
    uint32_t length = 0;
    const int32_t result = library.hash(0, reinterpret_cast<const uint8_t*>(data.data()),
                                        static_cast<uint32_t>(data.size()), digest, &length);
    if (result == 0) std::printf("sha1: %s\n", Hex(digest, length).c_str());
    return Report(result);
}

}  // namespace

const Command kRandomCommand = {"random", "<count>", "random bytes (C_VEMO_GenerateRandom), printed as hex",
                                nullptr, Random};
const Command kHashCommand = {"hash", "<text> | --file <path>", "SHA-1 digest of a text or a file (C_VEMO_Hash)",
                              nullptr, Hash};

}  // namespace vemo::tool
