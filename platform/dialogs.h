// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace varnoth {

// The window's two modal dialogs, behind interfaces so that tests answer them from a script; the
// engine shows none (a run reports its failures as values).

// A modal message with an OK button only and no icon.
class MessageSink {
 public:
  virtual ~MessageSink() = default;
  virtual void showMessage(const std::string& text) = 0;
};

// A modal one-line question; returns the entered text, or the empty string when cancelled.
class InputPrompt {
 public:
  virtual ~InputPrompt() = default;
  virtual std::string askText(const std::string& prompt, const std::string& title) = 0;
};

}  // namespace varnoth
