// The key choice for signing: which key signs, and how to reach it. One piece for every signer:
// the raw signature record (C_VEMO_SignEx, C_VEMO_Sign), C_VEMO_SignData, and a message signer.
//  - token and trace editions (sign/token_signing_key.cpp): the token's first real container's
//    key (exchange first, else signature), or, given a serial number, the key of any container
//    whose certificate has it; the certificate stored with the key;
//  - picker edition (picker/personal_signing_key.cpp): the personal store's certificate chosen
//    by serial number, subject, earlier choice or dialog, and the private key the platform
//    finds for it.
// What it hands out serves a message signer as well: the signer's certificate, a provider
// context holding the key and its key spec, and for a token key the container's name (with the
// provider's, the key location).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "frame/win_handles.h"
#include "sign/hash_signature.h"

namespace vemo::sign {

struct SigningKey {
    win::ProviderContext ownedContext;  // when the caller must release the context (released last)
    HCRYPTPROV context = 0;             // the context holding the key
    win::CryptKey userKey;              // the key itself, for its size
    DWORD keySpec = 0;                  // AT_KEYEXCHANGE or AT_SIGNATURE
    win::CertificateContext certificate;
    std::string container;  // token: the container's name with its suffix; empty otherwise

    // The key's size in bytes, which is its signatures' length; 0 when the provider cannot say.
    uint32_t signatureLength() const;
};

// A look at the certificate as soon as it is known, before the key is reached where the
// edition reaches it afterwards (the record's serial text); a non-zero answer ends the choice
// with that code.
using CertificateCheck = std::function<int32_t(PCCERT_CONTEXT)>;

// Chooses the key: 0 with `key` filled, or the codes of C_VEMO_SignEx (-5, -101, -512, -501;
// picker: -1011, -1001, -512, -305, -2). Token and trace editions: `selector` null or empty
// takes the first real container, else it is the serial number of the key's certificate;
// `selectionMode` is not examined. Picker edition: both as C_VEMO_SignEx reads them. Each
// failure is written to the user log in the token edition in C_VEMO_SignEx's words;
// `failedStep` names the call that failed, for a caller that traces.
int32_t ChooseSigningKey(int32_t selectionMode, const char* selector, SigningKey& key, const char*& failedStep,
                         const CertificateCheck& check = {});

// ChooseSigningKey as the exports from ordinal 20 on report it: a refusal traced in the trace
// edition (the token edition's log has the choice's own entry), and the key's signature length
// read into `signatureLength` (E_SIGN_ERROR, reported, when the provider cannot say).
int32_t ChooseSizedSigningKey(int32_t selectionMode, const char* selector, SigningKey& key,
                              uint32_t& signatureLength);

// Signs the digest (`algorithm`) of the data with the chosen key, most significant byte first,
// refusing a signature longer than `maximum`. A key whose provider makes no digest of the
// algorithm (NTE_BAD_ALGID: a key of the base provider and SHA-2) is moved to the platform's
// AES-capable provider first (MoveToAesProvider).
HashSignStep SignWithKey(SigningKey& key, ALG_ID algorithm, const uint8_t* data, uint32_t length, size_t maximum,
                         std::vector<uint8_t>& value);

// Reopens the key's container in the platform's AES-capable provider (PROV_RSA_AES), which
// holds the key containers of the platform's other RSA providers and makes SHA-2 digests, and
// signs with it from then on. False, the key left as it was, when the container does not open
// there or holds no key of the key spec.
bool MoveToAesProvider(SigningKey& key);

}  // namespace vemo::sign
