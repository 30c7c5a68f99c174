// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFont>
#include <QFontMetricsF>
#include <QStyledItemDelegate>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace varnoth {

// Gives every row of a list of names the width of its widest name as shown, so that a list of
// uniform rows (which measures one row only) scrolls sideways far enough to show its longest
// name whole. The names are measured once per font and contents.
class WidestRowDelegate final : public QStyledItemDelegate {
 public:
  // `count` and `name` read the names as bytes, the way the list's model has them. `entries`
  // stands for the names now shown: while it gives the same pointer as at the last measuring,
  // the names are the same and are not measured again; null always measures again.
  WidestRowDelegate(std::function<std::size_t()> count,
                    std::function<const std::string&(std::size_t)> name,
                    std::function<std::shared_ptr<const void>()> entries, QObject* parent);

  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

 private:
  int widestName(const QFontMetricsF& metrics) const;
  qreal advance(QChar character, const QFontMetricsF& metrics) const;

  std::function<std::size_t()> count_;
  std::function<const std::string&(std::size_t)> name_;
  std::function<std::shared_ptr<const void>()> entries_;
  mutable int widest_ = -1;
  mutable std::shared_ptr<const void> measuredEntries_;
  mutable QFont measuredFont_;
  // The advance of each character of the first plane in measuredFont_, -1 until measured.
  mutable std::vector<float> advances_;
};

}  // namespace varnoth
