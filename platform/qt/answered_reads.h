// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "directory_snapshot.h"

class QWidget;

namespace varnoth {

// A directory reader for a control: the read runs on a worker while the window that holds
// `control` waits for it (AskWorker), so a folder that stops answering never blocks the window's
// thread. The control must outlive the reader.
SnapshotReader AnsweredReader(QWidget& control);

}  // namespace varnoth
