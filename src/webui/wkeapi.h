#pragma once
// The process-wide table of web runtime functions, filled by the runtime loader
// (or by a test double). Entries of functions the library lacks stay empty;
// wkeCall() turns a call of an empty entry into a harmless default.

#include <wke.h>

#include <string>
#include <type_traits>
#include <utility>

#define TESSALY_WKE_FUNCTIONS(X)                                                                   \
    X(wkeInitializeEx)                                                                             \
    X(wkeCreateWebWindow)                                                                          \
    X(wkeShowWindow)                                                                               \
    X(wkeGetWindowHandle)                                                                          \
    X(wkeLoadURLW)                                                                                 \
    X(wkeOnLoadUrlBegin)                                                                           \
    X(wkeNetSetData)                                                                               \
    X(wkeNetSetMIMEType)                                                                           \
    X(wkeNetHookRequest)                                                                           \
    X(wkeUtilDecodeURLEscape)                                                                      \
    X(wkeJsBindFunction)                                                                           \
    X(jsArgCount)                                                                                  \
    X(jsArgType)                                                                                   \
    X(jsArg)                                                                                       \
    X(jsToTempString)                                                                              \
    X(jsToInt)                                                                                     \
    X(jsUndefined)                                                                                 \
    X(jsTrue)                                                                                      \
    X(jsFalse)                                                                                     \
    X(jsInt)                                                                                       \
    X(jsString)                                                                                    \
    X(wkeGlobalExec)                                                                               \
    X(jsGetGlobal)                                                                                 \
    X(jsBoolean)                                                                                   \
    X(jsCallGlobal)                                                                                \
    X(jsToBoolean)

struct WkeApi {
#define TESSALY_WKE_ENTRY(name) decltype(&::name) name = nullptr;
    TESSALY_WKE_FUNCTIONS(TESSALY_WKE_ENTRY)
#undef TESSALY_WKE_ENTRY
};

// The one function table of the process.
WkeApi &wkeApi();

// Full path of the runtime library file, set by start-up before loading.
std::wstring &runtimeLibraryPath();

// Calls the entry if it is filled; otherwise returns a value-initialised result.
template <typename F, typename... Args> auto wkeCall(F WkeApi::*entry, Args &&...args)
{
    using Result = decltype((wkeApi().*entry)(std::forward<Args>(args)...));
    const F fn = wkeApi().*entry;
    if constexpr (std::is_void_v<Result>) {
        if (fn)
            fn(std::forward<Args>(args)...);
    } else {
        if (!fn)
            return Result{};
        return fn(std::forward<Args>(args)...);
    }
}
