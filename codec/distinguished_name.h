// Distinguished names compared as RFC 5280 (section 7.1) compares them, not byte for byte:
// attribute types by object identifier; text values (PrintableString, UTF8String, IA5String,
// VisibleString, TeletexString, BMPString, UniversalString alike) by their characters after
// the LDAP string preparation: letter case folded (Latin, fullwidth Latin, Greek and Cyrillic
// letters), white space and the other separators as one space, runs of it as one, none at
// either end, invisible characters dropped; other values by type and bytes. Relative names in
// order, the attributes of a multi-valued one as a set. Portable (no windows.h).
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "codec/byte_reader.h"

namespace vemo::codec {

// A name reduced to what the comparison looks at: per relative name, the sorted canonical
// forms of its attributes. Read a name once to compare it with many.
class CanonicalName {
public:
    // A DER Name, whole (tag, length field, contents). False when it is malformed, and the
    // name is then empty.
    bool read(ByteReader name);
    // Appends one RelativeDistinguishedName given by its SET's contents (its attributes): a
    // name relative to another, as a distribution point may be named relative to its list's
    // issuer. False when it is malformed.
    bool appendRelative(ByteReader attributes);

    bool operator==(const CanonicalName& other) const { return relativeNames_ == other.relativeNames_; }
    // Whether this name starts with the relative names of `base`, in order: a name in the subtree
    // that `base` names (a name constraint's directory name).
    bool within(const CanonicalName& base) const {
        return base.relativeNames_.size() <= relativeNames_.size() &&
               std::equal(base.relativeNames_.begin(), base.relativeNames_.end(), relativeNames_.begin());
    }
    bool operator!=(const CanonicalName& other) const { return !(*this == other); }

private:
    std::vector<std::vector<std::string>> relativeNames_;
};

// Whether the DER Names `a` and `b` (whole elements) are the same name; false when either is
// malformed.
bool SameDistinguishedName(ByteReader a, ByteReader b);

}  // namespace vemo::codec
