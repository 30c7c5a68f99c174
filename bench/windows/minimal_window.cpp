// SPDX-License-Identifier: GPL-3.0-or-later
// The baseline of the Windows start-up benchmark: the smallest Qt Widgets window, with the same
// DLLs and plugins as the program, titled "Minimal".
#include <QApplication>
#include <QLabel>

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QLabel window(QStringLiteral("Hello"));
  window.setWindowTitle(QStringLiteral("Minimal"));
  window.resize(400, 300);
  window.show();
  return QApplication::exec();
}
