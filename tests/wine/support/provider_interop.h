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

}  // namespace vemo::test
