#include "validate/path_validation.h"

#include <algorithm>
#include <cstring>

#include "CVemoDll_C.h"
#include "validate/path_rules.h"
#include "validate/trusted_list.h"

namespace vemo::validate {
namespace {

bool SameBytes(codec::ByteReader a, codec::ByteReader b) {
    return a.remaining() == b.remaining() && std::memcmp(a.data(), b.data(), a.remaining()) == 0;
}

}  // namespace

PathSearchResult PathValidation::validate() { return SearchCertificatePath(*this, 0); }

std::vector<size_t> PathValidation::issuersOf(size_t index) {
    if (issuers_.size() < pool_.size()) issuers_.resize(pool_.size());
    std::optional<std::vector<size_t>>& cached = issuers_[index];
    if (cached) return *cached;
    cached.emplace();
    const PathCertificate* certificate = pool_.decoded(index);
    if (certificate == nullptr) return {};
    // Anchors first, then the others; among each, those whose key the certificate names first.
    // Among the others, one issued under its own name comes after one of another issuer: a
    // self-signed certificate that is no anchor ends a path unless something crosses it.
    std::vector<std::pair<int, size_t>> ranked;
    for (size_t i = 0; i < pool_.size(); ++i) {
        const PathCertificate* candidate = i == index ? nullptr : pool_.decoded(i);
        if (candidate == nullptr || candidate->subject != certificate->issuer) continue;
        const bool keyNamed =
            !certificate->authorityKeyId.empty() && SameBytes(candidate->subjectKeyId, certificate->authorityKeyId);
        const int rank = pool_.isAnchor(i) ? (keyNamed ? 0 : 1) : 2 + (keyNamed ? 0 : 2) + (candidate->selfIssued ? 1 : 0);
        ranked.emplace_back(rank, i);
    }
    std::stable_sort(ranked.begin(), ranked.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    for (const auto& entry : ranked) cached->push_back(entry.second);
    return *cached;
}

bool PathValidation::signedBy(size_t certificate, size_t issuer) {
    return CryptVerifyCertificateSignatureEx(0, X509_ASN_ENCODING, CRYPT_VERIFY_CERT_SIGN_SUBJECT_CERT,
                                             const_cast<CERT_CONTEXT*>(pool_.context(certificate)),
                                             CRYPT_VERIFY_CERT_SIGN_ISSUER_CERT,
                                             const_cast<CERT_CONTEXT*>(pool_.context(issuer)), 0, nullptr) != FALSE;
}

void PathValidation::recordFailure(PathStep step, LONG validity) {
    if (judgingSigner_ || failureRecorded_) return;
    failureRecorded_ = true;
    failedStep_ = step;
    failedValidity_ = validity;
}

PathVerdict PathValidation::judge(const std::vector<size_t>& path) {
    CertificatePath certificates;
    for (const size_t index : path) certificates.push_back(pool_.decoded(index));
    for (size_t position = 0; position < path.size(); ++position) {
        const PCCERT_CONTEXT context = pool_.context(path[position]);
        // -1: the period has not begun; 1: it has ended.
        const LONG validity = CertVerifyTimeValidity(nullptr, context->pCertInfo);
        if (validity != 0) {
            recordFailure(PathStep::Validity, validity);
            return {validity < 0 ? E_CERT_NOT_YET_VALID : E_CERT_EXPIRED, position};
        }
        if (const int32_t code = CheckPathRules(certificates, position); code != 0) {
            recordFailure(PathStep::Rules, 0);
            return {code, position};
        }
    }
    // The lists once the path itself holds: their signatures are the costly part.
    for (size_t position = 0; !judgingSigner_ && position + 1 < path.size(); ++position) {
        if (const int32_t code = revocationOf(pool_.context(path[position]), path[position + 1]); code != 0) {
            recordFailure(PathStep::Revocation, 0);
            return {code, position};
        }
    }
    return {};
}

int32_t PathValidation::revocationOf(PCCERT_CONTEXT certificate, size_t issuer) {
    std::vector<win::CertificateContext> signers;
    signers.emplace_back(CertDuplicateCertificateContext(pool_.context(issuer)));
    std::optional<std::vector<win::CertificateContext>> separate;
    bool covered = false, outOfDate = false;
    for (const codec::ByteReader& list : pool_.lists()) {
        Judgement judgement = JudgeListNow(list.data(), list.remaining(), certificate, signers);
        if (judgement == Judgement::NoTrustedSigner) {
            // A list signed with a key of the issuer's own under its name.
            if (!separate) separate = separateSigners(issuer);
            if (!separate->empty()) judgement = JudgeListNow(list.data(), list.remaining(), certificate, *separate);
        }
        switch (judgement) {
            case Judgement::Revoked: return E_CERT_REVOKED;
            case Judgement::NotRevoked: covered = true; break;
            case Judgement::NotYetIssued:
            case Judgement::OutOfDate: outOfDate = true; break;
            default: break;
        }
    }
    if (covered || !requireRevocation_) return 0;
    return outOfDate ? E_CRL_OUT_OF_DATE : E_CRL_UNTRUSTED;
}

std::vector<win::CertificateContext> PathValidation::separateSigners(size_t issuer) {
    std::vector<win::CertificateContext> signers;
    const PathCertificate* issuing = pool_.decoded(issuer);
    if (validSigners_.size() < pool_.size()) validSigners_.resize(pool_.size());
    for (size_t i = 0; i < pool_.size(); ++i) {
        const PathCertificate* candidate = i == issuer ? nullptr : pool_.decoded(i);
        if (candidate == nullptr || candidate->subject != issuing->subject ||
            (candidate->hasKeyUsage && (candidate->keyUsage & kKeyUsageCrlSign) == 0)) {
            continue;
        }
        if (!validSigners_[i]) {
            if (signerSearches_ == kMaxSignerSearches) break;
            ++signerSearches_;
            judgingSigner_ = true;
            validSigners_[i] = SearchCertificatePath(*this, i).code == 0;
            judgingSigner_ = false;
        }
        if (*validSigners_[i]) signers.emplace_back(CertDuplicateCertificateContext(pool_.context(i)));
    }
    return signers;
}

}  // namespace vemo::validate
