#include "support/scoped_environment.h"

#include <cstdio>
#include <ctime>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace vemo::test {
namespace {

constexpr const char kProviderTypeKey[] =
    "SOFTWARE\\Microsoft\\Cryptography\\Defaults\\Provider Types\\Type 001";
constexpr const char kProviderKey[] = "SOFTWARE\\Microsoft\\Cryptography\\Defaults\\Provider\\";

std::string CurrentDirectory() {
    char buffer[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, buffer);
    return buffer;
}

void RemoveTree(const std::string& path) {
    for (const std::string& name : ListFolder(path)) {
        const std::string child = path + "\\" + name;
        const DWORD attributes = GetFileAttributesA(child.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            RemoveTree(child);
        } else {
            SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileA(child.c_str());
        }
    }
    RemoveDirectoryA(path.c_str());
}

}  // namespace

ScopedWorkingDirectory::ScopedWorkingDirectory() : previous_(CurrentDirectory()) {
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    static unsigned counter = 0;
    for (;;) {
        path_ = std::string(temp) + "vemo-test-" + std::to_string(GetCurrentProcessId()) + "-" +
                std::to_string(++counter);
        if (CreateDirectoryA(path_.c_str(), nullptr)) break;
        if (GetLastError() != ERROR_ALREADY_EXISTS) throw std::runtime_error("cannot make " + path_);
    }
    SetCurrentDirectoryA(path_.c_str());
}

ScopedWorkingDirectory::~ScopedWorkingDirectory() {
    SetCurrentDirectoryA(previous_.c_str());
    RemoveTree(path_);
}

ScopedDefaultProvider::ScopedDefaultProvider(const std::string& name, const std::wstring& dll) {
    if (!dll.empty()) {
        const std::string key = std::string(kProviderKey) + name;
        HKEY provider = nullptr;
        if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &provider, nullptr) !=
            ERROR_SUCCESS) {
            throw std::runtime_error("cannot register the provider " + name);
        }
        const DWORD type = 1, sigInFile = 0;  // PROV_RSA_FULL
        RegSetValueExW(provider, L"Image Path", 0, REG_SZ, reinterpret_cast<const BYTE*>(dll.c_str()),
                       static_cast<DWORD>((dll.size() + 1) * sizeof(wchar_t)));
        RegSetValueExA(provider, "Type", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&type), sizeof type);
        RegSetValueExA(provider, "SigInFile", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&sigInFile), sizeof sigInFile);
        RegCloseKey(provider);
        registered_ = key;
    }
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kProviderTypeKey, 0, KEY_READ | KEY_WRITE, &key) != ERROR_SUCCESS) {
        throw std::runtime_error("cannot open the default provider type key");
    }
    char original[256] = {};
    DWORD size = sizeof original - 1;
    RegQueryValueExA(key, "Name", nullptr, nullptr, reinterpret_cast<BYTE*>(original), &size);
    original_ = original;
    RegSetValueExA(key, "Name", 0, REG_SZ, reinterpret_cast<const BYTE*>(name.c_str()),
                   static_cast<DWORD>(name.size() + 1));
    RegCloseKey(key);
}

ScopedDefaultProvider::~ScopedDefaultProvider() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kProviderTypeKey, 0, KEY_WRITE, &key) == ERROR_SUCCESS) {
        RegSetValueExA(key, "Name", 0, REG_SZ, reinterpret_cast<const BYTE*>(original_.c_str()),
                       static_cast<DWORD>(original_.size() + 1));
        RegCloseKey(key);
    }
    if (!registered_.empty()) RegDeleteKeyA(HKEY_LOCAL_MACHINE, registered_.c_str());
}

ScopedEnvironmentVariable::ScopedEnvironmentVariable(const char* name, const std::string& value)
    : name_(name) {
    char buffer[32768];
    const DWORD length = GetEnvironmentVariableA(name, buffer, sizeof buffer);
    hadPrevious_ = length > 0 && length < sizeof buffer;
    if (hadPrevious_) previous_.assign(buffer, length);
    SetEnvironmentVariableA(name, value.c_str());
}

ScopedEnvironmentVariable::~ScopedEnvironmentVariable() {
    SetEnvironmentVariableA(name_.c_str(), hadPrevious_ ? previous_.c_str() : nullptr);
}

std::string ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

bool FileExists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::vector<std::string> ListFolder(const std::string& path) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((path + "\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        const std::string name = data.cFileName;
        if (name != "." && name != "..") names.push_back(name);
    } while (FindNextFileA(find, &data));
    FindClose(find);
    return names;
}

std::string TodaysUserLogName() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_s(&local, &now);
    char name[64];
    std::snprintf(name, sizeof name, "CVemoDll_C%04d%02d%02d_usr.log", local.tm_year + 1900,
                  local.tm_mon + 1, local.tm_mday);
    return name;
}

ChildProcess::ChildProcess(const std::wstring& program, const std::wstring& arguments) {
    std::wstring commandLine = L"\"" + program + L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                       nullptr, &startup, &process)) {
        CloseHandle(process.hThread);
        process_ = process.hProcess;
    }
}

ChildProcess::~ChildProcess() {
    if (process_ != nullptr) {
        wait(0);
        CloseHandle(process_);
    }
}

int ChildProcess::wait(DWORD timeoutMs) {
    if (process_ == nullptr) return -1;
    if (WaitForSingleObject(process_, timeoutMs) != WAIT_OBJECT_0) {
        TerminateProcess(process_, 99);
        WaitForSingleObject(process_, INFINITE);
    }
    DWORD exitCode = static_cast<DWORD>(-1);
    GetExitCodeProcess(process_, &exitCode);
    return static_cast<int>(exitCode);
}

}  // namespace vemo::test
