#pragma once

#include "platform/dialogs.h"

class QWidget;

namespace varnoth {

// The real modal dialogs, over a parent window.
class QtDialogs final : public MessageSink, public InputPrompt {
 public:
  explicit QtDialogs(QWidget* parent = nullptr) : parent_(parent) {}
  void setParent(QWidget* parent) { parent_ = parent; }

  void showMessage(const std::string& text) override;
  std::string askText(const std::string& prompt, const std::string& title) override;

 private:
  QWidget* parent_;
};

}  // namespace varnoth
