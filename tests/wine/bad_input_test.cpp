// The bad-input matrix: every export called with what no honest caller sends (null pointers,
// empty and overlong texts, lengths that disagree with their data, garbage, truncated and
// hostile DER and PEM, damaged signature records, files that are empty, huge or unreadable).
// Each cell is a documented result code of its export (docs/api.md), and no call writes outside
// the caller's buffers: every buffer is an exact-size block between guard bytes, read-only
// inputs must come back unchanged, and a failure writes no more than its export promises.
// The matrix is printed as "[report]" lines, one table per edition.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "frame/win_handles.h"
#include "support/dialog_driver.h"
#include "support/edition_under_test.h"
#include "support/guarded_buffer.h"
#include "support/hostile_input.h"
#include "support/http_server.h"
#include "support/scoped_environment.h"
#include "support/signing_fixture.h"
#include "support/store_fixture.h"
#include "support/test_token.h"
#include "support/token_fixture.h"

namespace vemo::test {
namespace {

using tool::Export;
using Text = std::optional<std::string>;  // nullopt: a null pointer
const Text kNull = std::nullopt;

// What one call gave: its result, and what it did to the caller's memory that its export does
// not promise ("" when nothing).
struct Outcome {
    int32_t result = 0;
    std::string damage;
};

class Damage {
public:
    void check(bool kept, const char* broken) {
        if (!kept) text_ += std::string(text_.empty() ? "" : "; ") + broken;
    }
    Outcome with(int32_t result) const { return {result, text_}; }

private:
    std::string text_;
};

bool IsToken() { return Edition().kind() == EditionKind::Token; }
bool IsPicker() { return Edition().kind() == EditionKind::Picker; }

// A text argument: a guarded copy of the text and its terminator, or a null pointer.
class TextArg {
public:
    explicit TextArg(const Text& text) {
        if (text) buffer_.emplace(GuardedBuffer::Text(*text));
    }
    char* get() { return buffer_ ? buffer_->chars() : nullptr; }
    // A read-only input: as it was given, and nothing written beside it.
    bool unchanged() const { return !buffer_ || (buffer_->guardsIntact() && buffer_->unchangedFrom(0)); }
    // Certificate text, which the trace and picker editions normalise in place (never past it).
    bool keptByEdition() const { return IsToken() ? unchanged() : !buffer_ || buffer_->guardsIntact(); }

private:
    std::optional<GuardedBuffer> buffer_;
};

// ---- One call of each export, with every check of what it may write.

constexpr int32_t kUnwritten = -12345;

Outcome UserCert(Text source, Text lookup, Text serial, Text location, bool nullOut = false, bool nullLength = false) {
    TextArg sourceArg(source), lookupArg(lookup), serialArg(serial), locationArg(location);
    GuardedBuffer out(CVEMO_CERT_TEXT_MAX + 1);
    int32_t length = kUnwritten;
    const int32_t result = Edition().getUserCert(lookupArg.get(), serialArg.get(), locationArg.get(), sourceArg.get(),
                                                 nullOut ? nullptr : out.chars(), nullLength ? nullptr : &length);
    Damage damage;
    damage.check(sourceArg.unchanged() && lookupArg.unchanged() && serialArg.unchanged() && locationArg.unchanged(),
                 "an input text changed");
    damage.check(out.guardsIntact(), "written outside cert_out");
    if (result != 0) {
        damage.check(length == kUnwritten, "a failure wrote the length");
        const bool cleared = std::all_of(out.data(), out.data() + 4, [](uint8_t b) { return b == 0; });
        damage.check(nullOut || (cleared && out.unchangedFrom(4)), "a failure wrote more than the 4 cleared bytes");
    } else {
        damage.check(length >= 0 && length <= CVEMO_CERT_TEXT_MAX, "the length is outside 0..5516");
    }
    return damage.with(result);
}

// A pack as the edition's caller holds one; the trace edition's buffers are guarded blocks of
// the test (released by the test, never by C_VEMO_FreePack).
class MatrixPack {
public:
    MatrixPack() {
        std::memset(own_, 0, sizeof own_);  // the picker edition's fresh buffers are released below
        if (IsToken()) {
            EXPECT_EQ(Edition().newPack(&pack_), 0);
        } else if (Edition().kind() == EditionKind::Trace) {
            for (int slot = 0; slot < PACK_ITEM_COUNT; ++slot) {
                buffers_.emplace_back(PACK_ITEM_SIZE);
                own_[slot] = {kUnwritten, buffers_.back().chars()};
            }
        }
    }
    ~MatrixPack() {
        if (!IsPicker()) {
            if (IsToken()) Edition().freePack(pack_);
            return;
        }
        for (PackItem& item : own_) HeapFree(GetProcessHeap(), 0, item.data);  // the picker's fresh buffers
    }
    PackItem* get() { return pack_; }
    bool intact(bool filled) const {
        for (const GuardedBuffer& buffer : buffers_) {
            if (!buffer.guardsIntact()) return false;
        }
        for (int slot = 0; slot < PACK_ITEM_COUNT; ++slot) {
            const int32_t length = pack_[slot].length;
            const int32_t room = IsPicker() ? (slot < 7 ? 100 : 128) : PACK_ITEM_SIZE;
            // Slot 8 is left alone by a certificate without a subject alternative name.
            if (filled && (length < 0 || length > room) && !(slot == 8 && length == kUnwritten)) return false;
            if (!filled && IsToken() && length != 0) return false;
            if (!filled && Edition().kind() == EditionKind::Trace && length != kUnwritten) return false;
        }
        return true;
    }

private:
    Pack own_;
    PackItem* pack_ = own_;
    std::vector<GuardedBuffer> buffers_;
};

Outcome CertInfo(Text text, Text item = std::string("2"), bool nullInfo = false, bool nullPack = false) {
    TextArg textArg(text), itemArg(item);
    GuardedBuffer info(1024);
    MatrixPack pack;
    const int32_t result = Edition().getCertInfo(textArg.get(), itemArg.get(), nullInfo ? nullptr : info.chars(),
                                                 nullPack ? nullptr : pack.get());
    Damage damage;
    damage.check(textArg.keptByEdition() && itemArg.unchanged(), "an input text changed or was overrun");
    damage.check(info.guardsIntact(), "written outside info_out");
    damage.check(nullPack || pack.intact(result == 0), "the pack is not as promised");
    if (result != 0 && !nullInfo) {
        const bool cleared = std::all_of(info.data(), info.data() + 4, [](uint8_t b) { return b == 0; });
        damage.check(cleared && info.unchangedFrom(4), "a failure wrote more than the 4 cleared bytes");
    }
    if (result == 0 && !nullInfo) damage.check(strnlen(info.chars(), 1024) < 1024, "info_out is not terminated");
    return damage.with(result);
}

Outcome Crl(Text text, Text file, Text mode = std::string("3")) {
    TextArg textArg(text), fileArg(file), modeArg(mode);
    const int32_t result = Edition().verifyUserCRL(textArg.get(), fileArg.get(), modeArg.get());
    Damage damage;
    damage.check(textArg.keptByEdition() && fileArg.unchanged() && modeArg.unchanged(),
                 "an input text changed or was overrun");
    return damage.with(result);
}

Outcome Cert(Text text) {
    TextArg textArg(text);
    const int32_t result = Edition().verifyUserCert(textArg.get(), 0);
    Damage damage;
    damage.check(textArg.keptByEdition(), "the text was overrun, or changed in the token edition");
    return damage.with(result);
}

// C_VEMO_Sign (mode < 0) or C_VEMO_SignEx; the length is the text's unless given.
Outcome Sign(int32_t mode, Text selector, Text data, std::optional<int32_t> length = {}, bool nullRecord = false) {
    TextArg selectorArg(selector), dataArg(data);
    GuardedBuffer record(CVEMO_SIGNATURE_RECORD_SIZE);
    const int32_t dataLength = length ? *length : data ? static_cast<int32_t>(data->size()) : 0;
    auto* out = nullRecord ? nullptr : reinterpret_cast<CVEMO_SIGNATURE_RECORD*>(record.data());
    const int32_t result = mode < 0 ? Edition().sign(selectorArg.get(), dataArg.get(), dataLength, out)
                                    : Edition().signEx(mode, selectorArg.get(), dataArg.get(), dataLength, out);
    Damage damage;
    damage.check(selectorArg.unchanged() && dataArg.unchanged(), "an input text changed");
    damage.check(record.guardsIntact(), "written outside the record");
    if (result == 0) {
        damage.check(std::memcmp(record.data(), CVEMO_SIGNATURE_MARKER, 7) == 0, "no marker after success");
    } else if (!nullRecord) {
        // Cleared except the length field (which keeps what the caller left there).
        const bool cleared = std::all_of(record.data(), record.data() + 60, [](uint8_t b) { return b == 0; }) &&
                             std::all_of(record.data() + 64, record.data() + 364, [](uint8_t b) { return b == 0; });
        damage.check(cleared && std::all_of(record.data() + 60, record.data() + 64,
                                            [](uint8_t b) { return b == GuardedBuffer::kFill; }),
                     "a failed record is not cleared as promised");
    }
    return damage.with(result);
}

// C_VEMO_VerifySign; the key data's length is its size unless given.
Outcome Verify(std::optional<Bytes> key, const CVEMO_SIGNATURE_RECORD* record, std::optional<int32_t> keyLength = {},
               Text data = std::string("data"), std::optional<uint32_t> dataLength = {}) {
    std::optional<GuardedBuffer> keyArg, recordArg;
    if (key) keyArg.emplace(*key);
    if (record) {
        const auto* bytes = reinterpret_cast<const uint8_t*>(record);
        recordArg.emplace(Bytes(bytes, bytes + sizeof *record));
    }
    TextArg dataArg(data);
    const int32_t result = Edition().verifySign(
        keyArg ? keyArg->data() : nullptr, keyLength ? *keyLength : key ? static_cast<int32_t>(key->size()) : 0, 0,
        reinterpret_cast<const uint8_t*>(dataArg.get()),
        dataLength ? *dataLength : data ? static_cast<uint32_t>(data->size()) : 0,
        recordArg ? reinterpret_cast<const CVEMO_SIGNATURE_RECORD*>(recordArg->data()) : nullptr);
    Damage damage;
    damage.check(dataArg.unchanged() && (!recordArg || (recordArg->guardsIntact() && recordArg->unchangedFrom(0))),
                 "the data or the record changed");
    damage.check(!keyArg || (keyArg->guardsIntact() && (!IsToken() || keyArg->unchangedFrom(0))),
                 "the key data was overrun, or changed in the token edition");
    return damage.with(result);
}

Outcome Random(bool nullBuffer, uint32_t length) {
    GuardedBuffer buffer(length);
    const int32_t result = Edition().generateRandom(nullBuffer ? nullptr : buffer.data(), length);
    Damage damage;
    damage.check(buffer.guardsIntact(), "written outside the buffer");
    return damage.with(result);
}

Outcome Hash(std::optional<Bytes> data, uint32_t length, bool nullDigest = false, bool nullLength = false) {
    std::optional<GuardedBuffer> dataArg;
    if (data) dataArg.emplace(*data);
    GuardedBuffer digest(CVEMO_SHA1_DIGEST_SIZE);
    uint32_t digestLength = 0xDEADBEEF;
    const int32_t result = Edition().hash(0, dataArg ? dataArg->data() : nullptr, length,
                                          nullDigest ? nullptr : digest.data(), nullLength ? nullptr : &digestLength);
    Damage damage;
    damage.check(!dataArg || (dataArg->guardsIntact() && dataArg->unchangedFrom(0)), "the data changed");
    damage.check(digest.guardsIntact(), "written outside the digest");
    if (result != 0) damage.check(digest.unchangedFrom(0) && digestLength == 0xDEADBEEF, "a failure wrote output");
    return damage.with(result);
}

// C_VEMO_Sign_P7 into a buffer of the largest message it documents for the text.
Outcome SignP7(Text data, bool nullMessage = false, bool nullLength = false) {
    TextArg dataArg(data);
    GuardedBuffer message(CVEMO_P7_MESSAGE_MAX(data ? data->size() : 0));
    int32_t length = kUnwritten;
    const int32_t result = Edition().signP7(dataArg.get(), nullMessage ? nullptr : message.data(),
                                            nullLength ? nullptr : &length);
    Damage damage;
    damage.check(dataArg.unchanged(), "the text changed");
    damage.check(message.guardsIntact(), "written outside the message buffer");
    if (result == 0) {
        damage.check(length > 0 && static_cast<size_t>(length) <= message.size() && message.unchangedFrom(length),
                     "the length is not the message's");
    } else {
        damage.check(length == kUnwritten && message.unchangedFrom(0), "a failure wrote output");
    }
    return damage.with(result);
}

// C_VEMO_VerifySign_P7 of `message` (its size unless a length is given); the trace edition shows
// the content of a message that verifies in a box, which a second thread closes.
Outcome VerifyP7(std::optional<Bytes> message, std::optional<uint32_t> length = {}, bool nullLength = false) {
    std::optional<GuardedBuffer> messageArg;
    if (message) messageArg.emplace(*message);
    const uint32_t size = length ? *length : message ? static_cast<uint32_t>(message->size()) : 0;
    const MessageBoxWatcher boxes;
    const int32_t result = Edition().verifySignP7(messageArg ? messageArg->data() : nullptr, nullLength ? nullptr : &size);
    Damage damage;
    damage.check(!messageArg || (messageArg->guardsIntact() && messageArg->unchangedFrom(0)), "the message changed");
    return damage.with(result);
}

// C_VEMO_VerifyMessage of `message` (its size unless a length is given), the detached content if
// any, and the two outputs, each a guarded buffer of the capacity given or one of the shapes below.
constexpr int64_t kNotAsked = -1;         // neither buffer nor length pointer
constexpr int64_t kSizeQuery = -2;        // a length pointer alone
constexpr int64_t kNoLengthPointer = -3;  // a buffer alone
constexpr int64_t kRoomy = 8192;

struct MessageOutput {
    explicit MessageOutput(int64_t shape) : shape(shape), buffer(shape > 0 ? static_cast<size_t>(shape) : 0) {
        length = shape >= 0 ? static_cast<uint32_t>(shape) : static_cast<uint32_t>(kUnwritten);
    }
    uint8_t* data() { return shape >= 0 || shape == kNoLengthPointer ? buffer.data() : nullptr; }
    uint32_t* lengthPointer() { return shape >= 0 || shape == kSizeQuery ? &length : nullptr; }
    // Written as promised: nothing outside the buffer; on success at most its length (and a
    // text's zero); on failure nothing, and the length only where E_BUFFER_TOO_SMALL tells the need.
    bool kept(int32_t result, bool text) const {
        if (!buffer.guardsIntact()) return false;
        if (result == 0 && shape >= 0) {
            const size_t used = length + (text ? 1 : 0);
            return used <= buffer.size() && buffer.unchangedFrom(used) && (!text || buffer.data()[length] == 0);
        }
        if (!buffer.unchangedFrom(0)) return false;
        if (result == 0 || (result == E_BUFFER_TOO_SMALL && (shape >= 0 || shape == kSizeQuery))) return true;
        return length == (shape >= 0 ? static_cast<uint32_t>(shape) : static_cast<uint32_t>(kUnwritten));
    }

