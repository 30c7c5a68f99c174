// SPDX-License-Identifier: GPL-3.0-or-later
// Every control that takes the focus shows it: the pixels that change when it gets the focus must
// stand out from what was there and from the colours around them, in a light and a dark palette.
#include <QImage>
#include <QStyle>
#include <algorithm>
#include <iostream>

#include "qt/contrast.h"
#include "tests/window/window_fixture.h"

namespace varnoth::test {
namespace {

TEST(Contrast, MatchesTheRatiosOfKnownColourPairs) {
  const struct {
    QColor a, b;
    double ratio;
  } cases[] = {
      {Qt::black, Qt::white, 21.0},
      {Qt::white, Qt::white, 1.0},
      {QColor(0x77, 0x77, 0x77), Qt::white, 4.48},
      {QColor(0x30, 0x8c, 0xc6), Qt::black, 5.69},
  };
  for (const auto& c : cases) {
    EXPECT_NEAR(ContrastRatio(c.a, c.b), c.ratio, 0.01) << c.a.name().toStdString();
    EXPECT_NEAR(ContrastRatio(c.b, c.a), c.ratio, 0.01) << "the order does not matter";
    EXPECT_GE(ContrastRatio(MostContrasting(c.a), c.a), 4.5) << c.a.name().toStdString();
  }
}

// The colours of a widespread desktop scheme, whose light accent makes white text hard to read.
QPalette BreezePalette() {
  QPalette breeze;
  breeze.setColor(QPalette::Window, QColor(0xef, 0xf0, 0xf1));
  breeze.setColor(QPalette::WindowText, QColor(0x23, 0x26, 0x27));
  breeze.setColor(QPalette::Base, QColor(0xfc, 0xfc, 0xfc));
  breeze.setColor(QPalette::Text, QColor(0x23, 0x26, 0x27));
  breeze.setColor(QPalette::Button, QColor(0xef, 0xf0, 0xf1));
  breeze.setColor(QPalette::ButtonText, QColor(0x23, 0x26, 0x27));
  breeze.setColor(QPalette::Highlight, QColor(0x3d, 0xae, 0xe9));
  breeze.setColor(QPalette::HighlightedText, QColor(0xfc, 0xfc, 0xfc));
  return breeze;
}

QPalette DarkPalette() {
  QPalette dark;
  dark.setColor(QPalette::Window, QColor(0x35, 0x35, 0x35));
  dark.setColor(QPalette::WindowText, Qt::white);
  dark.setColor(QPalette::Base, QColor(0x2a, 0x2a, 0x2a));
  dark.setColor(QPalette::AlternateBase, QColor(0x42, 0x42, 0x42));
  dark.setColor(QPalette::Text, Qt::white);
  dark.setColor(QPalette::Button, QColor(0x35, 0x35, 0x35));
  dark.setColor(QPalette::ButtonText, Qt::white);
  dark.setColor(QPalette::Highlight, QColor(0x2a, 0x82, 0xda));
  dark.setColor(QPalette::HighlightedText, Qt::white);
  dark.setColor(QPalette::Light, QColor(0x50, 0x50, 0x50));
  dark.setColor(QPalette::Midlight, QColor(0x45, 0x45, 0x45));
  dark.setColor(QPalette::Mid, QColor(0x28, 0x28, 0x28));
  dark.setColor(QPalette::Dark, QColor(0x20, 0x20, 0x20));
  dark.setColor(QPalette::Shadow, Qt::black);
  return dark;
}

// What focusing a control changed in the margin around it, where the style draws nothing of the
// control itself (inside, a caret appears next to the text, which is no focus indicator).
struct FocusChange {
  int strongPixels = 0;  // pixels whose colour changed by at least 3:1
  // The ratios of such pixels to their neighbours that did not change so: the lowest, and the one
  // that 95% of them reach. Where the ring crosses text of a label that lies beneath, a few of
  // those neighbours are glyph pixels the ring covers in their own colour.
  double lowest = 0;
  double lowestOf95Percent = 0;
};

FocusChange Compare(const QImage& unfocused, const QImage& focused, const QRect& control) {
  const auto at = [](const QImage& image, QPoint p) { return QColor(image.pixel(p)); };
  const auto strong = [&](QPoint p) {
    return ContrastRatio(at(focused, p), at(unfocused, p)) >= 3;
  };
  FocusChange change;
  std::vector<double> ratios;
  for (int y = 0; y < focused.height(); ++y) {
    for (int x = 0; x < focused.width(); ++x) {
      const QPoint p(x, y);
      if (control.contains(p) || !strong(p))
        continue;
      ++change.strongPixels;
      for (const QPoint n :
           {QPoint(x - 1, y), QPoint(x + 1, y), QPoint(x, y - 1), QPoint(x, y + 1)}) {
        if (focused.rect().contains(n) && !strong(n))
          ratios.push_back(ContrastRatio(at(focused, p), at(focused, n)));
      }
    }
  }
  std::sort(ratios.begin(), ratios.end());
  if (!ratios.empty()) {
    change.lowest = ratios.front();
    change.lowestOf95Percent = ratios[ratios.size() / 20];
  }
  return change;
}

class FocusTest : public WindowTest, public testing::WithParamInterface<const char*> {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    previous_ = QApplication::palette();
    const std::string scheme = GetParam();
    QApplication::setPalette(scheme == "dark"     ? DarkPalette()
                             : scheme == "breeze" ? BreezePalette()
                                                  : QApplication::style()->standardPalette());
  }
  void TearDown() override {
    WindowTest::TearDown();
    QApplication::setPalette(previous_);
  }
  QImage around(QWidget* control) {
    QApplication::processEvents();
    return window_->grab(control->geometry().adjusted(-kMargin, -kMargin, kMargin, kMargin))
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
  }

