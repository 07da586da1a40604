// The edition a library test run is checking: chosen with --edition=token|trace|picker, loaded
// from the build's editions/<edition>/CVemoDll_C.dll, its exports resolved by the names that
// edition gives them.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace vemo::test {

enum class EditionKind { Token, Trace, Picker };

using GenerateRandomFn = int32_t (*)(uint8_t*, uint32_t);
using HashFn = int32_t (*)(int32_t, const uint8_t*, uint32_t, uint8_t*, uint32_t*);

struct EditionUnderTest {
    EditionKind kind = EditionKind::Token;
    std::string name;
    std::wstring dllPath;
    HMODULE module = nullptr;

    GenerateRandomFn generateRandom = nullptr;
    HashFn hash = nullptr;

    bool usesToken() const { return kind != EditionKind::Picker; }
    bool writesUserLog() const { return kind == EditionKind::Token; }
    bool writesTrace() const { return kind == EditionKind::Trace; }
};

// Parses --edition=... out of argv (removing it) and loads that edition; exits on failure.
void LoadEditionUnderTest(int& argc, char** argv);
const EditionUnderTest& Edition();

// The folder holding this test program.
std::wstring ProgramDirectory();

}  // namespace vemo::test
