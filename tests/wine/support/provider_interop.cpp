#include "support/provider_interop.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "support/scoped_environment.h"
#include "support/test_token.h"

namespace vemo::test {
namespace {

std::string& Folder() {
    static std::string folder;
    return folder;
}

std::string& EvidenceFolder() {
    static std::string folder;
    return folder;
}

void WriteFile(const std::string& path, const void* bytes, size_t size) {
    std::ofstream out(path, std::ios::binary);
    out.write(static_cast<const char*>(bytes), static_cast<std::streamsize>(size));
}

}  // namespace

void SetInteropFolder(const std::string& folder) {
    Folder() = folder;
    CreateDirectoryA(folder.c_str(), nullptr);
    for (const std::string& name : ListFolder(folder)) DeleteFileA((folder + "\\" + name).c_str());
}

bool HasInteropFolder() { return !Folder().empty(); }

void WriteInteropFile(const std::string& name, const std::vector<uint8_t>& bytes) {
    if (!HasInteropFolder()) return;
    WriteFile(Folder() + "\\" + name, bytes.data(), bytes.size());
}

void SetEvidenceFolder(const std::string& folder) {
    EvidenceFolder() = folder;
    CreateDirectoryA(folder.c_str(), nullptr);
}

void KeepSignatureEvidence(const std::vector<uint8_t>& certificate, const std::string& data,
                           const std::vector<uint8_t>& signature) {
    if (EvidenceFolder().empty()) return;
    static int kept = 0;
    const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
    const std::string stem = EvidenceFolder() + "\\" +
                             (test != nullptr ? std::string(test->test_suite_name()) + "." + test->name() : "outside") +
                             "-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++kept);
    WriteFile(stem + ".cer", certificate.data(), certificate.size());
    WriteFile(stem + ".data", data.data(), data.size());
    WriteFile(stem + ".sig", signature.data(), signature.size());
    const std::vector<uint8_t> key = TestIdentityPrivateKey(certificate);
    if (!key.empty()) WriteFile(stem + ".key", key.data(), key.size());
    std::printf("[evidence] a signature that does not verify: %s.*\n", stem.c_str());
}

}  // namespace vemo::test
