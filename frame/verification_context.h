// One verification context of the platform's AES-capable provider (PROV_RSA_AES, which digests
// MD5 to SHA-512 and checks RSA signatures with public keys it imports), shared by the calls of
// the process that need no key container. Acquiring a context costs more than a whole signature
// check under Wine (a provider lookup in the registry), so the first call that needs one
// acquires it and later calls reuse it; the provider serialises its own objects, so threads share
// it without a lock of ours. It is released when the library is unloaded; at the end of the
// process it is left to the system, since the provider may already be gone by then.
#pragma once

#include "frame/win_handles.h"

namespace vemo {

// The shared context, acquired now if need be; 0 with `error` set when it cannot be had (a later
// call tries again).
HCRYPTPROV SharedVerificationContext(DWORD& error);

// Releases the shared context: from DllMain when the library is unloaded while the process goes
// on.
void ReleaseSharedVerificationContext();

}  // namespace vemo
