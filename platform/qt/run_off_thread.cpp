// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/run_off_thread.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <exception>
#include <memory>

#include "qt/input_swallower.h"
#include "qt/worker_wait.h"

namespace varnoth {

void RunOffThread(QWidget& window, const std::function<void()>& work) {
  const WorkerWait waiting;
  InputSwallower swallower(window);
  QEventLoop loop;
  bool finished = false;  // read and written on this thread only
  std::exception_ptr failure;

  // A QThread rather than a std::thread for its finished signal, which reaches this thread queued.
  std::unique_ptr<QThread> worker(QThread::create([&] {
    try {
      work();
    } catch (...) {
      failure = std::current_exception();
    }
  }));
  QObject::connect(worker.get(), &QThread::finished, &loop, [&] {
    finished = true;
    loop.quit();
  });
  worker->start();

  loop.exec(QEventLoop::ExcludeUserInputEvents);
  // The loop also ends when the application is told to quit, which makes every later exec()
  // return at once; the worker may still be waiting for a call on this thread.
  while (!finished) {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents |
                                    QEventLoop::WaitForMoreEvents);
  }
  worker->wait();

  // Qt keeps the input it did not deliver during the wait and hands it out at the next pass; this
  // pass is that one, while the swallower still eats it.
  QCoreApplication::processEvents();

  if (failure)
    std::rethrow_exception(failure);
}

}  // namespace varnoth
