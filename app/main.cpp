#include <QApplication>
#include <QScreen>
#include <QStyle>

#include "platform/drives.h"
#include "platform/file_services.h"
#include "platform/qt/qt_dialogs.h"
#include "window/frm_main.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Varnoth"));
  QApplication::setDesktopFileName(QStringLiteral("org.varnoth.Varnoth"));

  varnoth::QtDialogs dialogs;
  varnoth::FrmMain window(dialogs, dialogs, varnoth::systemFileServices(),
                          varnoth::ReadMountedDrives());
  dialogs.setParent(&window);
  QApplication::setWindowIcon(window.windowIcon());

  window.setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, window.size(),
                                         window.screen()->availableGeometry()));
  window.show();
  return QApplication::exec();
}
