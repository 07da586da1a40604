// What path validation reads of one certificate, decoded once on the bounded reader: its names,
// the extensions that decide whether it may issue (basic constraints, key usage, name
// constraints), its alternative names, its key identifiers, and whether it marks critical an
// extension that is not processed here. Portable (no windows.h).
#pragma once

#include <cstdint>

#include "cert/certificate_extensions.h"
#include "codec/byte_reader.h"
#include "codec/distinguished_name.h"

namespace vemo::validate {

// KeyUsage bits, as the first content byte of the BIT STRING holds them.
inline constexpr uint8_t kKeyUsageCertSign = 0x04;  // keyCertSign (5)
inline constexpr uint8_t kKeyUsageCrlSign = 0x02;   // cRLSign (6)

struct PathCertificate {
    cert::CertificateParts parts;
    codec::CanonicalName subject;
    codec::CanonicalName issuer;
    bool selfIssued = false;  // subject and issuer are the same name

    bool hasBasicConstraints = false;
    bool ca = false;
    bool hasPathLength = false;
    uint32_t pathLength = 0;

    bool hasKeyUsage = false;
    uint8_t keyUsage = 0;  // the first byte of the bits (digitalSignature .. cRLSign)

    codec::ByteReader subjectAltNames;  // GeneralNames contents; empty without the extension
    bool hasNameConstraints = false;
    codec::ByteReader nameConstraints;  // NameConstraints contents

    codec::ByteReader subjectKeyId;    // the key identifier's bytes; empty without
    codec::ByteReader authorityKeyId;  // the authority key identifier's keyIdentifier; empty without

    // A critical extension that path validation does not process: the certificate is refused.
    bool unprocessedCritical = false;

    bool mayIssue() const { return !hasKeyUsage || (keyUsage & kKeyUsageCertSign) != 0; }
};

// Reads the certificate (`size` bytes of DER at `der`), which must outlive `certificate`.
// False when it is malformed, or one of the extensions read here is.
bool ReadPathCertificate(const uint8_t* der, size_t size, PathCertificate& certificate);

}  // namespace vemo::validate
