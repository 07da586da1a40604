#include "token/provision/container_import.h"

#include <windows.h>
#include <wincrypt.h>

#include <algorithm>

#include "frame/win_handles.h"
#include "token/provision/error_text.h"
#include "token/provision/key_files.h"
#include "token/store/private_key_rebuild.h"
#include "token/store/token_store.h"

namespace vemo::token::provision {
namespace {

ImportResult Failure(std::string error) { return {std::nullopt, std::move(error)}; }

// " (<last error>)", or nothing when the failing call set none.
std::string LastErrorText() {
    const DWORD error = GetLastError();
    return error == 0 ? std::string() : " (" + ErrorCodeText(error) + ")";
}

// A context of the system RSA provider that persists nothing: what is imported into it lives
// only as long as the context.
win::ProviderContext TemporaryContext() {
    win::ProviderContext context;
    CryptAcquireContextA(context.put(), nullptr, MS_ENHANCED_PROV_A, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT);
    return context;
}

// The public half of an RSA key: its PUBLICKEYBLOB after the header, which would also name
// the algorithm (exchange or signature) the key happens to be held under.
std::vector<uint8_t> PublicPart(HCRYPTKEY key) {
    DWORD size = 0;
    if (!CryptExportKey(key, 0, PUBLICKEYBLOB, 0, nullptr, &size)) return {};
    std::vector<uint8_t> blob(size);
    if (!CryptExportKey(key, 0, PUBLICKEYBLOB, 0, blob.data(), &size) || size <= sizeof(BLOBHEADER)) return {};
    return std::vector<uint8_t>(blob.begin() + sizeof(BLOBHEADER), blob.begin() + size);
}

// The public half of the certificate's key (PublicPart); empty when it cannot be read.
std::vector<uint8_t> CertificatePublicPart(PCCERT_CONTEXT certificate) {
    // A context of its own: a public key imported beside a private one could take its place.
    const win::ProviderContext scratch = TemporaryContext();
    win::CryptKey certificateKey;
    if (!scratch || !CryptImportPublicKeyInfo(scratch.get(), X509_ASN_ENCODING,
                                              &certificate->pCertInfo->SubjectPublicKeyInfo, certificateKey.put())) {
        return {};
    }
    return PublicPart(certificateKey.get());
}

// Whether the certificate is the one of `key`: it holds the key's public half.
bool HoldsKey(PCCERT_CONTEXT certificate, HCRYPTKEY key) {
    const std::vector<uint8_t> expected = PublicPart(key);
    return !expected.empty() && expected == CertificatePublicPart(certificate);
}

// A public half read as RSAPUBKEY (magic, bit length, public exponent) and the modulus.
constexpr size_t kExponentAt = 8;
constexpr size_t kModulusAt = sizeof(RSAPUBKEY);

// Whether the certificate holds the modulus of `key`, whatever the exponents say: a PFX import
// under Wine gives every key the exponent 65537.
bool SharesModulus(PCCERT_CONTEXT certificate, HCRYPTKEY key) {
    const std::vector<uint8_t> mine = PublicPart(key), theirs = CertificatePublicPart(certificate);
    return mine.size() > kModulusAt && mine.size() == theirs.size() &&
           std::equal(mine.begin(), mine.begin() + kExponentAt, theirs.begin()) &&
           std::equal(mine.begin() + kModulusAt, mine.end(), theirs.begin() + kModulusAt);
}

std::string DisplayName(PCCERT_CONTEXT certificate) {
    char name[256] = {};
    CertGetNameStringA(certificate, CERT_NAME_SIMPLE_DISPLAY_TYPE, 0, nullptr, name, sizeof name);
    return name;
}

// What is said of a key that does not sign, by where it came from.
constexpr char kKeyFileDoesNotSign[] =
    "the private key does not sign: its signatures do not verify with the certificate's public key";
constexpr char kPfxKeyDoesNotSign[] =
    "the private key did not survive the PFX import: its signatures do not verify with the certificate's "
    "public key, and it cannot be rebuilt from what the import kept; try add-key with the key and certificate "
    "files";

// The container of an exportable key and its certificate; `doesNotSign` says why a key that
// fails its proof is refused, and `problem` tells that it was refused for that.
ImportResult MakeUserContainer(HCRYPTKEY key, PCCERT_CONTEXT certificate, const ContainerOptions& options,
                               const char* doesNotSign, ContainerProblem* problem = nullptr) {
    const std::string name = options.name.empty() ? DisplayName(certificate) : options.name;
    if (name.empty()) return Failure("the certificate has no name to give the container; choose one with --name");
    std::vector<uint8_t> der(certificate->pbCertEncoded, certificate->pbCertEncoded + certificate->cbCertEncoded);
    ContainerProblem why = ContainerProblem::None;
    std::optional<Container> container = MakeContainer(name, options.keySpec, key, std::move(der), &why);
    if (problem != nullptr) *problem = why;
    if (why == ContainerProblem::KeyDoesNotSign) return Failure(doesNotSign);
    if (!container) return Failure("cannot take and protect the private key" + LastErrorText());
    return {std::move(container), {}};
}

// The key rebuilt from its modulus, the certificate's exponent and its primes (the numbers after
// the primes computed anew), imported as exportable into `context`; false when it cannot be.
bool RebuiltKey(HCRYPTKEY key, PCCERT_CONTEXT certificate, HCRYPTPROV context, win::CryptKey& rebuilt) {
    const std::vector<uint8_t> certificateKey = CertificatePublicPart(certificate);
    DWORD size = 0;
    if (certificateKey.size() <= kModulusAt || !CryptExportKey(key, 0, PRIVATEKEYBLOB, 0, nullptr, &size)) {
        return false;
    }
    std::vector<uint8_t> blob(size);
    const WipedOnExit<std::vector<uint8_t>> wipe(blob);
    if (!CryptExportKey(key, 0, PRIVATEKEYBLOB, 0, blob.data(), &size) || size != blob.size() ||
        size < sizeof(BLOBHEADER) + certificateKey.size()) {
        return false;
    }
    std::copy(certificateKey.begin() + kExponentAt, certificateKey.begin() + kModulusAt,
              blob.begin() + sizeof(BLOBHEADER) + kExponentAt);
    return RebuildPrivateKeyNumbers(blob.data(), blob.size()) &&
           CryptImportKey(context, blob.data(), size, 0, CRYPT_EXPORTABLE, rebuilt.put());
}

// The container of a PFX file's key and its certificate (which holds the key's modulus). Under
// Wine the import gives every key the exponent 65537, and garbles a private-key number shorter
// than its field and every number after it, while reporting success; the modulus and the primes
// before those numbers come through. So a key that does not sign as imported is rebuilt from
// its modulus and primes and the certificate's exponent, and proved again.
ImportResult PfxContainer(HCRYPTKEY key, PCCERT_CONTEXT certificate, const ContainerOptions& options) {
    ImportResult made = Failure(kPfxKeyDoesNotSign);
    if (HoldsKey(certificate, key)) {
        ContainerProblem problem = ContainerProblem::None;
        made = MakeUserContainer(key, certificate, options, kPfxKeyDoesNotSign, &problem);
        if (problem != ContainerProblem::KeyDoesNotSign) return made;
    }
    const win::ProviderContext temporary = TemporaryContext();
    win::CryptKey rebuilt;
    if (!temporary || !RebuiltKey(key, certificate, temporary.get(), rebuilt)) return made;
    return MakeUserContainer(rebuilt.get(), certificate, options, kPfxKeyDoesNotSign);
}

bool ValidKeySpec(uint32_t keySpec) { return keySpec == kKeyExchange || keySpec == kKeySignature; }

// Where a PFX import put its key. Windows persists nothing under PKCS12_NO_PERSIST_KEY; Wine
// puts the key in a key container all the same, which is deleted once the blob has been taken.
// (Wine also keeps the import's context open to the end of the process, when its RSA provider
// writes that context's key back, protected for the user as its keys always are.)
struct ImportedKeyContainer {
    std::string container;
    std::string provider;
    DWORD type = 0;

