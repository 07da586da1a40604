// Inputs no honest caller sends, for the bad-input tests: DER that lies about its lengths or
// nests without end, certificates with fields at the edge of what the library takes, and the
// text forms of any DER.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vemo::test {

using Bytes = std::vector<uint8_t>;

// A SEQUENCE whose length claims about 2 GB and that holds a few bytes.
Bytes LengthPastTheEnd();
// A SEQUENCE whose length field is nine bytes long: more than any size.
Bytes OverlongLengthField();
// A SEQUENCE of BER's open length, which DER forbids.
Bytes IndefiniteLength();
// SEQUENCE inside SEQUENCE, `depth` levels, around an INTEGER.
Bytes DeepNesting(size_t depth);

// Certificates signed with the test PKI user "user1024"'s key, subject and issuer
// "CN=Vemo Hostile", valid 2001 to 2040:
// with user1024's public key and a serial number of `serialBytes` bytes;
Bytes CertificateWithLongSerial(size_t serialBytes);
// with a made-up 4096-bit RSA public key (nobody holds its private key).
Bytes CertificateWith4096BitKey();

// The DER as one line of Base64.
std::string Base64Of(const Bytes& der);
// The DER in "CERTIFICATE" armour with 64-character lines, padded with line breaks after the
// end line to `length` characters when that is longer.
std::string PemOf(const Bytes& der, size_t length = 0);

}  // namespace vemo::test
