#include "platform/qt/qt_dialogs.h"

#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>

#include "platform/qt/display_text.h"

namespace varnoth {

namespace {
// A message may come in the middle of a busy operation; the user needs the arrow to answer it.
class ArrowCursorWhileAsking {
 public:
  ArrowCursorWhileAsking() { QApplication::setOverrideCursor(Qt::ArrowCursor); }
  ~ArrowCursorWhileAsking() { QApplication::restoreOverrideCursor(); }
};
}  // namespace

void QtDialogs::showMessage(const std::string& text) {
  ArrowCursorWhileAsking arrow;
  QMessageBox box(QMessageBox::NoIcon, QApplication::applicationDisplayName(), DisplayText(text),
                  QMessageBox::Ok, parent_);
  // The window's own font is bold italic; dialogs keep the desktop's.
  box.setFont(QApplication::font());
  box.exec();
}

std::string QtDialogs::askText(const std::string& prompt, const std::string& title) {
  ArrowCursorWhileAsking arrow;
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
