// The picker edition's portable pieces: the message texts as GBK bytes, and the selection
// dialog's text, which refuses a certificate it cannot hold.
#include <gtest/gtest.h>
#include <iconv.h>

#include <string>
#include <vector>

#include "picker/messages.h"
#include "picker/selection_text.h"

namespace vemo::picker {
namespace {

// GBK bytes as UTF-8 text, converted by the C library (empty when they are not GBK).
std::string GbkToUtf8(const std::string& gbk) {
    iconv_t convert = iconv_open("UTF-8", "GBK");
    if (convert == reinterpret_cast<iconv_t>(-1)) return "";
    std::string in = gbk, out(gbk.size() * 2, '\0');
    char* from = in.data();
    char* to = out.data();
    size_t left = in.size(), room = out.size();
    const bool converted = iconv(convert, &from, &left, &to, &room) != static_cast<size_t>(-1) && left == 0;
    iconv_close(convert);
    return converted ? out.substr(0, out.size() - room) : "";
}

TEST(PickerMessages, AreTheChineseTextsInGbk) {
    const struct {
        const char* gbk;
        const char* utf8;
    } cases[] = {
        {message::kNoneSelected, "未选择证书!"},
        {message::kMyStoreFailed, "打开 MY 证书库失败! \n"},
        {message::kPersonalStoreFailed, "打开个人证书库失败! \n"},
        {message::kOtherPeopleStoreFailed, "打开其他人证书库失败! \n"},
        {message::kCertificateTooLarge, "该证书过大!"},
        {message::kNoPrivateKey, "该证书没有匹配的私钥!"},
        {message::kNameUnreadable, "CertGetNameStringA failed."},
    };
    for (const auto& row : cases) EXPECT_EQ(GbkToUtf8(row.gbk), row.utf8);
}

TEST(SelectionText, HoldsCertificatesUpTo3072BytesAndRefusesLargerOnes) {
    const struct {
        size_t size;
        bool accepted;
        uint32_t length;
    } cases[] = {
        {1, true, 4}, {3071, true, 4096}, {3072, true, 4096}, {3073, false, 0}, {5063, false, 0},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.size);
        const std::vector<uint8_t> der(row.size, 0xFB);  // three such bytes encode as "+/v7", one as "+w=="
        SelectionText selection;
        selection.text[0] = 'x';
        ASSERT_EQ(SetSelectionText(selection, der.data(), der.size()), row.accepted);
        EXPECT_EQ(selection.length, row.length);
        if (!row.accepted) {
            EXPECT_EQ(selection.text[0], 'x') << "a refused certificate leaves the text as it was";
            continue;
        }
        EXPECT_EQ(selection.text[row.length], '\0');
        EXPECT_EQ(std::string(selection.text, 4), row.size == 1 ? "+w==" : "+/v7");
    }
    SelectionText selection;
    EXPECT_FALSE(SetSelectionText(selection, nullptr, 3));
}

}  // namespace
}  // namespace vemo::picker
