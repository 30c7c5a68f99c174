// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/widest_row_delegate.h"

#include <QAbstractItemModel>
#include <QFontMetrics>
#include <algorithm>
#include <cmath>

namespace varnoth {

QSize WidestRowDelegate::sizeHint(const QStyleOptionViewItem& option,
                                  const QModelIndex& index) const {
  QSize size = QStyledItemDelegate::sizeHint(option, index);
  if (!index.isValid())
    return size;
  const QFontMetrics& metrics = option.fontMetrics;
  if (option.font != measuredFont_) {
    measuredFont_ = option.font;
    advances_.clear();
    widest_ = -1;
  }
  if (widest_ < 0)
    widest_ = widestText(*index.model(), QFontMetricsF(option.font));
  // The row's own text is measured as the view would; the margins and icon around it stay.
  const int ownText = metrics.horizontalAdvance(index.data(Qt::DisplayRole).toString());
  size.setWidth(std::max(size.width(), size.width() - ownText + widest_));
  return size;
}

// The sum of the characters' advances: seldom narrower than the text as shaped (kerning, joining
// and ligatures mostly narrow it), and one table look-up per character, so 100,000 names take
// milliseconds where shaping each would take a good part of a second.
int WidestRowDelegate::widestText(const QAbstractItemModel& model,
                                  const QFontMetricsF& metrics) const {
  qreal widest = 0;
  const int rows = model.rowCount();
  for (int row = 0; row < rows; ++row) {
    const QString text = model.data(model.index(row, 0), Qt::DisplayRole).toString();
    qreal width = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
      const QChar c = text[i];
      if (c.isHighSurrogate() && i + 1 < text.size()) {
        width += metrics.horizontalAdvance(text.mid(i, 2));
        ++i;
      } else {
        width += advance(c, metrics);
      }
    }
    widest = std::max(widest, width);
  }
  return static_cast<int>(std::ceil(widest));
}

qreal WidestRowDelegate::advance(QChar character, const QFontMetricsF& metrics) const {
  if (advances_.empty())
    advances_.assign(0x10000, -1);
  float& known = advances_[character.unicode()];
  if (known < 0)
    known = static_cast<float>(metrics.horizontalAdvance(character));
  return known;
}

}  // namespace varnoth
