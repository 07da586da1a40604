// The path validation's portable pieces where the Wine tests cannot reach them: the search's
// bounds (cycles, impostors, depth) on made-up graphs, and the inputs' splitting.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "CVemoDll_C.h"
#include "codec_test_support.h"
#include "validate/path_inputs.h"
#include "validate/path_search.h"

namespace vemo::validate {
namespace {

// A graph told as edges: certificate -> candidate issuers in order, the pairs whose signature
// verifies, the anchors, and the paths (as text "0>1>2") that fail and how.
class TableGraph : public PathGraph {
public:
    std::map<size_t, std::vector<size_t>> candidates;
    std::set<std::pair<size_t, size_t>> signatures;
    std::set<size_t> anchors;
    std::map<std::string, PathVerdict> failing;

    std::vector<size_t> issuersOf(size_t certificate) override { return candidates[certificate]; }
    bool isAnchor(size_t certificate) override { return anchors.count(certificate) != 0; }
    bool signedBy(size_t certificate, size_t issuer) override { return signatures.count({certificate, issuer}) != 0; }
    PathVerdict judge(const std::vector<size_t>& path) override {
        const auto found = failing.find(Text(path));
        return found == failing.end() ? PathVerdict{} : found->second;
    }
    static std::string Text(const std::vector<size_t>& path) {
        std::string text;
        for (size_t index : path) text += (text.empty() ? "" : ">") + std::to_string(index);
        return text;
    }
};

// A chain 0 -> 1 -> ... -> length-1, the last an anchor.
TableGraph Chain(size_t length) {
    TableGraph graph;
    for (size_t i = 0; i + 1 < length; ++i) {
        graph.candidates[i] = {i + 1};
        graph.signatures.insert({i, i + 1});
    }
    graph.anchors.insert(length - 1);
    return graph;
}

TEST(PathSearch, TriesCandidatesInTurnWithinItsBounds) {
    TableGraph renewed = Chain(3);  // 1 expired, 3 its renewal: 0 -> 1 -> 2 fails, 0 -> 3 -> 2 holds
    renewed.candidates[0] = {1, 3};
    renewed.candidates[3] = {2};
    renewed.signatures.insert({{0, 3}, {3, 2}});
    renewed.failing["0>1>2"] = {E_CERT_EXPIRED, 1};

    TableGraph wrongKey = Chain(3);  // a candidate under the name whose key does not verify
    wrongKey.candidates[0] = {4, 1};

    TableGraph cross;  // 1 and 2 certify each other; no anchor above them
    cross.candidates = {{0, {1}}, {1, {2}}, {2, {1}}};
    cross.signatures = {{0, 1}, {1, 2}, {2, 1}};

    TableGraph impostors = Chain(3);  // 500 candidates under the issuer's name before the real one
    impostors.candidates[0].clear();
    for (size_t i = 0; i < 500; ++i) impostors.candidates[0].push_back(1000 + i);
    impostors.candidates[0].push_back(1);

    TableGraph failingOnly = Chain(3);
    failingOnly.failing["0>1>2"] = {E_PATH_CONSTRAINT, 1};

    const struct {
        const char* name;
        TableGraph graph;
        int32_t code;
        std::string path;
        size_t tried;
    } cases[] = {
        {"a chain", Chain(3), 0, "0>1>2", 2},
        {"the certificate is an anchor", Chain(1), 0, "0", 0},
        {"a renewed issuer after an expired one", renewed, 0, "0>3>2", 4},
        {"a wrong key, then the issuer", wrongKey, 0, "0>1>2", 3},
        {"ten certificates", Chain(10), 0, "0>1>2>3>4>5>6>7>8>9", 9},
        {"sixteen certificates, the most", Chain(CVEMO_PATH_LENGTH_MAX), 0, "", CVEMO_PATH_LENGTH_MAX - 1},
        {"seventeen", Chain(CVEMO_PATH_LENGTH_MAX + 1), E_ISSUECERT_INVALID, "", CVEMO_PATH_LENGTH_MAX - 1},
        {"cross certificates without an anchor", cross, E_ISSUECERT_INVALID, "0>1>2", 2},
        {"500 impostors: the bound ends the search", impostors, E_ISSUECERT_INVALID, "0", kMaxIssuersTried},
        {"the only path fails: its failure, as far as judged", failingOnly, E_PATH_CONSTRAINT, "0>1", 2},
    };
    for (auto c : cases) {
        const PathSearchResult result = SearchCertificatePath(c.graph, 0);
        EXPECT_EQ(result.code, c.code) << c.name;
        if (!c.path.empty()) EXPECT_EQ(TableGraph::Text(result.path), c.path) << c.name;
        EXPECT_EQ(result.issuersTried, c.tried) << c.name;
    }
}

TEST(PathInputs, CertificateBlocksAndListFileNames) {
    const std::string pem = codec::test::readFixture("cert-1024.pem");
    const std::string crl = codec::test::readFixture("crl.pem");
    std::string many;
    for (size_t i = 0; i <= kMaxIntermediates; ++i) many += pem;
    const struct {
        const char* name;
        std::string text;
        codec::TextStep step;
        size_t count;
    } blocks[] = {
        {"empty", "", codec::TextStep::Ok, 0},
        {"one block", pem, codec::TextStep::Ok, 1},
        {"two blocks, text around them", "bag attributes\n" + pem + "between\n" + pem + "after", codec::TextStep::Ok, 2},
        {"bare Base64", pem.substr(pem.find('\n') + 1, pem.find("-----END") - pem.find('\n') - 1),
         codec::TextStep::Ok, 1},
        {"a list: no certificate block, decoded as one", crl, codec::TextStep::Ok, 1},
        {"no end line", pem.substr(0, pem.find("-----END")), codec::TextStep::NotRecognised, 0},
        {"garbage", "garbage", codec::TextStep::NotRecognised, 0},
        {"bad Base64 in a block", "-----BEGIN CERTIFICATE-----\nMI!!\n-----END CERTIFICATE-----",
         codec::TextStep::NotDecodable, 0},
        {"one block too many", many, codec::TextStep::TooLong, kMaxIntermediates},
    };
    for (const auto& c : blocks) {
        std::vector<Der> certificates;
        EXPECT_EQ(ReadCertificateBlocks(c.text.c_str(), certificates), c.step) << c.name;
        EXPECT_EQ(certificates.size(), c.count) << c.name;
    }

    std::string tooMany;
    for (size_t i = 0; i <= kMaxListFiles; ++i) tooMany += "a;";
    const struct {
        const char* text;
        bool read;
        std::vector<std::string> names;
    } lists[] = {
        {"", true, {}},
        {"a.crl", true, {"a.crl"}},
        {";a.crl;;b c.crl;", true, {"a.crl", "b c.crl"}},
        {tooMany.c_str(), false, std::vector<std::string>(kMaxListFiles, "a")},
    };
    for (const auto& c : lists) {
        std::vector<std::string> names;
        EXPECT_EQ(ReadListFileNames(c.text, names), c.read) << c.text;
        EXPECT_EQ(names, c.names) << c.text;
    }
}

}  // namespace
}  // namespace vemo::validate
