// The revocation judgement: whether one revocation list vouches for one certificate, in one
// order, so that every check that reads lists answers alike:
//   1. the list is of the certificate's issuer (names compared as RFC 5280 compares them);
//   2. a candidate signer whose subject is the list's issuer, and whose key usage (when it has
//      one) allows list signing, verifies the list's signature;
//   3. the list holds the certificate: revoked, whatever follows;
//   4. the list marks no extension critical that is not processed here, is no delta list, and
//      its issuing distribution point does not leave the certificate out;
//   5. the list is current: issued, and its next update not passed.
// Portable (no windows.h): the signature arithmetic is the caller's, through a callback.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "codec/byte_reader.h"
#include "validate/revocation_list.h"

namespace vemo::validate {

enum class Judgement {
    NotRevoked,                    // a list that counts does not hold the certificate
    Revoked,                       // a list signed by a trusted key holds it
    NotAList,                      // the bytes are not a revocation list
    OtherIssuer,                   // the list is not of the certificate's issuer
    NoTrustedSigner,               // no candidate allowed to sign lists verifies its signature
    UnprocessedCriticalExtension,  // it marks critical an extension not processed here
    DeltaList,                     // it is a delta list
    OutOfScope,                    // its issuing distribution point leaves the certificate out
    NotYetIssued,                  // its this-update lies in the future
    OutOfDate,                     // its next update has passed, or it names none
};

// The result code of a judgement: 0, E_CERT_REVOKED, E_CRL_UNTRUSTED, E_CRL_OUT_OF_DATE, or
// SPC_INPUTARG_ERROR_01 for a list that cannot answer for the certificate.
int32_t JudgementCode(Judgement judgement);

// Whether candidate `index` verifies the list's signature with its key.
using ListSignatureCheck = std::function<bool(size_t index)>;

// Judges the list `list` (DER) for the certificate `certificate` (DER) at `now`. `candidates`
// are DER certificates the caller trusts to sign lists: only those whose subject is the list's
// issuer and whose key usage allows list signing are tried, in order, with `signedBy`.
Judgement JudgeList(codec::ByteReader list, codec::ByteReader certificate,
                    const std::vector<codec::ByteReader>& candidates, const ListSignatureCheck& signedBy,
                    UtcSeconds now);

}  // namespace vemo::validate
