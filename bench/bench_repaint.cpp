// SPDX-License-Identifier: GPL-3.0-or-later
// The window during a long run: 200 files of 5 MB moved from a directory on disk to a tmpfs by
// Rename Files, while a timer asks the window to repaint every 20 ms. Measures the longest gap
// between two repaints of the window, and the run's time against the same run through a
// synchronous engine call on the window's thread, in the same process and rounds.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QListView>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "dialogs.h"
#include "drives.h"
#include "frm_main.h"
#include "qt/directory_list.h"
#include "qt/name_box.h"

namespace {

constexpr int kFiles = 200;
constexpr std::size_t kFileBytes = 5 * 1024 * 1024;
constexpr int kRounds = 6;
constexpr int kRepaintMilliseconds = 20;
const std::string kTmpfs = "/dev/shm";

using varnoth::bench::Clock;
using varnoth::bench::Median;
using varnoth::bench::Scratch;
using varnoth::bench::Seconds;

// The photos, written once and through to disk; each round moves hard links to them, so that the
// originals stay for the next round.
class Photos {
 public:
  Photos() {
    std::string bytes(kFileBytes, '\0');
    for (int i = 0; i < kFiles; ++i) {
      std::fill(bytes.begin(), bytes.end(), static_cast<char>(i));
      names_.push_back("IMG_" + std::to_string(i) + ".jpg");
      const int fd = ::open((pristine_ / names_.back()).c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
      if (fd < 0 || ::write(fd, bytes.data(), bytes.size()) != ssize_t(bytes.size()))
        std::abort();
      ::fsync(fd);
      ::close(fd);
    }
  }
  void linkInto(const std::string& directory) const {
    for (const auto& name : names_) {
      if (::link((pristine_ / name).c_str(), (directory + "/" + name).c_str()) != 0)
        std::abort();
    }
  }

 private:
  Scratch pristine_;
  std::vector<std::string> names_;
};

class PrintedDialogs final : public varnoth::MessageSink, public varnoth::InputPrompt {
 public:
  void showMessage(const std::string& text) override { std::fprintf(stderr, "%s\n", text.c_str()); }
  std::string askText(const std::string&, const std::string&) override { return {}; }
};

// When the window itself was painted.
class PaintClock final : public QObject {
 public:
  explicit PaintClock(QWidget& window) : window_(window) { window.installEventFilter(this); }
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == &window_ && event->type() == QEvent::Paint)
      times.push_back(Clock::now());
    return false;
  }
  std::vector<Clock::time_point> times;

 private:
  QWidget& window_;
};

varnoth::bench::Pairs runs;  // the run in the window against the engine called alone
std::vector<double> longestGaps;

struct WindowRun {
  double seconds = 0;
  double longestGapMilliseconds = 0;
};

WindowRun RunThroughTheWindow(const std::string& source, const std::string& target) {
  if (::chdir(source.c_str()) != 0)
    std::abort();
  PrintedDialogs dialogs;
  varnoth::FrmMain window(dialogs, dialogs, varnoth::SystemFileServices(),
                          varnoth::ReadMountedDrives());
  window.load();
  window.show();
  if (!QTest::qWaitForWindowExposed(&window))
    std::abort();
  window.findChild<varnoth::DirectoryList*>(QStringLiteral("dirTo"))->setPath(target);
  window.findChild<varnoth::NameBox*>(QStringLiteral("txtToName"))->setTextBytes("Trip");
  auto* sources = window.findChild<QListView*>(QStringLiteral("flFrom"));
  sources->selectAll();
  if (sources->model()->rowCount() != kFiles)
    std::abort();

  PaintClock paints(window);
  QTimer repaint;
  QObject::connect(&repaint, &QTimer::timeout, &window, [&window] { window.update(); });
  repaint.start(kRepaintMilliseconds);
  QApplication::processEvents();

  const auto start = Clock::now();
  paints.times = {start};
  window.findChild<QPushButton*>(QStringLiteral("cmdConvert"))->click();
  const auto end = Clock::now();
  paints.times.push_back(end);

  double longest = 0;
  for (std::size_t i = 1; i < paints.times.size(); ++i)
    longest = std::max(longest, Seconds(paints.times[i] - paints.times[i - 1]) * 1e3);
  if (varnoth::test::NamesIn(target).size() != kFiles)
    std::abort();
  return {Seconds(end - start), longest};
}

void BM_RunInTheWindow(benchmark::State& state) {
  static const Photos photos;
  bool windowFirst = true;
  for (auto _ : state) {
    double inWindowSeconds = 0, engineSeconds = 0;
    // Both contenders in every round, taking turns to go first, so that both meet the same machine.
    for (const bool inWindow : {windowFirst, !windowFirst}) {
      Scratch source;
      Scratch target(kTmpfs);
      photos.linkInto(source.path());
      if (inWindow) {
        const WindowRun run = RunThroughTheWindow(source.path(), target.path());
        state.SetIterationTime(run.seconds);
        inWindowSeconds = run.seconds;
        longestGaps.push_back(run.longestGapMilliseconds);
      } else {
        const auto run = varnoth::bench::TimeEngineRun(source.path(), target.path(), kFiles);
        if (!run.failure.empty())
          state.SkipWithError(run.failure.c_str());
        engineSeconds = run.seconds;
      }
    }
    runs.add(inWindowSeconds, engineSeconds);
    windowFirst = !windowFirst;
  }
}
BENCHMARK(BM_RunInTheWindow)->UseManualTime()->Iterations(kRounds)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  return varnoth::bench::RunBenchmarks(argc, argv, [&] {
    if (!longestGaps.empty()) {
      std::printf(
          "run of %d x %zu MB in the window: longest gap between repaints %.0f ms (target <= 100 "
          "ms, asked every %d ms); run %.2f s against %.2f s for the synchronous engine call "
          "(medians), median ratio %.3f (target <= 1.05); each pair: %s\n",
          kFiles, kFileBytes >> 20, *std::max_element(longestGaps.begin(), longestGaps.end()),
          kRepaintMilliseconds, Median(runs.engine), Median(runs.baseline), Median(runs.ratios),
          runs.listRatios().c_str());
    }
  });
}
