// The edition this program is a client of. Each edition's program is built from the same test
// files with that edition's switch (VEMO_EDITION_<TOKEN|TRACE|PICKER>) and linked with its import
// library; the tests ask the library's own constants where the editions differ.
#pragma once

#include "frame/edition.h"

namespace vemo::test {

using Edition = edition::Kind;
inline constexpr Edition kEdition = edition::kKind;
using edition::kUsesToken;
using edition::kWritesTrace;
using edition::kWritesUserLog;

}  // namespace vemo::test
