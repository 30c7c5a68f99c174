// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <string>

namespace varnoth {

// File names are bytes; the screen shows them as UTF-8, with replacement characters for bytes that
// are not, while the program keeps acting on the real bytes.
inline QString DisplayText(const std::string& bytes) {
  return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

inline std::string Bytes(const QString& text) {
  return text.toUtf8().toStdString();
}

}  // namespace varnoth
