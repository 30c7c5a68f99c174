// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace varnoth {

// The text with invisible break opportunities (zero-width spaces) after every "/" or "\" and within
// every run of more than `longestRun` characters without one, so that a long path wraps inside a
// message box instead of widening it past the screen. For showing only: the real text is what is
// copied and read aloud.
QString WithBreakOpportunities(const QString& text, int longestRun = 20);

// A tooltip that shows `text` whole and as it is: never read as markup, spaces kept, and wrapped
// at the same break opportunities when it is wider than the screen allows.
QString WholeTextToolTip(const QString& text);

}  // namespace varnoth
