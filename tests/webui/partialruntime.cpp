// A runtime library that lacks most functions, for the loader's missing-function path.
#define WKE_BUILDING_RUNTIME
#include <wke.h>

static int g_initialized = 0;

extern "C" {
WKE_API void WKE_CALL wkeInitializeEx(const wkeSettings *)
{
    ++g_initialized;
}
WKE_API jsValue WKE_CALL jsInt(int n)
{
    return n + g_initialized * 1000;
}
}
