#include "cert/cert_info.h"

#include <algorithm>
#include <cstring>

#include "cert/cert_info_text.h"
#include "cert/certificate_extensions.h"
#include "cert/name_text.h"
#include "cert/store_search.h"
#include "codec/serial_text.h"
#include "frame/certificate_text_in.h"
#include "frame/diagnostics.h"
#include "frame/edition.h"
#include "frame/pack_memory.h"
#include "frame/win_handles.h"

namespace vemo::cert {
namespace {

using InfoText = char[kInfoTextSize];

// Room the platform's name functions write into.
constexpr DWORD kNameScratchSize = 2048;

// The subject attributes of slots 0 to 6, and items 31 to 37.
constexpr const char* kSubjectAttributes[] = {
    szOID_COUNTRY_NAME,           szOID_STATE_OR_PROVINCE_NAME, szOID_LOCALITY_NAME, szOID_ORGANIZATION_NAME,
    szOID_ORGANIZATIONAL_UNIT_NAME, szOID_COMMON_NAME,          szOID_RSA_emailAddr,
};
constexpr int kFirstAttributeItem = 31;

// The buffers of a pack: the caller's PACK_ITEM_SIZE bytes; the picker edition's own fresh ones.
constexpr bool kFreshBuffers = edition::kKind == edition::Kind::Picker;
constexpr size_t kPickerAttributeSize = 100;
constexpr size_t kPickerIdentifierSize = 128;
constexpr size_t SlotCapacity(int slot) {
    if (!kFreshBuffers) return PACK_ITEM_SIZE;
    return slot < kSlotSerial ? kPickerAttributeSize : kPickerIdentifierSize;
}

bool IsTableItem(int32_t item) {
    return (item >= 1 && item <= 8) || (item >= kFirstAttributeItem && item <= kFirstAttributeItem + 6) ||
           item == 41 || item == 42;
}

void CopyCut(const char* text, size_t length, InfoText& out) {
    const size_t kept = length < kInfoTextSize ? length : kInfoTextSize - 1;
    std::memcpy(out, text, kept);
    out[kept] = '\0';
}

// The subject attribute's value; its length (the terminator not counted).
size_t SubjectAttribute(PCCERT_CONTEXT certificate, const char* oid, char (&value)[kNameScratchSize]) {
    std::memset(value, 0, sizeof value);
    const DWORD count = CertGetNameStringA(certificate, CERT_NAME_ATTR_TYPE, 0, const_cast<char*>(oid), value,
                                           kNameScratchSize);
    return count == 0 ? 0 : std::strlen(value);
}

// The serial number by the certificate information's rule, in as many digits as `size` holds.
void SerialText(PCCERT_CONTEXT certificate, char* text, size_t size) {
    const CRYPT_INTEGER_BLOB& serial = certificate->pCertInfo->SerialNumber;
    codec::SerialToHex(serial.pbData, serial.cbData, codec::SerialOrder::EvenLengthsReversed, text, size);
}

void CopyName(const CERT_NAME_BLOB& name, InfoText& out) {
    const std::string text = NameText(name);
    CopyCut(text.data(), text.size(), out);
}

void AppendLocalDate(const FILETIME& utc, InfoText& out) {
    FILETIME local{};
    SYSTEMTIME time{};
    FileTimeToLocalFileTime(&utc, &local);
    FileTimeToSystemTime(&local, &time);
    AppendDate({time.wYear, time.wMonth, time.wDay, time.wHour, time.wMinute, time.wSecond}, out);
}

// The extension's contents; false when the certificate has none (or it cannot be read).
bool ExtensionContent(PCCERT_CONTEXT certificate, ObjectId id, codec::ByteReader& content) {
    return FindExtensionContent(certificate->pbCertEncoded, certificate->cbCertEncoded, id, content) ==
           ExtensionSearch::Found;
}

// The text of a subject attribute slot (0 to 6) or the serial number slot (7) as the pack holds
// it, cut as the edition's buffer for the slot cuts it; its length. The items of these slots
// (31 to 37, 2) are the same text, so the item and the slot never disagree.
size_t SlotText(PCCERT_CONTEXT certificate, int slot, char (&text)[kNameScratchSize]) {
    if (slot == kSlotSerial) {
        // Without terminator in the slot: as many digits as its buffer holds.
        SerialText(certificate, text, SlotCapacity(kSlotSerial) + 1);
        return std::strlen(text);
    }
    // With its terminator in the slot, which the cut keeps.
    const size_t length = SubjectAttribute(certificate, kSubjectAttributes[slot], text);
    const size_t kept = std::min(length, SlotCapacity(slot) - 1);
    text[kept] = '\0';
    return kept;
}

void FillPack(PCCERT_CONTEXT certificate, PackItem* pack) {
    char scratch[kNameScratchSize];
    for (int slot = kSlotCountry; slot <= kSlotEmail; ++slot) {
        WritePackText(pack[slot], SlotCapacity(slot), scratch, SlotText(certificate, slot, scratch));
    }
    WritePackItem(pack[kSlotSerial], SlotCapacity(kSlotSerial), scratch, SlotText(certificate, kSlotSerial, scratch));

    codec::ByteReader altName;
    if (ExtensionContent(certificate, kSubjectAltName, altName)) {
        char tail[kAltNameTailDigits + 1];
        const size_t digits = AltNameTail(altName, tail);
        WritePackItem(pack[kSlotAltNameTail], SlotCapacity(kSlotAltNameTail), tail, digits);
    }
}

// The text of `item`; false for an item outside the table.
bool ItemText(int32_t item, PCCERT_CONTEXT certificate, InfoText& out) {
    const CERT_INFO& info = *certificate->pCertInfo;
    codec::ByteReader content;
    switch (item) {
        case 1: VersionText(info.dwVersion, out); return true;
        case 2: {
            char slot[kNameScratchSize];
            CopyCut(slot, SlotText(certificate, kSlotSerial, slot), out);
            return true;
        }
        case 3: CopyName(info.Subject, out); return true;
        case 4:
            AppendLocalDate(info.NotBefore, out);
            std::strcat(out, ",");
            AppendLocalDate(info.NotAfter, out);
            return true;
        case 5: CopyName(info.Issuer, out); return true;
        case 6: HexText(info.SubjectPublicKeyInfo.PublicKey.pbData, info.SubjectPublicKeyInfo.PublicKey.cbData, out);
            return true;
        case 7:
        case 8:
            if (ExtensionContent(certificate, item == 7 ? kAuthorityKeyId : kSubjectKeyId, content)) {
                HexText(content.data(), content.remaining(), out);
            }
            return true;
        case 41: AppendLocalDate(info.NotBefore, out); return true;
        case 42: AppendLocalDate(info.NotAfter, out); return true;
        default: break;
    }
    if (item < kFirstAttributeItem || item > kFirstAttributeItem + 6) return false;
    char slot[kNameScratchSize];
    CopyCut(slot, SlotText(certificate, item - kFirstAttributeItem, slot), out);
    return true;
}

}  // namespace

std::string NameText(const CERT_NAME_BLOB& name) {
    char scratch[kNameScratchSize] = {};
    CertNameToStrA(kCertEncoding, const_cast<CERT_NAME_BLOB*>(&name), CERT_X500_NAME_STR, scratch, kNameScratchSize);
    const size_t length = std::strlen(scratch);
    return std::string(scratch, length < kInfoTextSize ? length : kInfoTextSize - 1);
}

int32_t GetCertInfo(char* certText, const char* item, char* infoOut, PackItem* pack) {
    if constexpr (kFreshBuffers) {
        if (pack != nullptr && !GiveFreshBuffers(ProcessHeapPackAllocator(), pack, kPickerAttributeSize,
                                                 kPickerIdentifierSize)) {
            return E_FAILED;
        }
    }
    if (infoOut != nullptr) std::memset(infoOut, 0, 4);
    if (certText == nullptr || certText[0] == '\0' || item == nullptr || pack == nullptr) {
        return SPC_INPUTARG_ERROR_01;
    }
    const int32_t itemCode = ItemCode(item);
    if (infoOut == nullptr && IsTableItem(itemCode)) return SPC_INPUTARG_ERROR_01;

    codec::DerBlock der;
    switch (CertificateTextIn(certText, der)) {
        case codec::TextStep::Ok: break;
        case codec::TextStep::TooLong: return SPC_INPUTARG_ERROR_01;
        case codec::TextStep::NotRecognised:
            LogError("[ERROR]MoveRedunStrFormPemCert is error, Error Code: 0x%08x,Line %d\n", unsigned(E_FAILED),
                     __LINE__);
            return E_FAILED;
        case codec::TextStep::NotDecodable:
            LogError("[ERROR]R_DecodePEMBlock is error, Line %d\n", __LINE__);
            return E_PEM_DECODE_ERROR;
    }
    const win::CertificateContext certificate(CertCreateCertificateContext(kCertEncoding, der.bytes, der.length));
    if (!certificate) {
        LogError("[ERROR]CertCreateCertificateContext is error, Line %d\n", __LINE__);
        return E_CERT_DATA_ERROR;
    }

    FillPack(certificate.get(), pack);
    InfoText text = {};
    if (ItemText(itemCode, certificate.get(), text)) std::memcpy(infoOut, text, std::strlen(text) + 1);
    return 0;
}

}  // namespace vemo::cert
