#include "app/com.h"

namespace Com {
void initialize() {}
void uninitialize() {}
} // namespace Com
