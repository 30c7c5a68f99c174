// SPDX-License-Identifier: GPL-3.0-or-later
// The window on directories of 10,000 and 100,000 files (nine in ten of them '*.jpg'):
// - one keystroke in the name box, source and target the same directory, against one plain
//   readdir pass over that directory in the same run;
// - start-up to the first painted window, in a fresh process started as the program starts
//   (reading its directory ahead while Qt starts), against start-up in an empty
//   directory, with the resident memory it then holds.
#include <benchmark/benchmark.h>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "current_directory.h"
#include "directory_snapshot.h"
#include "drives.h"
#include "frm_main.h"
#include "posix_file_services.h"
#include "qt/qt_dialogs.h"

namespace {

using varnoth::bench::Clock;
using varnoth::bench::Median;

double Milliseconds(Clock::duration elapsed) {
  return varnoth::bench::Seconds(elapsed) * 1e3;
}

// Directories of `count` empty files, nine in ten '*.jpg', made once per size and removed at
// exit. Their time stamps are set a minute back, as a photo folder that nobody is writing to.
class PhotoDirectories {
 public:
  ~PhotoDirectories() {
    for (const auto& [count, path] : made_) {
      std::filesystem::remove_all(std::filesystem::path(path).parent_path());
    }
  }
  const std::string& get(int count) {
    auto found = made_.find(count);
    return found != made_.end() ? found->second : made_[count] = make(count);
  }

