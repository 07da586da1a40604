// The proof that a private key signs, made wherever a token container is made: a fixed digest
// signed with the key as the token will hold it (its PRIVATEKEYBLOB, imported into a context of
// the system's RSA provider of its own) must verify with the public key of the key's
// certificate (or, without one, with the key's own public half), in the system's provider too.
// A key that an import damaged (under Wine, a PFX import zeroes a private-key component shorter
// than its field and reports success) makes signatures that verify with nothing; such a key is
// refused before anything is stored.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vemo::token {

// Whether `privateBlob` (a PRIVATEKEYBLOB, its algorithm saying the key spec) signs what the
// public key of `certificate` (DER), or of `publicBlob` (a PUBLICKEYBLOB) when the certificate
// is empty, verifies.
bool KeySigns(const uint8_t* privateBlob, size_t size, const std::vector<uint8_t>& certificate,
              const std::vector<uint8_t>& publicBlob);

}  // namespace vemo::token
