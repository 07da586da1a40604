// Small owners for the platform's handles, so that every return path releases what a call
// opened. Shared by the library and the software token.
#pragma once

// Winsock 2 before windows.h, which would otherwise bring the first Winsock's declarations.
#include <winsock2.h>
#include <windows.h>
#include <wincrypt.h>

#include <utility>

namespace vemo::win {

// Owns one handle; Traits gives its type, its empty value and how it is released.
template <typename Traits>
class Owned {
public:
    using Handle = typename Traits::Handle;

    Owned() = default;
    explicit Owned(Handle handle) : handle_(handle) {}
    ~Owned() { reset(); }
    Owned(Owned&& other) noexcept : handle_(other.release()) {}
    Owned& operator=(Owned&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;

    Handle get() const { return handle_; }
    explicit operator bool() const { return handle_ != Traits::empty(); }
    // For the platform's "handle out" arguments: releases what is held, then lends the slot.
    Handle* put() {
        reset();
        return &handle_;
    }
    Handle release() { return std::exchange(handle_, Traits::empty()); }
    void reset(Handle handle = Traits::empty()) {
        if (handle_ != Traits::empty()) Traits::close(handle_);
        handle_ = handle;
    }

private:
    Handle handle_ = Traits::empty();
};

struct ProviderTraits {
    using Handle = HCRYPTPROV;
    static Handle empty() { return 0; }
    static void close(Handle h) { CryptReleaseContext(h, 0); }
};
struct KeyTraits {
    using Handle = HCRYPTKEY;
    static Handle empty() { return 0; }
    static void close(Handle h) { CryptDestroyKey(h); }
};
struct HashTraits {
    using Handle = HCRYPTHASH;
    static Handle empty() { return 0; }
    static void close(Handle h) { CryptDestroyHash(h); }
};
struct CertificateTraits {
    using Handle = PCCERT_CONTEXT;
    static Handle empty() { return nullptr; }
    static void close(Handle h) { CertFreeCertificateContext(h); }
};
struct CrlTraits {
    using Handle = PCCRL_CONTEXT;
    static Handle empty() { return nullptr; }
    static void close(Handle h) { CertFreeCRLContext(h); }
};
struct MessageTraits {
    using Handle = HCRYPTMSG;
    static Handle empty() { return nullptr; }
    static void close(Handle h) { CryptMsgClose(h); }
};
struct StoreTraits {
    using Handle = HCERTSTORE;
    static Handle empty() { return nullptr; }
    static void close(Handle h) { CertCloseStore(h, 0); }
};
struct KernelTraits {
    using Handle = HANDLE;
    static Handle empty() { return nullptr; }
    static void close(Handle h) { CloseHandle(h); }
};
// CreateFile's handles, whose empty value is INVALID_HANDLE_VALUE.
struct FileTraits {
    using Handle = HANDLE;
    static Handle empty() { return INVALID_HANDLE_VALUE; }
    static void close(Handle h) { CloseHandle(h); }
};
struct RegistryKeyTraits {
    using Handle = HKEY;
    static Handle empty() { return nullptr; }
    static void close(Handle h) { RegCloseKey(h); }
};
struct SocketTraits {
    using Handle = SOCKET;
    static Handle empty() { return INVALID_SOCKET; }
    static void close(Handle h) { closesocket(h); }
};
// Memory the platform allocates with LocalAlloc for the caller (SID texts, security
// descriptors).
struct LocalMemoryTraits {
    using Handle = void*;
    static Handle empty() { return nullptr; }
    static void close(Handle h) { LocalFree(h); }
};
struct BoundaryDescriptorTraits {
    using Handle = HANDLE;
    static Handle empty() { return nullptr; }
    static void close(Handle h) { DeleteBoundaryDescriptor(h); }
};
struct PrivateNamespaceTraits {
    using Handle = HANDLE;
    static Handle empty() { return nullptr; }
    static void close(Handle h) { ClosePrivateNamespace(h, 0); }
};
struct LibraryTraits {
    using Handle = HMODULE;
    static Handle empty() { return nullptr; }
    static void close(Handle h) { FreeLibrary(h); }
};

using ProviderContext = Owned<ProviderTraits>;
using CryptKey = Owned<KeyTraits>;
using CryptHash = Owned<HashTraits>;
using CertificateContext = Owned<CertificateTraits>;
using CrlContext = Owned<CrlTraits>;
using CryptMessage = Owned<MessageTraits>;
using CertStore = Owned<StoreTraits>;
using KernelHandle = Owned<KernelTraits>;
using FileHandle = Owned<FileTraits>;
using RegistryKey = Owned<RegistryKeyTraits>;
using Library = Owned<LibraryTraits>;
using LocalMemory = Owned<LocalMemoryTraits>;
using BoundaryDescriptor = Owned<BoundaryDescriptorTraits>;
using PrivateNamespace = Owned<PrivateNamespaceTraits>;
using Socket = Owned<SocketTraits>;

// The provider context that the platform's message signer caches on a certificate
// (CERT_KEY_CONTEXT_PROP_ID), released when the owner goes, before the certificate. Windows
// releases a cached context with its certificate; Wine 8 never does, so every signed message
// would keep a context of the key's provider open until the process ends. Taking the property
// off without its release, then releasing the context here, is one release on either platform.
class CachedKeyContext {
public:
    explicit CachedKeyContext(PCCERT_CONTEXT certificate) : certificate_(certificate) {}
    ~CachedKeyContext() {
        CERT_KEY_CONTEXT cached{};
        DWORD size = sizeof cached;
        if (!CertGetCertificateContextProperty(certificate_, CERT_KEY_CONTEXT_PROP_ID, &cached, &size) ||
            cached.dwKeySpec == CERT_NCRYPT_KEY_SPEC) {
            return;  // nothing cached, or a key the platform's newer interface holds: its own
        }
        if (CertSetCertificateContextProperty(certificate_, CERT_KEY_CONTEXT_PROP_ID, CERT_STORE_NO_CRYPT_RELEASE_FLAG,
                                              nullptr)) {
            CryptReleaseContext(cached.hCryptProv, 0);
        }
    }
    CachedKeyContext(const CachedKeyContext&) = delete;
    CachedKeyContext& operator=(const CachedKeyContext&) = delete;

private:
    PCCERT_CONTEXT certificate_;
};

// A key's provider context lent to a certificate (CERT_KEY_CONTEXT_PROP_ID) for the owner's
// lifetime, so that the platform's message signer signs with that very key; taken back at the
// end without releasing the context, which stays its owner's.
class LentKeyContext {
public:
    LentKeyContext(PCCERT_CONTEXT certificate, HCRYPTPROV context, DWORD keySpec) : certificate_(certificate) {
        CERT_KEY_CONTEXT lent{sizeof lent, {context}, keySpec};
        lent_ = CertSetCertificateContextProperty(certificate, CERT_KEY_CONTEXT_PROP_ID,
                                                  CERT_STORE_NO_CRYPT_RELEASE_FLAG, &lent) != FALSE;
    }
    ~LentKeyContext() {
        if (lent_) {
            CertSetCertificateContextProperty(certificate_, CERT_KEY_CONTEXT_PROP_ID, CERT_STORE_NO_CRYPT_RELEASE_FLAG,
                                              nullptr);
        }
    }
    LentKeyContext(const LentKeyContext&) = delete;
    LentKeyContext& operator=(const LentKeyContext&) = delete;
    explicit operator bool() const { return lent_; }

private:
    PCCERT_CONTEXT certificate_;
    bool lent_ = false;
};

// Winsock started for the owner's lifetime (WSAStartup, then WSACleanup once it succeeded).
class WinsockSession {
public:
    explicit WinsockSession(WORD version) : started_(WSAStartup(version, &data_) == 0) {}
    ~WinsockSession() {
        if (started_) WSACleanup();
    }
    WinsockSession(const WinsockSession&) = delete;
    WinsockSession& operator=(const WinsockSession&) = delete;
    bool started() const { return started_; }

private:
    WSADATA data_{};
    bool started_;
};

}  // namespace vemo::win
