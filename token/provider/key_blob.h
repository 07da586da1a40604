// What the provider reads of CryptoAPI's RSA key blobs: BLOBHEADER, RSAPUBKEY, then the key's
// numbers. Every read is bounded by the blob's size.
#pragma once

#include <windows.h>
#include <wincrypt.h>

#include <cstdint>
#include <optional>

namespace vemo::csp {

struct RsaBlobInfo {
    ALG_ID algorithm;  // CALG_RSA_KEYX or CALG_RSA_SIGN
    DWORD bits;        // modulus length
};

// The blob's algorithm and modulus length, if it is an RSA blob of `type` (PUBLICKEYBLOB or
// PRIVATEKEYBLOB) holding all the numbers its header announces.
std::optional<RsaBlobInfo> ReadRsaBlob(const uint8_t* data, size_t size, BYTE type);

// The key spec a key of `algorithm` takes when it is imported: AT_SIGNATURE for
// CALG_RSA_SIGN, AT_KEYEXCHANGE otherwise.
DWORD KeySpecOf(ALG_ID algorithm);

}  // namespace vemo::csp
