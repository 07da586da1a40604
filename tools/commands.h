// The subcommands of vemo: each family of exports has a file of its own that defines its
// commands; vemo.cpp lists them in one table.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "library_binding.h"

namespace vemo::tool {

using Arguments = std::vector<std::string>;

struct Command {
    const char* name;
    const char* synopsis;  // "<count>": the arguments, for the usage line
    const char* summary;   // one line for the command list
    const char* help;      // what "vemo help <command>" adds, or nullptr
    // Runs the command; the exit status (0 only when the export returned 0, 2 for bad usage).
    int (*run)(const LibraryBinding& library, const Arguments& args);
};

// Prints "result: <code> (<name>: <meaning>)" and gives the exit status for it.
int Report(int32_t result);
// Prints the usage of `command` to standard error and gives the exit status of bad usage.
int Usage(const Command& command);
// Says, before the call blocks, that the picker edition's dialog `dialog` now waits for the
// user on the desktop.
void AnnounceDialog(const char* dialog);
// Takes the option `name` and its value ("--mode 1") out of `args`; what is left are the
// positional arguments.
bool TakeOption(Arguments& args, const char* name, std::string& value);
// Takes the data out of `args`: the first positional argument, or with --file a file's content.
bool DataOf(Arguments& args, std::string& data);
// Lower-case hexadecimal text of the bytes.
std::string Hex(const uint8_t* bytes, size_t count);
// The whole content of a file; false (and a message on standard error) when it cannot be read.
bool ReadFile(const std::string& path, std::string& content);
// Writes the bytes to a file; false (and a message) when it cannot be written.
bool WriteFile(const std::string& path, const void* bytes, size_t count);

// The command table of each family.
extern const Command kGetCertCommand;
extern const Command kCertInfoCommand;
extern const Command kPackCommand;
extern const Command kRandomCommand;
extern const Command kHashCommand;
extern const Command kVerifyCertCommand;
extern const Command kVerifyCrlCommand;
extern const Command kSignCommand;
extern const Command kVerifyCommand;
extern const Command kSignP7Command;
extern const Command kVerifyP7Command;

}  // namespace vemo::tool
