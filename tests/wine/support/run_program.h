// Runs a program to its end and keeps what it printed.
#pragma once

#include <string>

namespace vemo::test {

struct ProgramRun {
    int exitCode = -1;   // -1: it did not start
    std::string output;  // standard output and standard error, interleaved; line ends as "\n"
};

// `arguments` is the command line after the program's name, quoted as the program expects.
ProgramRun RunProgram(const std::wstring& program, const std::wstring& arguments);

}  // namespace vemo::test
