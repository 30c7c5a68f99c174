// SPDX-License-Identifier: GPL-3.0-or-later
#include "handler_cascade.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace varnoth {
namespace {

StepResult Failed(const std::string& path) {
  return {std::make_error_code(std::errc::no_such_device), path};
}

// One event: a handler whose one step sets off two nested handlers, the first of which fails,
// and then fails itself, as a control's setter may notify twice and report its own failure.
struct Event {
  std::optional<HandlerCascade::Failure> reported;
  bool secondNestedRan = false;
};

Event RunEvent(HandlerCascade& cascade, HandlerLeadIn outer, HandlerLeadIn inner,
               const std::string& path) {
  Event event;
  auto nested = [&](auto step) {
    if (cascade.enter(inner))
      cascade.run(step);
    EXPECT_FALSE(cascade.leave()) << "a nested handler reports nothing";
  };
  if (cascade.enter(outer)) {
    cascade.run([&] {
      nested([&] { return Failed(path); });
      nested([&] { event.secondNestedRan = true; });
      return Failed(path + "/outer");
    });
  }
  event.reported = cascade.leave();
  return event;
}

TEST(HandlerCascade, TheFirstFailureIsReportedOnceByTheOutermostHandlerWithItsLeadIn) {
  HandlerCascade cascade;
  const Event first = RunEvent(cascade, HandlerLeadIn::kDrive, HandlerLeadIn::kDirectory, "/a");
  EXPECT_FALSE(first.secondNestedRan) << "a handler set off after the failure must not run";
  ASSERT_TRUE(first.reported);
  EXPECT_EQ(first.reported->leadIn, HandlerLeadIn::kDrive);
  EXPECT_EQ(first.reported->path, "/a") << "a later failure does not replace the first";

  const Event next = RunEvent(cascade, HandlerLeadIn::kDirectory, HandlerLeadIn::kDrive, "/b");
  ASSERT_TRUE(next.reported) << "the next event runs its steps";
  EXPECT_EQ(next.reported->leadIn, HandlerLeadIn::kDirectory);
  EXPECT_EQ(next.reported->path, "/b") << "a reported failure is not reported again";
}

}  // namespace
}  // namespace varnoth
