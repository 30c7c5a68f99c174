// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/qt_dialogs.h"

#include <QApplication>
#include <QClipboard>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMessageBox>

#include "qt/breakable_text.h"
#include "qt/display_text.h"
#include "qt/override_cursor.h"

namespace varnoth {

namespace {

// Ctrl+C in a message box copies the message as it is, without the breaks added for showing it.
class CopiesRealText final : public QObject {
 public:
  explicit CopiesRealText(QString text) : text_(std::move(text)) {}
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride)
      return false;
    if (!static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy))
      return false;
    if (event->type() == QEvent::KeyPress)
      QGuiApplication::clipboard()->setText(text_);
    event->accept();
    return true;
  }

 private:
  QString text_;
};

// Wide enough for the title bar to show the whole title beside its buttons. The window manager's
// title font is not known; the desktop's font in bold is a fair stand-in.
int WidthForTitle(const QString& title) {
  QFont titleFont = QApplication::font();
  titleFont.setBold(true);
  const QFontMetrics metrics(titleFont);
  // An icon and three buttons, each about as wide as the bar is high, and the margins.
  const int titleBarHeight = metrics.height() + 12;
  return metrics.horizontalAdvance(title) + 4 * titleBarHeight + 48;
}

}  // namespace

void QtDialogs::showMessage(const std::string& text) {
  // A question may come in the middle of a busy operation; the user needs the arrow to answer.
  OverrideCursor arrow(Qt::ArrowCursor);
  // File names are shown as they are: "<b>x</b>.jpg" is a name, not markup.
  const QString message = DisplayText(text);
  QMessageBox box(QMessageBox::NoIcon, QApplication::applicationDisplayName(), QString(),
                  QMessageBox::Ok, parent_);
  box.setTextFormat(Qt::PlainText);
  box.setText(WithBreakOpportunities(message));
  if (auto* label = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_label")))
    label->setAccessibleName(message);
  CopiesRealText copy(message);
  box.installEventFilter(&copy);
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
  // The dialog's layout sets its minimum size from its contents, so the width goes on the field.
  if (auto* field = dialog.findChild<QLineEdit*>()) {
    const QMargins margins = dialog.layout() ? dialog.layout()->contentsMargins() : QMargins();
    field->setMinimumWidth(WidthForTitle(dialog.windowTitle()) - margins.left() - margins.right());
  }
  if (dialog.exec() != QDialog::Accepted)
    return {};
  return Bytes(dialog.textValue());
}

}  // namespace varnoth
