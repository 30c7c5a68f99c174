// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFont>
#include <QFontMetricsF>
#include <QStyledItemDelegate>
#include <vector>

namespace varnoth {

// Gives every row of a list the width of its widest text, so that a list of uniform rows (which
// measures one row only) scrolls sideways far enough to show its longest name whole. The width is
// measured once per font and contents: call forget() when the rows change.
class WidestRowDelegate final : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  void forget() { widest_ = -1; }

 private:
  int widestText(const QAbstractItemModel& model, const QFontMetricsF& metrics) const;
  qreal advance(QChar character, const QFontMetricsF& metrics) const;

  mutable int widest_ = -1;
  mutable QFont measuredFont_;
  // The advance of each character of the first plane in measuredFont_, -1 until measured.
  mutable std::vector<float> advances_;
};

}  // namespace varnoth
