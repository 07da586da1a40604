// What the dialogs list, kept apart from any window: the stores of a dialog opened in order,
// and their certificates with their display names in store order. Each entry keeps its own
// certificate, so that the entry the user picks leads back to exactly that certificate (not
// to another whose subject merely contains the same name). What the user must be told goes
// through `Tell`, which the window code turns into message boxes.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "frame/win_handles.h"

namespace vemo::picker {

using Tell = std::function<void(const char* message)>;

// A store a dialog lists, and what the user is told when it cannot be opened.
struct DialogStore {
    const char* name;
    const char* cannotOpen;
};

// The signing dialog lists "MY"; the selection dialog "MY", then "AddressBook".
extern const std::vector<DialogStore> kSigningStores;
extern const std::vector<DialogStore> kSelectionStores;

// One entry of a dialog's list: the certificate and the name it is listed under.
struct ListedCertificate {
    std::string name;
    win::CertificateContext certificate;
};

// A dialog's certificates, in store order; `counted` also counts the certificates whose name
// could not be read (and which are not listed).
struct Listing {
    std::vector<ListedCertificate> entries;
    size_t counted = 0;
};

// Every certificate of `stores`, store by store in store order, with its simple display name
// (CERT_NAME_SIMPLE_DISPLAY_TYPE, at most 127 characters). A store that cannot be opened, and
// a name that cannot be read, is told and left out.
Listing ListCertificates(const std::vector<DialogStore>& stores, const Tell& tell);

}  // namespace vemo::picker
