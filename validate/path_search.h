// The search for a certification path: from the certificate up through the candidates that may
// have issued each certificate, until an anchor ends a path that validates. Where several
// candidates could issue a certificate (renewed CA certificates under one name, cross
// certificates), each is tried in turn; the search is bounded in depth and in the candidates it
// tries in all, so no input makes it run away. Portable (no windows.h): the caller answers for
// names, signatures and the rules through PathGraph.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "CVemoDll_C.h"

namespace vemo::validate {

// The most certificates a path holds, the certificate and the anchor counted.
inline constexpr size_t kMaxPathLength = CVEMO_PATH_LENGTH_MAX;
// The most issuer candidates whose signature is checked in one search.
inline constexpr size_t kMaxIssuersTried = 128;
// The most complete paths judged in one search.
inline constexpr size_t kMaxPathsJudged = 16;

// A path's verdict: 0, or the code of the first rule it breaks and the position (0: the
// certificate, the anchor last) of the certificate that breaks it.
struct PathVerdict {
    int32_t code = 0;
    size_t failing = 0;
};

// The certificates the search may use, each known by its index.
class PathGraph {
public:
    virtual ~PathGraph() = default;
    // The certificates whose subject is the issuer name of `certificate`, in the order to try them.
    virtual std::vector<size_t> issuersOf(size_t certificate) = 0;
    // Whether `certificate` is a trust anchor: a path ends there.
    virtual bool isAnchor(size_t certificate) = 0;
    // Whether the key of `issuer` verifies the signature of `certificate`.
    virtual bool signedBy(size_t certificate, size_t issuer) = 0;
    // The verdict on a complete path (the certificate searched from first, the anchor last).
    virtual PathVerdict judge(const std::vector<size_t>& path) = 0;
};

struct PathSearchResult {
    // 0 when a path validates; the first complete path's failure when none does;
    // E_ISSUECERT_INVALID when no path reaches an anchor.
    int32_t code = 0;
    // The path that validated, the first complete one as far as it was judged (the failing
    // certificate last), or the longest chain of issuers found before the search gave up.
    std::vector<size_t> path;
    size_t issuersTried = 0;
    size_t pathsJudged = 0;
};

// Searches a path from the certificate `start` to an anchor.
PathSearchResult SearchCertificatePath(PathGraph& graph, size_t start);

}  // namespace vemo::validate
