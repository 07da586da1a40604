// A certificate name as the certificate information writes it (items 3 and 5): the X.500 string
// of the platform (CERT_X500_NAME_STR), cut at the 1023 characters of an item's text.
#pragma once

#include <string>

#include "frame/win_handles.h"

namespace vemo::cert {

std::string NameText(const CERT_NAME_BLOB& name);

}  // namespace vemo::cert
