#include "app/com.h"

#include <objbase.h>

namespace Com {
void initialize()
{
    CoInitialize(nullptr);
}
void uninitialize()
{
    CoUninitialize();
}
} // namespace Com
