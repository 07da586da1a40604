// getcert, certinfo and pack: C_VEMO_GetUserCert, C_VEMO_GetCertInfo, C_VEMO_NewPack and
// C_VEMO_FreePack.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "commands.h"

namespace vemo::tool {
namespace {

// What C_VEMO_GetCertInfo answers, in the order certinfo shows them.
const struct {
    const char* item;
    const char* name;
} kItems[] = {
    {"1", "version"},          {"2", "serial number"},       {"3", "subject"},
    {"4", "validity"},         {"5", "issuer"},              {"6", "public key"},
    {"7", "authority key id"}, {"8", "subject key id"},      {"31", "country"},
    {"32", "state/province"},  {"33", "locality"},           {"34", "organisation"},
    {"35", "org. unit"},       {"36", "common name"},        {"37", "e-mail address"},
    {"41", "not before"},      {"42", "not after"},
};
const char* const kSlotNames[PACK_ITEM_COUNT] = {"country", "state/province", "locality", "organisation", "org. unit",
                                                 "common name", "e-mail address", "serial number", "alt. name tail"};

int GetCert(const LibraryBinding& library, const Arguments& args) {
    if (args.empty()) return Usage(kGetCertCommand);
    std::string lookup, serial, location, out;
    for (size_t i = 1; i < args.size(); i += 2) {
        if (i + 1 >= args.size()) return Usage(kGetCertCommand);
        const std::string& option = args[i];
        if (option == "--lookup") lookup = args[i + 1];
        else if (option == "--serial") serial = args[i + 1];
        else if (option == "--location") location = args[i + 1];
        else if (option == "--out") out = args[i + 1];
        else return Usage(kGetCertCommand);
    }
    // The picker edition asks the user for every selector but the serial number, the web address
    // and the file ("2" once its three texts are given).
    const char selector = args[0].empty() ? '\0' : args[0][0];
    const bool givesTexts = !lookup.empty() && !serial.empty() && !location.empty();
    if (!library.stdcallEdition() && selector != '0' && selector != '1' && selector != '3' &&
        (selector != '2' || givesTexts)) {
        AnnounceDialog("certificate selection");
    }
    std::string text(CVEMO_CERT_TEXT_MAX + 1, '\0');
    int32_t length = 0;
    const int32_t result = library.getUserCert(lookup.c_str(), serial.c_str(), location.c_str(), args[0].c_str(),
                                               text.data(), &length);
    if (result == 0) {
        text.resize(static_cast<size_t>(length));
        std::printf("certificate (%ld bytes):\n%s\n", static_cast<long>(length), text.c_str());
        if (!out.empty() && !WriteFile(out, text.data(), text.size())) return 2;
    }
    return Report(result);
}

// A pack as a caller of this edition holds one: the token edition's own; the trace edition's
// with process-heap buffers; the picker edition's without buffers (each call brings its own).
struct CallerPack {
    explicit CallerPack(const LibraryBinding& library) : library(library) {
        if (library.has(Export::NewPack)) {
            library.newPack(&pack);
        } else if (library.stdcallEdition()) {
            for (PackItem& item : own) item.data = static_cast<char*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, PACK_ITEM_SIZE));
        }
    }
    ~CallerPack() { library.freePack(pack); }
    const LibraryBinding& library;
    Pack own{};
    PackItem* pack = own;
};

void PrintPack(const PackItem* pack) {
    std::printf("\n%-4s %-16s %6s  %s\n", "slot", "field", "length", "text");
    for (int slot = 0; slot < PACK_ITEM_COUNT; ++slot) {
        const PackItem& item = pack[slot];
        std::string text = item.data != nullptr && item.length > 0 ? std::string(item.data, item.length) : "";
        if (!text.empty() && text.back() == '\0') text.pop_back();  // the attributes' terminator
        std::printf("%-4d %-16s %6ld  %s\n", slot, kSlotNames[slot], static_cast<long>(item.length), text.c_str());
    }
}

int CertInfo(const LibraryBinding& library, const Arguments& args) {
    if (args.empty()) return Usage(kCertInfoCommand);
    std::string certificate;
    if (!ReadFile(args[0], certificate)) return 2;
    Arguments items(args.begin() + 1, args.end());
    if (items.empty()) {
        for (const auto& known : kItems) items.push_back(known.item);
    }
    int32_t failed = 0;
    std::string lastPack;
    for (const std::string& item : items) {
        const char* name = "";
        for (const auto& known : kItems) {
            if (item == known.item) name = known.name;
        }
        CallerPack pack(library);
        std::string text = certificate;  // the trace and picker editions normalise it in place
        char info[1024] = {};
        const int32_t result = library.getCertInfo(text.data(), item.c_str(), info, pack.pack);
        if (result != 0) {
            std::printf("item %-3s %-16s result %ld\n", item.c_str(), name, static_cast<long>(result));
            failed = result;
            continue;
        }
        std::printf("item %-3s %-16s %s\n", item.c_str(), name, info);
        if (&item == &items.back()) PrintPack(pack.pack);
    }
    return Report(failed);
}

int NewAndFreePack(const LibraryBinding& library, const Arguments& args) {
    if (!args.empty()) return Usage(kPackCommand);
    PackItem* pack = nullptr;
    const int32_t made = library.newPack(&pack);
    std::printf("C_VEMO_NewPack: %ld\n", static_cast<long>(made));
    if (made != 0) return Report(made);
    std::printf("%-4s %6s %8s  %s\n", "slot", "length", "buffer", "from the process heap");
    for (int slot = 0; slot < PACK_ITEM_COUNT; ++slot) {
        const SIZE_T size = HeapSize(GetProcessHeap(), 0, pack[slot].data);
        std::printf("%-4d %6ld %8lu  %s\n", slot, static_cast<long>(pack[slot].length),
                    static_cast<unsigned long>(size == static_cast<SIZE_T>(-1) ? 0 : size),
                    size == static_cast<SIZE_T>(-1) ? "no" : "yes");
    }
    const int32_t freed = library.freePack(pack);
    std::printf("C_VEMO_FreePack: %ld\n", static_cast<long>(freed));
    return Report(freed);
}

}  // namespace

const Command kGetCertCommand = {
    "getcert", "<selector> [--serial <hex>] [--location <path|url>] [--lookup <text>] [--out <file>]",
    "the user's certificate as text (C_VEMO_GetUserCert)",
    "Selectors: 0 serial number in \"MY\" then \"AddressBook\" (--serial), 1 download (--location is\n"
    "the web address), 2 the armour lines alone (--lookup, --serial and --location non-empty),\n"
    "3 a file's first 4096 bytes (--location), 4 the token's first user container, anything\n"
    "else the personal store's first certificate. --out writes the text to a file.\n"
    "The picker edition shows its selection dialog for 4, 2 and every other selector instead.",
    GetCert};
const Command kCertInfoCommand = {
    "certinfo", "<certificate file> [<item>...]",
    "a certificate's items and the pack they fill (C_VEMO_GetCertInfo)",
    "Without items, every item: 1 version, 2 serial number, 3 subject, 4 validity, 5 issuer,\n"
    "6 public key, 7 authority key identifier, 8 subject key identifier, 31-37 the subject's C,\n"
    "ST, L, O, OU, CN and E, 41 not before, 42 not after. The pack of the last item follows as a\n"
    "table.",
    CertInfo};
const Command kPackCommand = {"pack", "", "a pack made and released (C_VEMO_NewPack, C_VEMO_FreePack; token edition)",
                              nullptr, NewAndFreePack};

}  // namespace vemo::tool
