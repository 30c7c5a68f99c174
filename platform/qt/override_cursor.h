// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QApplication>

namespace varnoth {

// Shows a cursor shape over the whole application while in scope.
class OverrideCursor {
 public:
  explicit OverrideCursor(Qt::CursorShape shape) { QApplication::setOverrideCursor(shape); }
  ~OverrideCursor() { QApplication::restoreOverrideCursor(); }
  OverrideCursor(const OverrideCursor&) = delete;
  OverrideCursor& operator=(const OverrideCursor&) = delete;
};

}  // namespace varnoth
