#pragma once

#include <string>
#include <system_error>

namespace varnoth {

// Lead-ins of the window's failure messages; each is followed by a description and ".".
inline constexpr const char* kDriveFailure = "Drive failure. ";
inline constexpr const char* kDirectoryFailure = "Directory failure. ";
inline constexpr const char* kMakeDirectoryFailure = "Failure creating directory. ";

// "Cannot read '/media/card': No such file or directory"
std::string Describe(const char* action, const std::string& path, std::error_code error);

// Why a name typed for a new directory is refused, or nullptr when it is a plain name.
const char* RefuseDirectoryName(const std::string& name);

}  // namespace varnoth
