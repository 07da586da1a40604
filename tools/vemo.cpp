// vemo: a command-line client of CVemoDll_C.dll that calls its exports and prints what comes
// back. Usage: vemo [--dll <path>] <command> [arguments]; "vemo help" lists the commands.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "CVemoDll_C.h"
#include "frame/result_codes.h"
#include "library_binding.h"

namespace {

using vemo::tool::LibraryBinding;

void PrintUsage() {
    std::puts(
        "usage: vemo [--dll <path to CVemoDll_C.dll>] <command> [arguments]\n"
        "\n"
        "commands:\n"
        "  random <count>          random bytes (C_VEMO_GenerateRandom), printed as hex\n"
        "  hash <text>             SHA-1 digest of the text (C_VEMO_Hash)\n"
        "  hash --file <path>      SHA-1 digest of a file's bytes\n"
        "  codes                   the library's result codes\n"
        "\n"
        "The result of each call is printed as \"result: <code> (<name>)\"; the exit status is 0\n"
        "when the call returned 0.");
}

std::string Hex(const uint8_t* bytes, size_t count) {
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (size_t i = 0; i < count; ++i) {
        text += digits[bytes[i] >> 4];
        text += digits[bytes[i] & 15];
    }
    return text;
}

int Report(int32_t result) {
    const char* name = vemo::resultCodeName(result);
    if (name != nullptr) {
        std::printf("result: %ld (%s)\n", static_cast<long>(result), name);
    } else {
        std::printf("result: %ld (0x%08lx)\n", static_cast<long>(result), static_cast<unsigned long>(result));
    }
    return result == 0 ? 0 : 1;
}

int Random(const LibraryBinding& library, const std::vector<std::string>& args) {
    if (args.size() != 1) return PrintUsage(), 2;
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

int Hash(const LibraryBinding& library, const std::vector<std::string>& args) {
    std::string data;
    if (args.size() == 2 && args[0] == "--file") {
        std::ifstream in(args[1], std::ios::binary);
        if (!in) {
            std::fprintf(stderr, "vemo: cannot read %s\n", args[1].c_str());
            return 2;
        }
        data.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    } else if (args.size() == 1) {
        data = args[0];
    } else {
        return PrintUsage(), 2;
    }
    uint8_t digest[CVEMO_SHA1_DIGEST_SIZE] = {};
    uint32_t length = 0;
    const int32_t result = library.hash(reinterpret_cast<const uint8_t*>(data.data()),
                                        static_cast<uint32_t>(data.size()), digest, &length);
    if (result == 0) std::printf("sha1: %s\n", Hex(digest, length).c_str());
    return Report(result);
}

int Codes() {
#define VEMO_PRINT_CODE(name, value, meaning) std::printf("%6d  %-24s %s\n", value, #name, meaning);
    CVEMO_RESULT_CODES(VEMO_PRINT_CODE)
#undef VEMO_PRINT_CODE
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::string dll = "CVemoDll_C.dll";
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() >= 2 && args[0] == "--dll") {
        dll = args[1];
        args.erase(args.begin(), args.begin() + 2);
    }
    if (args.empty() || args[0] == "help" || args[0] == "--help") return PrintUsage(), args.empty() ? 2 : 0;
    const std::string command = args[0];
    args.erase(args.begin());
    if (command == "codes") return Codes();

    LibraryBinding library(dll);
    if (!library.loaded()) {
        std::fprintf(stderr, "vemo: %s\n", library.error().c_str());
        return 2;
    }
    if (command == "random") return Random(library, args);
    if (command == "hash") return Hash(library, args);
    std::fprintf(stderr, "vemo: unknown command \"%s\"\n", command.c_str());
    PrintUsage();
    return 2;
}
