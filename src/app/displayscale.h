#pragma once
// How the window follows the system's display scale. Set before the
// application object exists.

namespace DisplayScale {
void prepare();
} // namespace DisplayScale
