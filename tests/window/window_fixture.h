// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QEvent>
#include <QListView>
#include <QTest>
#include <QThread>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "dialogs.h"
#include "drives.h"
#include "frm_main.h"
#include "posix_file_services.h"
#include "qt/directory_list.h"
#include "qt/file_list_view.h"
#include "tests/support/file_census.h"
#include "tests/support/temp_dir.h"

namespace varnoth::test {

// Counts the paint events of the widgets it is installed on: a window that stops painting while it
// waits shows up as a count that does not grow.
class PaintCounter final : public QObject {
 public:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint)
      ++paints;
    return false;
  }
  int paints = 0;
};

// The two modal dialogs, answered from a script.
class ScriptedDialogs final : public MessageSink, public InputPrompt {
 public:
  void showMessage(const std::string& text) override {
    if (QThread::currentThread() != QApplication::instance()->thread())
      ++shownOffWindowThread;
    if (onMessage)
      onMessage(text);
    messages.push_back(text);
  }
  std::string askText(const std::string& prompt, const std::string& title) override {
    questions.push_back(title + ": " + prompt);
    if (answers.empty())
      return {};
    std::string answer = answers.front();
    answers.pop_front();
    return answer;
  }

  std::vector<std::string> messages;
  std::vector<std::string> questions;
  std::deque<std::string> answers;
  int shownOffWindowThread = 0;
  std::function<void(const std::string&)> onMessage;
};

// A window opened in a fresh temporary directory, which is the process's current directory while
// the window is created.
class WindowTest : public testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Creates the window; call after putting files in place. `drives` defaults to the machine's,
  // `files` to the real file services.
  void OpenWindow(std::vector<Drive> drives = {}, FileServices* files = nullptr);

  template <typename T>
  T* control(const char* name) {
    T* found = window_->findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
  }
  FileListing& listing(const char* name) { return control<FileListView>(name)->listing(); }
  std::vector<std::string> entries(const char* name);

  // Real mouse clicks on a row of a list view.
  void clickRow(const char* list, int row, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
  // Real double-click on the directory list entry with this name.
  void openDirectory(const char* list, const QString& name);
  void typeStem(const QString& text);

  std::unique_ptr<TempDir> dir_;
  std::string previousDirectory_;
  ScriptedDialogs dialogs_;
  std::unique_ptr<FrmMain> window_;
};

}  // namespace varnoth::test
