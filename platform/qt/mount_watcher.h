// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <string>
#include <vector>

#include "drives.h"
#include "unique_fd.h"

class QSocketNotifier;

namespace varnoth {

// Follows the machine's mount table while the program runs. The kernel marks an open mount table
// with an exceptional condition (POLLPRI) when a file system is mounted or unmounted, so no timer
// is needed. Notifies drivesChanged with the new drives only when they differ from the last read.
class MountWatcher final : public QObject {
  Q_OBJECT
 public:
  // `mountInfo` is the mount table to follow: /proc/self/mountinfo, or another one in its format.
  explicit MountWatcher(const std::string& mountInfo, QObject* parent = nullptr);
  ~MountWatcher() override;

  const std::vector<Drive>& drives() const { return drives_; }
  // Reads the table again; the notifier calls it on every change the kernel signals.
  void reread();

 signals:
  void drivesChanged(const std::vector<Drive>& drives);

 private:
  UniqueFd fd_;
  QSocketNotifier* notifier_ = nullptr;
  std::vector<Drive> drives_;
};

}  // namespace varnoth
