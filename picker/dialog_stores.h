// What the dialogs list and look up, kept apart from any window: the stores of a dialog opened
// in order, their certificates' display names in store order, and the certificate a chosen
// name leads back to. What the user must be told goes through `Tell`, which the window code
// turns into message boxes.
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

// The display names of a dialog's certificates, in store order; `counted` also counts the
// certificates whose name could not be read (and is not listed).
struct Listing {
    std::vector<std::string> names;
    size_t counted = 0;
};

class DialogStores {
public:
    // Opens each store in order; each one that cannot be opened is told and left out.
    DialogStores(const std::vector<DialogStore>& stores, const Tell& tell);

    // Whether every store opened.
    bool complete() const { return complete_; }

    // Every certificate's simple display name (CERT_NAME_SIMPLE_DISPLAY_TYPE, at most 127
    // characters), store by store in store order; a name that cannot be read is told.
    Listing List(const Tell& tell) const;

    // The first certificate, store by store in store order, whose subject name contains the
    // display name `name` (ANSI text, at most 128 characters taken); empty if none does. Of two
    // certificates with the same display name this is always the first one.
    win::CertificateContext Find(const std::string& name) const;

private:
    std::vector<win::CertStore> opened_;
    bool complete_ = true;
};

}  // namespace vemo::picker