    static ImportedKeyContainer Of(HCRYPTPROV context) {
        ImportedKeyContainer where;
        where.container = Parameter(context, PP_CONTAINER);
        where.provider = Parameter(context, PP_NAME);
        DWORD size = sizeof where.type;
        if (!CryptGetProvParam(context, PP_PROVTYPE, reinterpret_cast<BYTE*>(&where.type), &size, 0)) where.type = 0;
        return where;
    }

    void remove() const {
        if (container.empty() || provider.empty() || type == 0) return;
        HCRYPTPROV deleted = 0;  // CRYPT_DELETEKEYSET hands back no context
        CryptAcquireContextA(&deleted, container.c_str(), provider.c_str(), type, CRYPT_DELETEKEYSET);
    }

private:
    static std::string Parameter(HCRYPTPROV context, DWORD parameter) {
        char text[512] = {};
        DWORD size = sizeof text - 1;
        if (!CryptGetProvParam(context, parameter, reinterpret_cast<BYTE*>(text), &size, 0)) return {};
        return text;
    }
};

// The private key a PFX import attached to `certificate`, if any. The import leaves the key's
// context on the certificate (the cache flag finds it there); `owner` keeps a context the
// caller has to release.
win::CryptKey PrivateKeyOf(PCCERT_CONTEXT certificate, win::ProviderContext& owner, HCRYPTPROV& context) {
    DWORD keySpec = 0;
    BOOL callerFrees = FALSE;
    win::CryptKey key;
    if (!CryptAcquireCertificatePrivateKey(certificate, CRYPT_ACQUIRE_CACHE_FLAG, nullptr, &context, &keySpec,
                                           &callerFrees)) {
        return key;
    }
    if (callerFrees) owner.reset(context);
    // Some systems report both key specs (3) for an imported key: ask for each.
    if (!CryptGetUserKey(context, AT_KEYEXCHANGE, key.put())) CryptGetUserKey(context, AT_SIGNATURE, key.put());
    return key;
}

}  // namespace

ImportResult ContainerFromPfx(const std::vector<uint8_t>& pfx, const wchar_t* password,
                              const ContainerOptions& options) {
    if (!ValidKeySpec(options.keySpec)) return Failure("the key spec must be exchange or signature");
    CRYPT_DATA_BLOB blob{static_cast<DWORD>(pfx.size()), const_cast<BYTE*>(pfx.data())};
    win::CertStore store(
        PFXImportCertStore(&blob, password != nullptr ? password : L"", CRYPT_EXPORTABLE | PKCS12_NO_PERSIST_KEY));
    if (!store) return Failure("cannot read the PFX file: wrong password, or not a PKCS#12 file" + LastErrorText());

    ImportResult result = Failure("the PFX file holds no certificate of its private key");
    std::vector<ImportedKeyContainer> imported;
    PCCERT_CONTEXT certificate = nullptr;
    while (!result.container && (certificate = CertEnumCertificatesInStore(store.get(), certificate)) != nullptr) {
        win::ProviderContext owner;
        HCRYPTPROV context = 0;
        const win::CryptKey key = PrivateKeyOf(certificate, owner, context);
        if (!key) continue;
        imported.push_back(ImportedKeyContainer::Of(context));
        if (SharesModulus(certificate, key.get())) result = PfxContainer(key.get(), certificate, options);
    }
    if (certificate != nullptr) CertFreeCertificateContext(certificate);  // the loop stopped early
    store.reset();
    for (const ImportedKeyContainer& where : imported) where.remove();
    return result;
}

ImportResult ContainerFromKeyFiles(const std::vector<uint8_t>& keyFile, const std::vector<uint8_t>& certificateFile,
                                   const ContainerOptions& options) {
    if (!ValidKeySpec(options.keySpec)) return Failure("the key spec must be exchange or signature");
    std::string error;
    const std::vector<uint8_t> der = CertificateDer(certificateFile, error);
    if (der.empty()) return Failure("certificate: " + error);
    const SecretBytes blob = PrivateKeyBlob(keyFile, error);
    if (blob.empty()) return Failure("private key: " + error);

    const win::ProviderContext temporary = TemporaryContext();
    if (!temporary) return Failure("cannot open the system RSA provider" + LastErrorText());
    win::CryptKey key;
    if (!CryptImportKey(temporary.get(), blob.data(), static_cast<DWORD>(blob.size()), 0, CRYPT_EXPORTABLE,
                        key.put())) {
        return Failure("private key: the system RSA provider refused it" + LastErrorText());
    }
    const win::CertificateContext certificate(
        CertCreateCertificateContext(X509_ASN_ENCODING, der.data(), static_cast<DWORD>(der.size())));
    if (!certificate || !HoldsKey(certificate.get(), key.get())) {
        return Failure("the certificate is not the private key's: its public key differs");
    }
    return MakeUserContainer(key.get(), certificate.get(), options, kKeyFileDoesNotSign);
}

ImportResult ContainerFromPfxFile(const std::string& path, const std::string& password,
                                  const ContainerOptions& options) {
    std::vector<uint8_t> pfx;
    std::string error;
    if (!ReadWholeFile(path, pfx, error)) return Failure(error);
    // The password in UTF-16, as PFXImportCertStore takes it; never in a string that keeps a
    // copy of its own.
    const int units = MultiByteToWideChar(CP_ACP, 0, password.data(), static_cast<int>(password.size()), nullptr, 0);
    std::vector<wchar_t> wide(static_cast<size_t>(units) + 1, L'\0');
    const WipedOnExit<std::vector<wchar_t>> wipe(wide);
    MultiByteToWideChar(CP_ACP, 0, password.data(), static_cast<int>(password.size()), wide.data(), units);
    return ContainerFromPfx(pfx, wide.data(), options);
}

ImportResult ContainerFromKeyFilePaths(const std::string& keyPath, const std::string& certificatePath,
                                       const ContainerOptions& options) {
    std::vector<uint8_t> key, certificate;
    const WipedOnExit<std::vector<uint8_t>> wipe(key);
    std::string error;
    if (!ReadWholeFile(keyPath, key, error) || !ReadWholeFile(certificatePath, certificate, error)) {
        return Failure(error);
    }
    return ContainerFromKeyFiles(key, certificate, options);
}

Container ContainerWithoutKey(const std::string& name) {
    Container container;
    container.name = name;
    return container;
}

bool AddContainer(TokenImage& image, Container container, std::string& error) {
    if (container.name.empty()) {
        error = "a container needs a name";
    } else if (container.name.size() > kMaxNameLength) {
        error = "container names are at most " + std::to_string(kMaxNameLength) + " bytes";
    } else if (std::any_of(image.containers.begin(), image.containers.end(),
                           [&](const Container& other) { return other.name == container.name; })) {
        error = "the token already holds a container named \"" + container.name + "\"";
    } else if (image.containers.size() >= kMaxContainers) {
        error = "the token is full (" + std::to_string(kMaxContainers) + " containers)";
    } else {
        image.containers.push_back(std::move(container));
        return true;
    }
    return false;
}

bool AddSecondKey(TokenImage& image, const std::string& name, Container imported, std::string& error) {
    const auto found = std::find_if(image.containers.begin(), image.containers.end(),
                                    [&](const Container& container) { return container.name == name; });
    if (found == image.containers.end()) {
        error = "the token holds no container named \"" + name + "\"";
    } else if (!found->hasKey()) {
        error = "the container \"" + name + "\" has no key to add a second one to";
    } else if (found->secondKey) {
        error = "the container \"" + name + "\" already holds two keys";
    } else if (found->keySpec == imported.keySpec) {
        error = std::string("the container \"") + name + "\" already holds a key of that spec; choose the " +
                (imported.keySpec == kKeySignature ? "exchange" : "signature") + " one with --spec";
    } else {
        found->secondKey = KeyPair{imported.keySpec, std::move(imported.protectedKey), std::move(imported.publicKey),
                                   std::move(imported.certificate)};
        return true;
    }
    return false;
}

}  // namespace vemo::token::provision
