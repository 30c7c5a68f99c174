// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPointer>
#include <QWidget>

namespace varnoth {

// A focus indicator drawn around whichever control of a window has the focus, just outside the
// control. The style draws its own focus frame in the highlight colour, which this window also
// uses as its background, so that frame cannot be seen; this ring's outer band is black or white
// against the window's background and its inner band black or white against the control's.
class FocusRing final : public QWidget {
 public:
  explicit FocusRing(QWidget& window);

  static constexpr int kOuterWidth = 2;
  static constexpr int kInnerWidth = 1;

 protected:
  void paintEvent(QPaintEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void follow(QWidget* focused);
  void place();
  // The window's direct child that holds `widget`, or null when it is not in the window.
  QWidget* controlHolding(QWidget* widget) const;

  QPointer<QWidget> control_;
};

}  // namespace varnoth
