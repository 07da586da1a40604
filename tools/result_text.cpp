#include "result_text.h"

#include <windows.h>

#include <cstdio>

#include "frame/result_codes.h"

namespace vemo::tool {
namespace {

enum Editions : unsigned { kToken = 1, kTrace = 2, kPicker = 4, kTokenTrace = kToken | kTrace, kAll = 7 };

unsigned Bit(Edition edition) {
    switch (edition) {
        case Edition::Token: return kToken;
        case Edition::Trace: return kTrace;
        case Edition::Picker: return kPicker;
    }
    return kAll;
}

// A meaning of a code that one export gives it, where the header's general meaning says too
// little. `name`: nullptr keeps the header's name of the code; "" says the code has none here.
struct ExportMeaning {
    Export which;
    unsigned editions;
    int32_t code;
    const char* name;
    const char* meaning;
};

// The Windows errors the working container and the random generator stand behind themselves.
constexpr int32_t kLockBusy = static_cast<int32_t>(ERROR_TIMEOUT);
constexpr char kLockBusyMeaning[] =
    "the working container's lock stayed busy for 60 s (another program of this user held it)";
constexpr int32_t kFailedSilently = static_cast<int32_t>(NTE_FAIL);
constexpr char kFailedSilentlyMeaning[] = "the provider failed (NTE_FAIL, also for a failure that gave no reason)";

constexpr ExportMeaning kExportMeanings[] = {
    {Export::GetUserCert, kTokenTrace, E_FAILED, nullptr,
     "the personal store cannot be opened or is empty, or its first certificate cannot be found again by its "
     "display name"},
    {Export::GetUserCert, kAll, E_CERT_DATA_ERROR, nullptr,
     "the download failed or timed out, its response holds no certificate, or a response longer than 4095 bytes "
     "holds no whole certificate block in its first 4095"},
    {Export::GetUserCert, kTokenTrace, E_ENCROLL_CERT_NO_FIND, nullptr,
     "no certificate of \"MY\" or \"AddressBook\" has that serial number"},
    {Export::GetUserCert, kPicker, E_ENCROLL_CERT_NO_FIND, nullptr,
     "no certificate has that serial number, or the selection dialog was cancelled"},
    {Export::GetUserCert, kAll, SPC_UNKNOWN_ERROR, nullptr, "the certificate is over 4096 bytes of DER"},
    {Export::GetUserCert, kTokenTrace, E_TOKEN_ENUM_BASE + 1, "E_TOKEN_ENUM_BASE + 1",
     "the token's container 1 cannot be made current"},
    {Export::GetUserCert, kTokenTrace, E_TOKEN_ENUM_BASE + 2, "E_TOKEN_ENUM_BASE + 2",
     "the token's container 2 cannot be made current"},
    {Export::GetUserCert, kTokenTrace, E_TOKEN_CERT_BASE + 1, "E_TOKEN_CERT_BASE + 1",
     "the certificate of the token's container 1 cannot be read, or the read gave no bytes"},
    {Export::GetUserCert, kTokenTrace, E_TOKEN_CERT_BASE + 2, "E_TOKEN_CERT_BASE + 2",
     "the certificate of the token's container 2 cannot be read, or the read gave no bytes"},

    {Export::GetCertInfo, kAll, E_FAILED, nullptr, "the text is not certificate text (PEM armour or Base64)"},

    {Export::VerifyUserCRL, kAll, 0, "CVEMO_CRL_NOT_REVOKED",
     "not revoked: a current list of the certificate's issuer, signed by a key of \"ROOT\", does not hold it "
     "(modes 1 and 2: accepted without a list)"},
    {Export::VerifyUserCRL, kAll, E_CERT_REVOKED, nullptr,
     "revoked: a list signed by a key of \"ROOT\" holds the certificate (even when the list is out of date)"},
    {Export::VerifyUserCRL, kAll, E_CRL_UNTRUSTED, nullptr,
     "the list cannot vouch: no certificate of \"ROOT\" named as its issuer and allowed to sign lists verifies "
     "its signature, or it marks an unknown extension critical, is a delta list, or its issuing distribution "
     "point leaves the certificate out"},
    {Export::VerifyUserCRL, kAll, E_CRL_OUT_OF_DATE, nullptr,
     "the list is out of date: its next update has passed (or it names none), or its this-update lies in the "
     "future"},
    {Export::VerifyUserCRL, kAll, E_FAILED, nullptr, "the certificate text or the list text is not recognised"},
    {Export::VerifyUserCRL, kAll, E_PEM_DECODE_ERROR, nullptr,
     "the Base64 of the certificate or of the list cannot be decoded, or the list is over 4096 bytes"},
    {Export::VerifyUserCRL, kAll, SPC_INPUTARG_ERROR_01, nullptr,
     "no certificate text, a mode other than 1, 2 and 3, or a list that is no revocation list of the "
     "certificate's issuer"},
    {Export::VerifyUserCRL, kAll, E_ROOT_STORE_ERROR, nullptr,
     "the \"ROOT\" store, whose keys may sign lists, cannot be opened"},
    {Export::VerifyUserCRL, kAll, E_FILE_OPEN_ERROR, nullptr, "the list file cannot be opened"},
    {Export::VerifyUserCRL, kAll, E_FILE_READ_ERROR, nullptr, "the list file is empty or cannot be read"},

    {Export::VerifyUserCert, kAll, 0, nullptr, "valid: within its validity period and issued by a root of \"ROOT\""},
    {Export::VerifyUserCert, kAll, E_FAILED, nullptr, "the text is not certificate text (PEM armour or Base64)"},
    {Export::VerifyUserCert, kTrace | kPicker, E_CERT_EXPIRED, nullptr,
     "the certificate has expired or is not yet valid (this edition does not tell them apart)"},
    {Export::VerifyUserCert, kAll, E_ISSUECERT_INVALID, nullptr,
     "no root of \"ROOT\" issued the certificate, or a revocation list in \"ROOT\" signed by a key of \"ROOT\" "
     "holds it"},

    {Export::SignEx, kAll, SPC_INPUTARG_ERROR_01, nullptr,
     "no data or record, a data length that is not the text's length, or (picker) mode 1 or 2 without a "
     "selector"},
    {Export::SignEx, kTokenTrace, E_ENCROLL_CERT_NO_FIND, nullptr, "no certificate is stored with the token's key"},
    {Export::SignEx, kPicker, E_ENCROLL_CERT_NO_FIND, nullptr, "no certificate of \"MY\" matches the selector"},
    {Export::SignEx, kTokenTrace, E_CERT_DATA_ERROR, nullptr, "the certificate stored with the token's key does not decode"},
    {Export::SignEx, kTokenTrace, E_SIGN_ERROR, nullptr,
     "hashing or signing failed, or the serial number or the signature does not fit the record"},
    {Export::SignEx, kPicker, E_SIGN_ERROR, nullptr,
     "hashing or signing failed, the chosen certificate's serial number or key does not fit the record (it is "
     "forgotten), or the signing dialog was cancelled"},
    {Export::SignEx, kPicker, -2, "", "the chosen certificate has no private key (it is forgotten)"},

    {Export::VerifySign, kAll, 1, "", "the provider refused the key"},
    {Export::VerifySign, kAll, E_FAILED, nullptr,
     "the record does not start with \"QUORVEL\", or the key text is not certificate text"},
    {Export::VerifySign, kAll, SPC_INPUTARG_ERROR_01, nullptr, "no record, or no key data, or key data over 4096 bytes"},
    {Export::VerifySign, kAll, E_CERT_DATA_ERROR, nullptr, "the public key cannot be found in the certificate"},
    {Export::VerifySign, kAll, E_VERIFY_ERROR, nullptr,
     "the signature does not verify (or the record's length is outside 1..300, or the hash failed)"},
    {Export::VerifySign, kAll, kLockBusy, "", kLockBusyMeaning},
    {Export::VerifySign, kAll, kFailedSilently, "", kFailedSilentlyMeaning},
    {Export::Hash, kAll, kLockBusy, "", kLockBusyMeaning},
    {Export::Hash, kAll, kFailedSilently, "", kFailedSilentlyMeaning},
    {Export::GenerateRandom, kTokenTrace, kFailedSilently, "", kFailedSilentlyMeaning},

    {Export::Sign_P7, kAll, E_ERROR_DATA, nullptr, "no text, message buffer or length, or a text too long to sign"},
    {Export::Sign_P7, kAll, E_ENCROLL_CERT_NO_FIND, nullptr, "no certificate is stored with the token's key"},
    {Export::Sign_P7, kAll, E_CERT_DATA_ERROR, nullptr, "the certificate stored with the token's key does not decode"},
    {Export::Sign_P7, kAll, E_FAILED, nullptr,
     "the platform could not sign: the key's location, the provider while signing, or a message over the bound"},

    {Export::VerifySign_P7, kAll, E_FAILED, nullptr,
     "the message does not verify: not a signed message, no signer certificate, a changed byte (of the "
     "signature, or of a content its signed attributes vouch for), or a length of 0 or over 8192"},

    {Export::HashEx, kAll, SPC_INPUTARG_ERROR_01, nullptr, "no digest length, or no data with a length above 0"},
    {Export::HashEx, kAll, E_BUFFER_TOO_SMALL, nullptr, "the digest buffer is too small: the length says the need"},

    {Export::SignData, kAll, SPC_INPUTARG_ERROR_01, nullptr,
     "no signature length, no data with a length above 0, or (picker) mode 1 or 2 without a selector"},
    {Export::SignData, kAll, E_BUFFER_TOO_SMALL, nullptr,
     "the signature buffer is smaller than the key's size: the length says the need"},
    {Export::SignData, kTokenTrace, E_ENCROLL_CERT_NO_FIND, nullptr,
     "no certificate is stored with the token's key, or no certificate of the token has the selector's serial "
     "number"},
    {Export::SignData, kPicker, E_ENCROLL_CERT_NO_FIND, nullptr,
     "no certificate of \"MY\" matches the selector, or the dialog's choice is found in no subject"},
    {Export::SignData, kTokenTrace, E_CERT_DATA_ERROR, nullptr, "the certificate stored with the token's key does not decode"},
    {Export::SignData, kTokenTrace, E_SIGN_ERROR, nullptr, "hashing or signing failed"},
    {Export::SignData, kPicker, E_SIGN_ERROR, nullptr, "hashing or signing failed, or the signing dialog was cancelled"},
    {Export::SignData, kPicker, -2, "", "the chosen certificate has no private key"},

    {Export::VerifyData, kAll, SPC_INPUTARG_ERROR_01, nullptr,
     "no key data or signature, or no data with a length above 0"},
    {Export::VerifyData, kAll, E_FAILED, nullptr, "the key text is not certificate text"},
    {Export::VerifyData, kAll, E_RSA_KEY_DATA_ERROR, nullptr,
     "the key does not decode, is not of 1024 to 16384 bits, has an exponent above 32 bits, or the provider "
     "refused it"},
    {Export::VerifyData, kAll, E_CERT_DATA_ERROR, nullptr, "the public key cannot be found in the certificate"},
    {Export::VerifyData, kAll, E_VERIFY_ERROR, nullptr, "the signature does not verify"},

    {Export::NewPack, kAll, E_FAILED, nullptr, "the pack or a buffer of slots 0 to 6 cannot be allocated"},
    {Export::NewPack, kAll, -2, "", "the buffer of slot 7 cannot be allocated"},
    {Export::NewPack, kAll, -3, "", "the buffer of slot 8 cannot be allocated"},

    {Export::GenerateRandom, kPicker, E_FAILED, nullptr, "no provider context for random bytes"},
    {Export::GenerateRandom, kPicker, -2, "", "the provider's generator failed"},

    {Export::SignMessage, kAll, SPC_INPUTARG_ERROR_01, nullptr,
     "no message length, no data with a length above 0, an unknown flag, or (picker) mode 1 or 2 without a "
     "selector"},
    {Export::SignMessage, kAll, E_BUFFER_TOO_SMALL, nullptr,
     "the message buffer is smaller than the message: the length says the bound to give"},
    {Export::SignMessage, kTokenTrace, E_ENCROLL_CERT_NO_FIND, nullptr,
     "no certificate is stored with the token's key, or no certificate of the token has the selector's serial "
     "number"},
    {Export::SignMessage, kPicker, E_ENCROLL_CERT_NO_FIND, nullptr,
     "no certificate of \"MY\" matches the selector, or the dialog's choice is found in no subject"},
    {Export::SignMessage, kTokenTrace, E_CERT_DATA_ERROR, nullptr,
     "the certificate stored with the token's key does not decode"},
    {Export::SignMessage, kAll, E_SIGN_ERROR, nullptr,
     "the platform could not sign (the key's size or provider), or (picker) the signing dialog was cancelled"},
    {Export::SignMessage, kPicker, -2, "", "the chosen certificate has no private key"},
    {Export::SignMessage, kAll, E_FAILED, nullptr, "the message would be longer than 32 bits can tell"},

    {Export::VerifyMessage, kAll, E_FAILED, nullptr,
     "not a signed message (not DER or Base64 text, cut short, no signers), no signer's certificate in it, or "
     "the provider failed"},
    {Export::VerifyMessage, kAll, E_VERIFY_ERROR, nullptr,
     "a signature does not verify, or signed attributes name another content (a changed or wrong detached "
     "content)"},
    {Export::VerifyMessage, kAll, SPC_INPUTARG_ERROR_01, nullptr,
     "no message, a buffer without its length, or a detached message without its content (or an attached one "
     "with one)"},
    {Export::VerifyMessage, kAll, E_ALGORITHM, nullptr, "a digest, signature or key algorithm it does not take"},
    {Export::VerifyCertPath, kAll, 0, nullptr, "a path from the certificate to a certificate of \"ROOT\" validates"},
    {Export::VerifyCertPath, kAll, SPC_INPUTARG_ERROR_01, nullptr,
     "no certificate text (or one over 4096 characters), unknown flags, a path buffer without its length, more "
     "than 64 intermediates or 32 list files, or a list file that holds no revocation list"},
    {Export::VerifyCertPath, kAll, E_FAILED, nullptr,
     "the certificate or the intermediates are not certificate text, or a list file's text is neither armour nor "
     "Base64"},
    {Export::VerifyCertPath, kAll, E_PEM_DECODE_ERROR, nullptr,
     "the Base64 of the certificate, an intermediate or a list does not decode to at most 4096 bytes"},
    {Export::VerifyCertPath, kAll, E_CERT_DATA_ERROR, nullptr, "the certificate or an intermediate is not a certificate"},
    {Export::VerifyCertPath, kAll, E_CERT_NOT_YET_VALID, nullptr,
     "a certificate of the path (the root included) is not yet valid"},
    {Export::VerifyCertPath, kAll, E_CERT_EXPIRED, nullptr, "a certificate of the path (the root included) has expired"},
    {Export::VerifyCertPath, kAll, E_ISSUECERT_INVALID, nullptr,
     "no path reaches a certificate of \"ROOT\": no issuer found, or no candidate's signature verifies"},
    {Export::VerifyCertPath, kAll, E_CERT_REVOKED, nullptr, "a revocation list that counts holds a certificate of the path"},
    {Export::VerifyCertPath, kAll, E_CRL_UNTRUSTED, nullptr,
     "revocation required: a certificate of the path is covered by no list that counts, none can be trusted"},
    {Export::VerifyCertPath, kAll, E_CRL_OUT_OF_DATE, nullptr,
     "revocation required: a certificate of the path is covered by no list that counts, its lists are out of date"},
    {Export::VerifyCertPath, kAll, E_PATH_CONSTRAINT, nullptr,
     "an issuer may not issue (not a CA, path length exceeded, key usage without certificate signing, name "
     "constraints violated) or a certificate marks an unknown extension critical"},
    {Export::VerifyCertPath, kAll, E_FILE_OPEN_ERROR, nullptr, "a list file cannot be opened"},
    {Export::VerifyCertPath, kAll, E_FILE_READ_ERROR, nullptr, "a list file is empty or cannot be read"},
    {Export::VerifyCertPath, kAll, E_BUFFER_TOO_SMALL, nullptr,
     "the path validates, but path_out cannot hold it: its length says the need"},
};

// C_VEMO_Sign answers as C_VEMO_SignEx does.
Export MeaningOwner(Export which) { return which == Export::Sign ? Export::SignEx : which; }

bool PassesWindowsErrors(Export which, Edition edition) {
    return which == Export::VerifySign || which == Export::Hash || which == Export::HashEx ||
           which == Export::VerifyData ||
           (which == Export::GenerateRandom && edition != Edition::Picker);
}

std::string HexCode(int32_t code) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(static_cast<uint32_t>(code)));
    return text;
}

