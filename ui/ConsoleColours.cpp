#include "ui/ConsoleColours.h"

#include <cmath>

namespace {

double linear(double channel)
{
    return channel <= 0.04045 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
}

QColor blend(const QColor &from, const QColor &to, double t)
{
    auto mix = [t](int a, int b) { return int(std::lround(a + (b - a) * t)); };
    return QColor(mix(from.red(), to.red()), mix(from.green(), to.green()), mix(from.blue(), to.blue()));
}

} // namespace

double RelativeLuminance(const QColor &c)
{
    const QColor rgb = c.toRgb();
    return 0.2126 * linear(rgb.redF()) + 0.7152 * linear(rgb.greenF()) + 0.0722 * linear(rgb.blueF());
}

double ContrastRatio(const QColor &a, const QColor &b)
{
    const double la = RelativeLuminance(a), lb = RelativeLuminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor LegibleOn(const QColor &wanted, const QColor &background, double minRatio)
{
    const QColor w = wanted.toRgb();
    if (ContrastRatio(w, background) >= minRatio)
        return w;
    // Towards whichever extreme stands further from the background.
    const QColor extreme = ContrastRatio(Qt::black, background) >= ContrastRatio(Qt::white, background)
                               ? QColor(Qt::black)
                               : QColor(Qt::white);
    if (ContrastRatio(extreme, background) < minRatio)
        return extreme;
    double lo = 0, hi = 1; // hi always reaches the ratio
    for (int i = 0; i < 20; ++i) {
        const double mid = (lo + hi) / 2;
        if (ContrastRatio(blend(w, extreme, mid), background) >= minRatio)
            hi = mid;
        else
            lo = mid;
    }
    return blend(w, extreme, hi);
}
