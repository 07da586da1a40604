#include "library_binding.h"

namespace vemo::tool {
namespace {

#if defined(_WIN64)
#define VEMO_STDCALL
#define VEMO_CDECL
#else
#define VEMO_STDCALL __stdcall
#define VEMO_CDECL __cdecl
#endif

struct ExportEntry {
    const char* name;
    const char* decoratedName;  // the name in the token and trace editions, when it differs
};

// In the order of enum Export.
constexpr ExportEntry kExports[kExportCount] = {
    {"C_VEMO_FreePack", nullptr},
    {"C_VEMO_GetUserCert", nullptr},
    {"C_VEMO_GetCertInfo", nullptr},
    {"C_VEMO_VerifyUserCRL", nullptr},
    {"C_VEMO_VerifyUserCert", nullptr},
    {"C_VEMO_Sign", nullptr},
    {"C_VEMO_SignEx", nullptr},
    {"C_VEMO_VerifySign", nullptr},
    {"C_VEMO_Sign_P7", nullptr},
    {"C_VEMO_VerifySign_P7", nullptr},
    {"C_VEMO_NewPack", nullptr},
    {"C_VEMO_GenerateRandom", "_C_VEMO_GenerateRandom@8"},
    {"C_VEMO_Hash", "_C_VEMO_Hash@20"},
    {"C_VEMO_HashEx", nullptr},
    {"C_VEMO_SignData", nullptr},
    {"C_VEMO_VerifyData", nullptr},
    {"C_VEMO_SignMessage", nullptr},
    {"C_VEMO_VerifyMessage", nullptr},
    {"C_VEMO_VerifyCertPath", nullptr},
};

// One signature in both calling conventions; the edition decides which one is called.
template <typename... Args>
int32_t Call(FARPROC proc, bool stdcallEdition, Args... args) {
    void* address = reinterpret_cast<void*>(proc);
    if (stdcallEdition) return reinterpret_cast<int32_t(VEMO_STDCALL*)(Args...)>(address)(args...);
    return reinterpret_cast<int32_t(VEMO_CDECL*)(Args...)>(address)(args...);
}

}  // namespace

const char* ExportName(Export which) { return kExports[static_cast<int>(which)].name; }

const char* EditionName(Edition edition) {
    switch (edition) {
        case Edition::Token: return "token";
        case Edition::Trace: return "trace";
        case Edition::Picker: return "picker";
    }
    return "";
}

MissingExport::MissingExport(Export which)
    : std::runtime_error(std::string("the library has no export ") + ExportName(which)), which_(which) {}

LibraryBinding::LibraryBinding(const std::wstring& path) {
    module_ = LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (module_ == nullptr) {
        loadError_ = GetLastError();
        error_ = "cannot load the library (error " + std::to_string(loadError_) + ")";
        return;
    }
    bind();
}

LibraryBinding::LibraryBinding(const std::string& path) {
    module_ = LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (module_ == nullptr) {
        loadError_ = GetLastError();
        error_ = "cannot load " + path + " (error " + std::to_string(loadError_) + ")";
        return;
    }
    bind();
}

LibraryBinding::~LibraryBinding() {
    if (module_ != nullptr) FreeLibrary(module_);
}

void LibraryBinding::bind() {
    stdcallEdition_ = GetProcAddress(module_, kExports[static_cast<int>(Export::Hash)].decoratedName) != nullptr;
    for (int i = 0; i < kExportCount; ++i) {
        const ExportEntry& entry = kExports[i];
        procs_[i] = GetProcAddress(module_, stdcallEdition_ && entry.decoratedName ? entry.decoratedName : entry.name);
    }
}

FARPROC LibraryBinding::proc(Export which) const {
    FARPROC found = procs_[static_cast<int>(which)];
    if (found == nullptr) throw MissingExport(which);
    return found;
}

int32_t LibraryBinding::freePack(PackItem* pack) const {
    return Call(proc(Export::FreePack), stdcallEdition_, pack);
}

int32_t LibraryBinding::getUserCert(const char* lookupText, const char* serialHex, const char* location,
                                    const char* source, char* certOut, int32_t* certOutLength) const {
    return Call(proc(Export::GetUserCert), stdcallEdition_, lookupText, serialHex, location, source, certOut,
                certOutLength);
}

int32_t LibraryBinding::getCertInfo(char* certText, const char* item, char* infoOut, PackItem* pack) const {
    return Call(proc(Export::GetCertInfo), stdcallEdition_, certText, item, infoOut, pack);
}

int32_t LibraryBinding::verifyUserCRL(char* certText, const char* crlFile, const char* mode) const {
    return Call(proc(Export::VerifyUserCRL), stdcallEdition_, certText, crlFile, mode);
}

int32_t LibraryBinding::verifyUserCert(char* certText, int32_t reserved) const {
    return Call(proc(Export::VerifyUserCert), stdcallEdition_, certText, reserved);
}

int32_t LibraryBinding::sign(const char* selector, const char* data, int32_t dataLength,
                             CVEMO_SIGNATURE_RECORD* record) const {
    return Call(proc(Export::Sign), stdcallEdition_, int32_t{0}, int32_t{0}, int32_t{0}, int32_t{0}, selector, data,
                dataLength, record);
}

int32_t LibraryBinding::signEx(int32_t selectionMode, const char* selector, const char* data, int32_t dataLength,
                               CVEMO_SIGNATURE_RECORD* record) const {
    return Call(proc(Export::SignEx), stdcallEdition_, int32_t{0}, int32_t{0}, int32_t{0}, int32_t{0}, selectionMode,
                selector, data, dataLength, record);
}

int32_t LibraryBinding::verifySign(uint8_t* keyData, int32_t keyDataLength, int32_t hashSelector,
                                   const uint8_t* data, uint32_t dataLength,
                                   const CVEMO_SIGNATURE_RECORD* record) const {
    return Call(proc(Export::VerifySign), stdcallEdition_, int32_t{0}, keyData, keyDataLength, hashSelector, data,
                dataLength, record);
}

int32_t LibraryBinding::signP7(const char* data, uint8_t* message, int32_t* messageLength) const {
    return Call(proc(Export::Sign_P7), stdcallEdition_, data, message, messageLength);
}

int32_t LibraryBinding::verifySignP7(const uint8_t* message, const uint32_t* messageLength) const {
    return Call(proc(Export::VerifySign_P7), stdcallEdition_, message, messageLength);
}

int32_t LibraryBinding::newPack(PackItem** pack) const {
    return Call(proc(Export::NewPack), stdcallEdition_, pack);
}

int32_t LibraryBinding::generateRandom(uint8_t* buffer, uint32_t length) const {
    return Call(proc(Export::GenerateRandom), stdcallEdition_, buffer, length);
}

int32_t LibraryBinding::hash(int32_t ignored, const uint8_t* data, uint32_t dataLength, uint8_t* digest,
                             uint32_t* digestLength) const {
    return Call(proc(Export::Hash), stdcallEdition_, ignored, data, dataLength, digest, digestLength);
}

int32_t LibraryBinding::hashEx(uint32_t algorithm, const uint8_t* data, uint32_t dataLength, uint8_t* digest,
                               uint32_t* digestLength) const {
    return Call(proc(Export::HashEx), stdcallEdition_, algorithm, data, dataLength, digest, digestLength);
}

int32_t LibraryBinding::signData(uint32_t algorithm, int32_t selectionMode, const char* selector, const uint8_t* data,
                                 uint32_t dataLength, uint8_t* signature, uint32_t* signatureLength) const {
    return Call(proc(Export::SignData), stdcallEdition_, algorithm, selectionMode, selector, data, dataLength,
                signature, signatureLength);
}

int32_t LibraryBinding::verifyData(uint32_t algorithm, const uint8_t* keyData, uint32_t keyDataLength,
                                   const uint8_t* data, uint32_t dataLength, const uint8_t* signature,
                                   uint32_t signatureLength) const {
    return Call(proc(Export::VerifyData), stdcallEdition_, algorithm, keyData, keyDataLength, data, dataLength,
                signature, signatureLength);
}

int32_t LibraryBinding::signMessage(uint32_t algorithm, uint32_t flags, int32_t selectionMode, const char* selector,
                                    const uint8_t* data, uint32_t dataLength, uint8_t* message,
                                    uint32_t* messageLength) const {
    return Call(proc(Export::SignMessage), stdcallEdition_, algorithm, flags, selectionMode, selector, data,
                dataLength, message, messageLength);
}

int32_t LibraryBinding::verifyMessage(const uint8_t* message, uint32_t messageLength, const uint8_t* detachedContent,
                                      uint32_t detachedLength, uint8_t* content, uint32_t* contentLength,
                                      char* signerCertificate, uint32_t* signerCertificateLength) const {
    return Call(proc(Export::VerifyMessage), stdcallEdition_, message, messageLength, detachedContent, detachedLength,
                content, contentLength, signerCertificate, signerCertificateLength);
}

int32_t LibraryBinding::verifyCertPath(const char* certText, const char* intermediates, const char* crlFiles,
                                       uint32_t flags, char* pathOut, uint32_t* pathOutLength) const {
    return Call(proc(Export::VerifyCertPath), stdcallEdition_, certText, intermediates, crlFiles, flags, pathOut,
                pathOutLength);
}

}  // namespace vemo::tool
