// Making token containers from a user's key and certificate: from a PFX file, or from a key file
// and a certificate file. The private key is taken into a temporary context as exportable only
// long enough to take its blob, which is protected at once (MakeContainer); it is never
// written anywhere in clear form.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "token/store/token_image.h"

namespace vemo::token::provision {

struct ContainerOptions {
    std::string name;                // empty: the certificate's display name
    uint32_t keySpec = kKeyExchange; // what the container offers the key as
};

// A container, or why there is none.
struct ImportResult {
    std::optional<Container> container;
    std::string error;
};

// The key of a PKCS#12 file and the certificate that holds its public key. `password` may be
// null for a file without one.
ImportResult ContainerFromPfx(const std::vector<uint8_t>& pfx, const wchar_t* password,
                              const ContainerOptions& options);

// A private key file (PEM or DER, PKCS#1 or unencrypted PKCS#8) and its certificate file (PEM
// or DER); refused when the certificate does not hold the key's public key.
ImportResult ContainerFromKeyFiles(const std::vector<uint8_t>& keyFile, const std::vector<uint8_t>& certificateFile,
                                   const ContainerOptions& options);

// What tokenctl's add-pfx and add-key do, from the files' paths and the password as typed (in
// the ANSI code page). Every clear copy of the key and of the password that these make is
// wiped before its memory is released: the key file's bytes and decoded forms, the password's
// UTF-16 form. Errors as above, and "cannot open <path>" / "cannot read <path>" for the files.
ImportResult ContainerFromPfxFile(const std::string& path, const std::string& password,
                                  const ContainerOptions& options);
ImportResult ContainerFromKeyFilePaths(const std::string& keyPath, const std::string& certificatePath,
                                       const ContainerOptions& options);

// A container with a name only: the pseudo-containers, and containers without key for tests.
Container ContainerWithoutKey(const std::string& name);

// Appends `container` to the token (it becomes the last index); false with `error` set when its
// name is empty, too long or already taken, or the token is full.
bool AddContainer(TokenImage& image, Container container, std::string& error);

// Gives the container named `name` the key and certificate of `imported` as its second key;
// false with `error` set when there is no such container, it has no key, already has a second
// one, or its key has the same key spec.
bool AddSecondKey(TokenImage& image, const std::string& name, Container imported, std::string& error);

}  // namespace vemo::token::provision
