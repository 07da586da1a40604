// The provider's entry points, as advapi32 calls them. advapi32 takes no lock around a
// provider, so every call runs under one lock of the provider's own: like the device it stands
// for, the token serves one request at a time. Nothing thrown crosses this boundary.
#include <new>

#include "frame/module_unload.h"
#include "token/provider/csp_interface.h"
#include "token/provider/operations.h"

namespace vemo::csp {
namespace {

SRWLOCK g_lock = SRWLOCK_INIT;
// Made by the first call; deleted when the DLL is unloaded (see DllMain).
ProviderObjects* g_objects = nullptr;

class ExclusiveLock {
public:
    ExclusiveLock() { AcquireSRWLockExclusive(&g_lock); }
    ~ExclusiveLock() { ReleaseSRWLockExclusive(&g_lock); }
    ExclusiveLock(const ExclusiveLock&) = delete;
    ExclusiveLock& operator=(const ExclusiveLock&) = delete;
};

// Runs one operation under the lock; its error becomes the thread's last error.
template <typename Operation>
BOOL Run(Operation&& operation) noexcept {
    DWORD status;
    try {
        ExclusiveLock lock;
        if (g_objects == nullptr) g_objects = new ProviderObjects;
        status = operation(*g_objects);
    } catch (const std::bad_alloc&) {
        status = NTE_NO_MEMORY;
    } catch (...) {
        status = NTE_FAIL;
    }
    if (status == ERROR_SUCCESS) return TRUE;
    SetLastError(status);
    return FALSE;
}

// A service the token does not offer: `error`, once the context is known to be one of ours.
BOOL Unsupported(HCRYPTPROV context, HRESULT error) {
    return Run([&](ProviderObjects& objects) -> DWORD {
        return objects.context(context) != nullptr ? error : NTE_BAD_UID;
    });
}

bool IsKeyPair(ALG_ID algorithm) {
    return algorithm == AT_KEYEXCHANGE || algorithm == AT_SIGNATURE || algorithm == CALG_RSA_KEYX ||
           algorithm == CALG_RSA_SIGN;
}

}  // namespace
}  // namespace vemo::csp

using vemo::csp::ProviderObjects;
using vemo::csp::Run;
using vemo::csp::Unsupported;

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, void* reserved) {
    // advapi32 unloads a provider once its last context is released, so by then no object is
    // left. At process exit (reserved != null) nothing is freed: the system provider the
    // objects would call into may be gone already, and the process's memory goes anyway.
    if (reason == DLL_PROCESS_DETACH && reserved == nullptr) {
        delete vemo::csp::g_objects;
        vemo::csp::g_objects = nullptr;
        // advapi32 loads and unloads the provider with its first and last context.
        vemo::ReleaseRuntimeReserve();
    }
    return TRUE;
}

// Contexts.
BOOL WINAPI CPAcquireContext(HCRYPTPROV* phProv, LPCSTR szContainer, DWORD dwFlags, ProviderVTable*) {
    return Run([&](ProviderObjects& o) { return AcquireContext(o, phProv, szContainer, dwFlags); });
}
BOOL WINAPI CPReleaseContext(HCRYPTPROV hProv, DWORD dwFlags) {
    return Run([&](ProviderObjects& o) { return ReleaseContext(o, hProv, dwFlags); });
}
BOOL WINAPI CPGetProvParam(HCRYPTPROV hProv, DWORD dwParam, BYTE* pbData, DWORD* pdwDataLen, DWORD dwFlags) {
    return Run([&](ProviderObjects& o) { return GetProviderParameter(o, hProv, dwParam, pbData, pdwDataLen, dwFlags); });
}
BOOL WINAPI CPSetProvParam(HCRYPTPROV hProv, DWORD, const BYTE*, DWORD) {
    return Unsupported(hProv, NTE_BAD_TYPE);  // nothing of the token can be set through CryptoAPI
}

