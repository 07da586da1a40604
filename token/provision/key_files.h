// Reading the files a token is provisioned from: certificates and RSA private keys, in PEM or
// DER, keys as PKCS#1 (RSAPrivateKey) or unencrypted PKCS#8 (PrivateKeyInfo).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "token/store/token_store.h"

namespace vemo::token::provision {

// Files the tool reads whole (certificates, keys, PFX files and revocation lists) are at most this long.
inline constexpr long long kFileSizeMax = 64 * 1024 * 1024;

// The whole file, read into a buffer of its size and no other; false with `error` set when it
// cannot be read, is empty or is larger than kFileSizeMax.
bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& bytes, std::string& error);

// The DER of a certificate file (PEM "CERTIFICATE" or DER); empty with `error` set otherwise.
std::vector<uint8_t> CertificateDer(const std::vector<uint8_t>& file, std::string& error);

// The key of a private key file as a CryptoAPI PRIVATEKEYBLOB; empty with `error` set when the
// file holds no unencrypted RSA private key.
SecretBytes PrivateKeyBlob(const std::vector<uint8_t>& file, std::string& error);

}  // namespace vemo::token::provision
