#include "validate/name_constraints.h"

#include <cstring>
#include <string>
#include <vector>

#include "codec/der_element.h"
#include "codec/der_tags.h"

namespace vemo::validate {
namespace {

using codec::ByteReader;

// GeneralName's forms compared here, by their tags (other names, X.400 addresses, EDI party
// names and registered identifiers are not).
constexpr uint8_t kRfc822Name = 0x81;
constexpr uint8_t kDnsName = 0x82;
constexpr uint8_t kDirectoryName = 0xA4;
constexpr uint8_t kUri = 0x86;
constexpr uint8_t kIpAddress = 0x87;

// NameConstraints' permittedSubtrees [0] and excludedSubtrees [1]; GeneralSubtree's minimum [0]
// and maximum [1].
constexpr uint8_t kTagPermitted = 0xA0;
constexpr uint8_t kTagExcluded = 0xA1;
constexpr uint8_t kTagMinimum = 0x80;
constexpr uint8_t kTagMaximum = 0x81;

// The subject's e-mail address attribute, 1.2.840.113549.1.9.1.
constexpr uint8_t kEmailAddressBytes[] = {0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x09, 0x01};

// One name: its form and its contents (a directory name: the Name element, whole).
struct GeneralName {
    uint8_t form = 0;
    ByteReader value;
};

bool ReadGeneralName(ByteReader& reader, GeneralName& name) {
    ByteReader contents;
    if (!codec::ReadElement(reader, name.form, contents)) return false;
    if (name.form != kDirectoryName) {
        name.value = contents;
        return true;
    }
    // directoryName [4] EXPLICIT Name
    return codec::ReadWholeElement(contents, codec::kTagSequence, name.value) && contents.empty();
}

std::string Text(ByteReader value) { return {reinterpret_cast<const char*>(value.data()), value.remaining()}; }

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameLetters(const char* a, const char* b, size_t length) {
    for (size_t i = 0; i < length; ++i) {
        if (Lower(a[i]) != Lower(b[i])) return false;
    }
    return true;
}

bool EqualIgnoringCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && SameLetters(a.data(), b.data(), a.size());
}

// `host` within `base`: the same host, or (base starting with ".") a host below it.
bool HostWithin(const std::string& host, const std::string& base) {
    if (base.empty() || base[0] != '.') return EqualIgnoringCase(host, base);
    return host.size() > base.size() && SameLetters(host.data() + host.size() - base.size(), base.data(), base.size());
}

bool DnsWithin(const std::string& name, const std::string& base) {
    // Any number of labels may be added on the left of the constraint; an empty one takes all.
    if (base.empty()) return true;
    if (name.size() < base.size()) return false;
    const size_t start = name.size() - base.size();
    if (start > 0 && base[0] != '.' && name[start - 1] != '.') return false;
    return SameLetters(name.data() + start, base.data(), base.size());
}

bool EmailWithin(const std::string& address, const std::string& base) {
    const size_t at = address.rfind('@');
    if (at == std::string::npos) return false;
    const std::string host = address.substr(at + 1);
    const size_t baseAt = base.rfind('@');
    if (baseAt == std::string::npos) return HostWithin(host, base);
    // A whole mailbox: the local part as written, the host in any letter case.
    return address.compare(0, at, base, 0, baseAt) == 0 && EqualIgnoringCase(host, base.substr(baseAt + 1));
}

bool UriWithin(const std::string& uri, const std::string& base) {
    const size_t scheme = uri.find("://");
    if (scheme == std::string::npos) return false;
    const size_t start = scheme + 3;
    const size_t end = uri.find_first_of(":/?#", start);
    const std::string host = uri.substr(start, end == std::string::npos ? std::string::npos : end - start);
    return !host.empty() && HostWithin(host, base);
}

bool AddressWithin(ByteReader address, ByteReader base) {
    // The constraint is an address and its mask, each as long as the address.
    if (base.remaining() != 2 * address.remaining() || (address.remaining() != 4 && address.remaining() != 16)) {
        return false;
    }
    const size_t length = address.remaining();
    for (size_t i = 0; i < length; ++i) {
        const uint8_t mask = base.data()[length + i];
        if ((address.data()[i] & mask) != (base.data()[i] & mask)) return false;
    }
    return true;
}

bool DirectoryWithin(ByteReader name, ByteReader base) {
    codec::CanonicalName canonicalName, canonicalBase;
    return canonicalName.read(name) && canonicalBase.read(base) && canonicalName.within(canonicalBase);
}

bool Compared(uint8_t form) {
    return form == kRfc822Name || form == kDnsName || form == kDirectoryName || form == kUri || form == kIpAddress;
}

bool Within(const GeneralName& name, const GeneralName& base) {
    switch (name.form) {
        case kRfc822Name: return EmailWithin(Text(name.value), Text(base.value));
        case kDnsName: return DnsWithin(Text(name.value), Text(base.value));
        case kUri: return UriWithin(Text(name.value), Text(base.value));
        case kIpAddress: return AddressWithin(name.value, base.value);
        case kDirectoryName: return DirectoryWithin(name.value, base.value);
        default: return false;
    }
}

// The bases of a GeneralSubtrees' contents; false when malformed or when a subtree carries a
// minimum other than 0 or a maximum.
bool ReadSubtrees(ByteReader subtrees, std::vector<GeneralName>& bases) {
    while (!subtrees.empty()) {
        // GeneralSubtree ::= SEQUENCE { base GeneralName, minimum [0] BaseDistance DEFAULT 0,
        //                               maximum [1] BaseDistance OPTIONAL }
        ByteReader subtree, minimum, maximum;
        GeneralName base;
        bool hasMinimum = false, hasMaximum = false;
        uint8_t zero = 0;
        if (!codec::ReadElementTagged(subtrees, codec::kTagSequence, subtree) || !ReadGeneralName(subtree, base) ||
            !codec::ReadOptionalElement(subtree, kTagMinimum, minimum, hasMinimum) ||
            !codec::ReadOptionalElement(subtree, kTagMaximum, maximum, hasMaximum) || !subtree.empty() ||
            hasMaximum || (hasMinimum && !(minimum.remaining() == 1 && minimum.readU8(zero) && zero == 0))) {
            return false;
        }
        bases.push_back(base);
    }
    return true;
}

// The e-mail address attributes of a Name (whole element) as rfc822 names.
bool AddSubjectEmails(ByteReader name, std::vector<GeneralName>& names) {
    ByteReader rdns;
    if (!codec::ReadElementTagged(name, codec::kTagSequence, rdns)) return false;
    while (!rdns.empty()) {
        // RelativeDistinguishedName ::= SET OF AttributeTypeAndValue
        ByteReader attributes;
        if (!codec::ReadElementTagged(rdns, codec::kTagSet, attributes)) return false;
        while (!attributes.empty()) {
            // AttributeTypeAndValue ::= SEQUENCE { type OBJECT IDENTIFIER, value ANY }
            ByteReader attribute, type, value;
            uint8_t tag = 0;
            if (!codec::ReadElementTagged(attributes, codec::kTagSequence, attribute) ||
                !codec::ReadElementTagged(attribute, codec::kTagObjectId, type) ||
                !codec::ReadElement(attribute, tag, value)) {
                return false;
            }
            if (cert::IsObjectId(type, {kEmailAddressBytes, sizeof kEmailAddressBytes})) {
                names.push_back({kRfc822Name, value});
            }
        }
    }
    return true;
}

// Every name of the certificate that constraints apply to; false when one cannot be read.
bool NamesOf(const PathCertificate& certificate, std::vector<GeneralName>& names) {
    ByteReader subject = certificate.parts.subject, rdns;
    // An empty subject names nothing.
    if (!codec::ReadElementTagged(subject, codec::kTagSequence, rdns)) return false;
    if (!rdns.empty()) names.push_back({kDirectoryName, certificate.parts.subject});
    if (!AddSubjectEmails(certificate.parts.subject, names)) return false;
    for (ByteReader altNames = certificate.subjectAltNames; !altNames.empty();) {
        GeneralName name;
        if (!ReadGeneralName(altNames, name)) return false;
        names.push_back(name);
    }
    return true;
}

}  // namespace

bool SatisfiesNameConstraints(const PathCertificate& certificate, ByteReader constraints) {
    ByteReader permittedSubtrees, excludedSubtrees;
    bool hasPermitted = false, hasExcluded = false;
    std::vector<GeneralName> permitted, excluded, names;
    if (!codec::ReadOptionalElement(constraints, kTagPermitted, permittedSubtrees, hasPermitted) ||
        !codec::ReadOptionalElement(constraints, kTagExcluded, excludedSubtrees, hasExcluded) ||
        !constraints.empty() || !ReadSubtrees(permittedSubtrees, permitted) ||
        !ReadSubtrees(excludedSubtrees, excluded) || !NamesOf(certificate, names)) {
        return false;
    }
    for (const GeneralName& name : names) {
        bool constrained = false, permittedMatch = false;
        for (const GeneralName& base : permitted) {
            if (base.form != name.form) continue;
            if (!Compared(name.form)) return false;
            constrained = true;
            permittedMatch = permittedMatch || Within(name, base);
        }
        if (constrained && !permittedMatch) return false;
        for (const GeneralName& base : excluded) {
            if (base.form != name.form) continue;
            if (!Compared(name.form) || Within(name, base)) return false;
        }
    }
    return true;
}

}  // namespace vemo::validate
