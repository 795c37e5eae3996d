// A stand-in web runtime library for the loader test: it exports the published
// functions except wkeNetHookRequest and jsToBoolean, and counts how often it
// was initialised.

#define WKE_BUILDING_RUNTIME
#include <wke.h>

namespace {
int g_initializeCount = 0;
} // namespace

extern "C" {

__declspec(dllexport) int WKE_CALL wkestubInitializeCount(void)
{
    return g_initializeCount;
}

WKE_API void WKE_CALL wkeInitializeEx(const wkeSettings *)
{
    ++g_initializeCount;
}

WKE_API wkeWebView WKE_CALL wkeCreateWebWindow(wkeWindowType, wkeNativeWindow, int, int, int, int)
{
    return nullptr;
}
WKE_API void WKE_CALL wkeShowWindow(wkeWebView, bool) {}
WKE_API wkeNativeWindow WKE_CALL wkeGetWindowHandle(wkeWebView)
{
    return 0;
}
WKE_API void WKE_CALL wkeLoadURLW(wkeWebView, const wchar_t *) {}
WKE_API void WKE_CALL wkeOnLoadUrlBegin(wkeWebView, wkeLoadUrlBeginCallback, void *) {}
WKE_API void WKE_CALL wkeNetSetData(wkeNetJob, const void *, int) {}
WKE_API void WKE_CALL wkeNetSetMIMEType(wkeNetJob, const char *) {}
WKE_API const char *WKE_CALL wkeUtilDecodeURLEscape(const char *url)
{
    return url;
}
WKE_API void WKE_CALL wkeJsBindFunction(const char *, wkeJsNativeFunction, void *, unsigned int) {}
WKE_API int WKE_CALL jsArgCount(jsExecState)
{
    return 0;
}
WKE_API jsType WKE_CALL jsArgType(jsExecState, int)
{
    return JSTYPE_UNDEFINED;
}
WKE_API jsValue WKE_CALL jsArg(jsExecState, int)
{
    return 0;
}
WKE_API const char *WKE_CALL jsToTempString(jsExecState, jsValue)
{
    return "";
}
WKE_API int WKE_CALL jsToInt(jsExecState, jsValue v)
{
    return static_cast<int>(v);
}
WKE_API jsValue WKE_CALL jsUndefined(void)
{
    return 0;
}
WKE_API jsValue WKE_CALL jsTrue(void)
{
    return 1;
}
WKE_API jsValue WKE_CALL jsFalse(void)
{
    return 2;
}
// Offset so that a test can tell the library's answer from a default value.
WKE_API jsValue WKE_CALL jsInt(int n)
{
    return 1000 + n;
}
WKE_API jsValue WKE_CALL jsBoolean(bool b)
{
    return b ? 1 : 2;
}
WKE_API jsValue WKE_CALL jsString(jsExecState, const char *)
{
    return 3;
}
WKE_API jsExecState WKE_CALL wkeGlobalExec(wkeWebView)
{
    return nullptr;
}
WKE_API jsValue WKE_CALL jsGetGlobal(jsExecState, const char *)
{
    return 0;
}
WKE_API jsValue WKE_CALL jsCallGlobal(jsExecState, jsValue, jsValue *, int)
{
    return 0;
}

} // extern "C"
