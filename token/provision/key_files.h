// Reading the files a token is provisioned from: certificates and RSA private keys, in PEM or
// DER, keys as PKCS#1 (RSAPrivateKey) or unencrypted PKCS#8 (PrivateKeyInfo).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "token/store/token_store.h"

namespace vemo::token::provision {

// The whole file; false with `error` set when it cannot be read or is empty.
bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& bytes, std::string& error);

// The DER of a certificate file (PEM "CERTIFICATE" or DER); empty with `error` set otherwise.
std::vector<uint8_t> CertificateDer(const std::vector<uint8_t>& file, std::string& error);

// The key of a private key file as a CryptoAPI PRIVATEKEYBLOB; empty with `error` set when the
// file holds no unencrypted RSA private key.
SecretBytes PrivateKeyBlob(const std::vector<uint8_t>& file, std::string& error);

}  // namespace vemo::token::provision
