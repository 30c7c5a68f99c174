// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/desktop_colour.h"

#include <QPalette>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace varnoth {

QColor DesktopColour(const QPalette& palette) {
#ifdef Q_OS_WIN
  Q_UNUSED(palette);
  const COLORREF desktop = GetSysColor(COLOR_DESKTOP);
  return QColor(GetRValue(desktop), GetGValue(desktop), GetBValue(desktop));
#else
  // Qt has no role for the desktop's colour. The highlight colour stands in for it: it is the
  // user's accent, and the palette promises that highlighted text is readable on it, which the
  // side labels rely on.
  return palette.color(QPalette::Active, QPalette::Highlight);
#endif
}

}  // namespace varnoth
