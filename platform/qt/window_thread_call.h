// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QMetaObject>
#include <QObject>
#include <QThread>
#include <optional>
#include <type_traits>
#include <utility>

namespace varnoth {

// Calls `work` on the thread of `context` and returns its result, waiting for it. Widgets may be
// touched only on their own thread; a run on a worker reaches them through this. From the
// context's own thread it is a plain call, so the same code runs with or without a worker.
template <typename Work>
auto CallOnThreadOf(QObject& context, Work&& work) -> std::invoke_result_t<Work&> {
  using Result = std::invoke_result_t<Work&>;
  if (QThread::currentThread() == context.thread())
    return work();
  if constexpr (std::is_void_v<Result>) {
    QMetaObject::invokeMethod(
        &context, [&work] { work(); }, Qt::BlockingQueuedConnection);
  } else {
    std::optional<Result> result;
    QMetaObject::invokeMethod(
        &context, [&work, &result] { result.emplace(work()); }, Qt::BlockingQueuedConnection);
    return std::move(*result);
  }
}

}  // namespace varnoth
