// vemo: a command-line client of CVemoDll_C.dll that calls its exports and prints what comes
// back. Usage: vemo [--dll <path>] <command> [arguments]; "vemo help" lists the commands.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "CVemoDll_C.h"
#include "commands.h"

namespace {

using namespace vemo::tool;

// Every subcommand, in the order "vemo help" lists them.
const Command* const kCommands[] = {
    &kGetCertCommand,
    &kCertInfoCommand,
    &kPackCommand,
    &kRandomCommand,
    &kHashCommand,
    &kVerifyCertCommand,
    &kVerifyCrlCommand,
    &kSignCommand,
    &kVerifyCommand,
    &kSignP7Command,
    &kVerifyP7Command,
};

int Codes() {
#define VEMO_PRINT_CODE(name, value, meaning) std::printf("%6d  %-24s %s\n", value, #name, meaning);
    CVEMO_OUTCOME_CODES(VEMO_PRINT_CODE)
    CVEMO_RESULT_CODES(VEMO_PRINT_CODE)
#undef VEMO_PRINT_CODE
    return 0;
}

const Command* Find(const std::string& name) {
    for (const Command* command : kCommands)
        if (name == command->name) return command;
    return nullptr;
}

void PrintUsage(std::FILE* out) {
    std::fputs("usage: vemo [--dll <path to CVemoDll_C.dll>] <command> [arguments]\n\ncommands:\n", out);
    for (const Command* command : kCommands)
        std::fprintf(out, "  %-10s %s\n", command->name, command->summary);
    std::fputs("  codes      the library's result codes\n"
               "  help [<command>]  this list, or what one command takes\n"
               "\n"
               "The result of each call is printed as \"result: <code> (<name>: <meaning>)\"; the exit\n"
               "status is 0 when the call returned 0, 1 when it returned anything else, 2 on bad usage.\n",
               out);
}

int Help(const std::vector<std::string>& args) {
    if (args.empty()) return PrintUsage(stdout), 0;
    const Command* command = Find(args[0]);
    if (command == nullptr) {
        std::fprintf(stderr, "vemo: unknown command \"%s\"\n", args[0].c_str());
        return 2;
    }
    std::printf("usage: vemo [--dll <path>] %s %s\n\n%s\n", command->name, command->synopsis, command->summary);
    if (command->help != nullptr) std::printf("\n%s\n", command->help);
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
    if (args.empty()) return PrintUsage(stderr), 2;
    const std::string name = args[0];
    args.erase(args.begin());
    if (name == "help" || name == "--help") return Help(args);
    if (name == "codes") return Codes();
    const Command* command = Find(name);
    if (command == nullptr) {
        std::fprintf(stderr, "vemo: unknown command \"%s\"\n", name.c_str());
        PrintUsage(stderr);
        return 2;
    }

    LibraryBinding library(dll);
    if (!library.loaded()) {
        std::fprintf(stderr, "vemo: %s\n", library.error().c_str());
        return 2;
    }
    try {
        return command->run(library, args);
    } catch (const MissingExport& missing) {
        std::fprintf(stderr, "vemo: %s (this is the %s edition)\n", missing.what(), library.editionFamily());
        return 2;
    }
}
