// SPDX-License-Identifier: GPL-3.0-or-later
// Handlers nested in handlers: the first failing step, a handler's own or a nested one's, ends
// every handler of the cascade, and only that failure is reported.
#include <unistd.h>

#include <QComboBox>
#include <QLineEdit>
#include <filesystem>
#include <functional>

#include "naming.h"
#include "tests/window/window_fixture.h"

namespace varnoth::test {
namespace {

using Entries = std::vector<std::string>;

class CascadeTest : public WindowTest {
 protected:
  // A window whose source side is `Src`, whose target side is `Tgt` and whose stem is "Mine",
  // with a second drive `card`, all in a fresh directory of their own.
  void openOnTwoFolders(const std::string& place) {
    root_ = *dir_ / place;
    for (const char* folder : {"Src", "Tgt", "card"})
      std::filesystem::create_directories(root_ + "/" + folder);
    WriteFile(root_ + "/Src/a.jpg", "a");
    ASSERT_EQ(chdir(root_.c_str()), 0);
    OpenWindow({Drive{"/", ""}, Drive{root_ + "/card", "CARD"}});
    openDirectory("dirFrom", "Src");
    openDirectory("dirTo", QString::fromStdString(place));
    openDirectory("dirTo", "Tgt");
    typeStem("Mine");
    ASSERT_EQ(control<DirectoryList>("dirTo")->path(), root_ + "/Tgt");
    ASSERT_TRUE(dialogs_.messages.empty());
  }

  void chooseNext(const char* selector) {
    auto* box = control<QComboBox>(selector);
    box->setFocus();
    QTest::keyClick(box, Qt::Key_Down);
  }

  std::string root_;
};

// Each event meets two failing steps in a row; the second would have left a mark had it run.
struct Row {
  const char* name;
  std::vector<const char*> gone;      // folders removed before the event
  std::function<void()> event;        //
  std::string reported;               // the one message, with the root as "@"
  std::function<std::string()> mark;  // what the second failing step would change
  std::string unmarked;
};

TEST_F(CascadeTest, TheFirstFailureEndsTheHandlerAndEveryHandlerAroundIt) {
  const std::string gone = ": No such file or directory.";
  const Row rows[] = {
      {"an extension chosen while both folders are gone keeps the typed stem",
       {"Src", "Tgt"},
       [this] { chooseNext("cmbExtensionSelector"); },
       "Directory failure. Cannot read '\u2068@/Src\u2069'" + gone,
       [this] { return control<QLineEdit>("txtToName")->text().toStdString(); },
       "Mine"},
      {"a key typed while both folders are gone leaves the target's pattern",
       {"Src", "Tgt"},
       [this] { QTest::keyClick(control<QWidget>("txtToName"), Qt::Key_X); },
       "Directory failure. Cannot read '\u2068@/Src\u2069'" + gone,
       [this] { return listing("flTo").pattern(); },
       TargetPattern("Mine", "jpg")},
      {"a drive that has gone leaves the target drive where it was",
       {"card"},
       [this] { chooseNext("drvFrom"); },
       "Drive failure. Cannot read '\u2068@/card\u2069'" + gone,
       [this] { return control<QComboBox>("drvTo")->currentData().toString().toStdString(); },
       "/"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    dialogs_.messages.clear();
    openOnTwoFolders(std::to_string(&row - rows));
    for (const char* folder : row.gone)
      std::filesystem::remove_all(root_ + "/" + folder);

    row.event();

    std::string reported = row.reported;
    reported.replace(reported.find('@'), 1, root_);
    EXPECT_EQ(dialogs_.messages, Entries{reported});
    EXPECT_EQ(row.mark(), row.unmarked);
  }
}

}  // namespace
}  // namespace varnoth::test
