// vemo: a command-line client of CVemoDll_C.dll that calls its exports and shows what comes
// back. Usage: vemo [--dll <path> | --edition <edition>] [--json] <command> [arguments];
// "vemo help" lists the commands.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "CVemoDll_C.h"
#include "commands.h"
#include "edition_dll.h"
#include "result_text.h"

namespace {

using namespace vemo::tool;

// Every subcommand, in the order "vemo help" lists them: the order in which a client uses the
// exports.
const Command* const kCommands[] = {
    &kGetCertCommand,
    &kCertInfoCommand,
    &kPackCommand,
    &kVerifyCertCommand,
    &kVerifyCrlCommand,
    &kVerifyPathCommand,
    &kSignCommand,
    &kVerifyCommand,
    &kSignDataCommand,
    &kVerifyDataCommand,
    &kSignP7Command,
    &kVerifyP7Command,
    &kRandomCommand,
    &kHashCommand,
    &kSignMsgCommand,
    &kVerifyMsgCommand,
};

const char kCodesHelp[] =
    "usage: vemo [--json] codes [<value>]\n"
    "\n"
    "The library's result codes: value, name and meaning. With a value (decimal, or hex as\n"
    "0x80090016), what it means from each export that gives it a meaning of its own and from the\n"
    "others, or, for a value the library gives no meaning, as a Windows error that an export\n"
    "passes on (with the system's message where it has one).";

const char kCommonHelp[] =
    "The library: --dll <path>, or --edition token|trace|picker (that edition's CVemoDll_C.dll\n"
    "beside vemo.exe in a folder of that name, or in the build's editions/<edition>/), else\n"
    "CVemoDll_C.dll on the search path. Each call is shown as \"<export>: <code> (<name>: <meaning>)\"\n"
    "with what went in and what came out, records as tables; --json gives one JSON object per\n"
    "call on standard output (strings escaped, bytes as hex), announcements of a call that waits\n"
    "then go to standard error. Exit status: 0 when every export called returned 0, 1 when one\n"
    "did not, 2 for bad usage, a file that cannot be read or written, a library that cannot be\n"
    "loaded, or an export the loaded edition does not have.";

const Command* Find(const std::string& name) {
    for (const Command* command : kCommands)
        if (name == command->name) return command;
    return nullptr;
}

void PrintUsage(std::FILE* out) {
    std::fputs("usage: vemo [--dll <path> | --edition token|trace|picker] [--json] <command> [arguments]\n\n"
               "commands:\n",
               out);
    for (const Command* command : kCommands) std::fprintf(out, "  %-11s %s\n", command->name, command->summary);
    std::fprintf(out,
                 "  codes       the library's result codes, or what one value means\n"
                 "  help [<command>]  this list, or what one command takes\n\n%s\n",
                 kCommonHelp);
}

int UnknownCommand(const std::string& name) {
    std::fprintf(stderr, "vemo: unknown command \"%s\"\n", name.c_str());
    PrintUsage(stderr);
    return 2;
}

int Help(const std::vector<std::string>& args) {
    if (args.empty()) return PrintUsage(stdout), 0;
    if (args.size() > 1) return std::fputs("usage: vemo help [<command>]\n", stderr), 2;
    if (args[0] == "codes") return std::printf("%s\n", kCodesHelp), 0;
    const Command* command = Find(args[0]);
    if (command == nullptr) return UnknownCommand(args[0]);
    std::printf("%s\n\n%s\n\n%s\n\n%s\n", UsageLine(*command).c_str(), command->summary, command->help, kCommonHelp);
    return 0;
}

int Codes(const std::vector<std::string>& args) {
    if (args.empty()) {
        Table table{"codes", {"value", "name", "meaning"}, {}};
#define VEMO_CODE_ROW(name, value, meaning) table.rows.push_back({static_cast<long long>(value), #name, meaning});
        CVEMO_OUTCOME_CODES(VEMO_CODE_ROW)
        CVEMO_RESULT_CODES(VEMO_CODE_ROW)
#undef VEMO_CODE_ROW
        PrintTable(table);
        return 0;
    }
    char* end = nullptr;
    const long long value = args.size() == 1 ? std::strtoll(args[0].c_str(), &end, 0) : 0;
    if (args.size() != 1 || args[0].empty() || *end != '\0' || value < INT32_MIN || value > UINT32_MAX) {
        std::fprintf(stderr, "%s\n", kCodesHelp);
        return 2;
    }
    const auto code = static_cast<int32_t>(static_cast<uint32_t>(value));
    Table table{"meanings", {"value", "where", "name", "meaning"}, {}};
    for (const CodeMeaning& meaning : MeaningsOf(code)) {
        table.rows.push_back({static_cast<long long>(code), meaning.where, meaning.text.name, meaning.text.meaning});
    }
    PrintTable(table);
    return 0;
}

// Takes `word` out of `args` wherever it stands; whether it was there.
bool TakeWord(std::vector<std::string>& args, const char* word) {
    const auto found = std::find(args.begin(), args.end(), word);
    if (found == args.end()) return false;
    args.erase(found);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    std::string dll = "CVemoDll_C.dll", edition;
    bool dllGiven = false;
    while (!args.empty() && args[0].compare(0, 2, "--") == 0) {
        const std::string option = args[0];
        args.erase(args.begin());
        if (option == "--json") {
            SetFormat(Format::Json);
        } else if (option == "--help") {
            args.insert(args.begin(), "help");
        } else if ((option == "--dll" || option == "--edition") && !args.empty()) {
            (option == "--dll" ? dll : edition) = args[0];
            dllGiven |= option == "--dll";
            args.erase(args.begin());
        } else {
            std::fprintf(stderr, "vemo: no such option \"%s\", or no value for it\n", option.c_str());
            return PrintUsage(stderr), 2;
        }
    }
    if (args.empty()) return PrintUsage(stderr), 2;
    const std::string name = args[0];
    args.erase(args.begin());
    if (TakeWord(args, "--json")) SetFormat(Format::Json);
    if (name == "help") return Help(args);
    if (TakeWord(args, "--help")) return Help({name});
    if (name == "codes") return Codes(args);
    const Command* command = Find(name);
    if (command == nullptr) return UnknownCommand(name);

    if (!edition.empty()) {
        std::vector<std::string> lookedIn;
        if (dllGiven || (edition != "token" && edition != "trace" && edition != "picker")) {
            std::fputs("vemo: give --dll <path> or --edition token|trace|picker\n", stderr);
            return 2;
        }
        if (!FindEditionDll(edition, dll, lookedIn)) {
            std::fprintf(stderr, "vemo: no CVemoDll_C.dll of the %s edition; looked in\n", edition.c_str());
            for (const std::string& path : lookedIn) std::fprintf(stderr, "  %s\n", path.c_str());
            return 2;
        }
    }
    LibraryBinding library(dll);
    if (!library.loaded()) {
        const std::string message = WindowsMessage(library.loadError());
        std::fprintf(stderr, "vemo: %s%s%s\n", library.error().c_str(), message.empty() ? "" : ": ", message.c_str());
        return 2;
    }
    try {
        return command->run(library, args);
    } catch (const MissingExport& missing) {
        std::fprintf(stderr, "vemo: %s (this is the %s edition)\n", missing.what(), EditionName(library.edition()));
        return 2;
    }
}
