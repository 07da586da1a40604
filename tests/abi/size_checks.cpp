// Compile-time checks of sizes computed by the library, made by the compiler of each Windows
// architecture: on win32 size_t is 32 bits wide, so a size that wraps there fails this build.
#include <cstddef>
#include <cstdint>

#include "CVemoDll_C.h"
#include "codec/base64.h"
#include "sign/message_parameters.h"

// The largest input length gives the true character count, not a wrapped one.
static_assert(vemo::codec::Base64EncodedLength(0xFFFFFFFFu) == 5726623060ull);
static_assert(vemo::codec::Base64EncodedLength(0xFFFFFFFFu) > SIZE_MAX || sizeof(size_t) == 8);

// The records keep the layout client programs were written against, in both architectures.
static_assert(sizeof(CVEMO_SIGNATURE_RECORD) == CVEMO_SIGNATURE_RECORD_SIZE);
static_assert(offsetof(CVEMO_SIGNATURE_RECORD, signature_length) == 60);
static_assert(sizeof(PackItem) == 2 * sizeof(void*));

// The message functions' parameter records in their short form: the sizes of the 32-bit
// platform there; on win64 the platform's own short form, which it insists on.
#if defined(_WIN64)
static_assert(vemo::sign::kSignMessageParametersSize == 120);
static_assert(vemo::sign::kVerifyMessageParametersSize == 32);
#else
static_assert(vemo::sign::kSignMessageParametersSize == 68);
static_assert(vemo::sign::kVerifyMessageParametersSize == 20);
#endif
