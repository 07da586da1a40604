// The subcommands of vemo: each family of exports has a file of its own that defines its
// commands; vemo.cpp lists them in one table. Every command reports its calls through the
// output layer (output.h).
//
// Conventions shared by the commands: files the command reads are named as arguments; the data
// to hash, sign or verify is a text on the command line or, with --file, a file's content;
// --out writes what the export wrote (a certificate, bytes, a record, a message) to a file.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <map>
#include <string>
#include <vector>

#include "library_binding.h"
#include "output.h"

namespace vemo::tool {

using Arguments = std::vector<std::string>;

struct Command {
    const char* name;
    const char* synopsis;  // the arguments, for the usage line
    const char* summary;   // one line for the command list
    const char* help;      // what "vemo help <command>" adds
    // Runs the command; the exit status (0 only when every export called returned 0, 1 when
    // one did not, 2 for bad usage or a file that cannot be read or written).
    int (*run)(const LibraryBinding& library, const Arguments& args);
};

// A command's arguments: options with a value ("--out <file>"), flags ("--md5") and what is
// left, the positional arguments.
struct ParsedArguments {
    std::map<std::string, std::string> options;  // "--out" -> "record.sig"
    std::map<std::string, std::vector<std::string>> repeated;  // every value of each option, in order
    std::vector<std::string> flags;
    Arguments positional;

    bool has(const char* flag) const;
    // The option's value, or `otherwise`.
    std::string option(const char* name, const std::string& otherwise = "") const;
    // Every value given for an option that may be repeated ("--crl a --crl b").
    std::vector<std::string> values(const char* name) const;
};
// False, after a message on standard error, for an option the command does not take or one
// without its value.
bool ParseArguments(const Arguments& args, std::initializer_list<const char*> options,
                    std::initializer_list<const char*> flags, ParsedArguments& parsed);

// Prints the usage of `command` to standard error and gives the exit status of bad usage (2).
int Usage(const Command& command);
// The usage line of a command.
std::string UsageLine(const Command& command);
// Says, before the call blocks, that the picker edition's dialog `dialog` now waits for the
// user on the desktop.
void AnnounceDialog(const char* dialog);

// The data of a command: its first positional argument (taken out), or with --file a file's
// content. `source` names it for the call's arguments ("data": the text, or "file": the path).
// False when there is none or the file cannot be read.
bool DataOf(ParsedArguments& args, std::string& data, Field& source);
// The whole content of a file; false (and a message on standard error) when it cannot be read.
bool ReadFile(const std::string& path, std::string& content);
// Writes the bytes to the --out file when one is given and adds "written_to" to the call's
// outputs; false (and a message) when it cannot be written.
bool WriteOut(const ParsedArguments& args, const void* bytes, size_t count, Call& call);
// The exit status after a call that was printed and whose --out file could or could not be
// written.
inline int Finished(int printed, bool written) { return written ? printed : 2; }

// The digest algorithm of --alg: a name ("sha256") or a number (0x800C); `otherwise` without
// the option. False, after a message on standard error, for a name that is neither.
bool AlgorithmOf(const ParsedArguments& args, const char* otherwise, uint32_t& algorithm);
// The algorithm as the call's argument: its name, or its number when it has none.
Field AlgorithmField(uint32_t algorithm);

// The command table of each family.
extern const Command kGetCertCommand;
extern const Command kCertInfoCommand;
extern const Command kPackCommand;
extern const Command kRandomCommand;
extern const Command kHashCommand;
extern const Command kVerifyCertCommand;
extern const Command kVerifyCrlCommand;
extern const Command kVerifyPathCommand;
extern const Command kSignCommand;
extern const Command kVerifyCommand;
extern const Command kSignP7Command;
extern const Command kVerifyP7Command;
extern const Command kSignDataCommand;
extern const Command kVerifyDataCommand;
extern const Command kSignMsgCommand;
extern const Command kVerifyMsgCommand;

}  // namespace vemo::tool
