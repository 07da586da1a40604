#include "support/edition_under_test.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace vemo::test {
namespace {

EditionUnderTest g_edition;

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "library tests: %s\n", what);
    std::exit(2);
}

template <typename Fn>
Fn Resolve(HMODULE module, const char* decorated, const char* plain, bool useDecorated) {
    FARPROC proc = GetProcAddress(module, useDecorated ? decorated : plain);
    if (proc == nullptr) {
        std::fprintf(stderr, "library tests: export %s missing\n", useDecorated ? decorated : plain);
        std::exit(2);
    }
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(proc));
}

}  // namespace

std::wstring ProgramDirectory() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring directory(path);
    return directory.substr(0, directory.find_last_of(L"\\/"));
}

void LoadEditionUnderTest(int& argc, char** argv) {
    const char* prefix = "--edition=";
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], prefix, std::strlen(prefix)) != 0) continue;
        g_edition.name = argv[i] + std::strlen(prefix);
        for (int j = i; j + 1 < argc; ++j) argv[j] = argv[j + 1];
        --argc;
        break;
    }
    if (g_edition.name == "token") g_edition.kind = EditionKind::Token;
    else if (g_edition.name == "trace") g_edition.kind = EditionKind::Trace;
    else if (g_edition.name == "picker") g_edition.kind = EditionKind::Picker;
    else Fail("give --edition=token, --edition=trace or --edition=picker");

    // <build>/tests/wine/library_tests.exe -> <build>/editions/<edition>/CVemoDll_C.dll
    const std::wstring edition(g_edition.name.begin(), g_edition.name.end());
    g_edition.dllPath = ProgramDirectory() + L"\\..\\..\\editions\\" + edition + L"\\CVemoDll_C.dll";
    g_edition.module = LoadLibraryExW(g_edition.dllPath.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (g_edition.module == nullptr) Fail("cannot load the edition's CVemoDll_C.dll");

    const bool decorated = g_edition.kind != EditionKind::Picker;
    g_edition.generateRandom =
        Resolve<GenerateRandomFn>(g_edition.module, "_C_VEMO_GenerateRandom@8", "C_VEMO_GenerateRandom", decorated);
    g_edition.hash = Resolve<HashFn>(g_edition.module, "_C_VEMO_Hash@20", "C_VEMO_Hash", decorated);
}

const EditionUnderTest& Edition() { return g_edition; }

}  // namespace vemo::test
