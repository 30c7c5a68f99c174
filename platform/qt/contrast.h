// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>

namespace varnoth {

// Relative luminance of a colour as WCAG defines it: 0 for black, 1 for white.
double RelativeLuminance(const QColor& colour);

// WCAG contrast ratio of two colours, from 1 (the same) to 21 (black and white).
double ContrastRatio(const QColor& a, const QColor& b);

// Black or white, whichever stands out more against `background`; never below 4.5:1.
QColor MostContrasting(const QColor& background);

// `preferred` where it stands out at least 4.5:1 against `background`; MostContrasting otherwise.
// The desktop's own text colours are kept wherever a scheme makes them readable.
QColor ReadableOn(const QColor& preferred, const QColor& background);

}  // namespace varnoth
