// SPDX-License-Identifier: GPL-3.0-or-later
#include "handler_cascade.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace varnoth {
namespace {

// A cascade scripted as nested handlers: each handler enters with its lead-in, runs its steps
// (a step succeeds, fails or runs a nested handler) and leaves; every report is recorded.
using Step = std::function<void(HandlerCascade&, std::vector<std::string>&)>;
struct Handler {
  HandlerLeadIn leadIn;
  std::vector<Step> steps;
};

std::string Reported(const HandlerCascade::Failure& failure) {
  return std::string(failure.leadIn == HandlerLeadIn::kDrive ? "drive " : "directory ") +
         failure.path + ": " + failure.error.message();
}

void RunHandler(const Handler& handler, HandlerCascade& cascade, std::vector<std::string>& reports,
                std::vector<std::string>& ran) {
  if (cascade.enter(handler.leadIn)) {
    for (const auto& step : handler.steps) {
      if (cascade.failure())
        break;  // a handler ends at its first failing step
      step(cascade, ran);
    }
  }
  if (const auto failure = cascade.leave())
    reports.push_back(Reported(*failure));
}

Step Fail(const std::string& path) {
  return [path](HandlerCascade& cascade, std::vector<std::string>& ran) {
    ran.push_back("fail " + path);
    cascade.check(std::make_error_code(std::errc::no_such_file_or_directory), path);
  };
}

Step Succeed(const std::string& what) {
  return [what](HandlerCascade& cascade, std::vector<std::string>& ran) {
    ran.push_back(what);
    cascade.check({}, what);
  };
}

Step Nested(Handler inner, std::vector<std::string>& reports) {
  return
      [inner = std::move(inner), &reports](HandlerCascade& cascade, std::vector<std::string>& ran) {
        RunHandler(inner, cascade, reports, ran);
      };
}

TEST(HandlerCascade, FirstFailureWinsAndTheOutermostHandlerReportsItOnceWithItsLeadIn) {
  const std::string missing = std::make_error_code(std::errc::no_such_file_or_directory).message();
  {
    HandlerCascade cascade;
    std::vector<std::string> reports, ran;
    RunHandler({HandlerLeadIn::kDirectory, {Succeed("a"), Succeed("b")}}, cascade, reports, ran);
    EXPECT_EQ(ran, (std::vector<std::string>{"a", "b"}));
    EXPECT_TRUE(reports.empty()) << "no failure reports nothing";
  }
  {
    HandlerCascade cascade;
    std::vector<std::string> reports, ran;
    Handler inner{HandlerLeadIn::kDirectory, {Fail("/gone"), Succeed("inner after")}};
    RunHandler({HandlerLeadIn::kDrive, {Nested(inner, reports), Succeed("outer after")}}, cascade,
               reports, ran);
    EXPECT_EQ(ran, (std::vector<std::string>{"fail /gone"}))
        << "a nested failure ends the nested and the outer handler";
    EXPECT_EQ(reports, (std::vector<std::string>{"drive /gone: " + missing}))
        << "reported once, by the outermost handler, with its lead-in";
  }
  {
    HandlerCascade cascade;
    std::vector<std::string> reports, ran;
    Handler second{HandlerLeadIn::kDirectory, {Succeed("never")}};
    Handler first{HandlerLeadIn::kDirectory, {Fail("/first")}};
    RunHandler({HandlerLeadIn::kDirectory,
                {Nested(first, reports), Fail("/second"), Nested(second, reports)}},
               cascade, reports, ran);
    EXPECT_EQ(reports, (std::vector<std::string>{"directory /first: " + missing}))
        << "the first failure wins";
  }
  {
    HandlerCascade cascade;
    std::vector<std::string> reports, ran;
    RunHandler({HandlerLeadIn::kDrive, {Fail("/media/card")}}, cascade, reports, ran);
    RunHandler({HandlerLeadIn::kDirectory, {Succeed("next event")}}, cascade, reports, ran);
    EXPECT_EQ(ran.back(), "next event") << "a reported failure does not block the next event";
    EXPECT_EQ(reports.size(), 1u);
  }
}

}  // namespace
}  // namespace varnoth
