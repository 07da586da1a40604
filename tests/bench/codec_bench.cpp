// The toolkit's Base64 beside OpenSSL's on a 4 KB block, in one run. Prints, for encoding and
// decoding, the best CPU time of each side over ten repetitions and the ratio OpenSSL / ours
// (above 1: ours is faster). Fails when ours is slower.
#include <benchmark/benchmark.h>
#include <openssl/evp.h>

#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "codec/base64.h"

namespace {

using vemo::codec::Base64DecodedCapacity;
using vemo::codec::Base64EncodedLength;

constexpr size_t kBlockBytes = 4096;

const std::vector<uint8_t>& block() {
    static const std::vector<uint8_t> bytes = [] {
        std::mt19937 random(4096);
        std::vector<uint8_t> b(kBlockBytes);
        for (auto& byte : b) byte = static_cast<uint8_t>(random());
        return b;
    }();
    return bytes;
}

const std::string& blockText() {
    static const std::string text = [] {
        std::string t(Base64EncodedLength(kBlockBytes), '\0');
        uint32_t length = 0;
        vemo::codec::EncodeBase64Block(t.data(), t.size(), &length, block().data(), kBlockBytes);
        return t;
    }();
    return text;
}

void Encode_Vemo(benchmark::State& state) {
    std::vector<char> out(Base64EncodedLength(kBlockBytes));
    uint32_t length = 0;
    for (auto _ : state) {
        vemo::codec::EncodeBase64Block(out.data(), out.size(), &length, block().data(),
                                       kBlockBytes);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * kBlockBytes);
}

void Encode_OpenSSL(benchmark::State& state) {
    std::vector<unsigned char> out(Base64EncodedLength(kBlockBytes) + 1);
    for (auto _ : state) {
        EVP_EncodeBlock(out.data(), block().data(), kBlockBytes);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * kBlockBytes);
}

void Decode_Vemo(benchmark::State& state) {
    const std::string& text = blockText();
    std::vector<uint8_t> out(Base64DecodedCapacity(text.size()));
    uint32_t length = 0;
    for (auto _ : state) {
        if (vemo::codec::R_DecodePEMBlock(out.data(), out.size(), &length, text.data(),
                                          static_cast<uint32_t>(text.size())) != 0)
            state.SkipWithError("the block does not decode");
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * kBlockBytes);
}

void Decode_OpenSSL(benchmark::State& state) {
    const std::string& text = blockText();
    std::vector<unsigned char> out(Base64DecodedCapacity(text.size()));
    for (auto _ : state) {
        if (EVP_DecodeBlock(out.data(), reinterpret_cast<const unsigned char*>(text.data()),
                            static_cast<int>(text.size())) < 0)
            state.SkipWithError("the block does not decode");
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * kBlockBytes);
}

BENCHMARK(Encode_Vemo)->MinTime(0.05)->Repetitions(10);
BENCHMARK(Encode_OpenSSL)->MinTime(0.05)->Repetitions(10);
BENCHMARK(Decode_Vemo)->MinTime(0.05)->Repetitions(10);
BENCHMARK(Decode_OpenSSL)->MinTime(0.05)->Repetitions(10);

// Keeps the best CPU time per benchmark while the console reporter prints as usual.
class BestTimeReporter : public benchmark::ConsoleReporter {
public:
    BestTimeReporter() : ConsoleReporter(OO_Tabular) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration || run.error_occurred) continue;
            const std::string name = run.run_name.function_name;
            const double time = run.GetAdjustedCPUTime();
            if (best_.count(name) == 0 || time < best_[name]) best_[name] = time;
        }
    }
    const std::map<std::string, double>& best() const { return best_; }

private:
    std::map<std::string, double> best_;
};

}  // namespace

int main(int argc, char** argv) {
    // Repetitions of the four benchmarks interleaved, so that a burst of load on the machine
    // falls on both sides alike; the best of ten is compared.
    std::vector<char*> arguments(argv, argv + argc);
    char interleave[] = "--benchmark_enable_random_interleaving=true";
    arguments.push_back(interleave);
    int count = static_cast<int>(arguments.size());
    benchmark::Initialize(&count, arguments.data());
    BestTimeReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    std::printf("\n");
    bool slower = false;
    for (const char* operation : {"Encode", "Decode"}) {
        const auto& best = reporter.best();
        const auto ours = best.find(std::string(operation) + "_Vemo");
        const auto theirs = best.find(std::string(operation) + "_OpenSSL");
        if (ours == best.end() || theirs == best.end()) {
            std::printf("[report] bench %s: no result\n", operation);
            slower = true;
            continue;
        }
        const double ratio = theirs->second / ours->second;
        std::printf("[report] bench %s 4 KB: ours %.0f ns, OpenSSL %.0f ns, OpenSSL/ours %.2f\n",
                    operation, ours->second, theirs->second, ratio);
        slower = slower || ratio < 1.0;
    }
    return slower ? 1 : 0;
}
