// The revocation judgement over the platform's objects: the candidates are certificate
// contexts, the platform checks a list's signature with each candidate's key, the clock is the
// system's. Used by the revocation list check and by the certificate check for the lists of
// its root store.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "frame/win_handles.h"
#include "validate/revocation_judgement.h"

namespace vemo::validate {

// Every certificate of `store`, in store order: the judgement picks those that may have signed
// a list by subject and key usage.
std::vector<win::CertificateContext> StoreCertificates(HCERTSTORE store);

// Judges the list (`size` bytes of DER at `list`) for `certificate` now, with `signers` as the
// keys trusted to sign lists.
Judgement JudgeListNow(const uint8_t* list, size_t size, PCCERT_CONTEXT certificate,
                       const std::vector<win::CertificateContext>& signers);

}  // namespace vemo::validate
