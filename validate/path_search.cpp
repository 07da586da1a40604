#include "validate/path_search.h"

#include <algorithm>
#include <map>
#include <utility>

#include "CVemoDll_C.h"

namespace vemo::validate {
namespace {

class Search {
public:
    explicit Search(PathGraph& graph) : graph_(graph) {}

    PathSearchResult run(size_t start) {
        path_.push_back(start);
        extend();
        if (!found_ && !judgedAny_) {
            result_.code = E_ISSUECERT_INVALID;
            result_.path = longest_;
        }
        return std::move(result_);
    }

private:
    bool exhausted() const {
        return result_.issuersTried >= kMaxIssuersTried || result_.pathsJudged >= kMaxPathsJudged;
    }

    // Extends the path above its last certificate; true once a path validates.
    bool extend() {
        if (path_.size() > longest_.size()) longest_ = path_;
        const size_t top = path_.back();
        if (graph_.isAnchor(top)) return judge();
        if (path_.size() >= kMaxPathLength) return false;
        for (const size_t issuer : graph_.issuersOf(top)) {
            if (exhausted()) return false;
            // A certificate appears once in a path: cross certificates may name each other.
            if (std::find(path_.begin(), path_.end(), issuer) != path_.end()) continue;
            if (!signedBy(top, issuer)) continue;
            path_.push_back(issuer);
            const bool validated = extend();
            path_.pop_back();
            if (validated) return true;
        }
        return false;
    }

    // Renewed and cross certificates lead to the same pairs by several ways: each is checked once.
    bool signedBy(size_t certificate, size_t issuer) {
        const auto key = std::make_pair(certificate, issuer);
        const auto known = signatures_.find(key);
        if (known != signatures_.end()) return known->second;
        ++result_.issuersTried;
        const bool verified = graph_.signedBy(certificate, issuer);
        signatures_.emplace(key, verified);
        return verified;
    }

    bool judge() {
        ++result_.pathsJudged;
        const PathVerdict verdict = graph_.judge(path_);
        if (verdict.code == 0) {
            found_ = true;
            result_.code = 0;
            result_.path = path_;
            return true;
        }
        if (!judgedAny_) {
            judgedAny_ = true;
            result_.code = verdict.code;
            const size_t kept = std::min(verdict.failing + 1, path_.size());
            result_.path.assign(path_.begin(), path_.begin() + static_cast<std::ptrdiff_t>(kept));
        }
        return false;
    }

    PathGraph& graph_;
    PathSearchResult result_;
    std::vector<size_t> path_;
    std::vector<size_t> longest_;
    std::map<std::pair<size_t, size_t>, bool> signatures_;
    bool found_ = false;
    bool judgedAny_ = false;
};

}  // namespace

PathSearchResult SearchCertificatePath(PathGraph& graph, size_t start) { return Search(graph).run(start); }

}  // namespace vemo::validate
