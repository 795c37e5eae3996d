#include "webui/wkeapi.h"

WkeApi &wkeApi()
{
    static WkeApi api;
    return api;
}

std::wstring &runtimeLibraryPath()
{
    static std::wstring path = L"node.dll";
    return path;
}
