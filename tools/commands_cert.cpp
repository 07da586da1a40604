// getcert, certinfo and pack: C_VEMO_GetUserCert, C_VEMO_GetCertInfo, C_VEMO_NewPack and
// C_VEMO_FreePack.
#include <cstdio>
#include <cstring>
#include <string>

#include "commands.h"

namespace vemo::tool {
namespace {

// What C_VEMO_GetCertInfo answers, in the order certinfo asks for them.
const struct {
    const char* item;
    const char* name;
} kItems[] = {
    {"1", "version"},          {"2", "serial number"},  {"3", "subject"},         {"4", "validity"},
    {"5", "issuer"},           {"6", "public key"},     {"7", "authority key id"}, {"8", "subject key id"},
    {"31", "country"},         {"32", "state/province"}, {"33", "locality"},      {"34", "organisation"},
    {"35", "org. unit"},       {"36", "common name"},   {"37", "e-mail address"}, {"41", "not before"},
    {"42", "not after"},
};
const char* const kSlotNames[PACK_ITEM_COUNT] = {"country", "state/province", "locality", "organisation", "org. unit",
                                                 "common name", "e-mail address", "serial number", "alt. name tail"};

// The text of an option, or null when it is not given: the export sees what a caller that
// passes nothing passes.
const char* TextOrNull(const ParsedArguments& args, const char* name) {
    const auto found = args.options.find(name);
    return found == args.options.end() ? nullptr : found->second.c_str();
}

int GetCert(const LibraryBinding& library, const Arguments& given) {
    ParsedArguments args;
    if (!ParseArguments(given, {"--lookup", "--serial", "--location", "--out"}, {}, args) ||
        args.positional.size() != 1) {
        return Usage(kGetCertCommand);
    }
    const std::string& source = args.positional[0];
    const char* lookup = TextOrNull(args, "--lookup");
    const char* serial = TextOrNull(args, "--serial");
    const char* location = TextOrNull(args, "--location");
    Call call{Export::GetUserCert, {{"selector", source}}};
    for (const char* option : {"--lookup", "--serial", "--location"}) {
        if (const char* text = TextOrNull(args, option)) call.arguments.push_back({option + 2, text});
    }

    // What may block: the download, and in the picker edition the selection dialog for every
    // selector but the serial number, the web address and the file ("2" once its texts are given).
    const char selector = source.empty() ? '\0' : source[0];
    const bool givesTexts = lookup && *lookup && serial && *serial && location && *location;
    if (selector == '1' && location != nullptr) {
        Announce(std::string("downloading ") + location + " (waits up to 30 s)");
    } else if (library.edition() == Edition::Picker && selector != '0' && selector != '1' && selector != '3' &&
               (selector != '2' || givesTexts)) {
        AnnounceDialog("certificate selection");
    }
    std::string text(CVEMO_CERT_TEXT_MAX + 1, '\0');
    int32_t length = 0;
    call.result = library.getUserCert(lookup, serial, location, source.c_str(), text.data(), &length);
    bool written = true;
    if (call.result == 0) {
        text.resize(static_cast<size_t>(length));
        call.outputs.push_back({"certificate", text});
        call.outputs.push_back({"length", static_cast<long long>(length)});
        written = WriteOut(args, text.data(), text.size(), call);
    }
    return Finished(Print(library, call), written);
}

// A pack as a caller of this edition holds one: the token edition's own; the trace edition's
// with process-heap buffers; the picker edition's without buffers (each call brings its own).
struct CallerPack {
    explicit CallerPack(const LibraryBinding& library) : library(library) {
        if (library.has(Export::NewPack)) {
            library.newPack(&pack);
        } else if (library.edition() == Edition::Trace) {
            for (PackItem& item : own) item.data = static_cast<char*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, PACK_ITEM_SIZE));
        }
    }
    ~CallerPack() { library.freePack(pack); }
    const LibraryBinding& library;
    Pack own{};
    PackItem* pack = own;
};

Table PackTable(const PackItem* pack) {
    Table table{"pack", {"slot", "field", "length", "text"}, {}};
    for (int slot = 0; slot < PACK_ITEM_COUNT; ++slot) {
        const PackItem& item = pack[slot];
        std::string text = item.data != nullptr && item.length > 0 ? std::string(item.data, item.length) : "";
        if (!text.empty() && text.back() == '\0') text.pop_back();  // the attributes' terminator
        table.rows.push_back({static_cast<long long>(slot), kSlotNames[slot], static_cast<long long>(item.length), text});
    }
    return table;
}

