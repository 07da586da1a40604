#include "picker/dialog_stores.h"

#include "cert/store_search.h"
#include "picker/messages.h"

namespace vemo::picker {

const std::vector<DialogStore> kSigningStores = {{"MY", message::kMyStoreFailed}};
const std::vector<DialogStore> kSelectionStores = {{"MY", message::kPersonalStoreFailed},
                                                   {"AddressBook", message::kOtherPeopleStoreFailed}};

Listing ListCertificates(const std::vector<DialogStore>& stores, const Tell& tell) {
    Listing listing;
    for (const DialogStore& store : stores) {
        const win::CertStore opened = cert::OpenSystemStore(store.name);
        if (!opened) {
            tell(store.cannotOpen);
            continue;
        }
        // Each entry's certificate keeps its store's contents alive after the store is closed.
        cert::ForEach(opened.get(), [&](PCCERT_CONTEXT certificate) {
            ++listing.counted;
            char name[cert::kDisplayNameSize];
            if (!cert::SimpleDisplayName(certificate, name)) return tell(message::kNameUnreadable);
            listing.entries.push_back({name, win::CertificateContext(CertDuplicateCertificateContext(certificate))});
        });
    }
    return listing;
}

}  // namespace vemo::picker
