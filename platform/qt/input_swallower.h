// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

namespace varnoth {

// While it lives, eats every mouse, key, wheel, touch and tablet event meant for one window, its
// controls or its native window. Installed on the application, so it sees an event before any
// widget acts on it; dialogs over the window still get their input.
class InputSwallower final : public QObject {
 public:
  explicit InputSwallower(QWidget& window);
  ~InputSwallower() override;
  InputSwallower(const InputSwallower&) = delete;
  InputSwallower& operator=(const InputSwallower&) = delete;

  bool eventFilter(QObject* receiver, QEvent* event) override;

 private:
  bool isForWindow(QObject* receiver) const;

  QPointer<QWidget> window_;
};

}  // namespace varnoth
