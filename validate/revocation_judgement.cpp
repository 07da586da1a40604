#include "validate/revocation_judgement.h"

#include <algorithm>
#include <optional>

#include "CVemoDll_C.h"
#include "cert/certificate_extensions.h"
#include "codec/der_element.h"
#include "codec/der_tags.h"
#include "codec/distinguished_name.h"

namespace vemo::validate {
namespace {

using codec::ByteReader;
using codec::CanonicalName;

constexpr uint8_t kTagEnumerated = 0x0A;
constexpr uint8_t kTagFullName = 0xA0;       // DistributionPointName fullName [0]
constexpr uint8_t kTagDirectoryName = 0xA4;  // GeneralName directoryName [4] EXPLICIT Name
constexpr uint32_t kReasonRemoveFromList = 8;

// The extension `id` of an Extensions contents; nullopt when absent or when they are malformed.
std::optional<cert::Extension> FindExtension(ByteReader extensions, cert::ObjectId id) {
    while (!extensions.empty()) {
        cert::Extension extension;
        if (!cert::ReadNextExtension(extensions, extension)) return std::nullopt;
        if (cert::IsObjectId(extension.id, id)) return extension;
    }
    return std::nullopt;
}

// KeyUsage ::= BIT STRING { ..., cRLSign (6), ... }: allowed when the extension is absent.
bool MaySignLists(const cert::CertificateParts& parts) {
    const std::optional<cert::Extension> usage = FindExtension(parts.extensions, cert::kKeyUsage);
    if (!usage) return true;
    ByteReader value = usage->value, bits;
    uint8_t unusedBits = 0, first = 0;
    return codec::ReadElementTagged(value, codec::kTagBitString, bits) && bits.readU8(unusedBits) &&
           bits.readU8(first) && (first & 0x02) != 0;
}

bool SignedByTrustedKey(const CanonicalName& issuer, const std::vector<ByteReader>& candidates,
                        const ListSignatureCheck& signedBy) {
    for (size_t i = 0; i < candidates.size(); ++i) {
        cert::CertificateParts parts;
        CanonicalName subject;
        if (!cert::ReadCertificateParts(candidates[i].data(), candidates[i].remaining(), parts) ||
            !subject.read(parts.subject) || subject != issuer || !MaySignLists(parts)) {
            continue;
        }
        if (signedBy(i)) return true;
    }
    return false;
}

// Serial numbers as integers: leading zero bytes do not count.
bool SameSerialNumber(ByteReader a, ByteReader b) {
    auto significant = [](ByteReader r) {
        uint8_t byte = 0;
        while (r.remaining() > 1 && r.peekU8(byte) && byte == 0) r.skip(1);
        return r;
    };
    a = significant(a);
    b = significant(b);
    return a.remaining() == b.remaining() && std::equal(a.data(), a.data() + a.remaining(), b.data());
}

// The directory name among GeneralNames' contents; false when there is none or it is malformed.
bool DirectoryNameOf(ByteReader generalNames, CanonicalName& name) {
    while (!generalNames.empty()) {
        uint8_t tag = 0;
        ByteReader contents;
        if (!codec::ReadElement(generalNames, tag, contents)) return false;
        if (tag == kTagDirectoryName) return name.read(contents);
    }
    return false;
}

// Reads an entry's reason code, and with it whether the entry takes a certificate off the list
// (removeFromCRL, in delta lists).
bool RemovesFromList(const cert::Extension& reason) {
    // CRLReason ::= ENUMERATED
    ByteReader value = reason.value, contents;
    uint8_t code = 0;
    return codec::ReadElementTagged(value, kTagEnumerated, contents) && contents.remaining() == 1 &&
           contents.readU8(code) && code == kReasonRemoveFromList;
}

struct EntryScan {
    bool holds = false;
    bool unprocessedCritical = false;
};

// Walks the entries for the certificate. An entry's certificate issuer extension names the
// issuer of it and of the entries after it (indirect lists); the others are the list issuer's.
EntryScan ScanEntries(ByteReader entries, const CanonicalName& certificateIssuer, ByteReader serialNumber) {
    EntryScan scan;
    bool ofTheIssuer = true;  // the list's issuer is the certificate's
    while (!entries.empty()) {
        RevokedEntry entry;
        if (!ReadNextEntry(entries, entry)) break;  // (checked when the list was read)
        bool removes = false;
        for (ByteReader extensions = entry.extensions; !extensions.empty();) {
            cert::Extension extension;
            if (!cert::ReadNextExtension(extensions, extension)) break;
            if (cert::IsObjectId(extension.id, kCertificateIssuer)) {
                // CertificateIssuer ::= GeneralNames
                ByteReader value = extension.value, names;
                CanonicalName named;
                ofTheIssuer = codec::ReadElementTagged(value, codec::kTagSequence, names) &&
                              DirectoryNameOf(names, named) && named == certificateIssuer;
            } else if (cert::IsObjectId(extension.id, kReasonCode)) {
                removes = RemovesFromList(extension);
            } else if (!cert::IsObjectId(extension.id, kInvalidityDate) &&
                       !cert::IsObjectId(extension.id, kHoldInstruction)) {
                scan.unprocessedCritical |= extension.critical;
            }
        }
        if (ofTheIssuer && !removes && SameSerialNumber(entry.serialNumber, serialNumber)) scan.holds = true;
    }
    return scan;
}

// One name a distribution point goes by: a directory name, or any other general name by its
// tag and bytes.
struct PointName {
    uint8_t tag = 0;
    ByteReader bytes;
    CanonicalName directory;
};

bool SameName(const PointName& a, const PointName& b) {
    if (a.tag != b.tag) return false;
    if (a.tag == kTagDirectoryName) return a.directory == b.directory;
    return a.bytes.remaining() == b.bytes.remaining() &&
           std::equal(a.bytes.data(), a.bytes.data() + a.bytes.remaining(), b.bytes.data());
}

// Adds the names of GeneralNames' contents.
bool AddGeneralNames(ByteReader generalNames, std::vector<PointName>& names) {
    while (!generalNames.empty()) {
        PointName name;
        if (!codec::ReadElement(generalNames, name.tag, name.bytes)) return false;
        if (name.tag == kTagDirectoryName && !name.directory.read(name.bytes)) return false;
        names.push_back(std::move(name));
    }
    return true;
}

// Adds the names of a DistributionPointName (`tag`, `contents`); a relative name is relative
// to `base`.
bool AddPointName(uint8_t tag, ByteReader contents, const CanonicalName& base, std::vector<PointName>& names) {
    if (tag == kTagFullName) return AddGeneralNames(contents, names);
    PointName name;
    name.tag = kTagDirectoryName;
    name.directory = base;
    if (!name.directory.appendRelative(contents)) return false;
    names.push_back(std::move(name));
    return true;
}

// The names of the certificate's own distribution points: each point's name, or its list
// issuers when it has no name; the certificate's issuer when it has no distribution points.
bool CertificatePointNames(const cert::CertificateParts& parts, const CanonicalName& issuer,
                           std::vector<PointName>& names) {
    const std::optional<cert::Extension> extension = FindExtension(parts.extensions, cert::kCrlDistributionPoints);
    if (!extension) {
        PointName name;
        name.tag = kTagDirectoryName;
        name.directory = issuer;
        names.push_back(std::move(name));
        return true;
    }
    // CRLDistributionPoints ::= SEQUENCE SIZE (1..MAX) OF DistributionPoint
    ByteReader value = extension->value, points;
    if (!codec::ReadElementTagged(value, codec::kTagSequence, points)) return false;
    while (!points.empty()) {
        // DistributionPoint ::= SEQUENCE { distributionPoint [0] DistributionPointName OPTIONAL,
        //                                  reasons [1] ReasonFlags OPTIONAL,
        //                                  cRLIssuer [2] GeneralNames OPTIONAL }
        ByteReader point, pointName, reasons, listIssuers;
        bool hasName = false, hasReasons = false, hasIssuers = false;
        if (!codec::ReadElementTagged(points, codec::kTagSequence, point) ||
            !codec::ReadOptionalElement(point, 0xA0, pointName, hasName) ||
            !codec::ReadOptionalElement(point, 0x81, reasons, hasReasons) ||
            !codec::ReadOptionalElement(point, 0xA2, listIssuers, hasIssuers) || !point.empty()) {
            return false;
        }
        CanonicalName base = issuer;
        if (hasIssuers && !DirectoryNameOf(listIssuers, base)) base = CanonicalName();
        uint8_t tag = 0;
        ByteReader contents;
        if (hasName) {
            if (!codec::ReadElement(pointName, tag, contents) || !AddPointName(tag, contents, base, names)) return false;
        } else if (hasIssuers && !AddGeneralNames(listIssuers, names)) {
            return false;
        }
    }
    return true;
}

// BasicConstraints ::= SEQUENCE { cA BOOLEAN DEFAULT FALSE, ... }; nullopt when malformed.
std::optional<bool> IsCaCertificate(const cert::CertificateParts& parts) {
    const std::optional<cert::Extension> extension = FindExtension(parts.extensions, cert::kBasicConstraints);
    if (!extension) return false;
    ByteReader value = extension->value, fields, flag;
    bool present = false, ca = false;
    if (!codec::ReadElementTagged(value, codec::kTagSequence, fields) ||
        !codec::ReadOptionalElement(fields, codec::kTagBoolean, flag, present) ||
        (present && !codec::ReadBooleanContents(flag, ca))) {
        return std::nullopt;
    }
    return ca;
}

// Whether the issuing distribution point `value` leaves the certificate out.
bool LeavesOut(ByteReader value, const cert::CertificateParts& parts, const CanonicalName& issuer) {
    IssuingDistributionPoint point;
    if (!ReadIssuingDistributionPoint(value, point)) return true;
    if (point.onlyAttributeCertificates || point.onlySomeReasons || point.indirect) return true;
    if (point.onlyUserCertificates || point.onlyCaCertificates) {
        const std::optional<bool> ca = IsCaCertificate(parts);
        if (!ca || (point.onlyUserCertificates && *ca) || (point.onlyCaCertificates && !*ca)) return true;
    }
    if (!point.hasName) return false;
    std::vector<PointName> listNames, certificateNames;
    if (!AddPointName(point.nameTag, point.name, issuer, listNames) ||
        !CertificatePointNames(parts, issuer, certificateNames)) {
        return true;
    }
    for (const PointName& a : listNames) {
        for (const PointName& b : certificateNames) {
            if (SameName(a, b)) return false;
        }
    }
    return true;
}

// The list's own extensions: the first that keeps it from answering, or NotRevoked.
Judgement JudgeExtensions(ByteReader extensions, const cert::CertificateParts& parts, const CanonicalName& issuer) {
    static constexpr cert::ObjectId kInformational[] = {cert::kAuthorityKeyId, kCrlNumber};
    while (!extensions.empty()) {
        cert::Extension extension;
        if (!cert::ReadNextExtension(extensions, extension)) return Judgement::NotAList;
        if (cert::IsObjectId(extension.id, kDeltaCrlIndicator)) return Judgement::DeltaList;
        if (cert::IsObjectId(extension.id, kIssuingDistributionPoint)) {
            if (LeavesOut(extension.value, parts, issuer)) return Judgement::OutOfScope;
            continue;
        }
        const bool known = std::any_of(std::begin(kInformational), std::end(kInformational),
                                       [&](cert::ObjectId id) { return cert::IsObjectId(extension.id, id); });
        if (extension.critical && !known) return Judgement::UnprocessedCriticalExtension;
    }
    return Judgement::NotRevoked;
}

}  // namespace

int32_t JudgementCode(Judgement judgement) {
    switch (judgement) {
        case Judgement::NotRevoked: return CVEMO_CRL_NOT_REVOKED;
        case Judgement::Revoked: return E_CERT_REVOKED;
        case Judgement::NotAList:
        case Judgement::OtherIssuer: return SPC_INPUTARG_ERROR_01;
        case Judgement::NoTrustedSigner:
        case Judgement::UnprocessedCriticalExtension:
        case Judgement::DeltaList:
        case Judgement::OutOfScope: return E_CRL_UNTRUSTED;
        case Judgement::NotYetIssued:
        case Judgement::OutOfDate: return E_CRL_OUT_OF_DATE;
    }
    return E_FAILED;
}

Judgement JudgeList(ByteReader list, ByteReader certificate, const std::vector<ByteReader>& candidates,
                    const ListSignatureCheck& signedBy, UtcSeconds now) {
    RevocationList contents;
    CanonicalName issuer;
    if (!ReadRevocationList(list, contents) || !issuer.read(contents.issuer)) return Judgement::NotAList;

    cert::CertificateParts parts;
    CanonicalName certificateIssuer;
    if (!cert::ReadCertificateParts(certificate.data(), certificate.remaining(), parts) ||
        !certificateIssuer.read(parts.issuer) || certificateIssuer != issuer) {
        return Judgement::OtherIssuer;
    }
    if (!SignedByTrustedKey(issuer, candidates, signedBy)) return Judgement::NoTrustedSigner;

    // A list that verifies and holds the certificate revokes it, whatever else it says.
    const EntryScan entries = ScanEntries(contents.entries, certificateIssuer, parts.serialNumber);
    if (entries.holds) return Judgement::Revoked;
    if (entries.unprocessedCritical) return Judgement::UnprocessedCriticalExtension;
    if (const Judgement scope = JudgeExtensions(contents.extensions, parts, issuer); scope != Judgement::NotRevoked) {
        return scope;
    }

    if (contents.thisUpdate > now) return Judgement::NotYetIssued;
    if (!contents.hasNextUpdate || contents.nextUpdate < now) return Judgement::OutOfDate;
    return Judgement::NotRevoked;
}

}  // namespace vemo::validate
