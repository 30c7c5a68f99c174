// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace varnoth {

// The text with invisible break opportunities (zero-width spaces) after every "/" and within every
// run of more than `longestRun` characters without one, so that a long path wraps inside a
// message box instead of widening it past the screen. For showing only: the real text is what is
// copied and read aloud.
QString WithBreakOpportunities(const QString& text, int longestRun = 20);

}  // namespace varnoth