int CertInfo(const LibraryBinding& library, const Arguments& given) {
    ParsedArguments args;
    std::string certificate;
    if (!ParseArguments(given, {}, {}, args) || args.positional.empty()) return Usage(kCertInfoCommand);
    if (!ReadFile(args.positional[0], certificate)) return 2;
    Arguments items(args.positional.begin() + 1, args.positional.end());
    if (items.empty()) {
        for (const auto& known : kItems) items.push_back(known.item);
    }
    std::vector<Call> calls;
    for (const std::string& item : items) {
        const char* name = "";
        for (const auto& known : kItems) {
            if (item == known.item) name = known.name;
        }
        CallerPack pack(library);
        std::string text = certificate;  // the trace and picker editions normalise it in place
        char info[1024] = {};
        Call call{Export::GetCertInfo, {{"certificate", args.positional[0]}, {"item", item}, {"item_name", name}}};
        call.result = library.getCertInfo(text.data(), item.c_str(), info, pack.pack);
        if (call.result == 0) {
            call.outputs.push_back({"info", std::string(info)});
            call.tables.push_back(PackTable(pack.pack));
        }
        calls.push_back(call);
    }
    return PrintSeries(library, calls, "items");
}

int NewAndFreePack(const LibraryBinding& library, const Arguments& args) {
    if (!args.empty()) return Usage(kPackCommand);
    PackItem* pack = nullptr;
    Call made{Export::NewPack};
    made.result = library.newPack(&pack);
    if (made.result != 0) return Print(library, made);
    Table buffers{"pack", {"slot", "length", "buffer_size", "from_process_heap"}, {}};
    for (int slot = 0; slot < PACK_ITEM_COUNT; ++slot) {
        const SIZE_T size = HeapSize(GetProcessHeap(), 0, pack[slot].data);
        const bool fromHeap = size != static_cast<SIZE_T>(-1);
        buffers.rows.push_back({static_cast<long long>(slot), static_cast<long long>(pack[slot].length),
                                static_cast<long long>(fromHeap ? size : 0), fromHeap ? "yes" : "no"});
    }
    made.tables.push_back(buffers);
    Print(library, made);
    Call freed{Export::FreePack};
    freed.result = library.freePack(pack);
    return Print(library, freed);
}

}  // namespace

const Command kGetCertCommand = {
    "getcert", "<selector> [--serial <hex>] [--location <path|url>] [--lookup <text>] [--out <file>]",
    "the user's certificate as text (C_VEMO_GetUserCert)",
    "Selectors: 0 serial number in \"MY\" then \"AddressBook\" (--serial; --lookup any text),\n"
    "1 download (--location is the web address; the call waits up to 30 s), 2 the armour lines\n"
    "alone (--lookup, --serial and --location non-empty), 3 a file's first 4096 bytes\n"
    "(--location), 4 the token's first user container, anything else the personal store's\n"
    "first certificate. An option not given is passed as null. --out writes the text to a file.\n"
    "The picker edition shows its selection dialog for 4, 2 and every other selector instead.",
    GetCert};
const Command kCertInfoCommand = {
    "certinfo", "<certificate file> [<item>...]", "a certificate's items and the pack they fill (C_VEMO_GetCertInfo)",
    "One call per item; without items, every item: 1 version, 2 serial number, 3 subject,\n"
    "4 validity, 5 issuer, 6 public key, 7 authority key identifier, 8 subject key identifier,\n"
    "31-37 the subject's C, ST, L, O, OU, CN and E, 41 not before, 42 not after. The file holds\n"
    "the certificate as PEM or bare Base64. The pack of the last successful call follows as a\n"
    "table; each call's pack is released with C_VEMO_FreePack.",
    CertInfo};
const Command kPackCommand = {
    "pack", "", "a pack made and released (C_VEMO_NewPack, C_VEMO_FreePack; token edition)",
    "Shows the nine slots C_VEMO_NewPack makes (length, buffer size, whether the buffer is the\n"
    "process heap's), then releases the pack. The trace and picker editions have no C_VEMO_NewPack.",
    NewAndFreePack};

}  // namespace vemo::tool
