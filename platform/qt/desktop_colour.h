// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>

class QPalette;

namespace varnoth {

// The colour of the desktop, which the window and its side labels use as background.
QColor DesktopColour(const QPalette& palette);

}  // namespace varnoth
