// The token library UTSecDll, imported at load time by the token and trace editions. The picker
// edition includes this header but never calls it (its calls sit behind edition::kUsesToken).
#pragma once

#include "edition.h"
#include "token/utsecdll/UTSecDll.h"
