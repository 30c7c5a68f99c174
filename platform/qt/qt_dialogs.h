// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPointer>
#include <QWidget>

#include "dialogs.h"

namespace varnoth {

// The real modal dialogs, over a parent window.
class QtDialogs final : public MessageSink, public InputPrompt {
 public:
  explicit QtDialogs(QWidget* parent = nullptr) : parent_(parent) {}
  void setParent(QWidget* parent) { parent_ = parent; }

  void showMessage(const std::string& text) override;
  std::string askText(const std::string& prompt, const std::string& title) override;

 private:
  // The window may go before the dialogs do.
  QPointer<QWidget> parent_;
};

}  // namespace varnoth
