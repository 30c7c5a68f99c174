// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/folder_icons.h"

#include <QApplication>
#include <QStyle>

// The controls' resources live in a static library, whose initialiser the linker would drop
// unless it is called; Q_INIT_RESOURCE cannot stand inside a namespace.
static void InitControlResources() {
  Q_INIT_RESOURCE(controls);
#ifdef _WIN32
  Q_INIT_RESOURCE(controls_png);  // the icons rendered at build time (cmake/WindowsIcons.cmake)
#endif
}

namespace varnoth {

QIcon FolderIcon(FolderLook look) {
  InitControlResources();
  const bool open = look == FolderLook::kOpen;
  const QString name = open ? QStringLiteral("folder-open") : QStringLiteral("folder-closed");
  QIcon icon(QStringLiteral(":/controls/%1.svg").arg(name));
  // Where Qt has no SVG plugin (the Windows build), the same drawing rendered at build time at
  // the sizes the common scales need.
  if (icon.pixmap(16).isNull()) {
    icon = QIcon();
    for (const int size : {16, 24, 32, 48})
      icon.addFile(QStringLiteral(":/controls/%1-%2.png").arg(name).arg(size), QSize(size, size));
  }
  // Without either the icon is empty: the style's folders are still folders.
  if (icon.pixmap(16).isNull())
    icon = QApplication::style()->standardIcon(open ? QStyle::SP_DirOpenIcon
                                                    : QStyle::SP_DirClosedIcon);
  return icon;
}

}  // namespace varnoth
