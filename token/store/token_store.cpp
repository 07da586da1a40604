#include "token/store/token_store.h"

#include <wincrypt.h>

#include <cstring>

#include "frame/win_handles.h"
#include "token/store/key_proof.h"

namespace vemo::token {
namespace {

constexpr DWORD kMaxTokenFileSize = 16 * 1024 * 1024;
constexpr wchar_t kProtectionDescription[] = L"software token private key";

std::wstring EnvironmentValue(const wchar_t* name) {
    wchar_t buffer[32768];
    const DWORD length = GetEnvironmentVariableW(name, buffer, 32768);
    return length > 0 && length < 32768 ? std::wstring(buffer, length) : std::wstring();
}

std::wstring ParentFolder(const std::wstring& path) {
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

// Marks a key blob with the algorithm of the key spec it is stored under, so that
// importing it makes the key the container's exchange or signature key, whatever it was
// where it came from.
void MarkKeySpec(std::vector<uint8_t>& blob, uint32_t keySpec) {
    if (blob.size() < sizeof(BLOBHEADER)) return;
    BLOBHEADER header;
    std::memcpy(&header, blob.data(), sizeof header);
    header.aiKeyAlg = keySpec == kKeySignature ? CALG_RSA_SIGN : CALG_RSA_KEYX;
    std::memcpy(blob.data(), &header, sizeof header);
}

// DATA_BLOB memory that CryptProtectData/CryptUnprotectData allocated.
struct LocalBlob {
    DATA_BLOB blob{};
    ~LocalBlob() {
        if (blob.pbData != nullptr) LocalFree(blob.pbData);
    }
};

}  // namespace

std::wstring TokenStorePath() {
    const std::wstring chosen = EnvironmentValue(kTokenStoreVariable);
    if (!chosen.empty()) return chosen;
    std::wstring base = EnvironmentValue(L"LOCALAPPDATA");
    if (base.empty()) base = EnvironmentValue(L"APPDATA");
    return base + L"\\VemoSoftToken\\token.vtk";
}

TokenState LoadToken(TokenImage& image) {
    const std::wstring path = TokenStorePath();
    win::KernelHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.get() == INVALID_HANDLE_VALUE) {
        file.release();
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? TokenState::Absent
                                                                               : TokenState::Damaged;
    }
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size) || size.QuadPart > kMaxTokenFileSize) return TokenState::Damaged;
    std::vector<uint8_t> bytes(static_cast<size_t>(size.QuadPart));
    DWORD read = 0;
    if (!bytes.empty() &&
        (!ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) ||
         read != bytes.size())) {
        return TokenState::Damaged;
    }
    std::optional<TokenImage> parsed = ParseToken(bytes.data(), bytes.size());
    if (!parsed) return TokenState::Damaged;
    image = std::move(*parsed);
    return TokenState::Present;
}

bool SaveToken(const TokenImage& image) {
    const std::vector<uint8_t> bytes = SerialiseToken(image);
    if (bytes.empty()) return false;
    const std::wstring path = TokenStorePath();
    const std::wstring folder = ParentFolder(path);
    if (!folder.empty()) CreateDirectoryW(folder.c_str(), nullptr);

    const std::wstring temporary = path + L".new";
    {
        win::KernelHandle file(CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                           FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file.get() == INVALID_HANDLE_VALUE) {
            file.release();
            return false;
        }
        DWORD written = 0;
        if (!WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
            written != bytes.size() || !FlushFileBuffers(file.get())) {
            file.reset();
            DeleteFileW(temporary.c_str());
            return false;
        }
    }
    if (!MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DeleteFileW(temporary.c_str());
        return false;
    }
    return true;
}

bool RemoveToken() {
    const std::wstring path = TokenStorePath();
    if (DeleteFileW(path.c_str())) return true;
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

std::optional<Container> MakeContainer(const std::string& name, uint32_t keySpec, HCRYPTKEY key,
                                       std::vector<uint8_t> certificate, ContainerProblem* problem) {
    ContainerProblem ignored;
    ContainerProblem& why = problem != nullptr ? *problem : ignored;
    why = ContainerProblem::KeyNotTaken;
    Container container;
    container.name = name;
    container.keySpec = keySpec;
    container.certificate = std::move(certificate);

    DWORD size = 0;
    if (!CryptExportKey(key, 0, PUBLICKEYBLOB, 0, nullptr, &size)) return std::nullopt;
    container.publicKey.resize(size);
    if (!CryptExportKey(key, 0, PUBLICKEYBLOB, 0, container.publicKey.data(), &size)) return std::nullopt;
    container.publicKey.resize(size);
    MarkKeySpec(container.publicKey, keySpec);

    if (!CryptExportKey(key, 0, PRIVATEKEYBLOB, 0, nullptr, &size)) return std::nullopt;
    std::vector<uint8_t> privateBlob(size);
    const bool exported = CryptExportKey(key, 0, PRIVATEKEYBLOB, 0, privateBlob.data(), &size);
    if (exported) MarkKeySpec(privateBlob, keySpec);
    const SecretBytes clear(std::move(privateBlob));  // wiped whatever happens next
    if (!exported) return std::nullopt;
    // The blob exactly as it will be stored must sign.
    if (!KeySigns(clear.data(), size, container.certificate, container.publicKey)) {
        why = ContainerProblem::KeyDoesNotSign;
        return std::nullopt;
    }
    container.protectedKey = ProtectPrivateKey(clear.data(), size);
    if (container.protectedKey.empty()) return std::nullopt;
    why = ContainerProblem::None;
    return container;
}

std::vector<uint8_t> ProtectPrivateKey(const uint8_t* blob, size_t size) {
    DATA_BLOB in{static_cast<DWORD>(size), const_cast<BYTE*>(blob)};
    LocalBlob out;
    if (!CryptProtectData(&in, kProtectionDescription, nullptr, nullptr, nullptr, CRYPTPROTECT_UI_FORBIDDEN,
                          &out.blob)) {
        return {};
    }
    return std::vector<uint8_t>(out.blob.pbData, out.blob.pbData + out.blob.cbData);
}

SecretBytes UnprotectPrivateKey(const std::vector<uint8_t>& protectedKey) {
    if (protectedKey.empty()) return {};
    DATA_BLOB in{static_cast<DWORD>(protectedKey.size()), const_cast<BYTE*>(protectedKey.data())};
    LocalBlob out;
    if (!CryptUnprotectData(&in, nullptr, nullptr, nullptr, nullptr, CRYPTPROTECT_UI_FORBIDDEN, &out.blob)) {
        return {};
    }
    std::vector<uint8_t> bytes(out.blob.pbData, out.blob.pbData + out.blob.cbData);
    SecureZeroMemory(out.blob.pbData, out.blob.cbData);
    return SecretBytes(std::move(bytes));
}

}  // namespace vemo::token
