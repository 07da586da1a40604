// random and hash: C_VEMO_GenerateRandom, C_VEMO_Hash and C_VEMO_HashEx.
#include <cstdio>
#include <cstdlib>

#include "commands.h"

namespace vemo::tool {
namespace {

constexpr unsigned long kRandomMax = 1u << 20;

int Random(const LibraryBinding& library, const Arguments& given) {
    ParsedArguments args;
    if (!ParseArguments(given, {"--out"}, {}, args) || args.positional.size() != 1) return Usage(kRandomCommand);
    char* end = nullptr;
    const unsigned long count = std::strtoul(args.positional[0].c_str(), &end, 10);
    if (args.positional[0].empty() || *end != '\0' || args.positional[0][0] == '-' || count > kRandomMax) {
        std::fprintf(stderr, "vemo: the count is a number of bytes from 0 to %lu\n", kRandomMax);
        return 2;
    }
    std::vector<uint8_t> buffer(count ? count : 1);
    Call call{Export::GenerateRandom, {{"length", static_cast<long long>(count)}}};
    call.result = library.generateRandom(buffer.data(), static_cast<uint32_t>(count));
    bool written = true;
    if (call.result == 0) {
        call.outputs.push_back({"bytes", Hex(buffer.data(), count)});
        written = WriteOut(args, buffer.data(), count, call);
    }
    return Finished(Print(library, call), written);
}

int Hash(const LibraryBinding& library, const Arguments& given) {
    ParsedArguments args;
    std::string data;
    Field source;
    uint32_t algorithm = 0;
    if (!ParseArguments(given, {"--file", "--out", "--alg"}, {}, args) || !DataOf(args, data, source) ||
        !args.positional.empty()) {
        return Usage(kHashCommand);
    }
    // Without --alg, C_VEMO_Hash (SHA-1); with it, C_VEMO_HashEx.
    const bool ex = args.options.count("--alg") != 0;
    if (ex && !AlgorithmOf(args, "", algorithm)) return 2;
    uint8_t digest[CVEMO_DIGEST_SIZE_MAX] = {};
    uint32_t length = ex ? sizeof digest : 0;
    const auto* bytes = reinterpret_cast<const uint8_t*>(data.data());
    const auto size = static_cast<uint32_t>(data.size());
    Call call{ex ? Export::HashEx : Export::Hash, {source, {"data_length", static_cast<long long>(data.size())}}};
    if (ex) call.arguments.insert(call.arguments.begin(), AlgorithmField(algorithm));
    call.result = ex ? library.hashEx(algorithm, bytes, size, digest, &length)
                     : library.hash(0, bytes, size, digest, &length);
    bool written = true;
    if (call.result == 0) {
        call.outputs.push_back({"digest", Hex(digest, length)});
        call.outputs.push_back({"digest_length", static_cast<long long>(length)});
        written = WriteOut(args, digest, length, call);
    }
    return Finished(Print(library, call), written);
}

}  // namespace

const Command kRandomCommand = {
    "random", "<count> [--out <file>]", "random bytes (C_VEMO_GenerateRandom), printed as hex",
    "Up to 1048576 bytes; --out also writes them to a file. The bytes come from the default provider;\n"
    "the token and trace editions fall back on the token's generator when it is unavailable.",
    Random};
const Command kHashCommand = {
    "hash", "(<text> | --file <path>) [--alg sha1|sha256|sha384|sha512] [--out <file>]",
    "digest of a text or a file (C_VEMO_Hash, C_VEMO_HashEx)",
    "Without --alg, C_VEMO_Hash: SHA-1, made in the key container \"temporary\" of the default\n"
    "provider. With --alg, C_VEMO_HashEx with that digest (a number passes any value on), made\n"
    "in a verification context of the AES-capable provider. --out writes the digest to a file.\n"
    "A failure of the provider is a Windows error code.",
    Hash};

}  // namespace vemo::tool
