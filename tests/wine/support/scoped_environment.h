// Test scaffolding that puts the process or the prefix in a state and restores it afterwards.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace vemo::test {

// A fresh empty folder under %TEMP%, made the current directory for the object's lifetime.
class ScopedWorkingDirectory {
public:
    ScopedWorkingDirectory();
    ~ScopedWorkingDirectory();
    const std::string& path() const { return path_; }

private:
    std::string previous_;
    std::string path_;
};

// Makes the provider `name` the default PROV_RSA_FULL provider, registered with the DLL `dll`
// first when one is given; restores the original (and removes that registration) on
// destruction.
class ScopedDefaultProvider {
public:
    explicit ScopedDefaultProvider(const std::string& name, const std::wstring& dll = L"");
    ~ScopedDefaultProvider();
    ScopedDefaultProvider(const ScopedDefaultProvider&) = delete;
    ScopedDefaultProvider& operator=(const ScopedDefaultProvider&) = delete;

private:
    std::string original_;
    std::string registered_;
};

// Points the default PROV_RSA_FULL provider at a provider that does not exist, so that
// CryptAcquireContext without a provider name fails.
class DefaultProviderUnavailable : public ScopedDefaultProvider {
public:
    DefaultProviderUnavailable() : ScopedDefaultProvider("Vemo Test Provider That Does Not Exist") {}
};

// Sets an environment variable of this process for the object's lifetime.
class ScopedEnvironmentVariable {
public:
    ScopedEnvironmentVariable(const char* name, const std::string& value);
    ~ScopedEnvironmentVariable();

private:
    std::string name_;
    std::string previous_;
    bool hadPrevious_ = false;
};

// The whole content of a file; empty when it cannot be read.
std::string ReadFileBytes(const std::string& path);
bool FileExists(const std::string& path);
// The files of a folder (names only, no "." and "..").
std::vector<std::string> ListFolder(const std::string& path);

// The user log file name of today: "CVemoDll_C<yyyymmdd>_usr.log".
std::string TodaysUserLogName();

// A started program; wait() returns its exit code (-1 if it did not start, 99 if it was killed
// after the timeout).
class ChildProcess {
public:
    ChildProcess(const std::wstring& program, const std::wstring& arguments);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    int wait(DWORD timeoutMs = 120000);

private:
    HANDLE process_ = nullptr;
};

}  // namespace vemo::test
