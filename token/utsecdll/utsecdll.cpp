// UTSecDll of the software token. (Placeholder until the token store is wired in.)
#define UTSECDLL_BUILDING
#include "token/utsecdll/UTSecDll.h"

extern "C" int32_t __cdecl UTEnumCtn(int32_t, int32_t, uint32_t*, uint32_t*) { return UT_ERR_TOKEN_ABSENT; }
extern "C" const char* __cdecl UTGetCurCtnName(void) { static char name[260]; return name; }
extern "C" int32_t __cdecl UTGetCurCert(UT_CERT_RECORD*) { return UT_ERR_TOKEN_ABSENT; }
extern "C" int32_t __cdecl UTGenRandomNumber(uint32_t, uint8_t*) { return UT_ERR_TOKEN_ABSENT; }
