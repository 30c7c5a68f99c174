// SPDX-License-Identifier: GPL-3.0-or-later
// The window while the share it shows stops answering: the FUSE server of a mount is stopped with
// SIGSTOP while the user browses into a folder on it, and while a run renames files there. A
// timer posts an event every 20 ms; the longest gap between two of them being handled is how long
// the window went without answering. The baseline is the same action with the share answering,
// measured in the same run, taking turns. Run it on a mount that filesystem_image.sh makes:
//   tests/filesystems/filesystem_image.sh with ntfs build/bench/bench_unanswering
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QListView>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "dialogs.h"
#include "drives.h"
#include "frm_main.h"
#include "posix_file_services.h"
#include "qt/directory_list.h"
#include "tests/support/temp_dir.h"
#include "unanswered_folders.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kRounds = 3;
constexpr int kFiles = 20;
constexpr std::chrono::milliseconds kTick{20};

class QuietDialogs final : public varnoth::MessageSink, public varnoth::InputPrompt {
 public:
  void showMessage(const std::string&) override {}
  std::string askText(const std::string&, const std::string&) override { return {}; }
};

pid_t ServerOf(const std::string& mount) {
  for (const auto& process : std::filesystem::directory_iterator("/proc")) {
    const std::string name = process.path().filename();
    if (name.find_first_not_of("0123456789") != std::string::npos || std::stoi(name) == getpid())
      continue;
    std::ifstream in(process.path() / "cmdline");
    std::string line((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::replace(line.begin(), line.end(), '\0', ' ');
    if (line.find(" " + mount) != std::string::npos)
      return std::stoi(name);
  }
  return 0;
}

// The longest time between two ticks of a 20 ms timer while `action` runs, in milliseconds.
double LongestGap(const std::function<void()>& action) {
  QTimer timer;
  auto last = Clock::now();
  Clock::duration longest{};
  QObject::connect(&timer, &QTimer::timeout, [&] {
    const auto now = Clock::now();
    longest = std::max(longest, now - last);
    last = now;
  });
  timer.start(kTick);
  last = Clock::now();
  action();
  longest = std::max(longest, Clock::now() - last);
  timer.stop();
  return std::chrono::duration<double, std::milli>(longest).count();
}

struct Share {
  std::string mount;
  pid_t server;
  std::string photos;
  void freeze() const { kill(server, SIGSTOP); }
  void thaw() const {
    kill(server, SIGCONT);
    for (int tries = 0; varnoth::UnansweredFolders::Instance().check(photos) && tries < 1000;
         ++tries) {
      QTest::qWait(10);
    }
  }
};

std::unique_ptr<varnoth::FrmMain> OpenWindow(QuietDialogs& dialogs, const std::string& where) {
  if (chdir(where.c_str()) != 0)
    std::abort();
  auto window = std::make_unique<varnoth::FrmMain>(dialogs, dialogs, varnoth::SystemFileServices(),
                                                   varnoth::ReadMountedDrives());
  window->load();
  window->show();
  if (!QTest::qWaitForWindowExposed(window.get()))
    std::abort();
  return window;
}

double Browse(const Share& share, bool frozen) {
  QuietDialogs dialogs;
  auto window = OpenWindow(dialogs, std::filesystem::path(share.photos).parent_path());
  auto* directories = window->findChild<varnoth::DirectoryList*>(QStringLiteral("dirFrom"));
  if (frozen)
    share.freeze();
  const double gap = LongestGap([&] { directories->setPath(share.photos); });
  if (frozen)
    share.thaw();
  return gap;
}

double Run(const Share& share, bool frozen) {
  for (int i = 0; i < kFiles; ++i)
    varnoth::test::WriteFile(share.photos + "/IMG_" + std::to_string(i) + ".jpg", "photo");
  QuietDialogs dialogs;
  auto window = OpenWindow(dialogs, share.photos);
  window->findChild<QListView*>(QStringLiteral("flFrom"))->selectAll();
  if (frozen)
    share.freeze();
  const double gap = LongestGap([&] {
    QTest::mouseClick(window->findChild<QPushButton*>(QStringLiteral("cmdConvert")),
                      Qt::LeftButton);
  });
  if (frozen)
    share.thaw();
  window.reset();
  for (const auto& entry : std::filesystem::directory_iterator(share.photos))
    std::filesystem::remove(entry.path());
  return gap;
}

}  // namespace

int main(int argc, char* argv[]) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const char* mount = std::getenv("VARNOTH_FS_MOUNT");
  const pid_t server = mount ? ServerOf(mount) : 0;
  if (server == 0) {
    std::fprintf(stderr, "run through tests/filesystems/filesystem_image.sh on a FUSE mount\n");
    return 77;
  }
  const varnoth::test::TempDir folder(mount);
  const Share share{mount, server, folder / "photos"};
  std::filesystem::create_directory(share.photos);

  const std::vector<std::pair<const char*, double (*)(const Share&, bool)>> actions{
      {"browsing", Browse}, {"during a run", Run}};
  std::printf("P6: longest gap between two 20 ms timer events handled, in ms (target <= 250)\n");
  for (const auto& [name, action] : actions) {
    std::vector<double> answering, stopped;
    for (int round = 0; round < kRounds; ++round) {
      // Taking turns at going first, so that drifts of a shared machine fall on both alike.
      if (round % 2 == 0) {
        answering.push_back(action(share, false));
        stopped.push_back(action(share, true));
      } else {
        stopped.push_back(action(share, true));
        answering.push_back(action(share, false));
      }
    }
    const double worstStopped = *std::max_element(stopped.begin(), stopped.end());
    const double worstAnswering = *std::max_element(answering.begin(), answering.end());
    std::printf("  %-13s share stopped: %6.1f ms   answering (baseline): %6.1f ms   ratio %.2f\n",
                name, worstStopped, worstAnswering, worstStopped / worstAnswering);
    for (int round = 0; round < kRounds; ++round)
      std::printf("    round %d: stopped %6.1f ms, answering %6.1f ms\n", round + 1, stopped[round],
                  answering[round]);
  }
  if (chdir("/") != 0)
    return 1;
  return 0;
}