 private:
  static std::string make(int count) {
    std::string path = varnoth::bench::DiskParent() + "/varnoth-bench-XXXXXX";
    if (!mkdtemp(path.data()))
      std::abort();
    path += "/Trip";
    mkdir(path.c_str(), 0755);
    for (int i = 0; i < count; ++i) {
      const std::string name = "IMG_" + std::to_string(i) + (i % 10 == 9 ? ".png" : ".jpg");
      const int fd = open((path + "/" + name).c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
      if (fd < 0)
        std::abort();
      close(fd);
    }
    const timespec aMinuteAgo[2] = {{time(nullptr) - 60, 0}, {time(nullptr) - 60, 0}};
    utimensat(AT_FDCWD, path.c_str(), aMinuteAgo, 0);
    return path;
  }
  std::map<int, std::string> made_;
};

PhotoDirectories photoDirectories;

const std::string& PhotoDirectory(int count) {
  return photoDirectories.get(count);
}

double PlainReaddirMilliseconds(const std::string& directory) {
  const auto start = Clock::now();
  DIR* dir = opendir(directory.c_str());
  std::vector<std::string> names;
  while (dirent* entry = readdir(dir))
    names.emplace_back(entry->d_name);
  closedir(dir);
  benchmark::DoNotOptimize(names.data());
  return Milliseconds(Clock::now() - start);
}

class SilentDialogs final : public varnoth::MessageSink, public varnoth::InputPrompt {
 public:
  void showMessage(const std::string& text) override { std::fprintf(stderr, "%s\n", text.c_str()); }
  std::string askText(const std::string&, const std::string&) override { return {}; }
};

std::map<int, varnoth::bench::Pairs> keystrokes;  // by files in the directory

void BM_Keystroke(benchmark::State& state) {
  const int files = static_cast<int>(state.range(0));
  const std::string& directory = PhotoDirectory(files);
  if (chdir(directory.c_str()) != 0)
    std::abort();
  SilentDialogs dialogs;
  varnoth::FrmMain window(dialogs, dialogs, varnoth::SystemFileServices(),
                          varnoth::ReadMountedDrives());
  window.load();
  window.show();
  if (!QTest::qWaitForWindowExposed(&window))
    std::abort();
  auto* nameBox = window.findChild<QLineEdit*>(QStringLiteral("txtToName"));
  nameBox->setFocus();

  varnoth::bench::Pairs& pairs = keystrokes[files];
  bool typeLetter = true;
  for (auto _ : state) {
    const auto start = Clock::now();
    // Type a letter, then take it back, so that the stem stays the same length.
    QTest::keyClick(nameBox, typeLetter ? Qt::Key_X : Qt::Key_Backspace);
    // Until the lists are painted again, which is when the user sees the keystroke's effect.
    QApplication::processEvents();
    const double keystroke = Milliseconds(Clock::now() - start);
    typeLetter = !typeLetter;
    state.PauseTiming();
    pairs.add(keystroke, PlainReaddirMilliseconds(directory));
    state.ResumeTiming();
  }
  state.counters["keystroke_median_ms"] = Median(pairs.engine);
  state.counters["readdir_median_ms"] = Median(pairs.baseline);
  state.counters["keystroke_per_readdir"] = Median(pairs.ratios);
}
BENCHMARK(BM_Keystroke)->Arg(10000)->Arg(100000)->Iterations(41)->Unit(benchmark::kMillisecond);

// The child: opens the window as the program does, and on its first paint reports its resident
// memory through the pipe and leaves.
int StartupChild(int reportFd) {
  varnoth::ReadDirectoryAhead(varnoth::CurrentDirectory());
  int argc = 1;
  char name[] = "varnoth";
  char* argv[] = {name, nullptr};
  QApplication app(argc, argv);
  varnoth::QtDialogs dialogs;
  varnoth::FrmMain window(dialogs, dialogs, varnoth::SystemFileServices(),
                          varnoth::ReadMountedDrives());
  dialogs.setParent(&window);
  window.load();
  struct PaintWatch : QObject {
    int fd;
    bool eventFilter(QObject*, QEvent* event) override {
      if (event->type() == QEvent::Paint) {
        QMetaObject::invokeMethod(
            qApp,
            [this] {
              std::ifstream status("/proc/self/status");
              std::string line, rss = "0";
              while (std::getline(status, line)) {
                if (line.rfind("VmRSS:", 0) == 0)
                  rss = line.substr(6);
              }
              const std::string report = std::to_string(std::atol(rss.c_str())) + "\n";
              (void)!write(fd, report.data(), report.size());
              QApplication::exit(0);
            },
            Qt::QueuedConnection);
      }
      return false;
    }
  } watch;
  watch.fd = reportFd;
  window.installEventFilter(&watch);
  window.show();
  return QApplication::exec();
}

struct Startup {
  double milliseconds;
  long residentKiB;
};

Startup MeasureStartup(const std::string& directory, const char* self) {
  int report[2];
  if (pipe(report) != 0)
    std::abort();
  const auto start = Clock::now();
  const pid_t child = fork();
  if (child == 0) {
    close(report[0]);
    if (chdir(directory.c_str()) != 0)
      _exit(1);
    const std::string fd = std::to_string(report[1]);
    execl(self, self, "--startup-child", fd.c_str(), static_cast<char*>(nullptr));
    _exit(1);
  }
  close(report[1]);
  char buffer[64] = {};
  const ssize_t got = read(report[0], buffer, sizeof buffer - 1);
  const auto elapsed = Clock::now() - start;
  close(report[0]);
  waitpid(child, nullptr, 0);
  if (got <= 0)
    std::abort();
  return {Milliseconds(elapsed), std::atol(buffer)};
}

const char* selfPath = nullptr;

varnoth::bench::Pairs startups;  // at 100,000 files against an empty directory
long residentKiB = 0;

void BM_Startup(benchmark::State& state) {
  const int files = static_cast<int>(state.range(0));
  const std::string& directory = PhotoDirectory(files);
  const std::string& empty = PhotoDirectory(0);
  for (auto _ : state) {
    const Startup full = MeasureStartup(directory, selfPath);
    residentKiB = std::max(residentKiB, full.residentKiB);
    state.PauseTiming();
    startups.add(full.milliseconds, MeasureStartup(empty, selfPath).milliseconds);
    state.ResumeTiming();
  }
  state.counters["startup_median_ms"] = Median(startups.engine);
  state.counters["empty_dir_startup_median_ms"] = Median(startups.baseline);
  state.counters["startup_per_empty_dir"] = Median(startups.ratios);
  state.counters["resident_MB"] = static_cast<double>(residentKiB) / 1024.0;
}
BENCHMARK(BM_Startup)->Arg(100000)->Iterations(5)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::string(argv[1]) == "--startup-child") {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    return StartupChild(std::atoi(argv[2]));
  }
  selfPath = "/proc/self/exe";
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  return varnoth::bench::RunBenchmarks(argc, argv, [] {
    for (const auto& [files, pairs] : keystrokes) {
      std::printf(
          "keystroke, %d files: %.1f ms against %.1f ms for one readdir pass (medians), median "
          "ratio %.2fx; each pair: %s\n",
          files, Median(pairs.engine), Median(pairs.baseline), Median(pairs.ratios),
          pairs.listRatios().c_str());
    }
    if (!startups.ratios.empty()) {
      std::printf(
          "start-up, 100,000 files: %.0f ms against %.0f ms in an empty directory (medians), "
          "median ratio %.2fx (target <= 2x), %.1f MB resident (target <= 60 MB); each pair: %s\n",
          Median(startups.engine), Median(startups.baseline), Median(startups.ratios),
          static_cast<double>(residentKiB) / 1024.0, startups.listRatios().c_str());
    }
  });
}
