// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QComboBox>
#include <QStringList>
#include <string>

namespace varnoth {

// A drop-down list of fixed items that cannot take typed text. Notifies itemChosen synchronously
// whenever an item is chosen, by the user or by setText.
class ExtensionSelector final : public QComboBox {
  Q_OBJECT
 public:
  ExtensionSelector(const QStringList& items, QWidget* parent = nullptr);

  std::string text() const;
  // Selects the item with this text; returns false (and changes nothing) for any other text.
  bool setText(const std::string& item);

 signals:
  void itemChosen();
};

}  // namespace varnoth
