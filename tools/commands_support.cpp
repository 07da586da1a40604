// What the subcommands share: result reports, usage, options and data, hex text and files.
#include <cstdio>
#include <fstream>
#include <iterator>

#include "commands.h"
#include "frame/result_codes.h"

namespace vemo::tool {

int Report(int32_t result) {
    const char* name = vemo::resultCodeName(result);
    if (result == 0) {
        std::printf("result: 0 (success)\n");
    } else if (name != nullptr) {
        std::printf("result: %ld (%s: %s)\n", static_cast<long>(result), name, vemo::resultCodeMeaning(result));
    } else {
        std::printf("result: %ld (0x%08lx)\n", static_cast<long>(result), static_cast<unsigned long>(result));
    }
    return result == 0 ? 0 : 1;
}

int Usage(const Command& command) {
    std::fprintf(stderr, "usage: vemo [--dll <path>] %s %s\n", command.name, command.synopsis);
    return 2;
}

void AnnounceDialog(const char* dialog) {
    std::printf("The %s dialog (\"Dialog\") is waiting for you on the desktop: pick a certificate\n"
                "and press its left button, or Cancel.\n",
                dialog);
    std::fflush(stdout);
}

bool TakeOption(Arguments& args, const char* name, std::string& value) {
    for (size_t i = 0; i + 1 < args.size(); ++i) {
        if (args[i] != name) continue;
        value = args[i + 1];
        args.erase(args.begin() + static_cast<std::ptrdiff_t>(i), args.begin() + static_cast<std::ptrdiff_t>(i) + 2);
        return true;
    }
    return false;
}

bool DataOf(Arguments& args, std::string& data) {
    std::string path;
    if (TakeOption(args, "--file", path)) return ReadFile(path, data);
    if (args.empty()) return false;
    data = args.front();
    args.erase(args.begin());
    return true;
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

bool ReadFile(const std::string& path, std::string& content) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "vemo: cannot read %s\n", path.c_str());
        return false;
    }
    content.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

bool WriteFile(const std::string& path, const void* bytes, size_t count) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (out) out.write(static_cast<const char*>(bytes), static_cast<std::streamsize>(count));
    if (!out) {
        std::fprintf(stderr, "vemo: cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}

}  // namespace vemo::tool
