// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/worker_wait.h"

#include <QMetaObject>
#include <algorithm>

namespace varnoth {

namespace {

// Per thread, as event loops are: a worker that waits on another worker holds nothing of the
// window's.
thread_local int waitDepth = 0;
thread_local std::vector<HeldNotifications*> gates;

}  // namespace

WorkerWait::WorkerWait() {
  ++waitDepth;
}

WorkerWait::~WorkerWait() {
  if (--waitDepth > 0)
    return;
  for (HeldNotifications* gate : gates)
    gate->postRelease();
}

bool WorkerWait::InProgress() {
  return waitDepth > 0;
}

HeldNotifications::HeldNotifications(QObject* parent) : QObject(parent) {
  gates.push_back(this);
}

HeldNotifications::~HeldNotifications() {
  gates.erase(std::remove(gates.begin(), gates.end(), this), gates.end());
}

void HeldNotifications::deliver(const std::string& key, std::function<void()> handler) {
  if (!WorkerWait::InProgress()) {
    handler();
    return;
  }
  auto same = std::find_if(held_.begin(), held_.end(),
                           [&](const auto& notification) { return notification.first == key; });
  if (same != held_.end())
    same->second = std::move(handler);
  else
    held_.emplace_back(key, std::move(handler));
}

void HeldNotifications::postRelease() {
  if (held_.empty() || releasePosted_)
    return;
  releasePosted_ = true;
  // Queued rather than called: the wait ends inside the handler that waited, which has steps
  // left to run.
  QMetaObject::invokeMethod(this, &HeldNotifications::release, Qt::QueuedConnection);
}

void HeldNotifications::release() {
  releasePosted_ = false;
  auto held = std::exchange(held_, {});
  // A handler run here may wait on a worker in turn; deliver() holds the rest again then.
  for (auto& [key, handler] : held)
    deliver(key, std::move(handler));
}

}  // namespace varnoth
