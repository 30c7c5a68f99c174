// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/extension_selector.h"

#include "qt/accessibility.h"
#include "qt/display_text.h"

namespace varnoth {

ExtensionSelector::ExtensionSelector(const QStringList& items, QWidget* parent)
    : QComboBox(parent) {
  InstallAccessibleInterfaces();
  setEditable(false);
  addItems(items);
  setCurrentIndex(-1);
  connect(this, &QComboBox::activated, this, &ExtensionSelector::itemChosen);
}

std::string ExtensionSelector::text() const {
  return Bytes(currentText());
}

bool ExtensionSelector::setText(const std::string& item) {
  const int index = findText(DisplayText(item), Qt::MatchExactly);
  if (index < 0)
    return false;
  setCurrentIndex(index);
  emit itemChosen();
  return true;
}

}  // namespace varnoth
