#include "codec/distinguished_name.h"

#include <algorithm>

#include "codec/der_element.h"
#include "codec/der_tags.h"

namespace vemo::codec {
namespace {

// The string types whose values compare as text, and how their bytes carry characters.
enum class Encoding { None, Bytes, Utf8, Ucs2, Ucs4 };

Encoding TextEncoding(uint8_t tag) {
    switch (tag) {
        case 0x0C: return Encoding::Utf8;   // UTF8String
        case 0x13:                          // PrintableString
        case 0x14:                          // TeletexString (read as Latin-1, as is usual)
        case 0x16:                          // IA5String
        case 0x1A: return Encoding::Bytes;  // VisibleString
        case 0x1E: return Encoding::Ucs2;   // BMPString
        case 0x1C: return Encoding::Ucs4;   // UniversalString
        default: return Encoding::None;
    }
}

// The next character of `value`; false at the end or for bytes that are no character.
bool NextUtf8(ByteReader& value, char32_t& c) {
    uint8_t lead = 0;
    if (!value.readU8(lead)) return false;
    if (lead < 0x80) {
        c = lead;
        return true;
    }
    size_t more = 0;
    char32_t least = 0;
    if ((lead & 0xE0) == 0xC0) {
        more = 1, least = 0x80, c = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        more = 2, least = 0x800, c = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        more = 3, least = 0x10000, c = lead & 0x07;
    } else {
        return false;
    }
    for (size_t i = 0; i < more; ++i) {
        uint8_t next = 0;
        if (!value.readU8(next) || (next & 0xC0) != 0x80) return false;
        c = (c << 6) | (next & 0x3F);
    }
    // Overlong forms, surrogates and values past Unicode are not characters.
    return c >= least && c <= 0x10FFFF && (c < 0xD800 || c > 0xDFFF);
}

bool NextCharacter(ByteReader& value, Encoding encoding, char32_t& c) {
    uint32_t unit = 0;
    switch (encoding) {
        case Encoding::Bytes:
            if (!value.readBigEndian(1, unit)) return false;
            c = unit;
            return true;
        case Encoding::Utf8: return NextUtf8(value, c);
        case Encoding::Ucs2:
            if (!value.readBigEndian(2, unit)) return false;
            if (unit >= 0xD800 && unit <= 0xDBFF) {  // a pair of UTF-16 surrogates
                uint32_t low = 0;
                if (!value.readBigEndian(2, low) || low < 0xDC00 || low > 0xDFFF) return false;
                unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
            } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
                return false;
            }
            c = unit;
            return true;
        case Encoding::Ucs4:
            if (!value.readBigEndian(4, unit) || unit > 0x10FFFF) return false;
            c = unit;
            return true;
        case Encoding::None: break;
    }
    return false;
}

// Characters that string preparation maps to nothing: controls other than the white space,
// the soft hyphen, joiners and variation selectors, the byte order mark.
bool Invisible(char32_t c) {
    return (c <= 0x08) || (c >= 0x0E && c <= 0x1F) || (c >= 0x7F && c <= 0x84) || (c >= 0x86 && c <= 0x9F) ||
           c == 0xAD || c == 0x34F || (c >= 0x180B && c <= 0x180D) || (c >= 0x200B && c <= 0x200D) ||
           (c >= 0xFE00 && c <= 0xFE0F) || c == 0xFEFF;
}

// White space and the separators that string preparation maps to one space.
bool Space(char32_t c) {
    return c == 0x20 || (c >= 0x09 && c <= 0x0D) || c == 0x85 || c == 0xA0 || c == 0x1680 ||
           (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F || c == 0x3000;
}

// Lower case for the letters whose case is a fixed offset or an even/odd pair.
char32_t FoldCase(char32_t c) {
    if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7)) return c + 0x20;
    if (c >= 0x100 && c <= 0x17F && c != 0x130 && c != 0x131 && c != 0x138 && c != 0x149 && c != 0x178 &&
        c != 0x17F) {
        // Latin Extended-A: pairs start even up to U+0137 and from U+014A, odd in between and
        // from U+0179.
        const bool oddPairs = (c >= 0x139 && c <= 0x148) || c >= 0x179;
        return (c % 2 == 1) == oddPairs ? c + 1 : c;
    }
    if (c == 0x178) return 0xFF;
    if (c >= 0x391 && c <= 0x3A9 && c != 0x3A2) return c + 0x20;  // Greek
    if (c >= 0x410 && c <= 0x42F) return c + 0x20;                // Cyrillic
    if (c >= 0x400 && c <= 0x40F) return c + 0x50;
    if (c >= 0xFF21 && c <= 0xFF3A) return c + 0x20;  // fullwidth Latin
    return c;
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// A text value prepared for comparison, as UTF-8, appended to `out`.
bool AppendPreparedText(ByteReader value, Encoding encoding, std::string& out) {
    bool spacePending = false;
    bool any = false;
    while (!value.empty()) {
        char32_t c = 0;
        if (!NextCharacter(value, encoding, c)) return false;
        if (Invisible(c)) continue;
        if (Space(c)) {
            spacePending = any;  // none at the start; a run becomes one
            continue;
        }
        if (spacePending) out += ' ';
        spacePending = false;
        any = true;
        AppendUtf8(out, FoldCase(c));
    }
    return true;
}

void AppendSized(std::string& out, ByteReader bytes) {
    const size_t size = bytes.remaining();
    for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>((size >> shift) & 0xFF);
    out.append(reinterpret_cast<const char*>(bytes.data()), size);
}

// One attribute's canonical form: its type, then its prepared text, or its tag and bytes.
bool CanonicalAttribute(ByteReader attribute, std::string& out) {
    // AttributeTypeAndValue ::= SEQUENCE { type AttributeType, value AttributeValue }
    ByteReader type, value;
    uint8_t tag = 0;
    if (!ReadElementTagged(attribute, kTagObjectId, type) || type.empty() || !ReadElement(attribute, tag, value) ||
        !attribute.empty()) {
        return false;
    }
    AppendSized(out, type);
    const Encoding encoding = TextEncoding(tag);
    if (encoding == Encoding::None) {
        out += '\1';
        out += static_cast<char>(tag);
        AppendSized(out, value);
        return true;
    }
    out += '\0';
    return AppendPreparedText(value, encoding, out);
}

}  // namespace

