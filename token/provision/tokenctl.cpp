// tokenctl: provisions the software token. Plugs it in and out, adds containers from PFX files
// or key and certificate files, lists them, sets the faults that make token calls fail, and
// registers the token's provider. "tokenctl help" lists the commands.
#include <windows.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "token/provision/container_import.h"
#include "token/provision/key_files.h"
#include "token/provision/provider_registration.h"
#include "token/provision/store_entries.h"
#include "token/provision/token_listing.h"
#include "token/store/token_store.h"

namespace {

using namespace vemo::token;
using namespace vemo::token::provision;

// Exit codes.
constexpr int kOk = 0;
constexpr int kFailed = 1;
constexpr int kUsage = 2;
constexpr int kNoToken = 3;

constexpr char kUsageText[] =
    "usage: tokenctl [--store <token file>] <command> [arguments]\n"
    "\n"
    "commands:\n"
    "  create                        plug in an empty token\n"
    "  remove                        unplug the token (its file is deleted)\n"
    "  list                          the token's containers and the faults set\n"
    "  add-pfx <file> [--password <password>] [--name <name>] [--spec exchange|signature]\n"
    "          [--into <container>]  a container with the key and certificate of a PFX file\n"
    "  add-key <key file> <certificate file> [--name <name>] [--spec exchange|signature]\n"
    "          [--into <container>]  a container with a key (PEM or DER, PKCS#1 or PKCS#8)\n"
    "                                and its certificate (PEM or DER)\n"
    "  add-pseudo *default*|*defalut*  a pseudo-container (no key, no certificate)\n"
    "  add-empty <name>              a container without key and certificate\n"
    "  fail <point> <code>           make a token call fail with <code> (decimal or 0x hex)\n"
    "  clear-fault <point>           let that call succeed again\n"
    "  clear-faults                  let every call succeed again\n"
    "  register-provider <dll>       register the token's CryptoAPI provider\n"
    "  unregister-provider           remove that registration\n"
    "  store-add <store> <file> [--machine]\n"
    "                                put a certificate or revocation list (DER, PEM or Base64)\n"
    "                                into a system store of the current user (ROOT, CA, MY,\n"
    "                                AddressBook), or of the local machine\n"
    "  store-remove <store> <file> [--machine]  take it out again"
    "\n"
    "Containers are added last; the name defaults to the certificate's display name and the\n"
    "key spec to exchange. --into gives an existing container a second key, of the\n"
    "other key spec, with its own certificate. The token file is %VEMO_TOKEN_STORE%, else\n"
    "%LOCALAPPDATA%\\VemoSoftToken\\token.vtk; --store names another.\n"
    "A fault of code 0 makes a provider call fail with NTE_FAIL, and UTGetCurCert succeed\n"
    "without certificate bytes.\n"
    "Exit status: 0 done, 1 failed, 2 usage error, 3 no token plugged in.";

int Usage(const std::string& problem) {
    std::fprintf(stderr, "tokenctl: %s\n\"tokenctl help\" lists the commands.\n", problem.c_str());
    return kUsage;
}

int Fail(const std::string& problem) {
    std::fprintf(stderr, "tokenctl: %s\n", problem.c_str());
    return kFailed;
}

std::wstring Widen(const std::string& text) {
    if (text.empty()) return {};
    const int length = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
    return wide;
}

std::string TokenPathText() {
    const std::wstring path = TokenStorePath();
    const int length = WideCharToMultiByte(CP_ACP, 0, path.data(), static_cast<int>(path.size()), nullptr, 0,
                                           nullptr, nullptr);
    std::string text(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_ACP, 0, path.data(), static_cast<int>(path.size()), text.data(), length, nullptr, nullptr);
    return text;
}

// A command's words: positional arguments, and the values of the options it allows.
struct Arguments {
    std::vector<std::string> positional;
    std::map<std::string, std::string> options;
};

// Splits `words`; false with `problem` set for an option that is not allowed or has no value.
bool ParseArguments(const std::vector<std::string>& words, const std::vector<std::string>& allowed, Arguments& parsed,
                    std::string& problem) {
    for (size_t i = 0; i < words.size(); ++i) {
        const std::string& word = words[i];
        if (word.size() < 3 || word.compare(0, 2, "--") != 0) {
            parsed.positional.push_back(word);
            continue;
        }
        bool known = false;
        for (const std::string& name : allowed) known = known || name == word;
        if (!known) {
            problem = "unknown option " + word;
            return false;
        }
        if (i + 1 == words.size()) {
            problem = word + " needs a value";
            return false;
        }
        parsed.options[word] = words[++i];
    }
    return true;
}

// Reads the token, which must be plugged in; an exit code other than kOk otherwise.
int LoadPresentToken(TokenImage& image) {
    switch (LoadToken(image)) {
        case TokenState::Present: return kOk;
        case TokenState::Absent:
            std::fprintf(stderr, "tokenctl: no token is plugged in (%s); run \"tokenctl create\" first\n",
                         TokenPathText().c_str());
            return kNoToken;
        case TokenState::Damaged: break;
    }
    return Fail("the token file " + TokenPathText() + " cannot be read; \"tokenctl remove\" unplugs it");
}

// Loads the token, lets `change` edit it (false with a message on failure) and saves it.
int EditToken(const std::function<bool(TokenImage&, std::string&)>& change) {
    TokenImage image;
    if (const int status = LoadPresentToken(image); status != kOk) return status;
    std::string problem;
    if (!change(image, problem)) return Fail(problem);
    if (!SaveToken(image)) return Fail("cannot write the token file " + TokenPathText());
    return kOk;
}

// Adds the container an import made, and says where it went; with `into`, its key becomes
// that container's second key.
int AddImported(ImportResult imported, const std::string& into = {}) {
    if (!imported.container) return Fail(imported.error);
    if (!into.empty()) {
        return EditToken([&](TokenImage& image, std::string& problem) {
            if (!AddSecondKey(image, into, std::move(*imported.container), problem)) return false;
            std::printf("added a second key to container %s\n", into.c_str());
            return true;
        });
    }
    return EditToken([&](TokenImage& image, std::string& problem) {
        const std::string name = imported.container->name;
        if (!AddContainer(image, std::move(*imported.container), problem)) return false;
        std::printf("added container %u: %s\n", static_cast<unsigned>(image.containers.size()), name.c_str());
        return true;
    });
}

// --into of the add commands: the container that takes the key as its second one.
std::string IntoOption(const Arguments& arguments) {
    const auto into = arguments.options.find("--into");
    return into == arguments.options.end() ? std::string() : into->second;
}

// --name and --spec of the add commands.
bool ReadContainerOptions(const Arguments& arguments, ContainerOptions& options, std::string& problem) {
    if (auto name = arguments.options.find("--name"); name != arguments.options.end()) options.name = name->second;
    if (auto spec = arguments.options.find("--spec"); spec != arguments.options.end()) {
        if (spec->second == "exchange") {
            options.keySpec = kKeyExchange;
        } else if (spec->second == "signature") {
            options.keySpec = kKeySignature;
        } else {
            problem = "--spec is exchange or signature, not " + spec->second;
            return false;
        }
    }
    return true;
}

// A result code given as decimal (optionally negative) or 0x hex, as the token call returns it.
bool ParseCode(const std::string& text, uint32_t& code) {
    if (text.empty()) return false;
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    errno = 0;
    char* end = nullptr;
    const long long value = std::strtoll(text.c_str(), &end, hex ? 16 : 10);
    if (errno != 0 || *end != '\0' || value < INT32_MIN || value > UINT32_MAX) return false;
    code = static_cast<uint32_t>(value);
    return true;
}

bool ParseFaultPoint(const std::string& name, FaultPoint& point, std::string& problem) {
    if (const auto known = FaultPointFromName(name)) {
        point = *known;
        return true;
    }
    problem = "unknown fault point " + name + "; the points are:";
    for (FaultPoint each : AllFaultPoints()) problem += std::string(" ") + FaultPointName(each);
    return false;
}

int Create() {
    TokenImage image;
    switch (LoadToken(image)) {
        case TokenState::Present: return Fail("a token is already plugged in (" + TokenPathText() + ")");
        case TokenState::Damaged: return Fail("an unreadable token file is in the way: " + TokenPathText());
        case TokenState::Absent: break;
    }
    if (!SaveToken(TokenImage{})) return Fail("cannot write the token file " + TokenPathText());
    std::printf("token plugged in: %s\n", TokenPathText().c_str());
    return kOk;
}

int Remove() {
    if (!RemoveToken()) return Fail("cannot delete the token file " + TokenPathText());
    std::printf("token unplugged\n");
    return kOk;
}

int List() {
    TokenImage image;
    if (const int status = LoadPresentToken(image); status != kOk) return status;
    std::printf("token: %s\n", TokenPathText().c_str());
    PrintToken(image, stdout);
    return kOk;
}

int AddPfx(const std::vector<std::string>& words) {
    Arguments arguments;
    std::string problem;
    ContainerOptions options;
    if (!ParseArguments(words, {"--password", "--name", "--spec", "--into"}, arguments, problem) ||
        !ReadContainerOptions(arguments, options, problem)) {
        return Usage(problem);
    }
    if (arguments.positional.size() != 1) return Usage("add-pfx takes one PFX file");
    std::string& password = arguments.options["--password"];  // empty without the option
    const WipedOnExit<std::string> wipe(password);
    return AddImported(ContainerFromPfxFile(arguments.positional[0], password, options), IntoOption(arguments));
}

int AddKey(const std::vector<std::string>& words) {
    Arguments arguments;
    std::string problem;
    ContainerOptions options;
    if (!ParseArguments(words, {"--name", "--spec", "--into"}, arguments, problem) ||
        !ReadContainerOptions(arguments, options, problem)) {
        return Usage(problem);
    }
    if (arguments.positional.size() != 2) return Usage("add-key takes a key file and a certificate file");
    return AddImported(ContainerFromKeyFilePaths(arguments.positional[0], arguments.positional[1], options),
                       IntoOption(arguments));
}

int AddWithoutKey(const std::string& name) {
    return AddImported(ImportResult{ContainerWithoutKey(name), {}});
}

int SetFault(const std::vector<std::string>& words) {
    if (words.size() != 2) return Usage("fail takes a fault point and a code");
    FaultPoint point{};
    uint32_t code = 0;
    std::string problem;
    if (!ParseFaultPoint(words[0], point, problem)) return Usage(problem);
    if (!ParseCode(words[1], code)) return Usage("the code " + words[1] + " is not a 32-bit number");
    return EditToken([&](TokenImage& image, std::string&) {
        image.setFault(point, code);
        std::printf("%s now returns 0x%08x\n", FaultPointName(point), static_cast<unsigned>(code));
        return true;
    });
}

int ClearFault(const std::vector<std::string>& words) {
    if (words.size() != 1) return Usage("clear-fault takes a fault point");
    FaultPoint point{};
    std::string problem;
    if (!ParseFaultPoint(words[0], point, problem)) return Usage(problem);
    return EditToken([&](TokenImage& image, std::string&) {
        const bool wasSet = image.faultCode(point).has_value();
        image.clearFault(point);
        std::printf("%s %s\n", FaultPointName(point), wasSet ? "works again" : "had no fault set");
        return true;
    });
}

int ClearFaults() {
    return EditToken([](TokenImage& image, std::string&) {
        const unsigned cleared = static_cast<unsigned>(image.faults.size());
        std::printf("%u fault(s) cleared: every token call works again\n", cleared);
        image.faults.clear();
        return true;
    });
}

int RegisterProvider(const std::vector<std::string>& words) {
    if (words.size() != 1) return Usage("register-provider takes the provider DLL's path");
    std::string problem;
    if (!RegisterTokenProvider(words[0], problem)) return Fail(problem);
    std::printf("registered \"%s\": %s\n", kTokenProviderName, RegisteredTokenProvider().value_or("?").c_str());
    return kOk;
}

int UnregisterProvider() {
    std::string problem;
    if (!UnregisterTokenProvider(problem)) return Fail(problem);
    std::printf("\"%s\" is not registered\n", kTokenProviderName);
    return kOk;
}

// store-add and store-remove: exit 0 when the store holds (or no longer holds) the entry.
int ChangeStore(const std::vector<std::string>& words, bool add) {
    bool machine = false;
    std::vector<std::string> names;
    for (const std::string& word : words) {
        if (word == "--machine") {
            machine = true;
        } else {
            names.push_back(word);
        }
    }
    if (names.size() != 2) return Usage("store-add and store-remove take a store name and a file");
    std::vector<uint8_t> file;
    std::string problem;
    if (!ReadWholeFile(names[1], file, problem)) return Fail(problem);
    const std::optional<StoreEntry> entry = StoreEntryFromFile(file, problem);
    if (!entry) return Fail(names[1] + ": " + problem);
    const StoreLocation where = machine ? StoreLocation::LocalMachine : StoreLocation::CurrentUser;
    const std::string what = entry->kind == StoreEntryKind::Certificate ? "certificate" : "revocation list";
    const std::string store = (machine ? "the local machine's " : "the current user's ") + names[0];
    switch (add ? AddStoreEntry(names[0], where, *entry, problem) : RemoveStoreEntry(names[0], where, *entry, problem)) {
        case StoreChange::Changed:
            std::printf("%s the %s %s %s\n", add ? "added" : "removed", what.c_str(), add ? "to" : "from", store.c_str());
            return kOk;
        case StoreChange::Unchanged:
            if (!add) return Fail("the " + what + " is not in " + store);
            std::printf("the %s is already in %s\n", what.c_str(), store.c_str());
            return kOk;
        case StoreChange::Failed: break;
    }
    return Fail(problem);
}

int Run(const std::string& command, const std::vector<std::string>& words) {
    const bool none = words.empty();
    if (command == "create" && none) return Create();
    if (command == "remove" && none) return Remove();
    if (command == "list" && none) return List();
    if (command == "add-pfx") return AddPfx(words);
    if (command == "add-key") return AddKey(words);
    if (command == "add-pseudo") {
        if (words.size() != 1 || (words[0] != kDefaultContainer && words[0] != kDefalutContainer)) {
            return Usage("add-pseudo takes *default* or *defalut*");
        }
        return AddWithoutKey(words[0]);
    }
    if (command == "add-empty") return words.size() == 1 ? AddWithoutKey(words[0]) : Usage("add-empty takes a name");
    if (command == "fail") return SetFault(words);
    if (command == "clear-fault") return ClearFault(words);
    if (command == "clear-faults" && none) return ClearFaults();
    if (command == "register-provider") return RegisterProvider(words);
    if (command == "unregister-provider" && none) return UnregisterProvider();
    if (command == "store-add") return ChangeStore(words, true);
    if (command == "store-remove") return ChangeStore(words, false);
    if (command == "help" || command == "--help") {
        std::puts(kUsageText);
        return kOk;
    }
    return Usage("unknown command or wrong arguments: " + command);
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> words(argv + 1, argv + argc);
    // --store anywhere names the token file, for this run only.
    for (size_t i = 0; i < words.size(); ++i) {
        if (words[i] != "--store") continue;
        if (i + 1 == words.size()) return Usage("--store needs a path");
        SetEnvironmentVariableW(kTokenStoreVariable, Widen(words[i + 1]).c_str());
        words.erase(words.begin() + static_cast<std::ptrdiff_t>(i), words.begin() + static_cast<std::ptrdiff_t>(i) + 2);
        break;
    }
    if (words.empty()) return Usage("no command");
    const std::string command = words.front();
    words.erase(words.begin());
    try {
        return Run(command, words);
    } catch (const std::exception& problem) {
        return Fail(std::string("unexpected failure: ") + problem.what());
    }
}
