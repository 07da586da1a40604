#include "token/provision/store_entries.h"

#include <windows.h>
#include <wincrypt.h>

#include <cstdio>

#include "codec/certificate_text.h"
#include "frame/win_handles.h"

namespace vemo::token::provision {
namespace {

constexpr DWORD kEncoding = X509_ASN_ENCODING | PKCS_7_ASN_ENCODING;

std::string ErrorText(const char* what) {
    char code[16];
    std::snprintf(code, sizeof code, "0x%08lx", static_cast<unsigned long>(GetLastError()));
    return std::string(what) + " failed (" + code + ")";
}

// The store's own registry part, not the system store: that one is a collection that also shows
// the local machine's entries in the current user's, and Wine 8 does not write a removal made
// through it back to the registry.
win::CertStore OpenStore(const std::string& store, StoreLocation where) {
    const DWORD location =
        where == StoreLocation::LocalMachine ? CERT_SYSTEM_STORE_LOCAL_MACHINE : CERT_SYSTEM_STORE_CURRENT_USER;
    return win::CertStore(CertOpenStore(CERT_STORE_PROV_SYSTEM_REGISTRY_A, 0, 0, location, store.c_str()));
}

win::CertificateContext CertificateOf(const StoreEntry& entry) {
    return win::CertificateContext(
        CertCreateCertificateContext(kEncoding, entry.der.data(), static_cast<DWORD>(entry.der.size())));
}

win::CrlContext CrlOf(const StoreEntry& entry) {
    return win::CrlContext(CertCreateCRLContext(kEncoding, entry.der.data(), static_cast<DWORD>(entry.der.size())));
}

// Adds or removes `entry` in the open store; the store writes the change when it is closed.
StoreChange Change(HCERTSTORE store, const StoreEntry& entry, bool add, std::string& error) {
    if (entry.kind == StoreEntryKind::Certificate) {
        const win::CertificateContext certificate = CertificateOf(entry);
        win::CertificateContext present(
            CertFindCertificateInStore(store, kEncoding, 0, CERT_FIND_EXISTING, certificate.get(), nullptr));
        if (bool(present) == add) return StoreChange::Unchanged;
        if (add ? CertAddCertificateContextToStore(store, certificate.get(), CERT_STORE_ADD_NEW, nullptr)
                : CertDeleteCertificateFromStore(present.release())) {
            return StoreChange::Changed;
        }
        error = ErrorText(add ? "CertAddCertificateContextToStore" : "CertDeleteCertificateFromStore");
        return StoreChange::Failed;
    }
    const win::CrlContext list = CrlOf(entry);
    win::CrlContext present(CertFindCRLInStore(store, kEncoding, 0, CRL_FIND_EXISTING, list.get(), nullptr));
    if (bool(present) == add) return StoreChange::Unchanged;
    if (add ? CertAddCRLContextToStore(store, list.get(), CERT_STORE_ADD_NEW, nullptr)
            : CertDeleteCRLFromStore(present.release())) {
        return StoreChange::Changed;
    }
    error = ErrorText(add ? "CertAddCRLContextToStore" : "CertDeleteCRLFromStore");
    return StoreChange::Failed;
}

StoreChange ChangeStore(const std::string& name, StoreLocation where, const StoreEntry& entry, bool add,
                        std::string& error) {
    win::CertStore store = OpenStore(name, where);
    if (!store) {
        error = ErrorText(("opening the store " + name).c_str());
        return StoreChange::Failed;
    }
    const StoreChange change = Change(store.get(), entry, add, error);
    store.reset();
    return change;
}

}  // namespace

std::optional<StoreEntry> StoreEntryFromFile(const std::vector<uint8_t>& file, std::string& error) {
    StoreEntry entry{StoreEntryKind::Certificate, file};
    if (!file.empty() && file[0] != 0x30) {
        // Text: PEM (certificate or X509 CRL armour) or bare Base64.
        std::string text(file.begin(), file.end());
        codec::DerBlock der;
        if (codec::NormaliseAndDecode(text.data(), 0, der) != codec::TextStep::Ok) {
            error = "the file holds neither DER nor PEM or Base64 text of at most 4096 bytes";
            return std::nullopt;
        }
        entry.der.assign(der.bytes, der.bytes + der.length);
    }
    if (CertificateOf(entry)) return entry;
    entry.kind = StoreEntryKind::Crl;
    if (CrlOf(entry)) return entry;
    error = "the file holds no certificate and no revocation list";
    return std::nullopt;
}

StoreChange AddStoreEntry(const std::string& store, StoreLocation where, const StoreEntry& entry, std::string& error) {
    return ChangeStore(store, where, entry, true, error);
}

StoreChange RemoveStoreEntry(const std::string& store, StoreLocation where, const StoreEntry& entry,
                             std::string& error) {
    return ChangeStore(store, where, entry, false, error);
}

}  // namespace vemo::token::provision
