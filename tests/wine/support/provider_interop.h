// Files the provider tests leave for openssl on the host (tests/interop/provider-openssl.sh):
// <name>.cer (the signer's certificate, DER) with either <name>.data and <name>.sig (a raw
// signature of SHA-1 over the data, most significant byte first) or <name>.p7 and
// <name>.content (a PKCS#7 message and the content it must yield).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vemo::test {

// The folder (made empty by this call); without one, nothing is written.
void SetInteropFolder(const std::string& folder);
bool HasInteropFolder();
void WriteInteropFile(const std::string& name, const std::vector<uint8_t>& bytes);

// Evidence of a signature that should have verified and did not, kept in a folder of its own
// (never emptied, so that a rare failure's files outlast the runs after it): <stem>.cer (the
// signer's certificate), <stem>.key (the PRIVATEKEYBLOB of a key the tests made, in clear: test
// keys only), <stem>.data and <stem>.sig (least significant byte first, as CryptoAPI gives it),
// the stem naming the test and the process. Without a folder, nothing is written.
void SetEvidenceFolder(const std::string& folder);
void KeepSignatureEvidence(const std::vector<uint8_t>& certificate, const std::string& data,
                           const std::vector<uint8_t>& signature);

}  // namespace vemo::test
