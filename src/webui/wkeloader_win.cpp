#include "webui/wkeapi.h"
#include "webui/wkeloader.h"

#include <windows.h>

#include <algorithm>
#include <vector>

namespace WkeLoader {

std::vector<std::string> libraryFileNames()
{
    return {"miniblink_4975_x32.dll", "libwke.dll"};
}

std::wstring nativeLibraryPath(const std::wstring &path)
{
    std::wstring native = path;
    std::replace(native.begin(), native.end(), L'/', L'\\');
    return native;
}

void showMissingBox(const char *functionName)
{
    const int len = MultiByteToWideChar(CP_UTF8, 0, functionName, -1, nullptr, 0);
    std::vector<wchar_t> caption(len > 0 ? len : 1, L'\0');
    if (len > 0)
        MultiByteToWideChar(CP_UTF8, 0, functionName, -1, caption.data(), len);
    MessageBoxW(nullptr, L"wke api not found", caption.data(), MB_OK);
}

bool load(const wkeSettings *settings)
{
    HMODULE module = LoadLibraryW(runtimeLibraryPath().c_str());
    if (!module)
        return false;

    const auto init = reinterpret_cast<decltype(&::wkeInitializeEx)>(
        reinterpret_cast<void *>(GetProcAddress(module, "wkeInitializeEx")));
    if (init)
        init(settings);

    WkeApi &api = wkeApi();
#define TESSALY_WKE_RESOLVE(name)                                                                  \
    api.name = reinterpret_cast<decltype(&::name)>(                                                \
        reinterpret_cast<void *>(GetProcAddress(module, #name)));                                  \
    if (!api.name)                                                                                 \
        reportMissing(#name);
    TESSALY_WKE_FUNCTIONS(TESSALY_WKE_RESOLVE)
#undef TESSALY_WKE_RESOLVE
    return true;
}

} // namespace WkeLoader
