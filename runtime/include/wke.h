#pragma once
// The C interface of the web runtime library. The runtime library implements
// these functions; the program never links them but resolves each one by name
// at run time into its function table.

#include <stdbool.h>
#include <stddef.h>
#include <stdint.h>
#include <wchar.h>

#ifdef _WIN32
#define WKE_CALL __cdecl
#else
#define WKE_CALL
#endif

#if defined(WKE_BUILDING_RUNTIME)
#if defined(_WIN32)
#define WKE_API __declspec(dllexport)
#else
#define WKE_API __attribute__((visibility("default")))
#endif
#else
#define WKE_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

typedef struct wkeWebViewImpl *wkeWebView;
typedef struct wkeNetJobImpl *wkeNetJob;
typedef struct jsExecStateImpl *jsExecState;
/* A script value handle. One received or made inside a bound function call
 * is valid until that call returns; one made outside any call, until control
 * is back in the event loop. A stale handle reads as undefined. */
typedef int64_t jsValue;
/* A native window: an X11 window id on Linux, an HWND on Windows. */
typedef uintptr_t wkeNativeWindow;

typedef enum {
    WKE_WINDOW_TYPE_POPUP = 0,
    WKE_WINDOW_TYPE_TRANSPARENT = 1,
    WKE_WINDOW_TYPE_CONTROL = 2
} wkeWindowType;

typedef enum {
    JSTYPE_NUMBER = 0,
    JSTYPE_STRING = 1,
    JSTYPE_BOOLEAN = 2,
    JSTYPE_OBJECT = 3,
    JSTYPE_FUNCTION = 4,
    JSTYPE_UNDEFINED = 5,
    JSTYPE_ARRAY = 6,
    JSTYPE_NULL = 7
} jsType;

typedef struct wkeSettings {
    unsigned mask; /* reserved, 0 */
} wkeSettings;

typedef jsValue(WKE_CALL *wkeJsNativeFunction)(jsExecState es, void *param);
/* Called before every request of the view. Returns true when the callback
 * answered the request itself (nothing goes to the network). */
typedef bool(WKE_CALL *wkeLoadUrlBeginCallback)(wkeWebView webView, void *param, const char *url,
                                                wkeNetJob job);

WKE_API void WKE_CALL wkeInitializeEx(const wkeSettings *settings);

WKE_API wkeWebView WKE_CALL wkeCreateWebWindow(wkeWindowType type, wkeNativeWindow parent, int x,
                                               int y, int width, int height);
WKE_API void WKE_CALL wkeShowWindow(wkeWebView webView, bool show);
WKE_API wkeNativeWindow WKE_CALL wkeGetWindowHandle(wkeWebView webView);
WKE_API void WKE_CALL wkeLoadURLW(wkeWebView webView, const wchar_t *url);

WKE_API void WKE_CALL wkeOnLoadUrlBegin(wkeWebView webView, wkeLoadUrlBeginCallback callback,
                                        void *param);
WKE_API void WKE_CALL wkeNetSetData(wkeNetJob job, const void *buf, int len);
WKE_API void WKE_CALL wkeNetSetMIMEType(wkeNetJob job, const char *type);
WKE_API void WKE_CALL wkeNetHookRequest(wkeNetJob job);
/* Percent-decodes url; the result is valid until the next call. Null when url is null. */
WKE_API const char *WKE_CALL wkeUtilDecodeURLEscape(const char *url);

WKE_API void WKE_CALL wkeJsBindFunction(const char *name, wkeJsNativeFunction fn, void *param,
                                        unsigned int argCount);
WKE_API int WKE_CALL jsArgCount(jsExecState es);
/* An absent argument (index out of range) is undefined. */
WKE_API jsType WKE_CALL jsArgType(jsExecState es, int argIdx);
WKE_API jsValue WKE_CALL jsArg(jsExecState es, int argIdx);
/* UTF-8 text of v as script's String(v) gives it ("undefined", "true", "42",
 * "1.5"); valid until the next conversion. */
WKE_API const char *WKE_CALL jsToTempString(jsExecState es, jsValue v);
/* Script's ToInt32: fractions cut toward zero, numeric strings read, 0 for NaN. */
WKE_API int WKE_CALL jsToInt(jsExecState es, jsValue v);
/* Script truthiness. */
WKE_API bool WKE_CALL jsToBoolean(jsExecState es, jsValue v);

WKE_API jsValue WKE_CALL jsUndefined(void);
WKE_API jsValue WKE_CALL jsTrue(void);
WKE_API jsValue WKE_CALL jsFalse(void);
WKE_API jsValue WKE_CALL jsInt(int n);
WKE_API jsValue WKE_CALL jsBoolean(bool b);
WKE_API jsValue WKE_CALL jsString(jsExecState es, const char *utf8);

WKE_API jsExecState WKE_CALL wkeGlobalExec(wkeWebView webView);
WKE_API jsValue WKE_CALL jsGetGlobal(jsExecState es, const char *name);
/* Calls the page function synchronously and gives its answer; undefined when
 * func is not a function or the function throws. */
WKE_API jsValue WKE_CALL jsCallGlobal(jsExecState es, jsValue func, jsValue *args, int argCount);

#ifdef __cplusplus
}
#endif
