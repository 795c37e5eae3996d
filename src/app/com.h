#pragma once
// COM for the main thread (Windows); nothing to do elsewhere.

namespace Com {
void initialize();
void uninitialize();
} // namespace Com
