// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/name_box.h"

#include "qt/display_text.h"

namespace varnoth {

NameBox::NameBox(QWidget* parent) : QLineEdit(parent) {
  connect(this, &QLineEdit::textEdited, this, &NameBox::textSet);
}

std::string NameBox::textBytes() const {
  const QString shown = QLineEdit::text();
  return shown == setDisplay_ ? setBytes_ : Bytes(shown);
}

void NameBox::setTextBytes(const std::string& bytes) {
  setBytes_ = bytes;
  setDisplay_ = DisplayText(bytes);
  QLineEdit::setText(setDisplay_);
  emit textSet();
}

}  // namespace varnoth
