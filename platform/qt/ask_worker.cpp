// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/ask_worker.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <chrono>
#include <memory>
#include <vector>

#include "qt/input_swallower.h"
#include "qt/override_cursor.h"
#include "qt/worker_wait.h"

namespace varnoth {

namespace {

// Most answers come within this: a directory read from the cache, a rename. Waiting for them on
// the spot costs the window nothing it would notice and spares an event loop per step.
constexpr std::chrono::milliseconds kAnswerAtOnce{5};
// How long the window waits before it shows that it is busy.
constexpr std::chrono::milliseconds kQuietWait{200};

// The event loops of the waits now running on the window's thread, innermost last.
std::vector<QEventLoop*>& RunningWaits() {
  static std::vector<QEventLoop*> waits;
  return waits;
}

}  // namespace

bool WaitForAnswer(QWidget& window, ErrandState& errand) {
  const auto start = std::chrono::steady_clock::now();
  if (errand.waitUntil(start + kAnswerAtOnce))
    return true;
  if (GivingUpEveryWait())
    return false;

  // Notifications the nested loop delivers are held until the handler that waits has ended.
  const WorkerWait holdingNotifications;
  QEventLoop loop;
  RunningWaits().push_back(&loop);
  struct Leave {
    QEventLoop* loop;
    ~Leave() { std::erase(RunningWaits(), loop); }
  } leave{&loop};

  // The worker posts the quit; the loop drops it if it is gone by then, and onFinish(nullptr)
  // below keeps the worker from posting at all once this wait is over.
  errand.onFinish([target = &loop] {
    QMetaObject::invokeMethod(target, &QEventLoop::quit, Qt::QueuedConnection);
  });

  std::unique_ptr<OverrideCursor> busy;
  std::unique_ptr<InputSwallower> swallower;
  QPointer<QWidget> shown(&window);
  QTimer quiet;
  quiet.setSingleShot(true);
  QObject::connect(&quiet, &QTimer::timeout, &loop, [&] {
    busy = std::make_unique<OverrideCursor>(Qt::WaitCursor);
    if (shown)
      swallower = std::make_unique<InputSwallower>(*shown);
  });
  quiet.start(kQuietWait);
  QTimer deadline;
  deadline.setSingleShot(true);
  QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
  deadline.start(kAnswerDeadline);

  while (!errand.finished() && deadline.isActive() && !GivingUpEveryWait()) {
    // exec() fails at once while the application is quitting; nothing more is waited for then.
    if (loop.exec(QEventLoop::ExcludeUserInputEvents) != 0)
      break;
  }
  errand.onFinish(nullptr);

  if (swallower) {
    // Input that came while the cursor said busy was meant for a window that was not listening;
    // Qt hands it out at the next pass, and this pass eats it.
    QCoreApplication::processEvents();
  }
  return errand.finished();
}

void GiveUpEveryWait() {
  SetGivingUpEveryWait(true);
  for (QEventLoop* loop : RunningWaits())
    loop->quit();
}

bool Waiting() {
  return !RunningWaits().empty();
}

}  // namespace varnoth
