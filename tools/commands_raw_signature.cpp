// sign and verify: C_VEMO_Sign, C_VEMO_SignEx and C_VEMO_VerifySign, with the signature record
// in a file and its fields as a table.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "commands.h"
#include "sign/signature_record.h"

namespace vemo::tool {
namespace {

using sign::SignatureRecordLayout;

// The record's fields at their offsets, as the signer wrote them or the verifier reads them.
Table RecordTable(const CVEMO_SIGNATURE_RECORD& record, bool argument) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(&record);
    const uint8_t* value = nullptr;
    const size_t length = sign::RecordedSignature(bytes, value);
    using L = SignatureRecordLayout;
    Table table{"record", {"offset", "size", "field", "value"}, {}, argument};
    auto row = [&](size_t offset, size_t size, const char* field, Value text) {
        table.rows.push_back({static_cast<long long>(offset), static_cast<long long>(size), field, std::move(text)});
    };
    row(L::kMarkerOffset, L::kMarkerSize, "marker", sign::HasSignatureMarker(bytes) ? CVEMO_SIGNATURE_MARKER : "(none)");
    row(L::kSerialOffset, L::kSerialSize, "serial_number",
        std::string(record.serial_number, sign::SerialTextLength(bytes)));
    row(L::kLengthOffset, 4, "signature_length", static_cast<long long>(sign::SignatureLengthField(bytes)));
    row(L::kValueOffset, L::kValueSize, "signature", length != 0 ? Hex(value, length) : "(none)");
    return table;
}

int Sign(const LibraryBinding& library, const Arguments& given) {
    ParsedArguments args;
    std::string data;
    Field source;
    if (!ParseArguments(given, {"--mode", "--selector", "--file", "--out"}, {}, args) ||
        !DataOf(args, data, source) || !args.positional.empty()) {
        return Usage(kSignCommand);
    }
    // Without --mode, C_VEMO_Sign: C_VEMO_SignEx with selection mode 0.
    const bool ex = args.options.count("--mode") != 0;
    const int32_t mode = std::atoi(args.option("--mode", "0").c_str());
    const auto selector = args.options.find("--selector");
    const char* selectorText = selector == args.options.end() ? nullptr : selector->second.c_str();
    Call call{ex ? Export::SignEx : Export::Sign};
    if (ex) call.arguments.push_back({"selection_mode", static_cast<long long>(mode)});
    if (selectorText) call.arguments.push_back({"selector", selectorText});
    call.arguments.push_back(source);
    call.arguments.push_back({"data_length", static_cast<long long>(data.size())});

    // The picker edition has nothing chosen yet in this process: it asks the user.
    if (library.edition() == Edition::Picker && mode != 1 && mode != 2) AnnounceDialog("signing");
    CVEMO_SIGNATURE_RECORD record{};
    const auto length = static_cast<int32_t>(data.size());
    call.result = ex ? library.signEx(mode, selectorText, data.c_str(), length, &record)
                     : library.sign(selectorText, data.c_str(), length, &record);
    bool written = true;
    if (call.result == 0) {
        call.tables.push_back(RecordTable(record, false));
        written = WriteOut(args, &record, sizeof record, call);
    }
    return Finished(Print(library, call), written);
}

int Verify(const LibraryBinding& library, const Arguments& given) {
    ParsedArguments args;
    std::string keyData, data, recordBytes;
    Field source;
    if (!ParseArguments(given, {"--file"}, {"--md5"}, args) || args.positional.empty()) return Usage(kVerifyCommand);
    const std::string keyFile = args.positional.front();
    args.positional.erase(args.positional.begin());
    if (!DataOf(args, data, source) || args.positional.size() != 1) return Usage(kVerifyCommand);
    const std::string recordFile = args.positional.front();
    if (!ReadFile(keyFile, keyData) || !ReadFile(recordFile, recordBytes)) return 2;
    if (recordBytes.size() != SignatureRecordLayout::kSize) {
        std::fprintf(stderr, "vemo: %s is not a signature record (%zu bytes, not %zu)\n", recordFile.c_str(),
                     recordBytes.size(), SignatureRecordLayout::kSize);
        return 2;
    }
    CVEMO_SIGNATURE_RECORD record;
    std::memcpy(&record, recordBytes.data(), sizeof record);
    const int32_t hashSelector = args.has("--md5") ? 11 : 0;
    Call call{Export::VerifySign,
              {{"key_data", keyFile}, {"key_data_length", static_cast<long long>(keyData.size())},
               {"hash_selector", static_cast<long long>(hashSelector)}, source,
               {"data_length", static_cast<long long>(data.size())}, {"record_file", recordFile}}};
    call.result = library.verifySign(reinterpret_cast<uint8_t*>(keyData.data()), static_cast<int32_t>(keyData.size()),
                                     hashSelector, reinterpret_cast<const uint8_t*>(data.data()),
                                     static_cast<uint32_t>(data.size()), &record);
    // What the refused record holds tells why (no marker, a length out of range, another signer).
    if (call.result != 0) call.tables.push_back(RecordTable(record, true));
    return Print(library, call);
}

}  // namespace

const Command kSignCommand = {
    "sign", "(<text> | --file <path>) [--out <record file>] [--mode <n>] [--selector <text>]",
    "raw signature of a text into a signature record (C_VEMO_Sign, C_VEMO_SignEx)",
    "Without --mode, C_VEMO_Sign; with it, C_VEMO_SignEx with that selection mode. The record's\n"
    "fields are shown; --out writes its 364 bytes to a file for \"vemo verify\".\n"
    "The token and trace editions sign with the token's key and examine neither --mode nor\n"
    "--selector. The picker edition chooses the personal store's certificate by --mode 1\n"
    "(--selector: its serial number in hex) or --mode 2 (--selector: a part of its subject),\n"
    "else in its signing dialog, which waits for the user on the desktop.",
    Sign};
const Command kVerifyCommand = {
    "verify", "<key data file> (<text> | --file <path>) <record file> [--md5]",
    "checks a signature record against a text and a certificate or RSA public key (C_VEMO_VerifySign)",
    "The key data file holds the signer's certificate or RSA public key as PEM, Base64 or DER.\n"
    "--md5 passes the hash selector 11 (MD5); SHA-1 otherwise. A refused record's fields are shown.",
    Verify};

}  // namespace vemo::tool
