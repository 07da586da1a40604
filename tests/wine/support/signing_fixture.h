// What the raw signature's tests share: signature records made without the library (the test
// PKI's private keys in the system's provider), the test PKI's certificates in the current
// user's personal store, and a watcher that answers the library's message boxes.
#pragma once

#include <windows.h>
#include <wincrypt.h>

#include <atomic>
#include <climits>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "CVemoDll_C.h"
#include "frame/win_handles.h"

namespace vemo::test {

using Bytes = std::vector<uint8_t>;

// PKCS#1 v1.5 signature of `data` by the test PKI user's private key, most significant byte
// first, as a record carries it (any digest the system's AES-capable provider makes).
Bytes FixtureSignature(const std::string& user, const std::string& data, ALG_ID hashAlgorithm = CALG_SHA1);

// A signed message the platform's own signer (CryptSignMessage) makes with the test PKI user's
// key in a context of the AES-capable provider: the digest `digestOid` (szOID_NIST_sha256, ...),
// the signing time as a signed attribute when `attributes` (the platform then adds the content
// type and the message digest), the user's certificate, the content inside unless `detached`.
Bytes PlatformSignedMessage(const std::string& user, const std::string& content, const char* digestOid,
                            bool attributes = true, bool detached = false);

// A self-signed certificate (a 512-bit key of its own) whose serial number has `bytes` bytes.
Bytes CertificateWithSerial(size_t bytes);

// A record carrying `value` (most significant byte first), as the signer writes one.
CVEMO_SIGNATURE_RECORD RecordOf(const Bytes& value);
// The value a record carries (its length field taken as it is, at most 300 bytes).
Bytes ValueOf(const CVEMO_SIGNATURE_RECORD& record);
// The serial text a record carries.
std::string SerialOf(const CVEMO_SIGNATURE_RECORD& record);

// C_VEMO_VerifySign of the edition under test on a private copy of `keyData`.
int32_t VerifyWith(const Bytes& keyData, const std::string& data, const CVEMO_SIGNATURE_RECORD& record,
                   int32_t hashSelector = 0);

// C_VEMO_VerifyData of the edition under test: `signature` (most significant byte first) of
// the digest `algorithm` of `data`, against `keyData`.
int32_t VerifyDataWith(const Bytes& keyData, const std::string& data, const Bytes& signature,
                       uint32_t algorithm = CVEMO_SHA1);

// Where a personal certificate's private key comes from.
enum class KeySource {
    None,     // a certificate without private key
    KeyFile,  // the user's key file, in a key container of its own (exchange key)
    Pfx,      // the user's PFX file, imported as a user would (under Wine every PFX import shares
              // one key container, so only one such certificate at a time)
};

// The test PKI user's certificate in the current user's "MY" store for the object's lifetime,
// with its private key in a key container of the system's provider; both are removed again at
// the end.
class PersonalCertificate {
public:
    explicit PersonalCertificate(const std::string& user, KeySource key = KeySource::KeyFile);
    ~PersonalCertificate();
    PersonalCertificate(const PersonalCertificate&) = delete;
    PersonalCertificate& operator=(const PersonalCertificate&) = delete;

private:
    Bytes certificate_;
    std::string keyContainer_;
    std::string keyProvider_;
};

// Answers the library's message boxes (caption "CVemoDll_C") from a thread of its own while it
// lives: records each box's text and presses OK.
class MessageBoxWatcher {
public:
    MessageBoxWatcher();
    ~MessageBoxWatcher();
    MessageBoxWatcher(const MessageBoxWatcher&) = delete;
    MessageBoxWatcher& operator=(const MessageBoxWatcher&) = delete;

    std::vector<std::wstring> texts();

private:
    std::atomic<bool> stop_{false};
    std::mutex lock_;
    std::vector<std::wstring> texts_;
    std::thread thread_;
};

// C_VEMO_SignEx of the edition under test and what it left in the caller's record.
inline constexpr int32_t kLeftByCaller = 0x12345678;  // the record's length field before the call
inline constexpr int32_t kTextsLength = INT32_MIN;

struct Signed {
    int32_t result = 0;
    CVEMO_SIGNATURE_RECORD record;
};

// C_VEMO_SignEx over `text` (`length` bytes, the text's own length unless given), into a record
// of 0xCC bytes whose length field the caller set.
Signed SignText(const std::string& text, int32_t mode = 0, const char* selector = nullptr,
                int32_t length = kTextsLength);

// A failed call leaves the record zeroed except for the length field the caller set.
void ExpectUntouchedRecord(const CVEMO_SIGNATURE_RECORD& record);

// A success: the marker, the signer certificate's serial text, and a value that the signer's
// certificate (the test PKI user `user`) verifies, followed by zeros.
void ExpectSignedBy(const Signed& made, const std::string& text, const std::string& user, const std::string& serial);

// The text a message box shows for `text` given to MessageBoxA (the ANSI code page's reading).
std::wstring AsShown(const char* text);

// The folder the raw signature's interop tests share with openssl on the host (empty: none).
void SetRawInteropFolder(const std::string& folder);
const std::string& RawInteropFolder();
// The folder the PKCS#7 messages share with openssl on the host (empty: none).
void SetMessageInteropFolder(const std::string& folder);
const std::string& MessageInteropFolder();

// Checks what the edition under test wrote down in the current directory since it was made:
// in the token edition a user log of exactly these "[ERROR]<message>,Line <n>" entries ("%08x"
// in a message stands for any such code), in the other editions nothing at all.
void ExpectWrittenDown(const std::vector<std::string>& messages);

// The same for the exports from ordinal 20 on, which also trace their failures: in the token
// edition a user log of `logged`, in the trace edition a trace file of one block per entry of
// `traced` ("[ERROR]<entry>,Line <n>"), in the picker edition nothing.
void ExpectReported(const std::vector<std::string>& logged, const std::vector<std::string>& traced);

}  // namespace vemo::test
