// How the provisioning code shows a platform error code in its messages.
#pragma once

#include <cstdio>
#include <string>

namespace vemo::token::provision {

inline std::string ErrorCodeText(unsigned long code) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08lx", code);
    return text;
}

}  // namespace vemo::token::provision
