// Path validation over a pool of the platform's certificates: issuers found by name (as RFC 5280
// compares names), anchors first and those whose key identifier the certificate names before the
// others; signatures and validity periods checked by the platform; each complete path judged by
// the rules of path_rules.h and by the revocation lists of the pool.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "validate/path_pool.h"
#include "validate/path_search.h"

namespace vemo::validate {

// The most separate list signers whose paths one validation searches.
inline constexpr size_t kMaxSignerSearches = 8;

// How a path's verdict was reached: the step that failed, for the caller's messages.
enum class PathStep { None, Validity, Rules, Revocation };

class PathValidation : public PathGraph {
public:
    // `requireRevocation`: every certificate below the anchor must be covered by a list that counts.
    PathValidation(PathPool& pool, bool requireRevocation) : pool_(pool), requireRevocation_(requireRevocation) {}

    // Searches a path for the pool's certificate (index 0).
    PathSearchResult validate();
    // The step at which the first judged path failed, and the platform's validity answer there.
    PathStep failedStep() const { return failedStep_; }
    LONG failedValidity() const { return failedValidity_; }

    std::vector<size_t> issuersOf(size_t certificate) override;
    bool isAnchor(size_t certificate) override { return pool_.isAnchor(certificate); }
    bool signedBy(size_t certificate, size_t issuer) override;
    PathVerdict judge(const std::vector<size_t>& path) override;

private:
    int32_t revocationOf(PCCERT_CONTEXT certificate, size_t issuer);
    // The certificates other than `issuer` that may sign lists of `issuer`'s name and whose
    // own paths validate (revocation not checked), each searched once.
    std::vector<win::CertificateContext> separateSigners(size_t issuer);
    void recordFailure(PathStep step, LONG validity);

    PathPool& pool_;
    bool requireRevocation_;
    bool judgingSigner_ = false;  // a separate list signer's path: no revocation, no signers of its own
    size_t signerSearches_ = 0;
    std::vector<std::optional<std::vector<size_t>>> issuers_;
    std::vector<std::optional<bool>> validSigners_;
    PathStep step_ = PathStep::None;
    LONG validity_ = 0;
    PathStep failedStep_ = PathStep::None;
    LONG failedValidity_ = 0;
    bool failureRecorded_ = false;
};

}  // namespace vemo::validate
