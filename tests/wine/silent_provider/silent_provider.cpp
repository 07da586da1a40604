// A CryptoAPI provider for tests that fails one chosen call without saying why: the entry point
// named by the environment variable VEMO_SILENT_FAILURE (read at every call) returns FALSE and
// leaves the thread's last error at 0, as a faulty provider may. Every other call the library
// makes succeeds and does nothing: contexts, keys and hash objects are handles without state, a
// hash value is zeros, random bytes are zeros, and every signature verifies. The tests make it
// the default provider to see that no such failure reads as success.
#include <windows.h>
#include <wincrypt.h>

#include <cstring>

#define EXPORTED extern "C" __declspec(dllexport)

namespace {

bool FailsHere(const char* entryPoint) {
    char chosen[64] = {};
    const DWORD length = GetEnvironmentVariableA("VEMO_SILENT_FAILURE", chosen, sizeof chosen);
    return length > 0 && length < sizeof chosen && std::strcmp(chosen, entryPoint) == 0;
}

// TRUE, or FALSE with no last error when the entry point is the chosen one.
BOOL Answer(const char* entryPoint) {
    if (!FailsHere(entryPoint)) return TRUE;
    SetLastError(ERROR_SUCCESS);
    return FALSE;
}

BOOL Unsupported() {
    SetLastError(static_cast<DWORD>(E_NOTIMPL));
    return FALSE;
}

constexpr ULONG_PTR kHandle = 1;

}  // namespace

EXPORTED BOOL WINAPI CPAcquireContext(HCRYPTPROV* context, LPCSTR, DWORD flags, void*) {
    if (!Answer("CPAcquireContext")) return FALSE;
    if ((flags & CRYPT_DELETEKEYSET) == 0) *context = kHandle;
    return TRUE;
}
EXPORTED BOOL WINAPI CPReleaseContext(HCRYPTPROV, DWORD) { return TRUE; }
EXPORTED BOOL WINAPI CPGenRandom(HCRYPTPROV, DWORD length, BYTE* buffer) {
    if (!Answer("CPGenRandom")) return FALSE;
    if (length != 0) std::memset(buffer, 0, length);
    return TRUE;
}
EXPORTED BOOL WINAPI CPCreateHash(HCRYPTPROV, ALG_ID, HCRYPTKEY, DWORD, HCRYPTHASH* hash) {
    if (!Answer("CPCreateHash")) return FALSE;
    *hash = kHandle;
    return TRUE;
}
EXPORTED BOOL WINAPI CPHashData(HCRYPTPROV, HCRYPTHASH, const BYTE*, DWORD, DWORD) { return Answer("CPHashData"); }
EXPORTED BOOL WINAPI CPGetHashParam(HCRYPTPROV, HCRYPTHASH, DWORD parameter, BYTE* data, DWORD* length, DWORD) {
    if (!Answer("CPGetHashParam")) return FALSE;
    const DWORD size = parameter == HP_HASHVAL ? 20 : sizeof(DWORD);
    if (data != nullptr && *length < size) {
        SetLastError(ERROR_MORE_DATA);
        return FALSE;
    }
    if (data != nullptr) std::memset(data, 0, size);
    if (data != nullptr && parameter == HP_HASHSIZE) *reinterpret_cast<DWORD*>(data) = 20;
    *length = size;
    return TRUE;
}
EXPORTED BOOL WINAPI CPDestroyHash(HCRYPTPROV, HCRYPTHASH) { return TRUE; }
EXPORTED BOOL WINAPI CPImportKey(HCRYPTPROV, const BYTE*, DWORD, HCRYPTKEY, DWORD, HCRYPTKEY* key) {
    if (!Answer("CPImportKey")) return FALSE;
    *key = kHandle;
    return TRUE;
}
EXPORTED BOOL WINAPI CPDestroyKey(HCRYPTPROV, HCRYPTKEY) { return TRUE; }
EXPORTED BOOL WINAPI CPVerifySignature(HCRYPTPROV, HCRYPTHASH, const BYTE*, DWORD, HCRYPTKEY, LPCWSTR, DWORD) {
    return Answer("CPVerifySignature");
}

// The entry points advapi32 requires and the library does not use: refused.
#define REFUSED(name, ...) \
    EXPORTED BOOL WINAPI name(__VA_ARGS__) { return Unsupported(); }
REFUSED(CPGetProvParam, HCRYPTPROV, DWORD, BYTE*, DWORD*, DWORD)
REFUSED(CPSetProvParam, HCRYPTPROV, DWORD, const BYTE*, DWORD)
REFUSED(CPSetHashParam, HCRYPTPROV, HCRYPTHASH, DWORD, const BYTE*, DWORD)
REFUSED(CPGenKey, HCRYPTPROV, ALG_ID, DWORD, HCRYPTKEY*)
REFUSED(CPDeriveKey, HCRYPTPROV, ALG_ID, HCRYPTHASH, DWORD, HCRYPTKEY*)
REFUSED(CPSetKeyParam, HCRYPTPROV, HCRYPTKEY, DWORD, const BYTE*, DWORD)
REFUSED(CPGetKeyParam, HCRYPTPROV, HCRYPTKEY, DWORD, BYTE*, DWORD*, DWORD)
REFUSED(CPExportKey, HCRYPTPROV, HCRYPTKEY, HCRYPTKEY, DWORD, DWORD, BYTE*, DWORD*)
REFUSED(CPEncrypt, HCRYPTPROV, HCRYPTKEY, HCRYPTHASH, BOOL, DWORD, BYTE*, DWORD*, DWORD)
REFUSED(CPDecrypt, HCRYPTPROV, HCRYPTKEY, HCRYPTHASH, BOOL, DWORD, BYTE*, DWORD*)
REFUSED(CPHashSessionKey, HCRYPTPROV, HCRYPTHASH, HCRYPTKEY, DWORD)
REFUSED(CPSignHash, HCRYPTPROV, HCRYPTHASH, DWORD, LPCWSTR, DWORD, BYTE*, DWORD*)
REFUSED(CPGetUserKey, HCRYPTPROV, DWORD, HCRYPTKEY*)
