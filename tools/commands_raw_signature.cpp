// sign and verify: C_VEMO_SignEx and C_VEMO_VerifySign, with the signature record in a file.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "commands.h"
#include "sign/signature_record.h"

namespace vemo::tool {
namespace {

using sign::SignatureRecordLayout;

bool TakeFlag(Arguments& args, const char* name) {
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] != name) continue;
        args.erase(args.begin() + static_cast<std::ptrdiff_t>(i));
        return true;
    }
    return false;
}

void PrintRecord(const CVEMO_SIGNATURE_RECORD& record) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(&record);
    const uint8_t* value = nullptr;
    const size_t length = sign::RecordedSignature(bytes, value);
    std::printf("  %-14s %s\n", "marker", sign::HasSignatureMarker(bytes) ? "QUORVEL" : "(none)");
    std::printf("  %-14s %.*s\n", "serial number", static_cast<int>(sign::SerialTextLength(bytes)),
                record.serial_number);
    std::printf("  %-14s %ld\n", "length", static_cast<long>(sign::SignatureLengthField(bytes)));
    std::printf("  %-14s %s\n", "signature", length != 0 ? Hex(value, length).c_str() : "(none)");
}

int Sign(const LibraryBinding& library, const Arguments& given) {
    Arguments args = given;
    std::string mode = "0";
    std::string selector;
    TakeOption(args, "--mode", mode);
    const bool hasSelector = TakeOption(args, "--selector", selector);
    std::string data;
    if (!DataOf(args, data) || args.size() != 1) return Usage(kSignCommand);

    // Nothing is chosen yet in this process: the picker edition asks the user.
    const int32_t selectionMode = std::atoi(mode.c_str());
    if (!library.stdcallEdition() && selectionMode != 1 && selectionMode != 2) AnnounceDialog("signing");
    CVEMO_SIGNATURE_RECORD record{};
    const int32_t result = library.signEx(selectionMode, hasSelector ? selector.c_str() : nullptr,
                                          data.c_str(), static_cast<int32_t>(data.size()), &record);
    if (result == 0) {
        if (!WriteFile(args[0], &record, sizeof record)) return 2;
        std::printf("record: %s\n", args[0].c_str());
        PrintRecord(record);
    }
    return Report(result);
}

int Verify(const LibraryBinding& library, const Arguments& given) {
    Arguments args = given;
    const bool md5 = TakeFlag(args, "--md5");
    std::string keyData, data, recordBytes;
    if (args.size() < 3 || !ReadFile(args[0], keyData)) return Usage(kVerifyCommand);
    args.erase(args.begin());
    if (!DataOf(args, data) || args.size() != 1 || !ReadFile(args[0], recordBytes)) return Usage(kVerifyCommand);
    if (recordBytes.size() != SignatureRecordLayout::kSize) {
        std::fprintf(stderr, "vemo: %s is not a signature record (%zu bytes, not %zu)\n", args[0].c_str(),
                     recordBytes.size(), SignatureRecordLayout::kSize);
        return 2;
    }
    CVEMO_SIGNATURE_RECORD record;
    std::memcpy(&record, recordBytes.data(), sizeof record);
    std::printf("record: %s\n", args[0].c_str());
    PrintRecord(record);
    const int32_t result =
        library.verifySign(reinterpret_cast<uint8_t*>(keyData.data()), static_cast<int32_t>(keyData.size()),
                           md5 ? 11 : 0, reinterpret_cast<const uint8_t*>(data.data()),
                           static_cast<uint32_t>(data.size()), &record);
    return Report(result);
}

}  // namespace

const Command kSignCommand = {
    "sign", "[--mode <n>] [--selector <text>] (<text> | --file <path>) <record file>",
    "raw signature of a text into a record file (C_VEMO_SignEx)",
    "The token and trace editions sign with the token's key. The picker edition chooses the\n"
    "certificate of the personal store by --mode 1 (--selector: its serial number in hex) or\n"
    "--mode 2 (--selector: a part of its subject), else in its signing dialog, which waits for\n"
    "the user on the desktop.\n"
    "The record's fields are printed.",
    Sign};
const Command kVerifyCommand = {
    "verify", "[--md5] <key data file> (<text> | --file <path>) <record file>",
    "checks a record file against a text and a certificate or RSA public key (C_VEMO_VerifySign)",
    "The key data file holds the signer's certificate or RSA public key as PEM, Base64 or DER.\n"
    "--md5 passes the hash selector 11 (MD5); SHA-1 otherwise.",
    Verify};

}  // namespace vemo::tool
