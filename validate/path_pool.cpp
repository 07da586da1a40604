#include "validate/path_pool.h"

#include "cert/store_search.h"

namespace vemo::validate {

namespace {

std::string_view Encoding(PCCERT_CONTEXT certificate) {
    return {reinterpret_cast<const char*>(certificate->pbCertEncoded), certificate->cbCertEncoded};
}

}  // namespace

PathPool::PathPool(win::CertificateContext certificate) {
    byEncoding_.emplace(Encoding(certificate.get()), 0);
    certificates_.push_back({std::move(certificate), false, false, nullptr});
}

void PathPool::add(PCCERT_CONTEXT certificate, bool anchor) {
    const auto [held, added] = byEncoding_.emplace(Encoding(certificate), certificates_.size());
    if (!added) {
        certificates_[held->second].anchor = certificates_[held->second].anchor || anchor;
        return;
    }
    // The duplicate's bytes are the ones the key now points to.
    certificates_.push_back({win::CertificateContext(CertDuplicateCertificateContext(certificate)), anchor, false, nullptr});
}

void PathPool::addAnchors(HCERTSTORE store) {
    cert::ForEach(store, [&](PCCERT_CONTEXT certificate) { add(certificate, true); });
    addStoreLists(store);
}

void PathPool::addIntermediate(win::CertificateContext certificate) { add(certificate.get(), false); }

void PathPool::addIntermediates(HCERTSTORE store) {
    cert::ForEach(store, [&](PCCERT_CONTEXT certificate) { add(certificate, false); });
    addStoreLists(store);
}

void PathPool::addStoreLists(HCERTSTORE store) {
    PCCRL_CONTEXT list = nullptr;
    // Each call releases the list it is given; the ones kept are duplicated.
    while ((list = CertEnumCRLsInStore(store, list)) != nullptr) {
        storeLists_.emplace_back(CertDuplicateCRLContext(list));
        lists_.emplace_back(list->pbCrlEncoded, list->cbCrlEncoded);
    }
}

void PathPool::addList(std::vector<uint8_t> der) {
    fileLists_.push_back(std::move(der));
    lists_.emplace_back(fileLists_.back().data(), fileLists_.back().size());
}

const PathCertificate* PathPool::decoded(size_t index) {
    Entry& entry = certificates_[index];
    if (!entry.read) {
        entry.read = true;
        auto certificate = std::make_unique<PathCertificate>();
        const PCCERT_CONTEXT context = entry.context.get();
        if (ReadPathCertificate(context->pbCertEncoded, context->cbCertEncoded, *certificate)) {
            entry.decoded = std::move(certificate);
        }
    }
    return entry.decoded.get();
}

}  // namespace vemo::validate
