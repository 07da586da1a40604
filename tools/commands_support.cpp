// What the subcommands share: their arguments, usage, data and files.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "commands.h"
#include "codec/digest_algorithms.h"

namespace vemo::tool {

bool ParsedArguments::has(const char* flag) const {
    return std::find(flags.begin(), flags.end(), flag) != flags.end();
}

std::string ParsedArguments::option(const char* name, const std::string& otherwise) const {
    const auto found = options.find(name);
    return found == options.end() ? otherwise : found->second;
}

std::vector<std::string> ParsedArguments::values(const char* name) const {
    const auto found = repeated.find(name);
    return found == repeated.end() ? std::vector<std::string>() : found->second;
}

bool ParseArguments(const Arguments& args, std::initializer_list<const char*> options,
                    std::initializer_list<const char*> flags, ParsedArguments& parsed) {
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& word = args[i];
        if (word.size() < 3 || word.compare(0, 2, "--") != 0) {
            parsed.positional.push_back(word);
        } else if (std::find(flags.begin(), flags.end(), word) != flags.end()) {
            parsed.flags.push_back(word);
        } else if (std::find(options.begin(), options.end(), word) != options.end() && i + 1 < args.size()) {
            parsed.options[word] = args[++i];
            parsed.repeated[word].push_back(args[i]);
        } else {
            std::fprintf(stderr, "vemo: %s \"%s\"\n",
                         std::find(options.begin(), options.end(), word) != options.end() ? "no value for"
                                                                                          : "no such option",
                         word.c_str());
            return false;
        }
    }
    return true;
}

std::string UsageLine(const Command& command) {
    return std::string("usage: vemo [--dll <path> | --edition token|trace|picker] [--json] ") + command.name +
           (*command.synopsis ? " " : "") + command.synopsis;
}

int Usage(const Command& command) {
    std::fprintf(stderr, "%s\n(\"vemo help %s\" says more)\n", UsageLine(command).c_str(), command.name);
    return 2;
}

void AnnounceDialog(const char* dialog) {
    Announce(std::string("The ") + dialog +
             " dialog (\"Dialog\") is waiting for you on the desktop: pick a certificate and press its left "
             "button, or Cancel.");
}

bool DataOf(ParsedArguments& args, std::string& data, Field& source) {
    const std::string path = args.option("--file");
    if (!path.empty()) {
        source = {"file", path};
        return ReadFile(path, data);
    }
    if (args.positional.empty()) return false;
    data = args.positional.front();
    args.positional.erase(args.positional.begin());
    source = {"data", data};
    return true;
}

bool ReadFile(const std::string& path, std::string& content) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "vemo: cannot read %s\n", path.c_str());
        return false;
    }
    content.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

bool AlgorithmOf(const ParsedArguments& args, const char* otherwise, uint32_t& algorithm) {
    const std::string name = args.option("--alg", otherwise);
    if (const codec::DigestAlgorithm* known = codec::ExportedDigestAlgorithm(name)) {
        algorithm = known->algId;
        return true;
    }
    // A number passes any value on, for a look at the export's answer to it.
    char* end = nullptr;
    const unsigned long long value = std::strtoull(name.c_str(), &end, 0);
    if (!name.empty() && *end == '\0' && name[0] != '-' && value <= UINT32_MAX) {
        algorithm = static_cast<uint32_t>(value);
        return true;
    }
    std::fprintf(stderr, "vemo: --alg is sha1, sha256, sha384, sha512 or a number\n");
    return false;
}

Field AlgorithmField(uint32_t algorithm) {
    if (const codec::DigestAlgorithm* known = codec::ExportedDigestAlgorithm(algorithm)) {
        return {"algorithm", known->shortName};
    }
    return {"algorithm", static_cast<long long>(algorithm)};
}

bool WriteOut(const ParsedArguments& args, const void* bytes, size_t count, Call& call) {
    const std::string path = args.option("--out");
    if (path.empty()) return true;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (out) out.write(static_cast<const char*>(bytes), static_cast<std::streamsize>(count));
    if (!out) {
        std::fprintf(stderr, "vemo: cannot write %s\n", path.c_str());
        return false;
    }
    call.outputs.push_back({"written_to", path});
    return true;
}

}  // namespace vemo::tool
