// The selection dialog: the user picks the certificate that C_VEMO_GetUserCert of the picker
// edition hands out in place of the token and the personal store.
#pragma once

#include "picker/selection_text.h"

namespace vemo::picker {

// Runs the selection dialog (template 1000) modally on the calling thread, in its turn: the
// certificates of "MY" and "AddressBook" by display name, sorted, the first one selected. True
// when it ended with OK: `chosen` then holds the Base64 text of the certificate of the entry
// picked.
bool SelectCertificateText(SelectionText& chosen);

}  // namespace vemo::picker
