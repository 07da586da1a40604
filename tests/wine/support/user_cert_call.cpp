#include "support/user_cert_call.h"

#include <vector>

#include "CVemoDll_C.h"
#include "support/edition_under_test.h"

namespace vemo::test {

UserCertCall GetUserCert(const char* source, const char* lookupText, const char* serialHex, const char* location) {
    constexpr uint8_t kCanary = 0xCC;
    constexpr size_t kGuard = 16;
    constexpr size_t kOutput = CVEMO_CERT_TEXT_MAX + 1;
    std::vector<char> buffer(kOutput + kGuard, static_cast<char>(kCanary));

    UserCertCall call;
    call.length = UserCertCall::kLengthUnwritten;
    call.result = Edition().getUserCert(lookupText, serialHex, location, source, buffer.data(), &call.length);
    for (size_t i = kOutput; i < buffer.size(); ++i) call.guardsIntact &= buffer[i] == static_cast<char>(kCanary);
    if (call.result != 0) {
        call.emptyOnFailure = call.length == UserCertCall::kLengthUnwritten;
        for (size_t i = 0; i < kOutput; ++i) call.emptyOnFailure &= buffer[i] == (i < 4 ? 0 : static_cast<char>(kCanary));
        return call;
    }
    if (call.length < 0 || static_cast<size_t>(call.length) >= kOutput) return call;
    call.text.assign(buffer.data(), static_cast<size_t>(call.length));
    call.terminated = buffer[call.length] == '\0';
    return call;
}

UserCertCall GetUserCertWith(const std::function<void(DialogDriver&)>& person, const char* source,
                             const char* lookupText, const char* serialHex, const char* location) {
    return WithPerson(person, [&] { return GetUserCert(source, lookupText, serialHex, location); });
}

UserCertCall GetUserCertOrCancel(const char* source, const char* lookupText, const char* serialHex,
                                 const char* location) {
    if (Edition().kind() != EditionKind::Picker) return GetUserCert(source, lookupText, serialHex, location);
    return GetUserCertWith(
        [](DialogDriver& person) {
            if (person.WaitForDialog()) person.Press(IDCANCEL);
        },
        source, lookupText, serialHex, location);
}

}  // namespace vemo::test