std::string WindowsError(int32_t code) {
    const std::string message = WindowsMessage(static_cast<uint32_t>(code));
    return "Windows error " + HexCode(code) + (message.empty() ? " (this system has no message for it)" : ": " + message);
}

ResultText General(int32_t code) {
    const char* name = resultCodeName(code);
    if (name == nullptr) return {};
    return {name, resultCodeMeaning(code)};
}

}  // namespace

std::string WindowsMessage(uint32_t code) {
    char text[512] = {};
    const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
                                        text, sizeof text, nullptr);
    std::string message(text, length);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == ' ')) {
        message.pop_back();
    }
    return message;
}

ResultText DescribeResult(Export which, Edition edition, int32_t code) {
    const Export owner = MeaningOwner(which);
    for (const ExportMeaning& entry : kExportMeanings) {
        if (entry.which != owner || entry.code != code || (entry.editions & Bit(edition)) == 0) continue;
        return {entry.name != nullptr ? entry.name : General(code).name, entry.meaning};
    }
    ResultText general = General(code);
    if (!general.name.empty()) return general;
    if (PassesWindowsErrors(which, edition)) {
        // The token's generator answers with codes of its own, which Windows has no message for.
        if (which == Export::GenerateRandom && WindowsMessage(static_cast<uint32_t>(code)).empty()) {
            return {"", "the token generator's code " + HexCode(code) + " (the default provider was unavailable)"};
        }
        return {"", WindowsError(code)};
    }
    return {"", "not a code of this export (" + HexCode(code) + ")"};
}

std::vector<CodeMeaning> MeaningsOf(int32_t code) {
    std::vector<CodeMeaning> meanings;
    for (const ExportMeaning& entry : kExportMeanings) {
        if (entry.code != code) continue;
        std::string where = ExportName(entry.which);
        if (entry.editions == kTokenTrace) where += " (token, trace)";
        else if (entry.editions == (kTrace | kPicker)) where += " (trace, picker)";
        else if (entry.editions != kAll) where += " (picker)";
        meanings.push_back({where, {entry.name != nullptr ? entry.name : General(code).name, entry.meaning}});
    }
    // 0 and the failures also mean what the header says of them in general.
    const ResultText general = General(code);
    if (!general.name.empty()) {
        meanings.push_back({"in general", general});
    }
    // A value the library gives no meaning is read as a Windows error that an export passed on.
    if (meanings.empty()) meanings.push_back({"Windows", {"", WindowsError(code)}});
    return meanings;
}

}  // namespace vemo::tool
