// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/widest_row_delegate.h"

#include <QWidget>
#include <algorithm>
#include <array>
#include <cmath>

#include "qt/display_text.h"
#include "side_thread.h"

namespace varnoth {

WidestRowDelegate::WidestRowDelegate(std::function<std::size_t()> count,
                                     std::function<const std::string&(std::size_t)> name,
                                     std::function<std::shared_ptr<const void>()> entries,
                                     QObject* parent)
    : QStyledItemDelegate(parent),
      count_(std::move(count)),
      name_(std::move(name)),
      entries_(std::move(entries)) {}

QSize WidestRowDelegate::sizeHint(const QStyleOptionViewItem& option,
                                  const QModelIndex& index) const {
  QSize size = QStyledItemDelegate::sizeHint(option, index);
  if (!index.isValid())
    return size;
  if (option.font != measuredFont_) {
    measuredFont_ = option.font;
    advances_.clear();
    widest_ = -1;
  }
  // A list not shown yet is laid out again when it is; measuring all its names now would be
  // thrown away, as the font and the names it starts with seldom stay until then.
  if (option.widget && !option.widget->isVisible())
    return size;
  if (auto entries = entries_(); !entries || entries != measuredEntries_) {
    widest_ = -1;
    measuredEntries_ = std::move(entries);
  }
  if (widest_ < 0)
    widest_ = widestName(QFontMetricsF(option.font));
  // The row's own text is measured as the view would; the margins and icon around it stay.
  const int ownText = option.fontMetrics.horizontalAdvance(index.data(Qt::DisplayRole).toString());
  size.setWidth(std::max(size.width(), size.width() - ownText + widest_));
  return size;
}

// The sum of the characters' advances: seldom narrower than the text as shaped (kerning, joining
// and ligatures mostly narrow it), and one table look-up per byte of a plain name, so that
// 100,000 names take milliseconds where shaping each would take a good part of a second. Only
// names that are not plain ASCII go through the display rule first.
int WidestRowDelegate::widestName(const QFontMetricsF& metrics) const {
  // Plain bytes straight from a small table. The bytes that need the display rule weigh so much
  // less than nothing that a name holding any of them sums below zero, which tells it apart
  // without a test per byte.
  constexpr float kNotPlain = -1e30F;
  std::array<float, 256> plainAdvance;
  plainAdvance.fill(kNotPlain);
  for (char16_t c = 0x20; c < 0x7F; ++c) {
    if (c != u'\\')
      plainAdvance[c] = std::max(0.0F, static_cast<float>(advance(QChar(c), metrics)));
  }
  // The plain names of a big list are summed in two halves side by side; the others are measured
  // here, where the font may be used.
  constexpr std::size_t kWorthTwoThreads = 20'000;
  const std::size_t rows = count_();
  float widestPlain[2] = {0, 0};
  std::vector<std::size_t> notPlain[2];
  InHalves(rows, kWorthTwoThreads, [&](std::size_t from, std::size_t to) {
    const int half = from == 0 ? 0 : 1;
    for (std::size_t row = from; row < to; ++row) {
      const std::string& name = name_(row);
      // Two sums, so that each addition need not wait for the one before it.
      float even = 0;
      float odd = 0;
      std::size_t i = 0;
      for (; i + 1 < name.size(); i += 2) {
        even += plainAdvance[static_cast<unsigned char>(name[i])];
        odd += plainAdvance[static_cast<unsigned char>(name[i + 1])];
      }
      if (i < name.size())
        even += plainAdvance[static_cast<unsigned char>(name[i])];
      const float width = even + odd;
      if (width >= 0)
        widestPlain[half] = std::max(widestPlain[half], width);
      else
        notPlain[half].push_back(row);
    }
  });
  qreal widest = std::max(widestPlain[0], widestPlain[1]);
  for (const auto& rowsOfHalf : notPlain) {
    for (const std::size_t row : rowsOfHalf) {
      const QString text = DisplayNameText(name_(row));
      float width = 0;
      for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i].isHighSurrogate() && i + 1 < text.size()) {
          width += static_cast<float>(metrics.horizontalAdvance(text.mid(i, 2)));
          ++i;
        } else {
          width += static_cast<float>(advance(text[i], metrics));
        }
      }
      widest = std::max(widest, static_cast<qreal>(width));
    }
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
