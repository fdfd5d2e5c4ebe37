#pragma once
// Console colours that stay legible on light and dark desktop palettes: the
// WCAG contrast ratio, and the nearest colour of the same hue that reaches it.
#include <QColor>

inline constexpr double kMinContrast = 4.5;

// Relative luminance (0 black .. 1 white) of an sRGB colour.
double RelativeLuminance(const QColor &c);
// (lighter + 0.05) / (darker + 0.05): 1 for equal colours, 21 for black on white.
double ContrastRatio(const QColor &a, const QColor &b);
// The colour itself when it reaches minRatio against the background; otherwise
// the least blend towards black (on a light background) or white (on a dark
// one) that does, or that extreme when even it does not.
QColor LegibleOn(const QColor &wanted, const QColor &background, double minRatio = kMinContrast);
