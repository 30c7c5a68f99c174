// SPDX-License-Identifier: GPL-3.0-or-later
#include <QApplication>
#include <QScreen>
#include <QStyle>

#include "current_directory.h"
#include "directory_snapshot.h"
#include "drives.h"
#include "frm_main.h"
#include "posix_file_services.h"
#include "qt/qt_dialogs.h"

int main(int argc, char* argv[]) {
  // The window opens on the current directory; its read, the longest part of a start in a big
  // folder, goes on while Qt starts.
  varnoth::ReadDirectoryAhead(varnoth::CurrentDirectory());
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Varnoth"));
  QApplication::setDesktopFileName(QStringLiteral("org.varnoth.Varnoth"));

  varnoth::QtDialogs dialogs;
  varnoth::FrmMain window(dialogs, dialogs, varnoth::SystemFileServices(),
                          varnoth::ReadMountedDrives());
  dialogs.setParent(&window);
  window.load();
  window.followMounts("/proc/self/mountinfo");
  QApplication::setWindowIcon(window.windowIcon());

  window.setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, window.size(),
                                         window.screen()->availableGeometry()));
  window.show();
  return QApplication::exec();
}