// Keys: the containers' key pairs only; keys are provisioned with the tool, never made here.
BOOL WINAPI CPGetUserKey(HCRYPTPROV hProv, DWORD dwKeySpec, HCRYPTKEY* phUserKey) {
    return Run([&](ProviderObjects& o) { return GetUserKey(o, hProv, dwKeySpec, phUserKey); });
}
BOOL WINAPI CPGetKeyParam(HCRYPTPROV hProv, HCRYPTKEY hKey, DWORD dwParam, BYTE* pbData, DWORD* pdwDataLen,
                          DWORD dwFlags) {
    return Run([&](ProviderObjects& o) { return GetKeyParameter(o, hProv, hKey, dwParam, pbData, pdwDataLen, dwFlags); });
}
BOOL WINAPI CPExportKey(HCRYPTPROV hProv, HCRYPTKEY hKey, HCRYPTKEY hPubKey, DWORD dwBlobType, DWORD dwFlags,
                        BYTE* pbData, DWORD* pdwDataLen) {
    return Run([&](ProviderObjects& o) {
        return ExportKey(o, hProv, hKey, hPubKey, dwBlobType, dwFlags, pbData, pdwDataLen);
    });
}
BOOL WINAPI CPDestroyKey(HCRYPTPROV hProv, HCRYPTKEY hKey) {
    return Run([&](ProviderObjects& o) { return DestroyKey(o, hProv, hKey); });
}
BOOL WINAPI CPGenKey(HCRYPTPROV hProv, ALG_ID Algid, DWORD, HCRYPTKEY*) {
    return Unsupported(hProv, vemo::csp::IsKeyPair(Algid) ? NTE_PERM : NTE_BAD_ALGID);
}
BOOL WINAPI CPDeriveKey(HCRYPTPROV hProv, ALG_ID, HCRYPTHASH, DWORD, HCRYPTKEY*) {
    return Unsupported(hProv, NTE_BAD_ALGID);  // no session keys
}
BOOL WINAPI CPSetKeyParam(HCRYPTPROV hProv, HCRYPTKEY, DWORD, const BYTE*, DWORD) {
    return Unsupported(hProv, NTE_PERM);  // the token's keys and certificates are read-only here
}
BOOL WINAPI CPImportKey(HCRYPTPROV hProv, const BYTE*, DWORD, HCRYPTKEY, DWORD, HCRYPTKEY*) {
    return Unsupported(hProv, NTE_PERM);
}
BOOL WINAPI CPEncrypt(HCRYPTPROV hProv, HCRYPTKEY, HCRYPTHASH, BOOL, DWORD, BYTE*, DWORD*, DWORD) {
    return Unsupported(hProv, E_NOTIMPL);
}
BOOL WINAPI CPDecrypt(HCRYPTPROV hProv, HCRYPTKEY, HCRYPTHASH, BOOL, DWORD, BYTE*, DWORD*) {
    return Unsupported(hProv, E_NOTIMPL);
}
BOOL WINAPI CPGenRandom(HCRYPTPROV hProv, DWORD, BYTE*) {
    return Unsupported(hProv, E_NOTIMPL);
}

// Hash objects and signatures.
BOOL WINAPI CPCreateHash(HCRYPTPROV hProv, ALG_ID Algid, HCRYPTKEY hKey, DWORD dwFlags, HCRYPTHASH* phHash) {
    return Run([&](ProviderObjects& o) { return CreateHash(o, hProv, Algid, hKey, dwFlags, phHash); });
}
BOOL WINAPI CPHashData(HCRYPTPROV hProv, HCRYPTHASH hHash, const BYTE* pbData, DWORD cbDataLen, DWORD dwFlags) {
    return Run([&](ProviderObjects& o) { return HashData(o, hProv, hHash, pbData, cbDataLen, dwFlags); });
}
BOOL WINAPI CPGetHashParam(HCRYPTPROV hProv, HCRYPTHASH hHash, DWORD dwParam, BYTE* pbData, DWORD* pdwDataLen,
                           DWORD dwFlags) {
    return Run([&](ProviderObjects& o) { return GetHashParameter(o, hProv, hHash, dwParam, pbData, pdwDataLen, dwFlags); });
}
BOOL WINAPI CPSetHashParam(HCRYPTPROV hProv, HCRYPTHASH hHash, DWORD dwParam, const BYTE* pbData, DWORD dwFlags) {
    return Run([&](ProviderObjects& o) { return SetHashParameter(o, hProv, hHash, dwParam, pbData, dwFlags); });
}
BOOL WINAPI CPDestroyHash(HCRYPTPROV hProv, HCRYPTHASH hHash) {
    return Run([&](ProviderObjects& o) { return DestroyHash(o, hProv, hHash); });
}
BOOL WINAPI CPHashSessionKey(HCRYPTPROV hProv, HCRYPTHASH, HCRYPTKEY, DWORD) {
    return Unsupported(hProv, E_NOTIMPL);
}
BOOL WINAPI CPSignHash(HCRYPTPROV hProv, HCRYPTHASH hHash, DWORD dwKeySpec, LPCWSTR, DWORD dwFlags,
                       BYTE* pbSignature, DWORD* pdwSigLen) {
    return Run([&](ProviderObjects& o) { return SignHash(o, hProv, hHash, dwKeySpec, dwFlags, pbSignature, pdwSigLen); });
}
BOOL WINAPI CPVerifySignature(HCRYPTPROV hProv, HCRYPTHASH, const BYTE*, DWORD, HCRYPTKEY, LPCWSTR, DWORD) {
    return Unsupported(hProv, E_NOTIMPL);
}
