// The issuer test of the certificate check: the certificate of the trusted root store whose key
// verifies the user certificate's signature, and whether a revocation list in the store that
// the revocation judgement trusts holds it.
#pragma once

#include <cstdint>

#include "frame/diagnostics.h"
#include "frame/win_handles.h"

namespace vemo::validate {

enum class RootVerdict {
    Trusted,   // signed by a root of the store, and no trusted list of the store revokes it
    Revoked,   // signed by a root of the store, but a trusted list of the store holds it
    NoIssuer,  // no root of the store verifies its signature
};

// Walks `roots` in store order and tries each root with CertVerifySubjectCertificateContext
// (signature and revocation flags); the first root that clears the signature flag is the
// issuer. Then every list of the store is judged for the certificate, the store's certificates
// its trusted signers. Traces each root it tries.
RootVerdict FindIssuingRoot(HCERTSTORE roots, PCCERT_CONTEXT user, TraceBlock& trace);

}  // namespace vemo::validate