    int64_t shape;
    GuardedBuffer buffer;
    uint32_t length;
};

Outcome VerifyMsg(std::optional<Bytes> message, std::optional<uint32_t> length = {},
                  std::optional<Bytes> detached = {}, int64_t content = kRoomy, int64_t certificate = kRoomy,
                  std::optional<uint32_t> detachedLength = {}) {
    std::optional<GuardedBuffer> messageArg, detachedArg;
    if (message) messageArg.emplace(*message);
    if (detached) detachedArg.emplace(*detached);
    MessageOutput contentOut(content), certificateOut(certificate);
    const int32_t result = Edition().verifyMessage(
        messageArg ? messageArg->data() : nullptr, length ? *length : message ? static_cast<uint32_t>(message->size()) : 0,
        detachedArg ? detachedArg->data() : nullptr,
        detachedLength ? *detachedLength : detached ? static_cast<uint32_t>(detached->size()) : 0, contentOut.data(),
        contentOut.lengthPointer(), reinterpret_cast<char*>(certificateOut.data()), certificateOut.lengthPointer());
    Damage damage;
    damage.check(!messageArg || (messageArg->guardsIntact() && messageArg->unchangedFrom(0)), "the message changed");
    damage.check(!detachedArg || (detachedArg->guardsIntact() && detachedArg->unchangedFrom(0)), "the content changed");
    damage.check(contentOut.kept(result, false), "the content buffer or its length is not as promised");
    damage.check(certificateOut.kept(result, true), "the certificate buffer or its length is not as promised");
    return damage.with(result);
}

Outcome NewPack() { return {Edition().newPack(nullptr), ""}; }

// C_VEMO_VerifyCertPath into a path buffer of `capacity` bytes (nullopt: a null buffer), its
// length pointer given unless told otherwise; with root A in "ROOT" when `rootA`.
Outcome CertPath(Text text, Text intermediates = kNull, Text lists = kNull, uint32_t flags = 0,
                 std::optional<uint32_t> capacity = 1024, bool nullLength = false, bool rootA = false) {
    std::optional<ScopedStoreEntry> root;
    if (rootA) root.emplace("ROOT", "root-a.crt.der");
    TextArg textArg(text), intermediatesArg(intermediates), listsArg(lists);
    std::optional<GuardedBuffer> path;
    if (capacity) path.emplace(*capacity);
    uint32_t length = capacity ? *capacity : 0;
    const int32_t result = Edition().verifyCertPath(textArg.get(), intermediatesArg.get(), listsArg.get(), flags,
                                                    path ? path->chars() : nullptr, nullLength ? nullptr : &length);
    Damage damage;
    damage.check(textArg.unchanged() && intermediatesArg.unchanged() && listsArg.unchanged(),
                 "an input text changed (no edition changes them)");
    if (path) {
        damage.check(path->guardsIntact(), "written outside path_out");
        const bool written = length < *capacity && path->data()[length] == 0 && path->unchangedFrom(length + 1);
        damage.check(written || (length >= *capacity && path->unchangedFrom(0)) || (nullLength && path->unchangedFrom(0)),
                     "path_out is neither its terminated path nor left alone beside a larger length");
    }
    return damage.with(result);
}

// A call that opens one of the picker edition's dialogs, which a person cancels.
Outcome Cancelled(const std::function<Outcome()>& call) {
    return WithPerson(
        [](DialogDriver& person) {
            if (person.WaitForDialog()) person.Press(IDCANCEL);
        },
        call);
}

Outcome FreePack(bool nullPack) {
    Pack empty{};
    return {Edition().freePack(nullPack ? nullptr : empty), ""};
}

// A sized output: a buffer of `capacity` bytes between guards (none: a null pointer) and its
// length, which the export may write only as documented.
struct SizedArg {
    std::optional<GuardedBuffer> buffer;
    uint32_t length;
    SizedArg(std::optional<uint32_t> capacity, uint32_t stated) : length(stated) {
        if (capacity) buffer.emplace(*capacity);
    }
    uint8_t* data() { return buffer ? buffer->data() : nullptr; }
    // A success wrote `length` bytes at most into the buffer; a failure wrote nothing there.
    void check(Damage& damage, int32_t result) const {
        if (!buffer) return;
        damage.check(buffer->guardsIntact(), "written outside the output");
        if (result != 0) damage.check(buffer->unchangedFrom(0), "a failure wrote output");
        else damage.check(length <= buffer->size() && buffer->unchangedFrom(length), "the length is not what was written");
    }
};

constexpr uint32_t kCapacityOfBuffer = 0xFFFFFFFF;  // the stated capacity is the buffer's size

// C_VEMO_HashEx; `capacity`: the digest buffer's size (none: null), `stated`: *digest_length.
Outcome HashEx(uint32_t algorithm, std::optional<Bytes> data, uint32_t length, std::optional<uint32_t> capacity = 64,
               uint32_t stated = kCapacityOfBuffer, bool nullLength = false) {
    std::optional<GuardedBuffer> dataArg;
    if (data) dataArg.emplace(*data);
    SizedArg digest(capacity, stated == kCapacityOfBuffer ? capacity.value_or(0) : stated);
    const int32_t result = Edition().hashEx(algorithm, dataArg ? dataArg->data() : nullptr, length, digest.data(),
                                            nullLength ? nullptr : &digest.length);
    Damage damage;
    damage.check(!dataArg || (dataArg->guardsIntact() && dataArg->unchangedFrom(0)), "the data changed");
    digest.check(damage, result);
    return damage.with(result);
}

// C_VEMO_SignData with SHA-256 unless told; the edition's key: the token's first, or in the
// picker edition mode 1 by `selector`.
Outcome SignData(std::optional<Bytes> data, uint32_t length, std::optional<uint32_t> capacity = 2048,
                 uint32_t stated = kCapacityOfBuffer, bool nullLength = false, uint32_t algorithm = CVEMO_SHA256,
                 Text selector = std::string("3A1B2C3D4E5F60718293A4B5C6D7E8F9")) {
    std::optional<GuardedBuffer> dataArg;
    if (data) dataArg.emplace(*data);
    TextArg selectorArg(selector);
    SizedArg signature(capacity, stated == kCapacityOfBuffer ? capacity.value_or(0) : stated);
    const int32_t result = Edition().signData(algorithm, 1, selectorArg.get(), dataArg ? dataArg->data() : nullptr,
                                              length, signature.data(), nullLength ? nullptr : &signature.length);
    Damage damage;
    damage.check(selectorArg.unchanged() && (!dataArg || (dataArg->guardsIntact() && dataArg->unchangedFrom(0))),
                 "the data or the selector changed");
    signature.check(damage, result);
    return damage.with(result);
}

// C_VEMO_SignMessage (SHA-256, DER, attached unless told) by the edition's key, as SignData.
Outcome SignMsg(std::optional<Bytes> data, uint32_t length, std::optional<uint32_t> capacity = 8192,
                uint32_t stated = kCapacityOfBuffer, bool nullLength = false, uint32_t algorithm = CVEMO_SHA256,
                uint32_t flags = 0) {
    std::optional<GuardedBuffer> dataArg;
    if (data) dataArg.emplace(*data);
    TextArg selectorArg(std::string("3A1B2C3D4E5F60718293A4B5C6D7E8F9"));
    SizedArg message(capacity, stated == kCapacityOfBuffer ? capacity.value_or(0) : stated);
    const int32_t result = Edition().signMessage(algorithm, flags, 1, selectorArg.get(), dataArg ? dataArg->data() : nullptr,
                                                 length, message.data(), nullLength ? nullptr : &message.length);
    Damage damage;
    damage.check(selectorArg.unchanged() && (!dataArg || (dataArg->guardsIntact() && dataArg->unchangedFrom(0))),
                 "the data or the selector changed");
    message.check(damage, result);
    return damage.with(result);
}

// The length of the message SignMsg makes over one byte (its size does not vary: the signing
// time is UTCTime); 0 where no key signs.
uint32_t OneByteMessageLength() {
    std::vector<uint8_t> message(8192);
    uint32_t length = static_cast<uint32_t>(message.size());
    const uint8_t data = 1;
    return Edition().signMessage(CVEMO_SHA256, 0, 1, "3A1B2C3D4E5F60718293A4B5C6D7E8F9", &data, 1, message.data(),
                                 &length) == 0
               ? length
               : 0;
}

// C_VEMO_VerifyData (SHA-1 unless told) of "data" unless given; lengths are the sizes unless given.
Outcome VerifyData(std::optional<Bytes> key, std::optional<Bytes> signature, std::optional<uint32_t> keyLength = {},
                   uint32_t algorithm = CVEMO_SHA1, Text data = std::string("data"),
                   std::optional<uint32_t> dataLength = {}) {
    std::optional<GuardedBuffer> keyArg, signatureArg;
    if (key) keyArg.emplace(*key);
    if (signature) signatureArg.emplace(*signature);
    TextArg dataArg(data);
    const int32_t result = Edition().verifyData(
        algorithm, keyArg ? keyArg->data() : nullptr, keyLength ? *keyLength : key ? static_cast<uint32_t>(key->size()) : 0,
        reinterpret_cast<const uint8_t*>(dataArg.get()),
        dataLength ? *dataLength : data ? static_cast<uint32_t>(data->size()) : 0,
        signatureArg ? signatureArg->data() : nullptr, signature ? static_cast<uint32_t>(signature->size()) : 0);
    Damage damage;
    damage.check(dataArg.unchanged() && (!keyArg || (keyArg->guardsIntact() && keyArg->unchangedFrom(0))) &&
                     (!signatureArg || (signatureArg->guardsIntact() && signatureArg->unchangedFrom(0))),
                 "an input changed (key data is read only in every edition)");
    return damage.with(result);
}

// ---- The table.

struct Cell {
    std::string row;       // the input, as the matrix prints it
    Export column;
    std::string argument;  // where the input goes, for a failure message
    std::function<Outcome()> call;
    std::vector<int32_t> documented;  // what the reference gives for it in this edition
};

// Everything the cells share: files in the working directory, a plugged-in token, empty "MY"
// and "AddressBook" stores, certificates and records.
// A message C_VEMO_Sign_P7 made with the plugged-in token, or none in an edition without it.
Bytes SignedMessage() {
    if (!Edition().has(Export::Sign_P7)) return {};
    Bytes message(CVEMO_P7_MESSAGE_MAX(7));
    int32_t length = 0;
    EXPECT_EQ(Edition().signP7("message", message.data(), &length), 0);
    message.resize(length > 0 ? static_cast<size_t>(length) : 0);
    return message;
}

struct Inputs {
    Bytes user = FixtureBytes("user1024.crt.der");
    std::string userPem = PemOf(user);
    Bytes crl = FixtureBytes("root-a.crl.der");
    std::string crlPath = FixturePath("root-a.crl.der");
    Bytes longSerial = CertificateWithLongSerial(1000);
    Bytes bigKey = CertificateWith4096BitKey();
    CVEMO_SIGNATURE_RECORD record = RecordOf(FixtureSignature("user1024", "data"));
    Bytes signature = ValueOf(record);  // SHA-1 of "data", most significant byte first
    Bytes message = SignedMessage();
    Bytes cms = PlatformSignedMessage("user1024", "message", szOID_NIST_sha256);
    Bytes cmsDetached = PlatformSignedMessage("user1024", "message", szOID_NIST_sha256, true, true);
    Bytes cmsContent = {'m', 'e', 's', 's', 'a', 'g', 'e'};
    std::string unusedAddress = "http://127.0.0.1:" + std::to_string(UnusedPort()) + "/";
};

std::string Repeated(size_t length, char c) { return std::string(length, c); }

void WriteBytes(const std::string& name, const Bytes& bytes) {
    const win::FileHandle file(CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD written = 0;
    EXPECT_TRUE(file && (bytes.empty() || WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()),
                                                    &written, nullptr)))
        << name;
}

CVEMO_SIGNATURE_RECORD WithLength(CVEMO_SIGNATURE_RECORD record, int32_t length) {
    record.signature_length = length;
    return record;
}

std::vector<Cell> Cells(const Inputs& in) {
    const bool picker = IsPicker();
    const int32_t kArg = SPC_INPUTARG_ERROR_01;
    // Certificate text past the picker edition's 2500-character work buffers is not recognised.
    const auto longText = [&](int32_t otherwise) { return picker ? E_FAILED : otherwise; };
    std::vector<Cell> cells;
    const auto add = [&](const std::string& row, Export column, const std::string& argument,
                         std::function<Outcome()> call, std::vector<int32_t> documented) {
        cells.push_back({row, column, argument, std::move(call), std::move(documented)});
    };
    const std::string file = "signer.pem";  // a readable certificate file

    // Null pointers, one argument at a time.
    const std::string kNullRow = "null pointer (each argument)";
    add(kNullRow, Export::FreePack, "pack", [] { return FreePack(true); }, {0});
    add(kNullRow, Export::GetUserCert, "cert_out", [=] { return UserCert("3", "", "", file, true); }, {kArg});
    add(kNullRow, Export::GetUserCert, "cert_out_length", [=] { return UserCert("3", "", "", file, false, true); }, {kArg});
    add(kNullRow, Export::GetUserCert, "source", [] { return UserCert(kNull, "", "", ""); }, {kArg});
    add(kNullRow, Export::GetUserCert, "lookup_text (\"0\")", [] { return UserCert("0", kNull, "0102", ""); }, {kArg});
    add(kNullRow, Export::GetUserCert, "serial_hex (\"0\")", [] { return UserCert("0", "", kNull, ""); }, {kArg});
    add(kNullRow, Export::GetUserCert, "location (\"1\")", [] { return UserCert("1", "", "", kNull); }, {kArg});
    add(kNullRow, Export::GetUserCert, "location (\"3\")", [] { return UserCert("3", "", "", kNull); }, {kArg});
    add(kNullRow, Export::GetCertInfo, "cert_text", [] { return CertInfo(kNull); }, {kArg});
    add(kNullRow, Export::GetCertInfo, "item", [&] { return CertInfo(in.userPem, kNull); }, {kArg});
    add(kNullRow, Export::GetCertInfo, "info_out", [&] { return CertInfo(in.userPem, "2", true); }, {kArg});
    add(kNullRow, Export::GetCertInfo, "info_out (item outside the table)", [&] { return CertInfo(in.userPem, "99", true); }, {0});
    add(kNullRow, Export::GetCertInfo, "pack", [&] { return CertInfo(in.userPem, "2", false, true); }, {kArg});
    add(kNullRow, Export::VerifyUserCRL, "cert_text", [&] { return Crl(kNull, in.crlPath); }, {kArg});
    add(kNullRow, Export::VerifyUserCRL, "crl_file", [&] { return Crl(in.userPem, kNull); }, {E_FILE_OPEN_ERROR});
    add(kNullRow, Export::VerifyUserCRL, "mode", [&] { return Crl(in.userPem, in.crlPath, kNull); }, {kArg});
    add(kNullRow, Export::VerifyUserCert, "cert_text", [] { return Cert(kNull); }, {kArg});
    add(kNullRow, Export::Sign, "data", [] { return Sign(-1, "", kNull, 0); }, {kArg});
    add(kNullRow, Export::Sign, "record", [] { return Sign(-1, "", "abc", {}, true); }, {kArg});
    add(kNullRow, Export::SignEx, "data", [] { return Sign(1, "0102", kNull, 0); }, {kArg});
    add(kNullRow, Export::SignEx, "record", [] { return Sign(1, "0102", "abc", {}, true); }, {kArg});
    if (picker) add(kNullRow, Export::SignEx, "selector (mode 1)", [] { return Sign(1, kNull, "abc"); }, {kArg});
    add(kNullRow, Export::VerifySign, "key_data", [&] { return Verify(std::nullopt, &in.record, 16); }, {kArg});
    add(kNullRow, Export::VerifySign, "data (length 4)", [&] { return Verify(in.user, &in.record, {}, kNull, 4); }, {kArg});
    add(kNullRow, Export::VerifySign, "record", [&] { return Verify(in.user, nullptr); }, {kArg});
    add(kNullRow, Export::Sign_P7, "data", [] { return SignP7(kNull); }, {E_ERROR_DATA});
    add(kNullRow, Export::Sign_P7, "message", [] { return SignP7("abc", true); }, {E_ERROR_DATA});
    add(kNullRow, Export::Sign_P7, "message_length", [] { return SignP7("abc", false, true); }, {E_ERROR_DATA});
    add(kNullRow, Export::VerifySign_P7, "message", [] { return VerifyP7(std::nullopt, 16); }, {E_FAILED});
    add(kNullRow, Export::VerifySign_P7, "message_length", [&] { return VerifyP7(in.message, {}, true); }, {E_FAILED});
    add(kNullRow, Export::NewPack, "pack", [] { return NewPack(); }, {kArg});
    add(kNullRow, Export::VerifyCertPath, "cert_text", [] { return CertPath(kNull); }, {kArg});
    add(kNullRow, Export::VerifyCertPath, "path_out_length (with a buffer)",
        [&] { return CertPath(in.userPem, kNull, kNull, 0, 64, true); }, {kArg});
    add(kNullRow, Export::VerifyCertPath, "path_out (a size query)", [&] { return CertPath(in.userPem, kNull, kNull, 0, {}); },
        {E_ISSUECERT_INVALID});
    add(kNullRow, Export::VerifyCertPath, "intermediates, crl_files, path_out and its length",
        [&] { return CertPath(in.userPem, kNull, kNull, 0, {}, true); }, {E_ISSUECERT_INVALID});
    add(kNullRow, Export::GenerateRandom, "buffer (16 bytes)", [] { return Random(true, 16); }, {kArg});
    add(kNullRow, Export::GenerateRandom, "buffer (0 bytes)", [] { return Random(true, 0); }, {0});
    add(kNullRow, Export::Hash, "digest", [] { return Hash(Bytes{1, 2, 3}, 3, true); }, {kArg});
    add(kNullRow, Export::Hash, "digest_length", [] { return Hash(Bytes{1, 2, 3}, 3, false, true); }, {kArg});
    add(kNullRow, Export::Hash, "data (length 3)", [] { return Hash(std::nullopt, 3); }, {kArg});
    add(kNullRow, Export::Hash, "data (length 0)", [] { return Hash(std::nullopt, 0); }, {0});
    // The sized outputs: a null buffer asks the size.
    add(kNullRow, Export::HashEx, "digest_length", [] { return HashEx(CVEMO_SHA256, Bytes{1}, 1, 64, 64, true); }, {kArg});
    add(kNullRow, Export::HashEx, "data (length 3)", [] { return HashEx(CVEMO_SHA256, std::nullopt, 3); }, {kArg});
    add(kNullRow, Export::HashEx, "data (length 0)", [] { return HashEx(CVEMO_SHA256, std::nullopt, 0); }, {0});
    add(kNullRow, Export::HashEx, "digest (the size asked)", [] { return HashEx(CVEMO_SHA384, Bytes{1}, 1, std::nullopt, 0); },
        {0});
    const int32_t keyFound = picker ? E_ENCROLL_CERT_NO_FIND : 0;  // "MY" is empty here
    add(kNullRow, Export::SignData, "signature_length", [] { return SignData(Bytes{1}, 1, 2048, 2048, true); }, {kArg});
    add(kNullRow, Export::SignData, "data (length 3)", [] { return SignData(std::nullopt, 3); }, {kArg});
    add(kNullRow, Export::SignData, "data (length 0)", [] { return SignData(std::nullopt, 0); }, {keyFound});
    add(kNullRow, Export::SignData, "signature (the size asked)", [] { return SignData(Bytes{1}, 1, std::nullopt, 0); },
        {keyFound});
    if (picker) add(kNullRow, Export::SignData, "selector (mode 1)", [] { return SignData(Bytes{1}, 1, 2048, kCapacityOfBuffer, false, CVEMO_SHA256, kNull); }, {kArg});
    add(kNullRow, Export::VerifyData, "key_data (length 16)", [&] { return VerifyData(std::nullopt, in.signature, 16); }, {kArg});
    add(kNullRow, Export::VerifyData, "signature", [&] { return VerifyData(in.user, std::nullopt); }, {kArg});
    add(kNullRow, Export::VerifyData, "data (length 4)", [&] { return VerifyData(in.user, in.signature, {}, CVEMO_SHA1, kNull, 4); },
        {kArg});

    // Empty texts.
    const std::string kEmptyRow = "empty text";
    add(kEmptyRow, Export::GetUserCert, "\"2\": lookup_text", [] { return UserCert("2", "", "s", "l"); }, {kArg});
    if (!picker) add(kEmptyRow, Export::GetUserCert, "source (the personal store)", [] { return UserCert("", "", "", ""); }, {E_FAILED});
    if (picker) {
        add(kEmptyRow, Export::GetUserCert, "source (the selection dialog, cancelled)",
            [] { return Cancelled([] { return UserCert("", "", "", ""); }); }, {E_ENCROLL_CERT_NO_FIND});
        add(kEmptyRow, Export::Sign, "data (the signing dialog, cancelled)",
            [] { return Cancelled([] { return Sign(-1, "", ""); }); }, {E_SIGN_ERROR});
    }
    add(kEmptyRow, Export::GetUserCert, "\"0\": serial_hex", [] { return UserCert("0", "", "", ""); }, {E_ENCROLL_CERT_NO_FIND});
    add(kEmptyRow, Export::GetUserCert, "\"1\": location", [] { return UserCert("1", "", "", ""); }, {E_CERT_DATA_ERROR});
    add(kEmptyRow, Export::GetUserCert, "\"3\": location", [] { return UserCert("3", "", "", ""); }, {E_FILE_OPEN_ERROR});
    add(kEmptyRow, Export::GetCertInfo, "cert_text", [] { return CertInfo(""); }, {kArg});
    add(kEmptyRow, Export::GetCertInfo, "item", [&] { return CertInfo(in.userPem, ""); }, {0});
    add(kEmptyRow, Export::VerifyUserCRL, "cert_text", [&] { return Crl("", in.crlPath); }, {kArg});
    add(kEmptyRow, Export::VerifyUserCRL, "crl_file", [&] { return Crl(in.userPem, ""); }, {E_FILE_OPEN_ERROR});
    add(kEmptyRow, Export::VerifyUserCRL, "mode", [&] { return Crl(in.userPem, in.crlPath, ""); }, {kArg});
    add(kEmptyRow, Export::VerifyUserCert, "cert_text", [] { return Cert(""); }, {kArg});
    add(kEmptyRow, Export::VerifyCertPath, "cert_text", [] { return CertPath(""); }, {kArg});
    add(kEmptyRow, Export::VerifyCertPath, "intermediates (none)", [&] { return CertPath(in.userPem, ""); },
        {E_ISSUECERT_INVALID});
    add(kEmptyRow, Export::VerifyCertPath, "crl_files (no names: \"\", \";;\")", [&] { return CertPath(in.userPem, kNull, ";;"); },
        {E_ISSUECERT_INVALID});
    if (!picker) add(kEmptyRow, Export::Sign, "data", [] { return Sign(-1, "", ""); }, {0});
    add(kEmptyRow, Export::SignEx, "data", [] { return Sign(1, "0102", ""); }, {picker ? E_ENCROLL_CERT_NO_FIND : 0});
    if (picker) add(kEmptyRow, Export::SignEx, "selector (mode 2)", [] { return Sign(2, "", "abc"); }, {kArg});
    add(kEmptyRow, Export::VerifySign, "key_data (length 0)", [&] { return Verify(Bytes{}, &in.record); }, {kArg});
    add(kEmptyRow, Export::Sign_P7, "data (one zero byte signed)", [] { return SignP7(""); }, {0});
    add(kEmptyRow, Export::VerifySign_P7, "message (length 0)", [&] { return VerifyP7(in.message, 0); }, {E_FAILED});
    add(kEmptyRow, Export::GenerateRandom, "length 0", [] { return Random(false, 0); }, {0});
    add(kEmptyRow, Export::Hash, "data", [] { return Hash(Bytes{}, 0); }, {0});
    add(kEmptyRow, Export::HashEx, "data", [] { return HashEx(CVEMO_SHA512, Bytes{}, 0); }, {0});
    add(kEmptyRow, Export::SignData, "data", [] { return SignData(Bytes{}, 0); }, {keyFound});
    add(kEmptyRow, Export::VerifyData, "key_data (length 0)", [&] { return VerifyData(in.user, in.signature, 0); }, {kArg});
    add(kEmptyRow, Export::VerifyData, "signature (length 0)", [&] { return VerifyData(in.user, Bytes{}); }, {E_VERIFY_ERROR});

    // Texts of 4095, 4096, 4097 and 100,000 characters.
    for (const size_t length : {4095u, 4096u, 4097u, 100000u}) {
        const std::string row = std::to_string(length) + " characters";
        const bool fits = length <= 4096;
        const std::string pem = PemOf(in.user, length);
        const std::string name = Repeated(length, 'f');
        add(row, Export::GetUserCert, "\"0\": serial_hex", [=] { return UserCert("0", "", Repeated(length, 'A'), ""); },
            {E_ENCROLL_CERT_NO_FIND});
        add(row, Export::GetUserCert, "\"1\": location", [=, &in] { return UserCert("1", "", "", in.unusedAddress + name); },
            {E_CERT_DATA_ERROR});
        // A response of that length whose certificate comes first: past 4095 bytes, the whole
        // block within them.
        add(row, Export::GetUserCert, "\"1\": the response, a certificate first", [=] {
            const Bytes pem = FixtureBytes("signer.crt.pem");
            std::string page = "HTTP/1.0 200 OK\r\n\r\n" + std::string(pem.begin(), pem.end());
            page.resize(length, 'p');
            TestHttpServer server({page});
            return UserCert("1", "", "", server.address("/c"));
        }, {0});
        add(row, Export::GetUserCert, "\"3\": location", [=] { return UserCert("3", "", "", name); }, {E_FILE_OPEN_ERROR});
        add(row, Export::GetCertInfo, "cert_text (PEM and line breaks)", [=] { return CertInfo(pem); },
            {fits ? longText(0) : kArg});
        add(row, Export::GetCertInfo, "item (digits: outside the table)",
            [=, &in] { return CertInfo(in.userPem, Repeated(length, '3')); }, {0});
        // Root A is not in "ROOT" here: its list cannot vouch.
        add(row, Export::VerifyUserCRL, "mode (blanks, then 3)",
            [=, &in] { return Crl(in.userPem, in.crlPath, Repeated(length - 1, ' ') + "3"); }, {E_CRL_UNTRUSTED});
        add(row, Export::VerifyUserCRL, "cert_text (PEM and line breaks)", [=, &in] { return Crl(pem, in.crlPath); },
            {fits ? longText(E_CRL_UNTRUSTED) : kArg});
        add(row, Export::VerifyUserCRL, "crl_file", [=, &in] { return Crl(in.userPem, name); }, {E_FILE_OPEN_ERROR});
        add(row, Export::VerifyUserCert, "cert_text (PEM and line breaks)", [=] { return Cert(pem); },
            {fits ? longText(E_ISSUECERT_INVALID) : kArg});
        // No edition limit but the 4096 characters.
        add(row, Export::VerifyCertPath, "cert_text (PEM and line breaks)", [=] { return CertPath(pem); },
            {fits ? E_ISSUECERT_INVALID : kArg});
        add(row, Export::VerifyCertPath, "crl_files (one name)", [=, &in] { return CertPath(in.userPem, kNull, name); },
            {E_FILE_OPEN_ERROR});
        if (!picker) add(row, Export::Sign, "data", [=] { return Sign(-1, "", Repeated(length, 'd')); }, {0});
        add(row, Export::SignEx, "data", [=] { return Sign(1, "0102", Repeated(length, 'd')); },
            {picker ? E_ENCROLL_CERT_NO_FIND : 0});
        if (picker) {
            add(row, Export::SignEx, "selector (mode 1)", [=] { return Sign(1, Repeated(length, 'A'), "abc"); },
                {E_ENCROLL_CERT_NO_FIND});
            add(row, Export::SignEx, "selector (mode 2)", [=] { return Sign(2, Repeated(length, 'S'), "abc"); },
                {E_ENCROLL_CERT_NO_FIND});
        }
        const Bytes key(pem.begin(), pem.end());
        add(row, Export::VerifySign, "key_data (PEM and line breaks)", [=, &in] { return Verify(key, &in.record); },
            {fits ? longText(0) : kArg});
        add(row, Export::Sign_P7, "data", [=] { return SignP7(Repeated(length, 'd')); }, {0});
        add(row, Export::GenerateRandom, "length", [=] { return Random(false, static_cast<uint32_t>(length)); }, {0});
        add(row, Export::Hash, "data", [=] { return Hash(Bytes(length, 'h'), static_cast<uint32_t>(length)); }, {0});
        add(row, Export::HashEx, "data", [=] { return HashEx(CVEMO_SHA256, Bytes(length, 'h'), static_cast<uint32_t>(length)); },
            {0});
        add(row, Export::SignData, "data", [=] { return SignData(Bytes(length, 'd'), static_cast<uint32_t>(length)); },
            {keyFound});
        // No limit of 4096 characters here: the key text of any length is read.
        add(row, Export::VerifyData, "key_data (PEM and line breaks)", [=, &in] { return VerifyData(key, in.signature); },
            {0});
    }

    // Lengths that disagree with the data (where the library can tell: a text's terminator, or
    // a stated limit; a length longer than a buffer without either is the caller's promise).
    const std::string kLengthRow = "length: negative, 0, too large";
    for (const int32_t length : {-1, 0, 4}) {
        const std::string what = "data_length " + std::to_string(length) + " for \"abc\"";
        if (!picker) add(kLengthRow, Export::Sign, what, [=] { return Sign(-1, "", "abc", length); }, {kArg});
        add(kLengthRow, Export::SignEx, what, [=] { return Sign(1, "0102", "abc", length); }, {kArg});
    }
    for (const uint32_t length : {8193u, 0xFFFFFFFFu}) {
        add(kLengthRow, Export::VerifySign_P7, "message_length " + std::to_string(length),
            [=] { return VerifyP7(Bytes(8193, 0x30), length); }, {E_FAILED});
    }
    for (const int32_t length : {-1, INT_MIN, 4097}) {
        add(kLengthRow, Export::VerifySign, "key_data_length " + std::to_string(length),
            [=, &in] { return Verify(Bytes(4097, '0'), &in.record, length); }, {kArg});
    }

    // Garbage.
    const std::string kGarbageRow = "garbage";
    add(kGarbageRow, Export::GetUserCert, "\"0\": serial_hex", [] { return UserCert("0", "", "zz-not-hex!", ""); },
        {E_ENCROLL_CERT_NO_FIND});
    add(kGarbageRow, Export::GetUserCert, "\"1\": location", [] { return UserCert("1", "", "", "not an address"); },
        {E_CERT_DATA_ERROR});
    for (const char* text : {"not a certificate", "MI!!not Base64!!", "MIIBAAAA"}) {
        const std::vector<int32_t> codes = {text[0] != 'M' ? E_FAILED : text[2] == '!' ? E_PEM_DECODE_ERROR : E_CERT_DATA_ERROR};
        add(kGarbageRow, Export::GetCertInfo, std::string("cert_text ") + text, [=] { return CertInfo(text); }, codes);
        add(kGarbageRow, Export::VerifyUserCRL, std::string("cert_text ") + text, [=, &in] { return Crl(text, in.crlPath); }, codes);
        add(kGarbageRow, Export::VerifyUserCert, std::string("cert_text ") + text, [=] { return Cert(text); }, codes);
        add(kGarbageRow, Export::VerifyCertPath, std::string("cert_text ") + text, [=] { return CertPath(text); }, codes);
        add(kGarbageRow, Export::VerifyCertPath, std::string("intermediates ") + text,
            [=, &in] { return CertPath(in.userPem, text); }, codes);
    }
    for (const char* mode : {"x", "99999999999999999999", "-3"}) {
        add(kGarbageRow, Export::VerifyUserCRL, std::string("mode ") + mode, [=, &in] { return Crl(in.userPem, in.crlPath, mode); },
            {kArg});
    }
    add(kGarbageRow, Export::VerifyUserCRL, "list text", [&] { return Crl(in.userPem, "garbage.txt"); }, {E_FAILED});
    add(kGarbageRow, Export::VerifyCertPath, "crl_files: a list text that is none", [&] { return CertPath(in.userPem, kNull, "garbage.txt"); },
        {E_FAILED});
    add(kGarbageRow, Export::VerifyCertPath, "crl_files: empty names around a missing file",
        [&] { return CertPath(in.userPem, kNull, ";" + in.crlPath + ";;missing.crl;"); }, {E_FILE_OPEN_ERROR});
    add(kGarbageRow, Export::VerifyCertPath, "intermediates: a block without its end line",
        [&] { return CertPath(in.userPem, in.userPem.substr(0, in.userPem.find("-----END"))); }, {E_FAILED});
    std::string tooMany;
    for (int i = 0; i <= CVEMO_PATH_INTERMEDIATES_MAX; ++i) tooMany += in.userPem;
    add(kGarbageRow, Export::VerifyCertPath, "intermediates: one block over the most", [=, &in] { return CertPath(in.userPem, tooMany); },
        {kArg});
    for (const uint32_t flags : {2u, 0x80000000u, 0xFFFFFFFFu}) {
        add(kGarbageRow, Export::VerifyCertPath, "flags " + std::to_string(flags), [=, &in] { return CertPath(in.userPem, kNull, kNull, flags); },
            {kArg});
    }
    // A path that validates (root A in "ROOT") into buffers too short for it, and one that fails.
    for (const uint32_t capacity : {0u, 1u, 40u}) {
        add(kGarbageRow, Export::VerifyCertPath, "path_out of " + std::to_string(capacity) + " bytes",
            [=, &in] { return CertPath(in.userPem, kNull, kNull, 0, capacity, false, true); }, {E_BUFFER_TOO_SMALL});
    }
    add(kGarbageRow, Export::VerifyCertPath, "path_out of 1 byte, a path that fails",
        [&] { return CertPath(in.userPem, kNull, kNull, 0, 1u); }, {E_ISSUECERT_INVALID});
    if (picker) add(kGarbageRow, Export::SignEx, "selector (mode 2)", [] { return Sign(2, "no such subject", "abc"); },
                    {E_ENCROLL_CERT_NO_FIND});
    add(kGarbageRow, Export::VerifySign_P7, "message", [] {
        const std::string text = "not a signed message";
        return VerifyP7(Bytes(text.begin(), text.end()));
    }, {E_FAILED});
    add(kGarbageRow, Export::VerifySign_P7, "a certificate", [&] { return VerifyP7(in.user); }, {E_FAILED});
    add(kGarbageRow, Export::VerifySign, "key_data text", [&] {
        const std::string text = "not a key";
        return Verify(Bytes(text.begin(), text.end()), &in.record);
    }, {E_FAILED});
    add(kGarbageRow, Export::VerifySign, "key_data a public key in its own armour", [&] {
        const Bytes pub = FixtureBytes("user1024.pub.pem");
        return Verify(pub, &in.record);
    }, {E_FAILED});
    add(kGarbageRow, Export::VerifyData, "key_data text", [&] {
        const std::string text = "not a key";
        return VerifyData(Bytes(text.begin(), text.end()), in.signature);
    }, {E_FAILED});
    add(kGarbageRow, Export::VerifyData, "key_data a public key in its own armour",
        [&] { return VerifyData(FixtureBytes("user1024.pub.pem"), in.signature); }, {E_FAILED});

    const std::string kAlgorithmRow = "algorithm: MD5, 0, 0xFFFFFFFF";
    for (const uint32_t algorithm : {0x8003u, 0u, 0xFFFFFFFFu}) {
        const std::string what = "algorithm " + std::to_string(algorithm);
        add(kAlgorithmRow, Export::HashEx, what, [=] { return HashEx(algorithm, Bytes{1}, 1); }, {E_ALGORITHM});
        add(kAlgorithmRow, Export::SignData, what,
            [=] { return SignData(Bytes{1}, 1, 2048, kCapacityOfBuffer, false, algorithm); }, {E_ALGORITHM});
        add(kAlgorithmRow, Export::VerifyData, what, [=, &in] { return VerifyData(in.user, in.signature, {}, algorithm); },
            {E_ALGORITHM});
    }
    // Capacities of 0, the need less one, and the need: SHA-256's 32 bytes, the 1024-bit key's 128.
    const std::string kCapacityRow = "capacity: 0, need - 1, need";
    for (const uint32_t less : {32u, 1u, 0u}) {
        add(kCapacityRow, Export::HashEx, "digest of " + std::to_string(32 - less) + " bytes",
            [=] { return HashEx(CVEMO_SHA256, Bytes{1}, 1, 32 - less); }, {less == 0 ? 0 : E_BUFFER_TOO_SMALL});
    }
    for (const uint32_t less : {128u, 1u, 0u}) {
        add(kCapacityRow, Export::SignData, "signature of " + std::to_string(128 - less) + " bytes",
            [=] { return SignData(Bytes{1}, 1, 128 - less); }, {picker ? E_ENCROLL_CERT_NO_FIND : less == 0 ? 0 : E_BUFFER_TOO_SMALL});
    }
    // Signatures cut, changed, or of another key.
    const std::string kSignatureRow = "signature: cut, changed, of another key";
    Bytes changedSignature = in.signature;
    changedSignature[64] ^= 0x01;
    add(kSignatureRow, Export::VerifyData, "as made", [&] { return VerifyData(in.user, in.signature); }, {0});
    add(kSignatureRow, Export::VerifyData, "cut to 127 bytes",
        [&] { return VerifyData(in.user, Bytes(in.signature.begin(), in.signature.end() - 1)); }, {E_VERIFY_ERROR});
    add(kSignatureRow, Export::VerifyData, "a byte changed", [=, &in] { return VerifyData(in.user, changedSignature); },
        {E_VERIFY_ERROR});
    add(kSignatureRow, Export::VerifyData, "a 2048-bit key's certificate",
        [&] { return VerifyData(FixtureBytes("user2048.crt.der"), in.signature); }, {E_VERIFY_ERROR});
    add(kSignatureRow, Export::VerifyData, "over other data", [&] { return VerifyData(in.user, in.signature, {}, CVEMO_SHA1, "other"); },
        {E_VERIFY_ERROR});
    add(kSignatureRow, Export::VerifyData, "with another digest", [&] { return VerifyData(in.user, in.signature, {}, CVEMO_SHA256); },
        {E_VERIFY_ERROR});
    // Bare keys of made-up moduli at the limits: one taken by the provider fails only at the
    // verification, one outside 1024 to 16384 bits is refused as it is read.
    for (const size_t bits : {1016u, 1024u, 16384u, 16392u}) {
        // SEQUENCE { INTEGER 00 C1 5B 5B ..., INTEGER 65537 }, lengths in two bytes.
        const size_t m = bits / 8 + 1, all = m + 4 + 5;
        Bytes key = {0x30, 0x82, uint8_t(all >> 8), uint8_t(all), 0x02, 0x82, uint8_t(m >> 8), uint8_t(m), 0x00, 0xC1};
        key.insert(key.end(), m - 2, 0x5B);
        key.insert(key.end(), {0x02, 0x03, 0x01, 0x00, 0x01});
        const bool taken = bits >= 1024 && bits <= 16384;
        add(kSignatureRow, Export::VerifyData, "a bare " + std::to_string(bits) + "-bit key (made up)",
            [=, &in] { return VerifyData(key, in.signature); }, {taken ? E_VERIFY_ERROR : E_RSA_KEY_DATA_ERROR});
    }

    // A real certificate cut short, at sampled lengths: as Base64 text and as DER key data.
    // Key data is walked by position to its public key, and the rest is not read: a certificate
    // cut after its key still gives that key.
    const size_t keyEnd = [&] {
        const win::CertificateContext context(
            CertCreateCertificateContext(X509_ASN_ENCODING, in.user.data(), static_cast<DWORD>(in.user.size())));
        const CRYPT_BIT_BLOB& key = context.get()->pCertInfo->SubjectPublicKeyInfo.PublicKey;
        const auto found = std::search(in.user.begin(), in.user.end(), key.pbData, key.pbData + key.cbData);
        return static_cast<size_t>(found - in.user.begin()) + key.cbData;
    }();
    const std::string kCutRow = "certificate cut short (every 4th length)";
    for (size_t length = 1; length < in.user.size(); length += 4) {
        const Bytes cut(in.user.begin(), in.user.begin() + static_cast<std::ptrdiff_t>(length));
        const std::string text = Base64Of(cut);
        const std::string what = std::to_string(length) + " bytes";
        const std::vector<int32_t> asText = {text.compare(0, 2, "MI") == 0 ? E_CERT_DATA_ERROR : E_FAILED};
        add(kCutRow, Export::GetCertInfo, what, [=] { return CertInfo(text); }, asText);
        add(kCutRow, Export::VerifyUserCRL, what, [=, &in] { return Crl(text, in.crlPath); }, asText);
        add(kCutRow, Export::VerifyUserCert, what, [=] { return Cert(text); }, asText);
        add(kCutRow, Export::VerifyCertPath, what, [=] { return CertPath(text); }, asText);
        add(kCutRow, Export::VerifySign, what, [=, &in] { return Verify(cut, &in.record); },
            length >= keyEnd ? std::vector<int32_t>{0} : std::vector<int32_t>{E_CERT_DATA_ERROR, E_RSA_KEY_DATA_ERROR});
        add(kCutRow, Export::VerifyData, what, [=, &in] { return VerifyData(cut, in.signature); },
            length >= keyEnd ? std::vector<int32_t>{0} : std::vector<int32_t>{E_CERT_DATA_ERROR, E_RSA_KEY_DATA_ERROR});
    }
    const std::string kCutListRow = "revocation list cut short (every 8th length)";
    for (size_t length = 1; length < in.crl.size(); length += 8) {
        const std::string name = "cut-" + std::to_string(length) + ".crl";
        const Bytes cut(in.crl.begin(), in.crl.begin() + static_cast<std::ptrdiff_t>(length));
        add(kCutListRow, Export::VerifyUserCRL, name, [=, &in] {
            WriteBytes(name, cut);
            return Crl(in.userPem, name);
        }, {kArg});
        add(kCutListRow, Export::VerifyCertPath, name, [=, &in] {
            WriteBytes(name, cut);
            return CertPath(in.userPem, kNull, name);
        }, {kArg});
    }

    // Lists that cannot vouch for a certificate, or that revoke it, judged with root A in "ROOT".
    const std::string kListRow = "revocation list: forged, changed, out of date, revoking";
    Bytes changedList = in.crl;
    changedList.back() ^= 0x01;  // the signature's last byte
    const struct {
        const char* what;
        Bytes list;
        const char* certificate;
        int32_t expected;
    } judged[] = {
        {"signed by a stranger under the root's name", FixtureBytes("crl-cases/forged.crl.der"), "user1024",
         E_CRL_UNTRUSTED},
        {"the signature's last byte changed", changedList, "user1024", E_CRL_UNTRUSTED},
        {"its next update passed", FixtureBytes("crl-cases/root-a-expired.crl.der"), "user1024", E_CRL_OUT_OF_DATE},
        {"holding the certificate", in.crl, "revoked", E_CERT_REVOKED},
    };
    for (const auto& j : judged) {
        const Bytes list = j.list;
        const std::string certificate = PemOf(FixtureBytes(std::string(j.certificate) + ".crt.der"));
        add(kListRow, Export::VerifyUserCRL, j.what, [=] {
            const ScopedStoreEntry root("ROOT", "root-a.crt.der");
            WriteBytes("judged.crl", list);
            return Crl(certificate, "judged.crl");
        }, {j.expected});
    }

    const std::string kCutMessageRow = "signed message cut short (every 8th length)";
    for (size_t length = 1; length < in.message.size(); length += 8) {
        const Bytes cut(in.message.begin(), in.message.begin() + static_cast<std::ptrdiff_t>(length));
        add(kCutMessageRow, Export::VerifySign_P7, std::to_string(length) + " bytes", [=] { return VerifyP7(cut); },
            {E_FAILED});
    }
    if (!in.message.empty()) {
        Bytes changed = in.message;
        changed[changed.size() - 1] ^= 0x01;  // the signature's last byte
        add("signed message: a changed byte, or whole", Export::VerifySign_P7, "the signature's last byte changed",
            [=] { return VerifyP7(changed); }, {E_FAILED});
        add("signed message: a changed byte, or whole", Export::VerifySign_P7, "the message as made",
            [&] { return VerifyP7(in.message); }, {0});
    }

    // Hostile DER, given as Base64 text and as key data.
    // The walk's codes of the raw verification: the key cannot be found, or does not decode.
    const std::vector<int32_t> kWalk = {E_CERT_DATA_ERROR, E_RSA_KEY_DATA_ERROR};
    const struct {
        const char* name;
        Bytes der;
        const char* item;  // of C_VEMO_GetCertInfo
        int32_t info, crl, cert;
        std::vector<int32_t> verify;
    } hostile[] = {
        {"length past the end", LengthPastTheEnd(), "2", E_CERT_DATA_ERROR, E_CERT_DATA_ERROR, E_CERT_DATA_ERROR, kWalk},
        {"nine-byte length field", OverlongLengthField(), "2", E_CERT_DATA_ERROR, E_CERT_DATA_ERROR, E_CERT_DATA_ERROR,
         kWalk},
        {"open (BER) length", IndefiniteLength(), "2", E_CERT_DATA_ERROR, E_CERT_DATA_ERROR, E_CERT_DATA_ERROR, kWalk},
        {"400 nested SEQUENCEs", DeepNesting(400), "2", E_CERT_DATA_ERROR, E_CERT_DATA_ERROR, E_CERT_DATA_ERROR, kWalk},
        // The serial item is cut at info_out's 1023 characters, the pack's slot at its buffer;
        // the raw verification's walk reads a serial number's length from one byte only.
        {"certificate with a 1,000-byte serial", in.longSerial, "2", 0, kArg, E_ISSUECERT_INVALID, {E_CERT_DATA_ERROR}},
        // The key's bits are cut at 511 bytes; its signatures cannot fit a record.
        {"certificate with a 4096-bit key", in.bigKey, "6", 0, kArg, E_ISSUECERT_INVALID, {E_VERIFY_ERROR}},
    };
    for (const auto& h : hostile) {
        const std::string row = std::string("hostile DER: ") + h.name;
        const std::string text = Base64Of(h.der);
        const Bytes der = h.der;
        const std::string item = h.item;
        add(row, Export::GetCertInfo, "cert_text (Base64)", [=] { return CertInfo(text, item); }, {h.info});
        add(row, Export::VerifyUserCRL, "cert_text (Base64)", [=, &in] { return Crl(text, in.crlPath); }, {h.crl});
        add(row, Export::VerifyUserCert, "cert_text (Base64)", [=] { return Cert(text); }, {h.cert});
        add(row, Export::VerifyCertPath, "cert_text (Base64)", [=] { return CertPath(text); }, {h.cert});
        add(row, Export::VerifySign, "key_data (DER)", [=, &in] { return Verify(der, &in.record); }, h.verify);
        add(row, Export::VerifyData, "key_data (DER)", [=, &in] { return VerifyData(der, in.signature); }, h.verify);
        add(row, Export::VerifyUserCRL, "list file (DER)", [=, &in] {
            WriteBytes("hostile.crl", der);
            return Crl(in.userPem, "hostile.crl");
        }, {kArg});
        add(row, Export::VerifySign_P7, "message (DER)", [=] { return VerifyP7(der); }, {E_FAILED});
    }
    const Bytes deepest = DeepNesting(1000);  // 3834 bytes: within the key data's 4096
    add("hostile DER: 400 nested SEQUENCEs", Export::VerifySign, "key_data (DER, 1,000 levels)",
        [=, &in] { return Verify(deepest, &in.record); }, kWalk);
    if (!picker) {
        add("hostile DER: certificate with a 1,000-byte serial", Export::SignEx, "the token's certificate", [&] {
            ScopedTokenStore store;
            token::Container container = FixtureContainer("user1024", "LONG-SERIAL");
            container.certificate = in.longSerial;
            store.plugIn(TokenOf({container}));
            return Sign(0, "", "abc");
        }, {E_SIGN_ERROR});
        add("hostile DER: certificate with a 1,000-byte serial", Export::SignData, "the token's certificate", [&] {
            ScopedTokenStore store;
            token::Container container = FixtureContainer("user1024", "LONG-SERIAL");
            container.certificate = in.longSerial;
            store.plugIn(TokenOf({container}));
            return SignData(Bytes{1}, 1, 128, kCapacityOfBuffer, false, CVEMO_SHA256, kNull);
        }, {0});
        add("hostile DER: certificate with a 1,000-byte serial", Export::Sign_P7, "the token's certificate", [&] {
            ScopedTokenStore store;
            token::Container container = FixtureContainer("user1024", "LONG-SERIAL");
            container.certificate = in.longSerial;
            store.plugIn(TokenOf({container}));
            return SignP7("abc");
        }, {0});
    }

    // Damaged signature records.
    const std::string kRecordRow = "record: wrong marker or length";
    CVEMO_SIGNATURE_RECORD lower = in.record;
    std::memcpy(lower.marker, "quorvel", 7);
    add(kRecordRow, Export::VerifySign, "marker \"quorvel\"", [=, &in] { return Verify(in.user, &lower); }, {E_FAILED});
    for (const int32_t length : {0, -1, 301, INT_MAX, 127}) {
        const CVEMO_SIGNATURE_RECORD damaged = WithLength(in.record, length);
        add(kRecordRow, Export::VerifySign, "length field " + std::to_string(length),
            [=, &in] { return Verify(in.user, &damaged); }, {E_VERIFY_ERROR});
    }
    add(kRecordRow, Export::VerifySign, "a record of other data", [&] { return Verify(in.user, &in.record, {}, "other"); },
        {E_VERIFY_ERROR});

    // Files: empty, over 4096 bytes, over 10 MB, a folder, and one held open without sharing.
    const struct {
        const char* row;
        const char* name;
        int32_t userCert, crl;
    } files[] = {
        {"file: empty", "empty.txt", E_FILE_READ_ERROR, E_FILE_READ_ERROR},
        {"file: over 4096 bytes (a long list)", "long.pem", 0, E_PEM_DECODE_ERROR},
        {"file: over 10 MB", "huge.der", 0, kArg},
        {"file: a folder of that name", "folder", E_FILE_OPEN_ERROR, E_FILE_OPEN_ERROR},
        {"file: held open without sharing", "locked.pem", E_FILE_OPEN_ERROR, E_FILE_OPEN_ERROR},
        {"file: missing", "missing.pem", E_FILE_OPEN_ERROR, E_FILE_OPEN_ERROR},
    };
    for (const auto& f : files) {
        const std::string name = f.name;
        add(f.row, Export::GetUserCert, "\"3\": location", [=] { return UserCert("3", "", "", name); }, {f.userCert});
        add(f.row, Export::VerifyUserCRL, "crl_file", [=, &in] { return Crl(in.userPem, name); }, {f.crl});
        add(f.row, Export::VerifyCertPath, "crl_files", [=, &in] { return CertPath(in.userPem, kNull, name); }, {f.crl});
    }

    // C_VEMO_VerifyMessage (every edition): a message of the platform's signer, SHA-256 with
    // signed attributes, attached and detached.
    const Export kVerifyMessage = Export::VerifyMessage;
    add(kNullRow, kVerifyMessage, "message", [] { return VerifyMsg(std::nullopt, 16); }, {kArg});
    add(kNullRow, kVerifyMessage, "content_length (a buffer without it)",
        [&] { return VerifyMsg(in.cms, {}, {}, kNoLengthPointer); }, {kArg});
    add(kNullRow, kVerifyMessage, "signer_certificate_length (a buffer without it)",
        [&] { return VerifyMsg(in.cms, {}, {}, kRoomy, kNoLengthPointer); }, {kArg});
    add(kNullRow, kVerifyMessage, "detached_content (length 7)",
        [&] { return VerifyMsg(in.cmsDetached, {}, {}, kRoomy, kRoomy, 7); }, {kArg});
    add(kNullRow, kVerifyMessage, "both outputs (not asked for)",
        [&] { return VerifyMsg(in.cms, {}, {}, kNotAsked, kNotAsked); }, {0});
    add(kEmptyRow, kVerifyMessage, "message (length 0)", [&] { return VerifyMsg(in.cms, 0); }, {E_FAILED});
    add(kEmptyRow, kVerifyMessage, "detached_content (length 0: not the content signed)",
        [&] { return VerifyMsg(in.cmsDetached, {}, Bytes{}); }, {E_VERIFY_ERROR});

    const std::string kOutputCapacityRow = "output capacity: 0, need - 1, need, size query";
    const size_t certificateNeed = OneLinePem(in.user).size() + 1;  // with its zero
    for (const int64_t capacity : {int64_t{0}, int64_t{6}, int64_t{7}, kSizeQuery}) {
        add(kOutputCapacityRow, kVerifyMessage, "content " + std::to_string(capacity),
            [=, &in] { return VerifyMsg(in.cms, {}, {}, capacity, kNotAsked); },
            {capacity == 0 || capacity == 6 ? E_BUFFER_TOO_SMALL : 0});
    }
    for (const int64_t capacity : {int64_t{0}, static_cast<int64_t>(certificateNeed) - 1,
                                   static_cast<int64_t>(certificateNeed), kSizeQuery}) {
        add(kOutputCapacityRow, kVerifyMessage, "signer_certificate " + std::to_string(capacity),
            [=, &in] { return VerifyMsg(in.cms, {}, {}, kNotAsked, capacity); },
            {capacity >= 0 && capacity < static_cast<int64_t>(certificateNeed) ? E_BUFFER_TOO_SMALL : 0});
    }
    add(kOutputCapacityRow, kVerifyMessage, "content fits, signer_certificate 0",
        [&] { return VerifyMsg(in.cms, {}, {}, kRoomy, 0); }, {E_BUFFER_TOO_SMALL});

    for (size_t length = 1; length < in.cms.size(); length += 8) {
        const Bytes cut(in.cms.begin(), in.cms.begin() + static_cast<std::ptrdiff_t>(length));
        add(kCutMessageRow, kVerifyMessage, std::to_string(length) + " bytes", [=] { return VerifyMsg(cut); },
            {E_FAILED});
    }
    const std::string kChangedRow = "signed message: a changed byte, or whole";
    Bytes changedMessageSignature = in.cms, changedContent = in.cms, otherDigest = in.cms;
    changedMessageSignature.back() ^= 0x01;
    const auto content = std::search(changedContent.begin(), changedContent.end(), in.cmsContent.begin(),
                                     in.cmsContent.end());
    if (content != changedContent.end()) *content ^= 0x01;
    add(kChangedRow, kVerifyMessage, "the signature's last byte changed", [=] { return VerifyMsg(changedMessageSignature); },
        {E_VERIFY_ERROR});
    add(kChangedRow, kVerifyMessage, "a byte of the content changed", [=] { return VerifyMsg(changedContent); },
        {E_VERIFY_ERROR});
    add(kChangedRow, kVerifyMessage, "the message as made", [&] { return VerifyMsg(in.cms); }, {0});
    add(kChangedRow, kVerifyMessage, "the detached message and its content", [&] {
        return VerifyMsg(in.cmsDetached, {}, in.cmsContent);
    }, {0});
    // SHA-256's identifier made SHA-224's, wherever the message names it: a digest not taken.
    const Bytes sha256 = {0x60, 0x86, 0x48, 0x01, 0x65, 0x03, 0x04, 0x02, 0x01};
    for (auto at = otherDigest.begin();
         (at = std::search(at, otherDigest.end(), sha256.begin(), sha256.end())) != otherDigest.end();) {
        at += static_cast<std::ptrdiff_t>(sha256.size());
        at[-1] = 0x04;
    }
    add(kChangedRow, kVerifyMessage, "its digest named SHA-224", [=] { return VerifyMsg(otherDigest); }, {E_ALGORITHM});

    // C_VEMO_SignMessage (every edition), by the key of C_VEMO_SignData's cells.
    const Export kSignMessage = Export::SignMessage;
    add(kNullRow, kSignMessage, "message_length", [] { return SignMsg(Bytes{1}, 1, 8192, 8192, true); }, {kArg});
    add(kNullRow, kSignMessage, "data (length 3)", [] { return SignMsg(std::nullopt, 3); }, {kArg});
    add(kNullRow, kSignMessage, "data (length 0)", [] { return SignMsg(std::nullopt, 0); }, {keyFound});
    add(kEmptyRow, kSignMessage, "data (detached)",
        [] { return SignMsg(Bytes{}, 0, 8192, kCapacityOfBuffer, false, CVEMO_SHA1, CVEMO_MSG_DETACHED); }, {keyFound});
    for (const uint32_t algorithm : {0x8003u, 0u, 0xFFFFFFFFu}) {
        add(kAlgorithmRow, kSignMessage, "algorithm " + std::to_string(algorithm),
            [=] { return SignMsg(Bytes{1}, 1, 8192, kCapacityOfBuffer, false, algorithm); }, {E_ALGORITHM});
    }
    for (const uint32_t flags : {0x8u, 0xFFFFFFFFu}) {
        add("flags: 0x8, 0xFFFFFFFF", kSignMessage, "flags " + std::to_string(flags),
            [=] { return SignMsg(Bytes{1}, 1, 8192, kCapacityOfBuffer, false, CVEMO_SHA256, flags); }, {kArg});
    }
    // The need is the message's length; a size query answers a bound at or above it.
    const uint32_t messageNeed = picker ? 1500 : OneByteMessageLength();
    for (const int64_t capacity : {int64_t{0}, int64_t{messageNeed} - 1, int64_t{messageNeed}, kSizeQuery}) {
        const bool query = capacity == kSizeQuery;
        add(kOutputCapacityRow, kSignMessage, "message " + (query ? std::string("(size query)") : std::to_string(capacity)),
            [=] { return query ? SignMsg(Bytes{1}, 1, std::nullopt, 0) : SignMsg(Bytes{1}, 1, static_cast<uint32_t>(capacity)); },
            {picker ? E_ENCROLL_CERT_NO_FIND : query || capacity == messageNeed ? 0 : E_BUFFER_TOO_SMALL});
    }

    const std::string kDetachedRow = "signed message: detached given as attached, and the reverse";
    add(kDetachedRow, kVerifyMessage, "a detached message without detached_content",
        [&] { return VerifyMsg(in.cmsDetached); }, {kArg});
    add(kDetachedRow, kVerifyMessage, "an attached message with detached_content",
        [&] { return VerifyMsg(in.cms, {}, in.cmsContent); }, {kArg});

    add(kGarbageRow, kVerifyMessage, "message", [] {
        const std::string text = "not a signed message";
        return VerifyMsg(Bytes(text.begin(), text.end()));
    }, {E_FAILED});
    add(kGarbageRow, kVerifyMessage, "a certificate", [&] { return VerifyMsg(in.user); }, {E_FAILED});
    for (const auto& h : hostile) {
        const Bytes der = h.der;
        add(std::string("hostile DER: ") + h.name, kVerifyMessage, "message (DER)", [=] { return VerifyMsg(der); },
            {E_FAILED});
    }
    return cells;
}

// ---- Running and printing.

const Export kColumns[] = {Export::FreePack,   Export::GetUserCert, Export::GetCertInfo,   Export::VerifyUserCRL,
                           Export::VerifyUserCert, Export::Sign,    Export::SignEx,        Export::VerifySign,
                           Export::Sign_P7,    Export::VerifySign_P7, Export::NewPack,     Export::GenerateRandom,
                           Export::Hash,       Export::HashEx,      Export::SignData,      Export::VerifyData,
                           Export::SignMessage, Export::VerifyMessage, Export::VerifyCertPath};

// "-1011x4/0": each code with the number of calls that gave it, in order of first appearance.
std::string CellText(const std::vector<int32_t>& results) {
    std::vector<std::pair<int32_t, int>> counts;
    for (int32_t result : results) {
        auto found = std::find_if(counts.begin(), counts.end(), [&](const auto& c) { return c.first == result; });
        if (found == counts.end()) counts.push_back({result, 1});
        else ++found->second;
    }
    std::string text;
    for (const auto& [code, count] : counts) {
        if (!text.empty()) text += "/";
        text += std::to_string(code) + (count > 1 ? "x" + std::to_string(count) : "");
    }
    return text.empty() ? "." : text;
}

void PrintMatrix(const std::vector<Cell>& cells, const std::vector<int32_t>& results) {
    std::vector<std::string> rows;
    std::map<std::pair<std::string, int>, std::vector<int32_t>> byCell;
    for (size_t i = 0; i < cells.size(); ++i) {
        if (std::find(rows.begin(), rows.end(), cells[i].row) == rows.end()) rows.push_back(cells[i].row);
        byCell[{cells[i].row, static_cast<int>(cells[i].column)}].push_back(results[i]);
    }
    std::vector<Export> columns;
    for (Export column : kColumns) {
        if (Edition().has(column)) columns.push_back(column);
    }
    size_t rowWidth = 0;
    for (const std::string& row : rows) rowWidth = std::max(rowWidth, row.size());
    std::vector<size_t> widths;
    for (Export column : columns) {
        size_t width = std::strlen(tool::ExportName(column)) - 7;  // without "C_VEMO_"
        for (const std::string& row : rows) width = std::max(width, CellText(byCell[{row, static_cast<int>(column)}]).size());
        widths.push_back(width);
    }
    std::printf("[report] bad-input matrix, %s edition: %zu calls; result codes per input and export (\"x4\": 4 "
                "calls, one per argument or sample; \".\": no such input)\n",
                Edition().name().c_str(), cells.size());
    std::string line = "[report]   " + std::string(rowWidth, ' ');
    for (size_t c = 0; c < columns.size(); ++c) {
        const std::string name = tool::ExportName(columns[c]) + 7;
        line += " | " + name + std::string(widths[c] - name.size(), ' ');
    }
    std::printf("%s\n", line.c_str());
    for (const std::string& row : rows) {
        line = "[report]   " + row + std::string(rowWidth - row.size(), ' ');
        for (size_t c = 0; c < columns.size(); ++c) {
            const std::string text = CellText(byCell[{row, static_cast<int>(columns[c])}]);
            line += " | " + text + std::string(widths[c] - text.size(), ' ');
        }
        std::printf("%s\n", line.c_str());
    }
    if (IsPicker()) {
        std::printf("[report]   picker edition: calls that open a dialog (GetUserCert's selectors \"2\", \"4\" and "
                    "the personal store; Sign without a remembered certificate) are in the table only where a second "
                    "thread cancels the dialog\n");
    }
}

// Makes the files the cells read, and holds one of them open without sharing.
class MatrixFiles {
public:
    explicit MatrixFiles(const Inputs& in) {
        WriteBytes("empty.txt", {});
        WriteBytes("signer.pem", FixtureBytes("signer.crt.pem"));
        WriteBytes("locked.pem", Bytes(in.userPem.begin(), in.userPem.end()));
        WriteBytes("long.pem", FixtureBytes("root-a-large.crl.pem"));
        const std::string garbage = "this is no revocation list";
        WriteBytes("garbage.txt", Bytes(garbage.begin(), garbage.end()));
        Bytes huge(11 * 1024 * 1024, 'A');
        huge[0] = 0x30;  // DER by its first byte: read whole
        WriteBytes("huge.der", huge);
        CreateDirectoryA("folder", nullptr);
        locked_.reset(CreateFileA("locked.pem", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        EXPECT_TRUE(locked_);
    }

private:
    win::FileHandle locked_;
};

// The picker edition remembers the certificate an earlier call of this process chose; one whose
// private key cannot be had is forgotten (after a message box). The matrix starts with none.
void ForgetRememberedCertificate() {
    if (!IsPicker()) return;
    const PersonalCertificate keyless("plain", KeySource::None);
    MessageBoxWatcher boxes;
    CVEMO_SIGNATURE_RECORD record;
    EXPECT_EQ(Edition().signEx(1, "010203", "x", 1, &record), -2);
}

TEST(BadInput, EveryCellIsADocumentedCodeAndNothingIsWrittenOutsideTheCallersBuffers) {
    ScopedWorkingDirectory directory;
    ScopedStoreContents my("MY", {});
    ForgetRememberedCertificate();
    ScopedStoreContents addressBook("AddressBook", {});
    ScopedTokenStore token;
    token.plugIn(TokenOf({FixtureContainer("user1024", "LAB-USER")}));
    const Inputs in;
    const MatrixFiles files(in);
    const std::vector<Cell> cells = Cells(in);

    std::vector<int32_t> results;
    for (const Cell& cell : cells) {
        if (!Edition().has(cell.column)) {
            results.push_back(0);
            continue;
        }
        const Outcome outcome = cell.call();
        results.push_back(outcome.result);
        const bool documented =
            std::find(cell.documented.begin(), cell.documented.end(), outcome.result) != cell.documented.end();
        EXPECT_TRUE(documented) << cell.row << " / " << tool::ExportName(cell.column) << " / " << cell.argument
                                << ": " << outcome.result << ", documented " << testing::PrintToString(cell.documented);
        EXPECT_EQ(outcome.damage, "") << cell.row << " / " << tool::ExportName(cell.column) << " / " << cell.argument;
    }
    std::vector<Cell> present;
    std::vector<int32_t> presentResults;
    for (size_t i = 0; i < cells.size(); ++i) {
        if (!Edition().has(cells[i].column)) continue;
        present.push_back(cells[i]);
        presentResults.push_back(results[i]);
    }
    PrintMatrix(present, presentResults);
}

}  // namespace
}  // namespace vemo::test
