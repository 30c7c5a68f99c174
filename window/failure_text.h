// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <system_error>

#include "handler_cascade.h"
#include "naming.h"
#include "rename_run.h"

namespace varnoth {

// Every text the window shows for a failure is composed here, from the failure as a value.

// A rename run's failure: "Failure converting file. " + description + ".", or the stem's refusal.
std::string RunFailureText(const RunFailure& failure);

// "Drive failure. Cannot read '/media/card': No such file or directory."
std::string HandlerFailureText(HandlerLeadIn leadIn, const std::string& path,
                               std::error_code error);

// The user asked a directory list to open a directory that cannot be read.
std::string OpenDirectoryFailureText(const std::string& path, std::error_code error);

// "New target directory": the answer is refused, or the directory cannot be created.
std::string DirectoryNameRefusalText(DirectoryNameRefusal refusal);
std::string MakeDirectoryFailureText(const std::string& path, std::error_code error);

}  // namespace varnoth
