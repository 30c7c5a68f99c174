// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

int main(int argc, char** argv) {
  // Widget tests run without a display unless told otherwise.
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Varnoth"));
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
