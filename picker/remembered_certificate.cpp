#include "picker/remembered_certificate.h"

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

void ForgetCertificate() {
    win::CertificateContext released;
    Remembered& remembered = TheRemembered();
    std::lock_guard<std::mutex> hold(remembered.lock);
    released = std::move(remembered.certificate);
}

}  // namespace vemo::picker
