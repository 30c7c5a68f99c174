#pragma once

#include <string>
#include <system_error>

#include "platform/file_services.h"

namespace varnoth::test {

// The real file services, except that the Nth copy or delete (counting from 1) fails with the
// given errno without reaching the file system.
class FailingFileServices final : public FileServices {
 public:
  struct Fault {
    int nth = 0;
    int errorNumber = 0;
  };
  FailingFileServices(Fault copy, Fault remove) : copy_(copy), delete_(remove) {}

  std::error_code copyFile(const std::string& from, const std::string& to) override {
    if (++copies_ == copy_.nth)
      return {copy_.errorNumber, std::generic_category()};
    return systemFileServices().copyFile(from, to);
  }
  std::error_code deleteFile(const std::string& path) override {
    if (++deletes_ == delete_.nth)
      return {delete_.errorNumber, std::generic_category()};
    return systemFileServices().deleteFile(path);
  }
  std::error_code makeDirectory(const std::string& path) override {
    return systemFileServices().makeDirectory(path);
  }

 private:
  Fault copy_, delete_;
  int copies_ = 0, deletes_ = 0;
};

}  // namespace varnoth::test
