#include "picker/remembered_certificate.h"

#include <cstring>
#include <mutex>

namespace vemo::picker {
namespace {

struct Remembered {
    std::mutex lock;
    win::CertificateContext certificate;  // released with the library's static objects at unload
};

Remembered& TheRemembered() {
    static Remembered remembered;
    return remembered;
}

}  // namespace

win::CertificateContext RememberedCertificate() {
    Remembered& remembered = TheRemembered();
    std::lock_guard<std::mutex> hold(remembered.lock);
    const PCCERT_CONTEXT held = remembered.certificate.get();
    return win::CertificateContext(held != nullptr ? CertDuplicateCertificateContext(held) : nullptr);
}

void RememberCertificate(PCCERT_CONTEXT certificate) {
    win::CertificateContext reference(CertDuplicateCertificateContext(certificate));
    Remembered& remembered = TheRemembered();
    std::lock_guard<std::mutex> hold(remembered.lock);
    remembered.certificate = std::move(reference);
}

void ForgetCertificate(PCCERT_CONTEXT refused) {
    win::CertificateContext released;
    Remembered& remembered = TheRemembered();
    std::lock_guard<std::mutex> hold(remembered.lock);
    const PCCERT_CONTEXT held = remembered.certificate.get();
    // The same certificate, whichever context of it was chosen.
    if (held != nullptr && refused != nullptr && held->cbCertEncoded == refused->cbCertEncoded &&
        std::memcmp(held->pbCertEncoded, refused->pbCertEncoded, held->cbCertEncoded) == 0) {
        released = std::move(remembered.certificate);
    }
}

}  // namespace vemo::picker
