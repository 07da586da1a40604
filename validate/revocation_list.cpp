#include "validate/revocation_list.h"

#include "codec/der_element.h"
#include "codec/der_tags.h"

namespace vemo::validate {
namespace {

using codec::ByteReader;
using codec::ReadElement;
using codec::ReadElementTagged;
using codec::ReadOptionalElement;

constexpr uint8_t kTagUtcTime = 0x17;
constexpr uint8_t kTagGeneralizedTime = 0x18;
constexpr uint8_t kTagListExtensions = 0xA0;  // crlExtensions [0] EXPLICIT

bool ReadDigits(ByteReader& text, size_t count, int& value) {
    value = 0;
    for (size_t i = 0; i < count; ++i) {
        uint8_t c = 0;
        if (!text.readU8(c) || c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    return true;
}

// Days from 1970-01-01 to the date (proleptic Gregorian calendar).
int64_t DaysFromEpoch(int64_t year, int month, int day) {
    year -= month <= 2;
    const int64_t era = (year >= 0 ? year : year - 399) / 400;
    const int64_t yearOfEra = year - era * 400;
    const int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

int DaysInMonth(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kDays[month - 1];
}

bool ReadTimeAnyTag(ByteReader& reader, UtcSeconds& time) {
    uint8_t tag = 0;
    ByteReader contents;
    return ReadElement(reader, tag, contents) && ReadTime(tag, contents, time);
}

bool IsTimeTag(const ByteReader& reader) {
    uint8_t tag = 0;
    return reader.peekU8(tag) && (tag == kTagUtcTime || tag == kTagGeneralizedTime);
}

bool WellFormedExtensions(ByteReader extensions) {
    while (!extensions.empty()) {
        cert::Extension extension;
        if (!cert::ReadNextExtension(extensions, extension)) return false;
    }
    return true;
}

}  // namespace

bool ReadTime(uint8_t tag, ByteReader text, UtcSeconds& time) {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    if (tag == kTagUtcTime) {
        if (!ReadDigits(text, 2, year)) return false;
        year += year < 50 ? 2000 : 1900;
    } else if (tag != kTagGeneralizedTime || !ReadDigits(text, 4, year)) {
        return false;
    }
    if (!ReadDigits(text, 2, month) || !ReadDigits(text, 2, day) || !ReadDigits(text, 2, hour) ||
        !ReadDigits(text, 2, minute)) {
        return false;
    }
    uint8_t next = 0;
    if (text.peekU8(next) && next != 'Z' && !ReadDigits(text, 2, second)) return false;
    if (tag == kTagGeneralizedTime && text.peekU8(next) && next == '.') {
        text.skip(1);
        int digit = 0;
        if (!ReadDigits(text, 1, digit)) return false;
        while (text.peekU8(next) && next >= '0' && next <= '9') text.skip(1);
    }
    if (!text.readU8(next) || next != 'Z' || !text.empty()) return false;
    if (month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month) || hour > 23 || minute > 59 ||
        second > 59) {
        return false;
    }
    time = DaysFromEpoch(year, month, day) * 86400 + hour * 3600 + minute * 60 + second;
    return true;
}

bool ReadRevocationList(ByteReader der, RevocationList& list) {
    list = RevocationList();
    // CertificateList ::= SEQUENCE { tbsCertList TBSCertList,
    //                                signatureAlgorithm AlgorithmIdentifier,
    //                                signatureValue BIT STRING }
    ByteReader certificateList, tbs, element;
    if (!ReadElementTagged(der, codec::kTagSequence, certificateList) || !der.empty() ||
        !ReadElementTagged(certificateList, codec::kTagSequence, tbs) ||
        !ReadElementTagged(certificateList, codec::kTagSequence, element) ||
        !ReadElementTagged(certificateList, codec::kTagBitString, element) || !certificateList.empty()) {
        return false;
    }
    // version Version OPTIONAL (v2)
    bool present = false;
    if (!ReadOptionalElement(tbs, codec::kTagInteger, element, present)) return false;
    // signature AlgorithmIdentifier
    if (!ReadElementTagged(tbs, codec::kTagSequence, element)) return false;
    // issuer Name
    if (!codec::ReadWholeElement(tbs, codec::kTagSequence, list.issuer)) return false;
    // thisUpdate Time
    if (!ReadTimeAnyTag(tbs, list.thisUpdate)) return false;
    // nextUpdate Time OPTIONAL
    list.hasNextUpdate = IsTimeTag(tbs);
    if (list.hasNextUpdate && !ReadTimeAnyTag(tbs, list.nextUpdate)) return false;
    // revokedCertificates SEQUENCE OF SEQUENCE { ... } OPTIONAL
    if (!ReadOptionalElement(tbs, codec::kTagSequence, list.entries, present)) return false;
    // crlExtensions [0] EXPLICIT Extensions OPTIONAL
    ByteReader explicitExtensions;
    if (!ReadOptionalElement(tbs, kTagListExtensions, explicitExtensions, present)) return false;
    if (present && (!ReadElementTagged(explicitExtensions, codec::kTagSequence, list.extensions) ||
                    !explicitExtensions.empty())) {
        return false;
    }
    if (!tbs.empty() || !WellFormedExtensions(list.extensions)) return false;
    for (ByteReader entries = list.entries; !entries.empty();) {
        RevokedEntry entry;
        if (!ReadNextEntry(entries, entry)) return false;
    }
    return true;
}

bool ReadNextEntry(ByteReader& entries, RevokedEntry& entry) {
    entry = RevokedEntry();
    // SEQUENCE { userCertificate CertificateSerialNumber,
    //            revocationDate Time,
    //            crlEntryExtensions Extensions OPTIONAL }
    ByteReader contents;
    UtcSeconds revocationDate = 0;
    bool present = false;
    return ReadElementTagged(entries, codec::kTagSequence, contents) &&
           ReadElementTagged(contents, codec::kTagInteger, entry.serialNumber) &&
           ReadTimeAnyTag(contents, revocationDate) &&
           ReadOptionalElement(contents, codec::kTagSequence, entry.extensions, present) && contents.empty() &&
           WellFormedExtensions(entry.extensions);
}

bool ReadIssuingDistributionPoint(ByteReader value, IssuingDistributionPoint& point) {
    point = IssuingDistributionPoint();
    // IssuingDistributionPoint ::= SEQUENCE {
    //     distributionPoint          [0] DistributionPointName OPTIONAL,
    //     onlyContainsUserCerts      [1] BOOLEAN DEFAULT FALSE,
    //     onlyContainsCACerts        [2] BOOLEAN DEFAULT FALSE,
    //     onlySomeReasons            [3] ReasonFlags OPTIONAL,
    //     indirectCRL                [4] BOOLEAN DEFAULT FALSE,
    //     onlyContainsAttributeCerts [5] BOOLEAN DEFAULT FALSE }
    ByteReader fields, name;
    if (!ReadElementTagged(value, codec::kTagSequence, fields) || !value.empty()) return false;
    if (!ReadOptionalElement(fields, 0xA0, name, point.hasName)) return false;
    // DistributionPointName ::= CHOICE { fullName [0] GeneralNames,
    //                                    nameRelativeToCRLIssuer [1] RelativeDistinguishedName }
    if (point.hasName && (!ReadElement(name, point.nameTag, point.name) || !name.empty() ||
                          (point.nameTag != 0xA0 && point.nameTag != 0xA1))) {
        return false;
    }
    const struct {
        uint8_t tag;
        bool* flag;
    } booleans[] = {{0x81, &point.onlyUserCertificates}, {0x82, &point.onlyCaCertificates},
                    {0x83, &point.onlySomeReasons},      {0x84, &point.indirect},
                    {0x85, &point.onlyAttributeCertificates}};
    for (const auto& field : booleans) {
        ByteReader contents;
        bool present = false;
        if (!ReadOptionalElement(fields, field.tag, contents, present)) return false;
        if (!present) continue;
        // onlySomeReasons is a BIT STRING: present, it limits the list.
        if (field.tag == 0x83) {
            *field.flag = true;
        } else if (!codec::ReadBooleanContents(contents, *field.flag)) {
            return false;
        }
    }
    return fields.empty();
}

}  // namespace vemo::validate
