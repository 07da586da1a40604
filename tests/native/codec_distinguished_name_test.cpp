#include "codec/distinguished_name.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace vemo::codec::test {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes Der(uint8_t tag, const Bytes& contents) {
    Bytes out{tag};
    if (contents.size() < 0x80) {
        out.push_back(static_cast<uint8_t>(contents.size()));
    } else {
        out.insert(out.end(), {0x82, static_cast<uint8_t>(contents.size() >> 8), static_cast<uint8_t>(contents.size())});
    }
    out.insert(out.end(), contents.begin(), contents.end());
    return out;
}

// An attribute of type 2.5.4.<type> (3 CN, 6 C, 10 O, 11 OU) with a value of `tag`.
struct Attribute {
    uint8_t type;
    uint8_t tag;
    std::string value;
};
using Relative = std::vector<Attribute>;

constexpr uint8_t kUtf8 = 0x0C, kPrintable = 0x13, kIa5 = 0x16, kBmp = 0x1E, kOctets = 0x04;

Bytes NameOf(const std::vector<Relative>& relatives) {
    Bytes sequence;
    for (const Relative& relative : relatives) {
        Bytes set;
        for (const Attribute& a : relative) {
            Bytes attribute = Der(0x06, {0x55, 0x04, a.type});
            const Bytes value = Der(a.tag, Bytes(a.value.begin(), a.value.end()));
            attribute.insert(attribute.end(), value.begin(), value.end());
            const Bytes element = Der(0x30, attribute);
            set.insert(set.end(), element.begin(), element.end());
        }
        const Bytes element = Der(0x31, set);
        sequence.insert(sequence.end(), element.begin(), element.end());
    }
    return Der(0x30, sequence);
}

// "CN" as a BMPString: two bytes per character.
std::string Ucs2(const std::string& ascii) {
    std::string out;
    for (char c : ascii) out += std::string(1, '\0') + c;
    return out;
}

bool Same(const Bytes& a, const Bytes& b) { return SameDistinguishedName({a.data(), a.size()}, {b.data(), b.size()}); }

TEST(DistinguishedName, ComparedAsRfc5280ComparesThem) {
    const Bytes base = NameOf({{{6, kPrintable, "CN"}}, {{10, kUtf8, "Vemo Test"}}, {{3, kUtf8, "Vemo Test Root A"}}});
    Bytes cut = base;
    cut.resize(cut.size() - 1);
    const struct {
        const char* name;
        Bytes other;
        bool same;
    } cases[] = {
        {"the same bytes", base, true},
        {"letter case", NameOf({{{6, kPrintable, "cn"}}, {{10, kUtf8, "VEMO TEST"}}, {{3, kUtf8, "vemo test ROOT a"}}}),
         true},
        {"runs of white space, and at the ends",
         NameOf({{{6, kPrintable, " CN"}}, {{10, kUtf8, "Vemo \t  Test "}}, {{3, kUtf8, "Vemo Test Root A\n"}}}), true},
        {"other string types", NameOf({{{6, kUtf8, "CN"}}, {{10, kPrintable, "Vemo Test"}}, {{3, kBmp, Ucs2("Vemo Test Root A")}}}),
         true},
        {"IA5String", NameOf({{{6, kIa5, "CN"}}, {{10, kUtf8, "Vemo Test"}}, {{3, kUtf8, "Vemo Test Root A"}}}), true},
        {"ideographic space and no-break space",
         NameOf({{{6, kPrintable, "CN"}}, {{10, kUtf8, "Vemo\xE3\x80\x80Test"}}, {{3, kUtf8, "Vemo\xC2\xA0Test Root A"}}}),
         true},
        {"another value", NameOf({{{6, kPrintable, "CN"}}, {{10, kUtf8, "Vemo Test"}}, {{3, kUtf8, "Vemo Test Root B"}}}),
         false},
        {"space inside a word", NameOf({{{6, kPrintable, "CN"}}, {{10, kUtf8, "VemoTest"}}, {{3, kUtf8, "Vemo Test Root A"}}}),
         false},
        {"another attribute type", NameOf({{{6, kPrintable, "CN"}}, {{11, kUtf8, "Vemo Test"}}, {{3, kUtf8, "Vemo Test Root A"}}}),
         false},
        {"relative names in another order",
         NameOf({{{10, kUtf8, "Vemo Test"}}, {{6, kPrintable, "CN"}}, {{3, kUtf8, "Vemo Test Root A"}}}), false},
        {"one relative name fewer", NameOf({{{6, kPrintable, "CN"}}, {{10, kUtf8, "Vemo Test"}}}), false},
        {"two relative names as one", NameOf({{{6, kPrintable, "CN"}, {10, kUtf8, "Vemo Test"}}, {{3, kUtf8, "Vemo Test Root A"}}}),
         false},
        {"a value that is no string", NameOf({{{6, kOctets, "CN"}}, {{10, kUtf8, "Vemo Test"}}, {{3, kUtf8, "Vemo Test Root A"}}}),
         false},
        {"cut short", cut, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Same(base, c.other), c.same) << c.name;
        EXPECT_EQ(Same(c.other, base), c.same) << c.name << ", the other way round";
    }

    // Attributes of one relative name form a set; letters beyond ASCII fold too; values that
    // are no characters match nothing, not even themselves.
    const Relative pair{{10, kUtf8, "Vemo"}, {11, kUtf8, "Lab"}};
    const Relative swapped{{11, kUtf8, "LAB"}, {10, kUtf8, "vemo"}};
    EXPECT_TRUE(Same(NameOf({pair}), NameOf({swapped})));
    EXPECT_TRUE(Same(NameOf({{{3, kUtf8, "\xC3\x89\xD0\x96\xEF\xBC\xA1"}}}),   // É Ж Ａ
                     NameOf({{{3, kUtf8, "\xC3\xA9\xD0\xB6\xEF\xBD\x81"}}})));  // é ж ａ
    const Bytes overlong = NameOf({{{3, kUtf8, "\xC0\xAF"}}});
    EXPECT_FALSE(Same(overlong, overlong));
    EXPECT_TRUE(Same(NameOf({}), NameOf({})));

    // A name relative to another is the other with one relative name more.
    CanonicalName relative, whole;
    const Bytes parent = NameOf({{{6, kPrintable, "CN"}}, {{10, kUtf8, "Vemo Test"}}});
    const Bytes child = NameOf({{{3, kUtf8, "Vemo Test Root A"}}});
    ByteReader childRelative(child.data() + 4, child.size() - 4);  // the SET's contents
    ASSERT_TRUE(relative.read({parent.data(), parent.size()}) && relative.appendRelative(childRelative));
    ASSERT_TRUE(whole.read({base.data(), base.size()}));
    EXPECT_TRUE(relative == whole);
}

}  // namespace
}  // namespace vemo::codec::test
