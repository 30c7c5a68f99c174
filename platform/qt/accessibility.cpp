// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/accessibility.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QComboBox>
#include <QSet>

namespace varnoth {

namespace {

QSet<QString>& FrameClasses() {
  static QSet<QString> classes;
  return classes;
}

// A drop-down list without typed text: named by its accessible name, valued by its item. Its one
// child is the list that drops down, as with Qt's own.
class NamedComboBox final : public QAccessibleWidget {
 public:
  explicit NamedComboBox(QComboBox* box) : QAccessibleWidget(box, QAccessible::ComboBox) {
    addControllingSignal(QStringLiteral("activated(int)"));
  }

  QString text(QAccessible::Text kind) const override {
    if (kind == QAccessible::Value)
      return box()->currentText();
    if (kind == QAccessible::Name && box()->accessibleName().isEmpty())
      return box()->currentText();
    return QAccessibleWidget::text(kind);
  }
  int childCount() const override { return 1; }
  QAccessibleInterface* child(int index) const override {
    return index == 0 ? QAccessible::queryAccessibleInterface(box()->view()) : nullptr;
  }
  int indexOfChild(const QAccessibleInterface* child) const override {
    return child && child->object() == box()->view() ? 0 : -1;
  }
  QStringList actionNames() const override {
    return QStringList{showMenuAction(), pressAction()} + QAccessibleWidget::actionNames();
  }
  void doAction(const QString& action) override {
    if (action == showMenuAction() || action == pressAction())
      box()->showPopup();
    else
      QAccessibleWidget::doAction(action);
  }

 private:
  QComboBox* box() const { return static_cast<QComboBox*>(widget()); }
};

QAccessibleInterface* Factory(const QString& className, QObject* object) {
  auto* widget = qobject_cast<QWidget*>(object);
  if (!widget || className != QString::fromLatin1(object->metaObject()->className()))
    return nullptr;
  if (className == QLatin1String("varnoth::DriveList") ||
      className == QLatin1String("varnoth::ExtensionSelector")) {
    return new NamedComboBox(static_cast<QComboBox*>(widget));
  }
  if (widget->isWindow() && FrameClasses().contains(className))
    return new QAccessibleWidget(widget, QAccessible::Window);
  return nullptr;
}

}  // namespace

void InstallAccessibleInterfaces() {
  static const bool installed = [] {
    QAccessible::installFactory(Factory);
    return true;
  }();
  (void)installed;
}

void AnnounceAsFrame(const char* className) {
  InstallAccessibleInterfaces();
  FrameClasses().insert(QString::fromLatin1(className));
}

}  // namespace varnoth
