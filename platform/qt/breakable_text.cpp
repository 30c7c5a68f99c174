// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/breakable_text.h"

namespace varnoth {

namespace {

constexpr QChar kZeroWidthSpace(0x200B);

}  // namespace

QString WithBreakOpportunities(const QString& text, int longestRun) {
  QString shown;
  shown.reserve(text.size() + text.size() / 4);
  int run = 0;
  for (const QChar c : text) {
    // Never between the two halves of a surrogate pair.
    if (run >= longestRun && !c.isLowSurrogate() && !c.isSpace()) {
      shown += kZeroWidthSpace;
      run = 0;
    }
    shown += c;
    if (c.isSpace()) {
      run = 0;
    } else if (c == QLatin1Char('/') || c == QLatin1Char('\\')) {
      shown += kZeroWidthSpace;
      run = 0;
    } else {
      ++run;
    }
  }
  return shown;
}

QString WholeTextToolTip(const QString& text) {
  // Plain text would be taken for markup whenever it looks like some, and would not wrap.
  return QStringLiteral("<p style=\"white-space:pre-wrap\">") +
         WithBreakOpportunities(text).toHtmlEscaped() + QStringLiteral("</p>");
}

}  // namespace varnoth
