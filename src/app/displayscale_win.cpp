#include "app/displayscale.h"

#include <QGuiApplication>

namespace DisplayScale {

void prepare()
{
    // Windows gives the scale as a per-monitor DPI and Qt leaves a program
    // unscaled unless asked: at 150 % the window would be a postage stamp. Qt
    // rounds 1.5 up to 2 by default, a window taller than a 1080-line screen;
    // the scale is taken as it is.
    QCoreApplication::setAttribute(Qt::AA_EnableHighDpiScaling);
    QGuiApplication::setHighDpiScaleFactorRoundingPolicy(
        Qt::HighDpiScaleFactorRoundingPolicy::PassThrough);
}

} // namespace DisplayScale
