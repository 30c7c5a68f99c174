// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>

namespace varnoth {

// Installs the translations for the language the desktop asks for, as Qt reads it from the
// environment (LANGUAGE, LC_ALL, LC_MESSAGES, LANG): the program's own texts, looked for in
// `directories` in turn, and Qt's own (the standard buttons) from where Qt keeps them. Nothing
// under the C locale or English, whose texts are the program's own. Call once the application
// object exists.
void InstallTranslations(const QStringList& directories);

// Where the installed program finds its translations: beside it in a build tree, or under its
// prefix's data directory when installed.
QStringList InstalledTranslationDirectories();

}  // namespace varnoth
