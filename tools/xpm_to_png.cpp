// SPDX-License-Identifier: GPL-3.0-or-later
// Writes the window's XPM icon as the PNG that the hicolor icon theme wants: run at build time, so
// the repository keeps a single copy of the picture.
#include <QImage>
#include <QString>
#include <cstdio>

int main(int argc, char* argv[]) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: xpm_to_png IN.xpm OUT.png\n");
    return 2;
  }
  const QImage picture(QString::fromLocal8Bit(argv[1]), "XPM");
  if (picture.isNull()) {
    std::fprintf(stderr, "xpm_to_png: cannot read %s\n", argv[1]);
    return 1;
  }
  if (!picture.save(QString::fromLocal8Bit(argv[2]), "PNG")) {
    std::fprintf(stderr, "xpm_to_png: cannot write %s\n", argv[2]);
    return 1;
  }
  return 0;
}
