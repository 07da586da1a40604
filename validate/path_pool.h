// The certificates and revocation lists one path validation may use: the certificate itself,
// the anchors of the current user's "ROOT" store, the intermediates the caller gives and those
// of the "CA" store, each certificate once; the lists of the caller's files and of both stores.
// Certificates are decoded when the search first asks for them.
#pragma once

#include <cstddef>
#include <map>
#include <memory>
#include <string_view>
#include <vector>

#include "codec/byte_reader.h"
#include "frame/win_handles.h"
#include "validate/path_certificate.h"

namespace vemo::validate {

class PathPool {
public:
    // The certificate to validate, index 0.
    explicit PathPool(win::CertificateContext certificate);

    // Every certificate of `store` as an anchor (the certificate itself too, when the store
    // holds it), and its lists.
    void addAnchors(HCERTSTORE store);
    // Certificates that may issue others; duplicates of certificates already held are dropped.
    void addIntermediate(win::CertificateContext certificate);
    // Every certificate of `store` as an intermediate, and its lists.
    void addIntermediates(HCERTSTORE store);
    // A list of the caller's (DER), kept for the pool's lifetime.
    void addList(std::vector<uint8_t> der);

    size_t size() const { return certificates_.size(); }
    PCCERT_CONTEXT context(size_t index) const { return certificates_[index].context.get(); }
    bool isAnchor(size_t index) const { return certificates_[index].anchor; }
    // The certificate decoded; nullptr when it cannot be read (it then issues nothing).
    const PathCertificate* decoded(size_t index);

    // The lists, each a whole CertificateList.
    const std::vector<codec::ByteReader>& lists() const { return lists_; }

private:
    struct Entry {
        win::CertificateContext context;
        bool anchor = false;
        bool read = false;  // decoding was tried
        std::unique_ptr<PathCertificate> decoded;
    };

    void add(PCCERT_CONTEXT certificate, bool anchor);
    void addStoreLists(HCERTSTORE store);

    std::vector<Entry> certificates_;
    std::map<std::string_view, size_t> byEncoding_;  // each certificate's bytes, to its index
    std::vector<win::CrlContext> storeLists_;
    std::vector<std::vector<uint8_t>> fileLists_;
    std::vector<codec::ByteReader> lists_;
};

}  // namespace vemo::validate
