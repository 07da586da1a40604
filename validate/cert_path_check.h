#pragma once

#include <cstdint>

namespace vemo::validate {

// The certification path check: a path from `certText` (PEM or bare Base64, never changed)
// through the intermediates of `intermediates` (PEM blocks) and of the "CA" store to a
// certificate of the current user's "ROOT" store, validated with the revocation lists of the
// files named in `crlFiles` (';' between names) and of both stores. `flags`:
// CVEMO_PATH_REVOCATION asks every certificate below the anchor to be covered by a list that
// counts. The path's subjects, one a line, to `pathOut` (text, capacity in `*pathOutLength`).
int32_t VerifyCertPath(const char* certText, const char* intermediates, const char* crlFiles, uint32_t flags,
                       char* pathOut, uint32_t* pathOutLength);

}  // namespace vemo::validate
