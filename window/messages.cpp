#include "window/messages.h"

namespace varnoth {

std::string Describe(const char* action, const std::string& path, std::error_code error) {
  std::string text = action;
  if (!path.empty())
    text += " '" + path + "'";
  return text + ": " + error.message();
}

const char* RefuseDirectoryName(const std::string& name) {
  // One level below the target directory, nothing else: "/" would reach elsewhere or several
  // levels down, and "." and ".." name directories that exist already.
  if (name.find('/') != std::string::npos)
    return "The name must not contain \"/\".";
  if (name == "." || name == "..")
    return "The name must not be \".\" or \"..\".";
  return nullptr;
}

}  // namespace varnoth
