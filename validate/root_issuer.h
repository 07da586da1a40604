// The issuer test of the certificate check: the certificate of the trusted root store whose key
// verifies the user certificate's signature, and whether that root's revocation lists in the
// store revoke it.
#pragma once

#include <cstdint>

#include "frame/diagnostics.h"
#include "frame/win_handles.h"

namespace vemo::validate {

enum class RootVerdict {
    Trusted,   // signed by a root of the store, and no list of that root revokes it
    Revoked,   // signed by a root of the store, but revoked by a list of that root
    NoIssuer,  // no root of the store verifies its signature
};

// Walks `roots` in store order and tries each root with CertVerifySubjectCertificateContext
// (signature and revocation flags); the first root that clears the signature flag is the
// issuer. Traces each root it tries.
RootVerdict FindIssuingRoot(HCERTSTORE roots, PCCERT_CONTEXT user, TraceBlock& trace);

}  // namespace vemo::validate
