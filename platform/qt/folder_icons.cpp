// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/folder_icons.h"

#include <QApplication>
#include <QStyle>

// The controls' resources live in a static library, whose initialiser the linker would drop
// unless it is called; Q_INIT_RESOURCE cannot stand inside a namespace.
static void InitControlResources() {
  Q_INIT_RESOURCE(controls);
}

namespace varnoth {

QIcon FolderIcon(FolderLook look) {
  InitControlResources();
  const bool open = look == FolderLook::kOpen;
  QIcon icon(open ? QStringLiteral(":/controls/folder-open.svg")
                  : QStringLiteral(":/controls/folder-closed.svg"));
  // Without Qt's SVG plugins installed the icon is empty: the style's folders are still folders.
  if (icon.pixmap(16).isNull())
    icon = QApplication::style()->standardIcon(open ? QStyle::SP_DirOpenIcon
                                                    : QStyle::SP_DirClosedIcon);
  return icon;
}

}  // namespace varnoth
