// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>

class QWidget;

namespace varnoth {

// Runs `work` on a worker thread and returns when it has finished. Meanwhile this thread goes on
// handling everything but user input, so that `window` repaints and answers the desktop, and
// `work` can reach widgets through CallOnThreadOf. Input meant for `window` during the work is
// eaten, also what the system delivers only once the wait is over; notifications sent through
// HeldNotifications are held until it is over (the wait is a WorkerWait). An exception from
// `work` is thrown again here.
void RunOffThread(QWidget& window, const std::function<void()>& work);

}  // namespace varnoth