  static constexpr int kMargin = 5;
  QPalette previous_;
};

TEST_P(FocusTest, EveryControlShowsItsFocusWithAtLeastThreeToOneContrast) {
  WriteFile(*dir_ / "a.jpg", "a");
  OpenWindow();
  QApplication::setActiveWindow(window_.get());
  ASSERT_TRUE(window_->isActiveWindow());
  for (const char* name : {"drvFrom", "dirFrom", "flFrom", "drvTo", "dirTo", "flTo", "txtToName",
                           "cmdConvert", "cmbExtensionSelector", "cmdMakeDir"}) {
    QWidget* control = this->control<QWidget>(name);
    window_->setFocus();
    const QImage unfocused = around(control);
    control->setFocus();
    ASSERT_TRUE(control->hasFocus()) << name;
    const QImage focused = around(control);

    const QRect inside(QPoint(kMargin, kMargin), control->size());
    const FocusChange change = Compare(unfocused, focused, inside);
    std::cout << GetParam() << " palette, " << name << ": " << change.strongPixels
              << " pixels changed by 3:1 or more; contrast against their neighbours: lowest "
              << change.lowest << ":1, 95% of them at least " << change.lowestOf95Percent << ":1\n";
    // At least a line one pixel wide all around the control.
    const QSize size = control->size();
    EXPECT_GE(change.strongPixels, 2 * (size.width() + size.height())) << name;
    EXPECT_GE(change.lowestOf95Percent, 3.0) << name;
  }
}

// In a scheme with a light accent as well.
using ReadableTextTest = FocusTest;

TEST_P(ReadableTextTest, TheWhiteNameBoxAndTheLabelsKeepTheirTextReadable) {
  OpenWindow();
  const QPalette palette = control<QWidget>("txtToName")->palette();
  EXPECT_EQ(palette.color(QPalette::Base), QColor(Qt::white));
  EXPECT_GE(ContrastRatio(palette.color(QPalette::Text), Qt::white), 4.5) << GetParam();
  for (const char* name : {"lblConvertFrom", "lblConvertTo", "lblToName"}) {
    const QPalette label = control<QWidget>(name)->palette();
    const double ratio =
        ContrastRatio(label.color(QPalette::WindowText), label.color(QPalette::Window));
    std::cout << GetParam() << " palette, " << name << ": text contrast " << ratio << ":1\n";
    EXPECT_GE(ratio, 4.5) << GetParam() << ", " << name;
  }
}

const auto kPaletteName = [](const testing::TestParamInfo<const char*>& info) {
  return std::string(info.param);
};
INSTANTIATE_TEST_SUITE_P(Palettes, FocusTest, testing::Values("light", "dark"), kPaletteName);
INSTANTIATE_TEST_SUITE_P(Palettes, ReadableTextTest, testing::Values("light", "dark", "breeze"),
                         kPaletteName);

}  // namespace
}  // namespace varnoth::test
