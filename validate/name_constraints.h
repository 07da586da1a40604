// Name constraints: whether a certificate's names lie within the subtrees an issuer permits and
// outside those it excludes. Names are the subject (a directory name, unless empty), the e-mail
// addresses in the subject, and the subject alternative names. Directory names are compared by
// relative names as RFC 5280 compares names; e-mail addresses, DNS names and the hosts of URIs
// by their text (letter case ignored, a constraint starting with "." naming subdomains only);
// IP addresses under their constraint's mask. Portable (no windows.h).
#pragma once

#include "codec/byte_reader.h"
#include "validate/path_certificate.h"

namespace vemo::validate {

// Whether the names of `certificate` satisfy the NameConstraints whose contents are
// `constraints`. False also for constraints that cannot be read, subtrees with a minimum other
// than 0 or a maximum, and a name of a form this check does not compare (other names, X.400
// addresses, EDI party names, registered identifiers) where a constraint of that form exists.
bool SatisfiesNameConstraints(const PathCertificate& certificate, codec::ByteReader constraints);

}  // namespace vemo::validate
