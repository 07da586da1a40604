// The edition a library test run is checking: chosen with --edition=token|trace|picker, loaded
// from the build's editions/<edition>/CVemoDll_C.dll, every export resolved by the name that
// edition gives it (tools/library_binding.h). Calling an export the edition lacks throws
// tool::MissingExport, which fails the test that did it.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "support/scoped_environment.h"
#include "tools/library_binding.h"

namespace vemo::test {

enum class EditionKind { Token, Trace, Picker };

class EditionUnderTest : public tool::LibraryBinding {
public:
    EditionUnderTest(EditionKind kind, std::string name, std::wstring dllPath);

    EditionKind kind() const { return kind_; }
    const std::string& name() const { return name_; }
    const std::wstring& dllPath() const { return dllPath_; }

    bool usesToken() const { return kind_ != EditionKind::Picker; }
    bool writesUserLog() const { return kind_ == EditionKind::Token; }
    bool writesTrace() const { return kind_ == EditionKind::Trace; }

private:
    EditionKind kind_;
    std::string name_;
    std::wstring dllPath_;
};

// Parses --edition=... out of argv (removing it) and loads that edition; exits on failure.
void LoadEditionUnderTest(int& argc, char** argv);
const EditionUnderTest& Edition();

// The folder holding this test program.
std::wstring ProgramDirectory();

// This test program started `count` times on the edition under test with `loop`
// ("--hash-loop=100", "--verify-loop=100"): a child exits with 0 when every call of its loop
// succeeded. The caller does its own part while they run and then waits for each.
std::vector<std::unique_ptr<ChildProcess>> StartLoopingChildren(int count, const std::wstring& loop);

}  // namespace vemo::test
