#include "validate/path_rules.h"

#include "CVemoDll_C.h"
#include "validate/name_constraints.h"

namespace vemo::validate {
namespace {

// Whether the issuer at `position` may issue the certificates below it.
bool MayIssue(const CertificatePath& path, size_t position) {
    const PathCertificate& issuer = *path[position];
    const bool anchor = position + 1 == path.size();
    if (issuer.hasBasicConstraints ? !issuer.ca : !anchor) return false;
    if (!issuer.mayIssue()) return false;
    if (!issuer.hasPathLength) return true;
    // The intermediates between it and the certificate, self-issued ones not counted.
    size_t below = 0;
    for (size_t i = 1; i < position; ++i) {
        if (!path[i]->selfIssued) ++below;
    }
    return below <= issuer.pathLength;
}

bool NamesWithinIssuers(const CertificatePath& path, size_t position) {
    const PathCertificate& certificate = *path[position];
    if (position > 0 && certificate.selfIssued) return true;
    for (size_t above = position + 1; above < path.size(); ++above) {
        const PathCertificate& issuer = *path[above];
        if (issuer.hasNameConstraints && !SatisfiesNameConstraints(certificate, issuer.nameConstraints)) return false;
    }
    return true;
}

}  // namespace

int32_t CheckPathRules(const CertificatePath& path, size_t position) {
    if (path[position]->unprocessedCritical) return E_PATH_CONSTRAINT;
    if (position > 0 && !MayIssue(path, position)) return E_PATH_CONSTRAINT;
    if (!NamesWithinIssuers(path, position)) return E_PATH_CONSTRAINT;
    return 0;
}

}  // namespace vemo::validate
