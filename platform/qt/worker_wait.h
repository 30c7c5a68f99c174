// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace varnoth {

// The window's thread waits on a worker inside a handler, in a nested event loop that keeps
// painting and answering the desktop. Whatever that loop delivers must not start another handler
// there and then: it would run between two steps of the handler that waits, on state that handler
// is half-way through changing. Whoever waits marks the wait with a WorkerWait; the window sends
// its notifications through HeldNotifications, which keeps them until the wait is over.

// While one lives, the thread that created it is waiting on a worker. Waits may nest.
class WorkerWait {
 public:
  WorkerWait();
  // The end of the outermost wait releases every notification held meanwhile.
  ~WorkerWait();
  WorkerWait(const WorkerWait&) = delete;
  WorkerWait& operator=(const WorkerWait&) = delete;

  // Whether the calling thread is waiting on a worker.
  static bool InProgress();
};

// The gate between a window's notifications and its handlers. Lives on the window's thread.
class HeldNotifications final : public QObject {
 public:
  explicit HeldNotifications(QObject* parent = nullptr);
  ~HeldNotifications() override;
  HeldNotifications(const HeldNotifications&) = delete;
  HeldNotifications& operator=(const HeldNotifications&) = delete;

  // Runs `handler` now, unless the thread waits on a worker. Then it runs once the wait is over,
  // from the event loop, after the handler that waited has returned. A notification under the
  // same `key` that arrives again before then is handled once, by the latest `handler`; held
  // notifications run in the order they first arrived.
  void deliver(const std::string& key, std::function<void()> handler);

 private:
  friend class WorkerWait;
  // Called at the end of the outermost wait: hands what is held to the event loop.
  void postRelease();
  void release();

  std::vector<std::pair<std::string, std::function<void()>>> held_;
  bool releasePosted_ = false;
};

}  // namespace varnoth
