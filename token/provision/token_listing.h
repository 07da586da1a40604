// What `tokenctl list` prints: each container with its key and certificate, then the faults set.
#pragma once

#include <cstdio>

#include "token/store/token_image.h"

namespace vemo::token::provision {

void PrintToken(const TokenImage& image, std::FILE* out);

}  // namespace vemo::token::provision
