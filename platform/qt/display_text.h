// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <string>

#include "display_name.h"

namespace varnoth {

// File names are bytes; the screen shows them as UTF-8, with replacement characters for bytes that
// are not, while the program keeps acting on the real bytes.
inline QString DisplayText(const std::string& bytes) {
  return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

// A name as the lists and messages show it: see DisplayName.
inline QString DisplayNameText(const std::string& bytes) {
  return DisplayText(DisplayName(bytes));
}

inline std::string Bytes(const QString& text) {
  return text.toUtf8().toStdString();
}

}  // namespace varnoth
