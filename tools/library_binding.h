// CVemoDll_C.dll loaded at run time, whichever edition it is: the token and trace editions
// export two decorated names and use stdcall, the picker edition plain names and cdecl. Every
// export is resolved by the name its edition gives it; one that the module lacks is reported by
// name (MissingExport), never called through a null pointer.
#pragma once

#include <windows.h>

#include <cstdint>
#include <stdexcept>
#include <string>

#include "CVemoDll_C.h"

namespace vemo::tool {

enum class Export {
    FreePack, GetUserCert, GetCertInfo, VerifyUserCRL, VerifyUserCert, Sign, SignEx, VerifySign,
    Sign_P7, VerifySign_P7, NewPack, GenerateRandom, Hash,
    HashEx, SignData, VerifyData, SignMessage, VerifyMessage, VerifyCertPath,
};
inline constexpr int kExportCount = 19;

// The editions, told apart by their exports: the token edition alone has C_VEMO_NewPack, the
// picker edition alone plain names for C_VEMO_GenerateRandom and C_VEMO_Hash.
enum class Edition { Token, Trace, Picker };
const char* EditionName(Edition edition);  // "token", "trace", "picker"

// "C_VEMO_Hash" and so on.
const char* ExportName(Export which);

// Thrown by a call of an export that the loaded module does not have.
class MissingExport : public std::runtime_error {
public:
    explicit MissingExport(Export which);
    Export which() const { return which_; }

private:
    Export which_;
};

class LibraryBinding {
public:
    // Loads the module; check loaded() and error() before calling.
    explicit LibraryBinding(const std::wstring& path);
    explicit LibraryBinding(const std::string& path);
    ~LibraryBinding();
    LibraryBinding(const LibraryBinding&) = delete;
    LibraryBinding& operator=(const LibraryBinding&) = delete;

    bool loaded() const { return module_ != nullptr; }
    const std::string& error() const { return error_; }
    DWORD loadError() const { return loadError_; }  // GetLastError of the failed load
    HMODULE module() const { return module_; }
    // Token or trace edition: stdcall, two decorated names. Otherwise the picker edition.
    bool stdcallEdition() const { return stdcallEdition_; }
    Edition edition() const {
        return !stdcallEdition_ ? Edition::Picker : has(Export::NewPack) ? Edition::Token : Edition::Trace;
    }
    bool has(Export which) const { return procs_[static_cast<int>(which)] != nullptr; }

    // The exports, with the arguments of the public header.
    int32_t freePack(PackItem* pack) const;
    int32_t getUserCert(const char* lookupText, const char* serialHex, const char* location,
                        const char* source, char* certOut, int32_t* certOutLength) const;
    int32_t getCertInfo(char* certText, const char* item, char* infoOut, PackItem* pack) const;
    int32_t verifyUserCRL(char* certText, const char* crlFile, const char* mode) const;
    int32_t verifyUserCert(char* certText, int32_t reserved) const;
    int32_t sign(const char* selector, const char* data, int32_t dataLength,
                 CVEMO_SIGNATURE_RECORD* record) const;
    int32_t signEx(int32_t selectionMode, const char* selector, const char* data, int32_t dataLength,
                   CVEMO_SIGNATURE_RECORD* record) const;
    int32_t verifySign(uint8_t* keyData, int32_t keyDataLength, int32_t hashSelector, const uint8_t* data,
                       uint32_t dataLength, const CVEMO_SIGNATURE_RECORD* record) const;
    int32_t signP7(const char* data, uint8_t* message, int32_t* messageLength) const;
    int32_t verifySignP7(const uint8_t* message, const uint32_t* messageLength) const;
    int32_t newPack(PackItem** pack) const;
    int32_t generateRandom(uint8_t* buffer, uint32_t length) const;
    int32_t hash(int32_t ignored, const uint8_t* data, uint32_t dataLength, uint8_t* digest,
                 uint32_t* digestLength) const;
    int32_t hashEx(uint32_t algorithm, const uint8_t* data, uint32_t dataLength, uint8_t* digest,
                   uint32_t* digestLength) const;
    int32_t signData(uint32_t algorithm, int32_t selectionMode, const char* selector, const uint8_t* data,
                     uint32_t dataLength, uint8_t* signature, uint32_t* signatureLength) const;
    int32_t verifyData(uint32_t algorithm, const uint8_t* keyData, uint32_t keyDataLength, const uint8_t* data,
                       uint32_t dataLength, const uint8_t* signature, uint32_t signatureLength) const;
    int32_t signMessage(uint32_t algorithm, uint32_t flags, int32_t selectionMode, const char* selector,
                        const uint8_t* data, uint32_t dataLength, uint8_t* message, uint32_t* messageLength) const;
    int32_t verifyMessage(const uint8_t* message, uint32_t messageLength, const uint8_t* detachedContent,
                          uint32_t detachedLength, uint8_t* content, uint32_t* contentLength, char* signerCertificate,
                          uint32_t* signerCertificateLength) const;
    int32_t verifyCertPath(const char* certText, const char* intermediates, const char* crlFiles, uint32_t flags,
                           char* pathOut, uint32_t* pathOutLength) const;

private:
    void bind();
    FARPROC proc(Export which) const;

    HMODULE module_ = nullptr;
    bool stdcallEdition_ = false;
    FARPROC procs_[kExportCount] = {};
    std::string error_;
    DWORD loadError_ = 0;
};

}  // namespace vemo::tool
