#include "support/edition_under_test.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace vemo::test {
namespace {

std::unique_ptr<EditionUnderTest> g_edition;

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "library tests: %s\n", what);
    std::exit(2);
}

}  // namespace

EditionUnderTest::EditionUnderTest(EditionKind kind, std::string name, std::wstring dllPath)
    : tool::LibraryBinding(dllPath), kind_(kind), name_(std::move(name)), dllPath_(std::move(dllPath)) {}

std::wstring ProgramDirectory() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring directory(path);
    return directory.substr(0, directory.find_last_of(L"\\/"));
}

void LoadEditionUnderTest(int& argc, char** argv) {
    const char* prefix = "--edition=";
    std::string name;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], prefix, std::strlen(prefix)) != 0) continue;
        name = argv[i] + std::strlen(prefix);
        for (int j = i; j + 1 < argc; ++j) argv[j] = argv[j + 1];
        --argc;
        break;
    }
    EditionKind kind;
    if (name == "token") kind = EditionKind::Token;
    else if (name == "trace") kind = EditionKind::Trace;
    else if (name == "picker") kind = EditionKind::Picker;
    else Fail("give --edition=token, --edition=trace or --edition=picker");

    // <build>/tests/wine/library_tests.exe -> <build>/editions/<edition>/CVemoDll_C.dll
    const std::wstring edition(name.begin(), name.end());
    g_edition = std::make_unique<EditionUnderTest>(
        kind, name, ProgramDirectory() + L"\\..\\..\\editions\\" + edition + L"\\CVemoDll_C.dll");
    if (!g_edition->loaded()) Fail("cannot load the edition's CVemoDll_C.dll");
    if (g_edition->stdcallEdition() != (kind != EditionKind::Picker)) Fail("the module is not of this edition");
}

const EditionUnderTest& Edition() { return *g_edition; }

std::vector<std::unique_ptr<ChildProcess>> StartLoopingChildren(int count, const std::wstring& loop) {
    const std::wstring arguments =
        L"--edition=" + std::wstring(Edition().name().begin(), Edition().name().end()) + L" " + loop;
    std::vector<std::unique_ptr<ChildProcess>> children;
    for (int i = 0; i < count; ++i)
        children.push_back(std::make_unique<ChildProcess>(ProgramDirectory() + L"\\library_tests.exe", arguments));
    return children;
}

}  // namespace vemo::test
