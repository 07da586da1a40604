#include "picker/dialog_stores.h"

#include "cert/store_search.h"
#include "picker/messages.h"

namespace vemo::picker {

const std::vector<DialogStore> kSigningStores = {{"MY", message::kMyStoreFailed}};
const std::vector<DialogStore> kSelectionStores = {{"MY", message::kPersonalStoreFailed},
                                                   {"AddressBook", message::kOtherPeopleStoreFailed}};

DialogStores::DialogStores(const std::vector<DialogStore>& stores, const Tell& tell) {
    for (const DialogStore& store : stores) {
        win::CertStore opened = cert::OpenSystemStore(store.name);
        if (!opened) {
            complete_ = false;
            tell(store.cannotOpen);
            continue;
        }
        opened_.push_back(std::move(opened));
    }
}

Listing DialogStores::List(const Tell& tell) const {
    Listing listing;
    for (const win::CertStore& store : opened_) {
        cert::ForEach(store.get(), [&](PCCERT_CONTEXT certificate) {
            ++listing.counted;
            char name[cert::kDisplayNameSize];
            if (cert::SimpleDisplayName(certificate, name)) {
                listing.names.emplace_back(name);
            } else {
                tell(message::kNameUnreadable);
            }
        });
    }
    return listing;
}

win::CertificateContext DialogStores::Find(const std::string& name) const {
    wchar_t wide[cert::kDisplayNameSize + 1];
    cert::AnsiToWide(name.c_str(), wide);
    for (const win::CertStore& store : opened_) {
        win::CertificateContext found = cert::FindBySubject(store.get(), wide);
        if (found) return found;
    }
    return {};
}

}  // namespace vemo::picker