bool CanonicalName::appendRelative(ByteReader attributes) {
    if (attributes.empty()) return false;
    std::vector<std::string> forms;
    while (!attributes.empty()) {
        ByteReader attribute;
        forms.emplace_back();
        if (!ReadElementTagged(attributes, kTagSequence, attribute) || !CanonicalAttribute(attribute, forms.back())) {
            return false;
        }
    }
    std::sort(forms.begin(), forms.end());
    relativeNames_.push_back(std::move(forms));
    return true;
}

bool CanonicalName::read(ByteReader name) {
    relativeNames_.clear();
    // Name ::= CHOICE { rdnSequence RDNSequence }
    // RDNSequence ::= SEQUENCE OF RelativeDistinguishedName
    ByteReader sequence;
    bool ok = ReadElementTagged(name, kTagSequence, sequence) && name.empty();
    while (ok && !sequence.empty()) {
        // RelativeDistinguishedName ::= SET SIZE (1..MAX) OF AttributeTypeAndValue
        ByteReader attributes;
        ok = ReadElementTagged(sequence, kTagSet, attributes) && appendRelative(attributes);
    }
    if (!ok) relativeNames_.clear();
    return ok;
}

bool SameDistinguishedName(ByteReader a, ByteReader b) {
    CanonicalName first, second;
    return first.read(a) && second.read(b) && first == second;
}

}  // namespace vemo::codec
