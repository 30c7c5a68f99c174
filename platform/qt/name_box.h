// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLineEdit>
#include <string>

#include "ports/file_list.h"

namespace varnoth {

// A one-line text box that notifies textSet synchronously on every change of its text: on each
// keystroke, and on every set by the logic, also when the text is unchanged.
class NameBox final : public QLineEdit, public TextSource {
  Q_OBJECT
 public:
  explicit NameBox(QWidget* parent = nullptr);

  // The bytes last set, while the user has not edited them (they may not be valid UTF-8, which
  // the box cannot show exactly); the typed text as UTF-8 otherwise.
  std::string textBytes() const override;
  void setTextBytes(const std::string& bytes);

 signals:
  void textSet();

 private:
  std::string setBytes_;
  QString setDisplay_;
};

}  // namespace varnoth
