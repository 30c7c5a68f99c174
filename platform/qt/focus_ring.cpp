// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/focus_ring.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QPainter>

#include "qt/contrast.h"

namespace varnoth {

namespace {

// The colour a control is filled with next to its frame: buttons and combo boxes are drawn in the
// button colour, lists and text boxes on the base colour. (Their background role says neither:
// most inherit the window's, which is the desktop colour.)
QColor FillOf(const QWidget& control) {
  const bool buttonLike =
      qobject_cast<const QAbstractButton*>(&control) || qobject_cast<const QComboBox*>(&control);
  return control.palette().color(buttonLike ? QPalette::Button : QPalette::Base);
}

// Outside the control the ring runs across the window's own text where a label reaches down to
// the control: of black and white it takes the one unlike that text, wherever that one still
// stands out 3:1 against the background.
QColor OuterColour(const QColor& background, const QColor& text) {
  const QColor unlikeText = RelativeLuminance(text) > 0.5 ? QColor(Qt::black) : QColor(Qt::white);
  return ContrastRatio(unlikeText, background) >= 3.0 ? unlikeText : MostContrasting(background);
}

}  // namespace

FocusRing::FocusRing(QWidget& window) : QWidget(&window) {
  setObjectName(QStringLiteral("focusRing"));
  setAttribute(Qt::WA_TransparentForMouseEvents);
  setAttribute(Qt::WA_NoSystemBackground);
  setFocusPolicy(Qt::NoFocus);
  hide();
  connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) { follow(now); });
}

QWidget* FocusRing::controlHolding(QWidget* widget) const {
  QWidget* window = parentWidget();
  // A dialog over the window is its child too, but not one of its controls.
  if (!widget || widget->window() != window)
    return nullptr;
  while (widget && widget->parentWidget() != window)
    widget = widget->parentWidget();
  return widget == this ? nullptr : widget;
}

void FocusRing::follow(QWidget* focused) {
  QWidget* control = controlHolding(focused);
  if (control == control_)
    return;
  if (control_)
    control_->removeEventFilter(this);
  control_ = control;
  if (!control_) {
    hide();
    return;
  }
  control_->installEventFilter(this);
  place();
}

void FocusRing::place() {
  if (!control_ || !control_->isVisible()) {
    hide();
    return;
  }
  constexpr int kWidth = kOuterWidth + kInnerWidth;
  setGeometry(control_->geometry().adjusted(-kWidth, -kWidth, kWidth, kWidth));
  raise();
  show();
  update();
}

bool FocusRing::eventFilter(QObject* watched, QEvent* event) {
  if (watched == control_) {
    switch (event->type()) {
      case QEvent::Move:
      case QEvent::Resize:
      case QEvent::Show:
      case QEvent::Hide:
      case QEvent::PaletteChange:
        place();
        break;
      default:
        break;
    }
  }
  return QWidget::eventFilter(watched, event);
}

void FocusRing::paintEvent(QPaintEvent*) {
  if (!control_)
    return;
  const QColor outside = parentWidget()->palette().color(parentWidget()->backgroundRole());
  const QColor inside = FillOf(*control_);
  QPainter painter(this);
  const QRect all = rect();
  const QRect inner = all.adjusted(kOuterWidth, kOuterWidth, -kOuterWidth, -kOuterWidth);
  const QRect hole = inner.adjusted(kInnerWidth, kInnerWidth, -kInnerWidth, -kInnerWidth);
  // Two bands, each a frame: the region between a rectangle and the one inside it.
  const auto fillFrame = [&painter](const QRect& frame, const QRect& within, const QColor& colour) {
    QRegion band(frame);
    band -= QRegion(within);
    painter.setClipRegion(band);
    painter.fillRect(frame, colour);
  };
  fillFrame(all, inner,
            OuterColour(outside, parentWidget()->palette().color(QPalette::WindowText)));
  fillFrame(inner, hole, MostContrasting(inside));
}

}  // namespace varnoth
