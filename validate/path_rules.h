// The rules of a certification path that its certificates decide among themselves, without
// policies: every issuer is a CA within its path length constraint (self-issued certificates
// below it not counted) and, where it carries key usage, may sign certificates; the names below
// an issuer lie within its name constraints (self-issued intermediates exempt); no certificate
// marks critical an extension that is not processed. The anchor's own constraints apply where
// it carries them; an anchor without basic constraints is taken as a CA. Portable (no windows.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "validate/path_certificate.h"

namespace vemo::validate {

// The path, the certificate first and the anchor last.
using CertificatePath = std::vector<const PathCertificate*>;

// 0 when the certificate at `position` keeps the rules, E_PATH_CONSTRAINT when it breaks one.
int32_t CheckPathRules(const CertificatePath& path, size_t position);

}  // namespace vemo::validate
