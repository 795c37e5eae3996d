#include "app/displayscale.h"

namespace DisplayScale {

void prepare()
{
    // The desktop says the scale through Qt's own variables (QT_SCALE_FACTOR,
    // QT_AUTO_SCREEN_SCALE_FACTOR), which Qt reads by itself.
}

} // namespace DisplayScale
