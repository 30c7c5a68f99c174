// SPDX-License-Identifier: GPL-3.0-or-later
// Saves a PNG of one X11 window, given its id: the screenshot tool of scripts/screenshot.sh.
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <cstdio>

int main(int argc, char* argv[]) {
  QGuiApplication app(argc, argv);
  if (argc != 3) {
    std::fprintf(stderr, "usage: grab_window WINDOW-ID OUT.png\n");
    return 2;
  }
  bool ok = false;
  const WId window = QString::fromLocal8Bit(argv[1]).toULongLong(&ok, 0);
  if (!ok) {
    std::fprintf(stderr, "grab_window: not a window id: %s\n", argv[1]);
    return 2;
  }
  const QPixmap picture = QGuiApplication::primaryScreen()->grabWindow(window);
  if (picture.isNull() || !picture.save(QString::fromLocal8Bit(argv[2]), "PNG")) {
    std::fprintf(stderr, "grab_window: cannot save %s\n", argv[2]);
    return 1;
  }
  return 0;
}
