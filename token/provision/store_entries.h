// Certificates and revocation lists of the system stores ("ROOT", "CA", "MY", "AddressBook"),
// added and removed by their bytes: what a test machine needs besides its token, such as a
// trusted root, a root's revocation list or a user certificate in a store.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vemo::token::provision {

enum class StoreLocation { CurrentUser, LocalMachine };
enum class StoreEntryKind { Certificate, Crl };

struct StoreEntry {
    StoreEntryKind kind;
    std::vector<uint8_t> der;
};

// The certificate or revocation list of a file in DER, PEM or bare Base64; nullopt with `error`
// set when it holds neither.
std::optional<StoreEntry> StoreEntryFromFile(const std::vector<uint8_t>& file, std::string& error);

enum class StoreChange {
    Changed,    // added, or removed
    Unchanged,  // already in the store (add), or not in it (remove)
    Failed,     // `error` says why
};

// The entry goes into (or out of) the store's own registry part: "already in the store" does not
// count the local machine's entries that the current user's system store also shows. On real
// Windows, adding to the current user's "ROOT" asks the user to confirm; the local machine's
// "ROOT" (which the current user's includes) needs administrator rights instead.
StoreChange AddStoreEntry(const std::string& store, StoreLocation where, const StoreEntry& entry, std::string& error);
StoreChange RemoveStoreEntry(const std::string& store, StoreLocation where, const StoreEntry& entry,
                             std::string& error);

}  // namespace vemo::token::provision
