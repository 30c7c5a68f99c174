#include "qt/qt_dialogs.h"

#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>

#include "qt/display_text.h"
#include "qt/override_cursor.h"

namespace varnoth {

void QtDialogs::showMessage(const std::string& text) {
  // A question may come in the middle of a busy operation; the user needs the arrow to answer.
  OverrideCursor arrow(Qt::ArrowCursor);
  QMessageBox box(QMessageBox::NoIcon, QApplication::applicationDisplayName(), DisplayText(text),
                  QMessageBox::Ok, parent_);
  // The window's own font is bold italic; dialogs keep the desktop's.
  box.setFont(QApplication::font());
  box.exec();
}

std::string QtDialogs::askText(const std::string& prompt, const std::string& title) {
  OverrideCursor arrow(Qt::ArrowCursor);
  QInputDialog dialog(parent_);
  dialog.setFont(QApplication::font());
  dialog.setWindowTitle(DisplayText(title));
  dialog.setLabelText(DisplayText(prompt));
  dialog.setTextValue(QString());
  if (dialog.exec() != QDialog::Accepted)
    return {};
  return Bytes(dialog.textValue());
}

}  // namespace varnoth
