// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/input_swallower.h"

#include <QApplication>
#include <QEvent>
#include <QWindow>

namespace varnoth {

namespace {

bool IsUserInput(QEvent::Type type) {
  switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::NonClientAreaMouseButtonPress:
    case QEvent::NonClientAreaMouseButtonRelease:
    case QEvent::NonClientAreaMouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TouchCancel:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
    case QEvent::TabletMove:
    case QEvent::InputMethod:
      return true;
    default:
      return false;
  }
}

}  // namespace

InputSwallower::InputSwallower(QWidget& window) : window_(&window) {
  QApplication::instance()->installEventFilter(this);
}

InputSwallower::~InputSwallower() {
  QApplication::instance()->removeEventFilter(this);
}

bool InputSwallower::isForWindow(QObject* receiver) const {
  if (!window_ || !receiver)
    return false;
  if (receiver->isWidgetType())
    return static_cast<QWidget*>(receiver)->window() == window_;
  // Input from the system reaches the native window first, which would give focus to the control
  // under the pointer before passing the event on.
  return receiver->isWindowType() && receiver == window_->windowHandle();
}

bool InputSwallower::eventFilter(QObject* receiver, QEvent* event) {
  return IsUserInput(event->type()) && isForWindow(receiver);
}

}  // namespace varnoth
