// SPDX-License-Identifier: GPL-3.0-or-later
// Run by CTest twice, each time in the environment a desktop in that language sets (see
// CMakeLists.txt); the test that does not match the environment is not run.
#include <QCoreApplication>
#include <QLabel>
#include <QPushButton>

#include "failure_text.h"
#include "translations.h"
#include "window_fixture.h"

namespace varnoth {
namespace {

// The sentence before the system's reason, which is the system's own.
std::string LeadIn(const std::string& message) {
  return message.substr(0, message.find('.') + 1);
}

class LanguageTest : public test::WindowTest {
 protected:
  // What the window says, in a few places that each come from another kind of text.
  std::vector<std::string> texts() {
    InstallTranslations({QStringLiteral(VARNOTH_TRANSLATIONS_DIR)});
    OpenWindow();
    return {
        control<QLabel>("lblConvertFrom")->text().toStdString(),
        control<QPushButton>("cmdConvert")->text().toStdString(),
        control<QWidget>("flTo")->toolTip().toStdString(),
        control<QWidget>("drvFrom")->accessibleName().toStdString(),
        LeadIn(HandlerFailureText(HandlerLeadIn::kDrive, "", std::error_code())),
        // Qt's own, on the standard buttons of the dialogs.
        QCoreApplication::translate("QPlatformTheme", "Cancel").toStdString(),
    };
  }
};

TEST_F(LanguageTest, AGermanDesktopGetsGermanTexts) {
  EXPECT_EQ(texts(), (std::vector<std::string>{"Quellverzeichnis...", "Dateien umbenennen",
                                               "Dateien, die jetzt zum neuen Namen passen.",
                                               "Quelllaufwerk", "Laufwerksfehler.", "Abbrechen"}));
}

TEST_F(LanguageTest, TheCLocaleGetsTheOriginalTexts) {
  EXPECT_EQ(texts(), (std::vector<std::string>{"Source directory...", "Rename Files",
                                               "Files currently matching the new name string.",
                                               "Source drive", "Drive failure.", "Cancel"}));
}

}  // namespace
}  // namespace varnoth
