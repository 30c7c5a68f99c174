// SPDX-License-Identifier: GPL-3.0-or-later
#include "translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace varnoth {

void InstallTranslations(const QStringList& directories) {
  const QLocale locale = QLocale::system();
  // gettext ignores LANGUAGE under the C locale, and so does this program.
  if (locale.language() == QLocale::C)
    return;
  // Qt's own where Qt keeps them, else where the program's are: a Windows folder carries both.
  auto* qt = new QTranslator(QCoreApplication::instance());
  for (const QString& directory :
       QStringList{QLibraryInfo::path(QLibraryInfo::TranslationsPath)} + directories) {
    if (qt->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"), directory)) {
      QCoreApplication::installTranslator(qt);
      break;
    }
  }
  auto* own = new QTranslator(QCoreApplication::instance());
  for (const QString& directory : directories) {
    if (own->load(locale, QStringLiteral("varnoth"), QStringLiteral("_"), directory)) {
      QCoreApplication::installTranslator(own);
      return;
    }
  }
}

QStringList InstalledTranslationDirectories() {
  const QString here = QCoreApplication::applicationDirPath();
  return {here + QStringLiteral("/../share/varnoth/translations"),
          here + QStringLiteral("/translations")};
}

}  // namespace varnoth
