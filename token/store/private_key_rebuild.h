// Rebuilding an RSA private key from its modulus, public exponent and primes. Under Wine, a PFX
// import garbles a private-key number that is shorter than its field in the key blob (a CRT
// exponent or the coefficient below 2^(bits/2 - 9)) and every number after it, while the
// modulus, the exponent and the primes before them come through: from those the rest follows.
// Portable (no windows.h): the blob layout is written out here.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vemo::token {

// A CryptoAPI PRIVATEKEYBLOB: an 8-byte BLOBHEADER, the RSAPUBKEY (magic "RSA2", the modulus
// length in bits, the public exponent; little-endian), then, least significant byte first, the
// modulus and d in bits/8 bytes each and the primes p and q, d mod (p-1), d mod (q-1) and
// q^-1 mod p in bits/16 bytes each, in the order n, p, q, dp, dq, qinv, d.
//
// Computes dp, dq, qinv and d (the inverse of the exponent modulo (p-1)(q-1)) from n, e, p and q
// and writes them over the blob's own. False, leaving the blob as it was, when it is no whole
// RSA private key blob, its primes do not multiply to its modulus (then nothing after the
// modulus can be trusted), or its exponent is not invertible (below 3, or sharing a factor with
// p-1 or q-1).
bool RebuildPrivateKeyNumbers(uint8_t* blob, size_t size);

}  // namespace vemo::token
