// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <string>
#include <vector>

#include "drives.h"

#ifdef _WIN32
#include <QAbstractNativeEventFilter>
#else
#include "unique_fd.h"
class QSocketNotifier;
#endif

namespace varnoth {

// Follows the machine's mount table while the program runs. The kernel marks an open mount table
// with an exceptional condition (POLLPRI) when a file system is mounted or unmounted, so no timer
// is needed; on Windows every top-level window is sent WM_DEVICECHANGE when a drive comes or goes.
// Notifies drivesChanged with the new drives only when they differ from the last read.
#ifdef _WIN32
class MountWatcher final : public QObject, public QAbstractNativeEventFilter {
#else
class MountWatcher final : public QObject {
#endif
  Q_OBJECT
 public:
  // `mountInfo` is the mount table to follow: /proc/self/mountinfo, or another one in its format
  // (unused on Windows).
  explicit MountWatcher(const std::string& mountInfo, QObject* parent = nullptr);
  ~MountWatcher() override;

  const std::vector<Drive>& drives() const {
    return drives_;
  }
  // Reads the table again; the notifier calls it on every change the kernel signals.
  void reread();
#ifdef _WIN32
  bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;
#endif

 signals:
  void drivesChanged(const std::vector<Drive>& drives);

 private:
#ifndef _WIN32
  UniqueFd fd_;
  QSocketNotifier* notifier_ = nullptr;
#endif
  std::vector<Drive> drives_;
};

}  // namespace varnoth
