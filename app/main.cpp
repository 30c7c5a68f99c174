// SPDX-License-Identifier: GPL-3.0-or-later
#include <QApplication>
#include <QScreen>
#include <QStyle>
#include <cstdio>
#include <cstring>

#include "current_directory.h"
#include "directory_snapshot.h"
#include "drives.h"
#include "frm_main.h"
#ifdef _WIN32
#include "win32/win32_file_services.h"
#else
#include "posix_file_services.h"
#endif
#include "qt/qt_dialogs.h"
#include "translations.h"

namespace {

enum class Request { kWindow, kHelp, kVersion };

// Read before Qt starts: printing help must not need a display.
Request RequestOf(int argc, char* argv[]) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0)
      return Request::kHelp;
    if (std::strcmp(argv[i], "--version") == 0)
      return Request::kVersion;
  }
  return Request::kWindow;
}

int Print(Request request, int argc, char* argv[]) {
  const QCoreApplication app(argc, argv);
  varnoth::InstallTranslations(varnoth::InstalledTranslationDirectories());
  QString text;
  if (request == Request::kVersion) {
    text = QStringLiteral("varnoth " VARNOTH_VERSION "\n");
  } else {
    text = QCoreApplication::translate(
        "CommandLine",
        "Usage: varnoth [--help | --version]\n"
        "Moves picture files into a folder under numbered names; the choices are made in its "
        "window.\n"
        "\n"
        "  -h, --help     show this text and exit\n"
        "      --version  show the version and exit\n"
        "\n"
        "Qt's own options, such as -platform, are taken as well.\n");
  }
  std::fputs(text.toLocal8Bit().constData(), stdout);
  return std::fflush(stdout) == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char* argv[]) {
  if (const Request request = RequestOf(argc, argv); request != Request::kWindow)
    return Print(request, argc, argv);

  // The window opens on the current directory; its read, the longest part of a start in a big
  // folder, goes on while Qt starts.
  varnoth::ReadDirectoryAhead(varnoth::CurrentDirectory());
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Varnoth"));
  QApplication::setDesktopFileName(QStringLiteral("org.varnoth.Varnoth"));
  varnoth::InstallTranslations(varnoth::InstalledTranslationDirectories());
  // Qt has taken its own options out by now; the program has none but the two above.
  if (const QStringList rest = QCoreApplication::arguments().mid(1); !rest.isEmpty()) {
    const QString text =
        QCoreApplication::translate("CommandLine",
                                    "varnoth: unknown argument '%1'; see 'varnoth --help'.\n")
            .arg(rest.front());
    std::fputs(text.toLocal8Bit().constData(), stderr);
    return 2;
  }

  varnoth::QtDialogs dialogs;
  varnoth::FrmMain window(dialogs, dialogs, varnoth::SystemFileServices(),
                          varnoth::ReadMountedDrives());
  dialogs.setParent(&window);
  window.load();
  window.followMounts("/proc/self/mountinfo");
  QApplication::setWindowIcon(window.windowIcon());

  // Where windows can be placed, the window starts in the middle of the screen; Wayland
  // compositors place windows themselves and ignore a position asked for.
  if (!QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) {
    window.setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, window.size(),
                                           window.screen()->availableGeometry()));
  }
  window.show();
  return QApplication::exec();
}
