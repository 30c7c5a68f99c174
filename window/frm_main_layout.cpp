// SPDX-License-Identifier: GPL-3.0-or-later
// The window's definition: its controls with their rectangles, fonts, colours and tooltips.
#include <unistd.h>

#include <QLabel>
#include <QPushButton>

#include "current_directory.h"
#include "frm_main.h"
#include "qt/accessibility.h"
#include "qt/contrast.h"
#include "qt/desktop_colour.h"
#include "qt/directory_list.h"
#include "qt/drive_list.h"
#include "qt/extension_selector.h"
#include "qt/file_list_view.h"
#include "qt/focus_ring.h"
#include "qt/name_box.h"
#include "twips.h"

// The window's resources live in a static library, whose initialiser the linker would drop unless
// it is called; Q_INIT_RESOURCE cannot stand inside a namespace.
static void InitWindowResources() {
  Q_INIT_RESOURCE(window);
}

namespace varnoth {

namespace {

QFont ControlFont(const char* face, double points, bool bold = false) {
  QFont font;
  // Where the face is not installed, fall back to a sans-serif face of the same size. The style
  // hint alone is not enough: with only the Liberation faces installed, fontconfig answers an
  // unknown face with the monospaced one. (Arial itself is aliased to Liberation Sans.)
  font.setFamilies({QString::fromLatin1(face), QStringLiteral("Liberation Sans"),
                    QStringLiteral("DejaVu Sans"), QStringLiteral("sans-serif")});
  font.setStyleHint(QFont::SansSerif);
  font.setPointSizeF(points);
  font.setWeight(bold ? QFont::Bold : QFont::Normal);
  // Set explicitly, or the control would inherit the window's italic.
  font.setItalic(false);
  return font;
}

template <typename Control>
Control* Place(Control* control, const char* name, QRect rect, const QFont& font,
               const QString& toolTip = {}) {
  control->setObjectName(QString::fromLatin1(name));
  control->setGeometry(rect);
  control->setFont(font);
  if (!toolTip.isEmpty()) {
    control->setToolTip(toolTip);
    control->setAccessibleDescription(control->toolTip());
  }
  return control;
}

// What a screen reader calls the control: the labels on the window do not say which list is
// which, and the lists themselves have no caption.
template <typename Control>
Control* Named(Control* control, const QString& accessibleName) {
  control->setAccessibleName(accessibleName);
  return control;
}

QLabel* MakeLabel(QWidget* parent, const QString& caption, QPalette::ColorRole background,
                  const QColor& backgroundColour, QPalette::ColorRole text) {
  auto* label = new QLabel(caption, parent);
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  label->setAutoFillBackground(true);
  label->setWordWrap(false);
  QPalette palette = label->palette();
  const QColor fill =
      backgroundColour.isValid() ? backgroundColour : parent->palette().color(background);
  palette.setColor(QPalette::Window, fill);
  // The scheme's text colour for that role is meant for its own background, which may not be
  // the one drawn here (the desktop colour stands in for the highlight).
  palette.setColor(QPalette::WindowText, ReadableOn(parent->palette().color(text), fill));
  label->setPalette(palette);
  return label;
}

QPushButton* MakeButton(QWidget* parent, const QString& caption) {
  auto* button = new QPushButton(caption, parent);
  // Enter and Esc must never rename files by accident.
  button->setAutoDefault(false);
  button->setDefault(false);
  return button;
}

}  // namespace

void FrmMain::createControls() {
  // Read first, then left: the process's current directory may be on a share that stops
  // answering, and every relative path that anyone resolves (Qt looking up a resource name as a
  // file among them) would wait on it on this thread. The program itself names every folder by
  // its absolute path.
  const std::string start = CurrentDirectory();
  if (chdir("/") != 0) {
    // Staying where it is costs nothing but that risk.
  }
  setObjectName(QStringLiteral("frmMain"));
  AnnounceAsFrame(staticMetaObject.className());
  setWindowTitle(QStringLiteral("Varnoth"));
  InitWindowResources();
  // Drawn from the SVG at every size but 32 x 32, which has its own hand-made pixels.
  QIcon icon(QStringLiteral(":/icons/varnoth.svg"));
  icon.addFile(QStringLiteral(":/icons/varnoth-32.xpm"), QSize(32, 32));
  setWindowIcon(icon);
  // The controls keep their designed rectangles, so the window keeps its designed size.
  setFixedSize(TwipsToPixels(6090), TwipsToPixels(6825));
  QFont windowFont = ControlFont("Arial", 10.5, true);
  windowFont.setItalic(true);
  setFont(windowFont);

  const QColor desktop = DesktopColour(palette());
  const QColor windowText = palette().color(QPalette::WindowText);
  QPalette windowPalette = palette();
  windowPalette.setColor(QPalette::Window, desktop);
  // Text drawn straight on the desktop colour, as the side labels are; the focus ring keeps
  // clear of it.
  windowPalette.setColor(QPalette::WindowText,
                         ReadableOn(palette().color(QPalette::HighlightedText), desktop));
  setPalette(windowPalette);
  setAutoFillBackground(true);

  const QFont listFont = ControlFont("Arial", 10.5);

  // Labels first: they lie beneath every other control.
  lblConvertFrom =
      Place(MakeLabel(this, tr("Source directory..."), QPalette::Window, desktop,
                      QPalette::HighlightedText),
            "lblConvertFrom", TwipsRect(120, 120, 1992, 312), ControlFont("Arial", 10.5, true));
  lblConvertTo =
      Place(MakeLabel(this, tr("Target directory..."), QPalette::Window, desktop,
                      QPalette::HighlightedText),
            "lblConvertTo", TwipsRect(3120, 120, 1935, 315), ControlFont("Arial", 10.5, true));
  lblToName =
      Place(MakeLabel(this, tr("New file name"), QPalette::Button, QColor(), QPalette::ButtonText),
            "lblToName", TwipsRect(120, 4320, 2055, 195), ControlFont("Arial", 7.5));

  drvFrom = Named(Place(new DriveList(drives_, start, this), "drvFrom",
                        TwipsRect(120, 360, 2820, 360), listFont, tr("Source disk")),
                  tr("Source drive"));
  dirFrom = Named(
      Place(new DirectoryList(drives_, std::string(), this), "dirFrom",
            TwipsRect(120, 840, 2820, 1440), listFont, tr("Directory where the files are located")),
      tr("Source directory"));
  flFrom =
      Named(Place(new FileListView(std::string(), this), "flFrom", TwipsRect(120, 2520, 2820, 3690),
                  listFont, tr("A display of the available file with the given extension")),
            tr("Source files"));
  // The list covers "New file name" whole: at fractional scales its frame leaves the edge
  // pixels unpainted, which would let a stroke of the label show through.
  flFrom->setAutoFillBackground(true);
  drvTo = Named(Place(new DriveList(drives_, start, this), "drvTo", TwipsRect(3120, 360, 2820, 360),
                      listFont, tr("Target disk")),
                tr("Target drive"));
  dirTo = Named(
      Place(new DirectoryList(drives_, std::string(), this), "dirTo",
            TwipsRect(3120, 840, 2820, 1440), listFont, tr("Directory where to move the files")),
      tr("Target directory"));
  flTo =
      Named(Place(new FileListView(std::string(), this), "flTo", TwipsRect(3120, 2520, 2820, 3210),
                  listFont, tr("Files currently matching the new name string.")),
            tr("Target files"));

  txtToName = Named(Place(new NameBox(this), "txtToName", TwipsRect(120, 6360, 2820, 372),
                          ControlFont("MS Sans Serif", 8.25)),
                    tr("New file name"));
  QPalette namePalette = txtToName->palette();
  namePalette.setColor(QPalette::Base, Qt::white);
  // The box stays white, as designed; the desktop's text colour goes on it only where it can be
  // read there (a dark scheme's light text cannot).
  namePalette.setColor(QPalette::Text, ReadableOn(windowText, Qt::white));
  txtToName->setPalette(namePalette);

  cmdConvert =
      Named(Place(MakeButton(this, tr("Rename Files")), "cmdConvert",
                  TwipsRect(3120, 6360, 2850, 375), ControlFont("Arial", 9, true),
                  tr("Rename the files from the source directory to the target directory")),
            tr("Rename Files"));
  cmbExtensionSelector =
      Named(Place(new ExtensionSelector({"jpg", "mpg", "tif", "gif", "cdr", "pdf", "zip"}, this),
                  "cmbExtensionSelector", TwipsRect(5040, 5880, 852, 360), listFont,
                  tr("Sets the file extension to work with.")),
            tr("File extension"));
  cmdMakeDir = Named(Place(MakeButton(this, tr("New target directory")), "cmdMakeDir",
                           TwipsRect(3120, 5880, 1875, 375), ControlFont("Arial", 8.25, true),
                           tr("Make a directory for the graphics to be copied into.")),
                     tr("New target directory"));

  QWidget* tabOrder[] = {
      drvFrom,   dirFrom, flFrom, drvTo, dirTo, flTo, txtToName, cmdConvert, cmbExtensionSelector,
      cmdMakeDir};
  for (std::size_t i = 1; i < std::size(tabOrder); ++i) {
    setTabOrder(tabOrder[i - 1], tabOrder[i]);
  }
  new FocusRing(*this);
  drvFrom->setFocus();

  // The lists look into the start folder last: reading a big folder is the longest part of a
  // start, and it goes on while the rest of the window is made.
  dirFrom->showStart(start);
  flFrom->listing().startIn(start);
  dirTo->showStart(start);
  flTo->listing().startIn(start);
}

}  // namespace varnoth
