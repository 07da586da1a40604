// A revocation list's DER read on the bounded reader: what the judgement compares (issuer,
// dates, entries, extensions), and the extensions it processes. The platform decodes lists
// differently from one implementation to the next (one cannot decode an issuing distribution
// point that names attribute certificates), so every part the answer rests on is read here.
// Portable (no windows.h).
#pragma once

#include <cstdint>

#include "cert/certificate_extensions.h"
#include "codec/byte_reader.h"

namespace vemo::validate {

// Seconds since 1970-01-01 00:00:00 UTC.
using UtcSeconds = int64_t;

// A UTCTime (years 1950 to 2049) or GeneralizedTime contents as RFC 5280 writes them, in UTC
// ("Z"); seconds may be left out and GeneralizedTime may carry a fraction. False otherwise.
bool ReadTime(uint8_t tag, codec::ByteReader contents, UtcSeconds& time);

struct RevocationList {
    codec::ByteReader issuer;  // Name, whole element
    UtcSeconds thisUpdate = 0;
    bool hasNextUpdate = false;
    UtcSeconds nextUpdate = 0;
    codec::ByteReader entries;     // the revokedCertificates SEQUENCE's contents; empty without
    codec::ByteReader extensions;  // the Extensions SEQUENCE's contents; empty without
};

// The list's parts, the list being `der` exactly (CertificateList). Its entries and extensions
// are checked to be well formed too. False for anything else.
bool ReadRevocationList(codec::ByteReader der, RevocationList& list);

// One entry of the list.
struct RevokedEntry {
    codec::ByteReader serialNumber;  // the INTEGER's content bytes
    codec::ByteReader extensions;    // the entry's Extensions contents; empty without
};

// The next entry of `entries`; the reader moves past it. False when malformed or none is left.
bool ReadNextEntry(codec::ByteReader& entries, RevokedEntry& entry);

// The list's issuing distribution point, as far as it limits what the list covers.
struct IssuingDistributionPoint {
    bool hasName = false;
    codec::ByteReader name;  // DistributionPointName's contents ([0] full name or [1] relative)
    uint8_t nameTag = 0;     // 0xA0 fullName, 0xA1 nameRelativeToCRLIssuer
    bool onlyUserCertificates = false;
    bool onlyCaCertificates = false;
    bool onlySomeReasons = false;
    bool indirect = false;
    bool onlyAttributeCertificates = false;
};

// The issuing distribution point extension's value (its DER). False when malformed.
bool ReadIssuingDistributionPoint(codec::ByteReader value, IssuingDistributionPoint& point);

// Extension identifiers of lists and their entries.
inline constexpr uint8_t kCrlNumberBytes[] = {0x55, 0x1D, 0x14};                 // 2.5.29.20
inline constexpr uint8_t kReasonCodeBytes[] = {0x55, 0x1D, 0x15};                // 2.5.29.21
inline constexpr uint8_t kHoldInstructionBytes[] = {0x55, 0x1D, 0x17};           // 2.5.29.23
inline constexpr uint8_t kInvalidityDateBytes[] = {0x55, 0x1D, 0x18};            // 2.5.29.24
inline constexpr uint8_t kDeltaCrlIndicatorBytes[] = {0x55, 0x1D, 0x1B};         // 2.5.29.27
inline constexpr uint8_t kIssuingDistributionPointBytes[] = {0x55, 0x1D, 0x1C};  // 2.5.29.28
inline constexpr uint8_t kCertificateIssuerBytes[] = {0x55, 0x1D, 0x1D};         // 2.5.29.29
inline constexpr cert::ObjectId kCrlNumber{kCrlNumberBytes, sizeof kCrlNumberBytes};
inline constexpr cert::ObjectId kReasonCode{kReasonCodeBytes, sizeof kReasonCodeBytes};
inline constexpr cert::ObjectId kHoldInstruction{kHoldInstructionBytes, sizeof kHoldInstructionBytes};
inline constexpr cert::ObjectId kInvalidityDate{kInvalidityDateBytes, sizeof kInvalidityDateBytes};
inline constexpr cert::ObjectId kDeltaCrlIndicator{kDeltaCrlIndicatorBytes, sizeof kDeltaCrlIndicatorBytes};
inline constexpr cert::ObjectId kIssuingDistributionPoint{kIssuingDistributionPointBytes,
                                                          sizeof kIssuingDistributionPointBytes};
inline constexpr cert::ObjectId kCertificateIssuer{kCertificateIssuerBytes, sizeof kCertificateIssuerBytes};

}  // namespace vemo::validate
