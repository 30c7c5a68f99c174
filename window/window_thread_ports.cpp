// SPDX-License-Identifier: GPL-3.0-or-later
#include "window_thread_ports.h"

#include "qt/window_thread_call.h"

namespace varnoth {

std::error_code WindowThreadFileList::setPath(const std::string& directory) {
  copied_ = false;
  return CallOnThreadOf(window_, [&] { return list_.setPath(directory); });
}

std::error_code WindowThreadFileList::setPattern(const std::string& pattern) {
  copied_ = false;
  return CallOnThreadOf(window_, [&] { return list_.setPattern(pattern); });
}

std::error_code WindowThreadFileList::refresh() {
  copied_ = false;
  return CallOnThreadOf(window_, [&] { return list_.refresh(); });
}

std::error_code WindowThreadFileList::refreshLike(const FileList& sameFolder) {
  const auto* other = dynamic_cast<const WindowThreadFileList*>(&sameFolder);
  if (!other)
    return refresh();
  copied_ = false;
  return CallOnThreadOf(window_, [&] { return list_.refreshLike(other->list_); });
}

std::size_t WindowThreadFileList::count() const {
  return copy().entries.size();
}

const std::string& WindowThreadFileList::entry(std::size_t index) const {
  return copy().entries.at(index);
}

bool WindowThreadFileList::isSelected(std::size_t index) const {
  return copy().selected.at(index);
}

std::optional<FolderIdentity> WindowThreadFileList::folderIdentity() const {
  return copy().identity;
}

bool WindowThreadFileList::sawLeftovers() const {
  return copy().leftovers;
}

const WindowThreadFileList::Copy& WindowThreadFileList::copy() const {
  if (!copied_) {
    // One call for the whole list: one call per entry would cost a thread switch per file.
    copy_ = CallOnThreadOf(window_, [this] {
      Copy copy;
      const std::size_t count = list_.count();
      copy.entries.reserve(count);
      copy.selected.reserve(count);
      for (std::size_t index = 0; index < count; ++index) {
        copy.entries.push_back(list_.entry(index));
        copy.selected.push_back(list_.isSelected(index));
      }
      copy.identity = list_.folderIdentity();
      copy.leftovers = list_.sawLeftovers();
      return copy;
    });
    copied_ = true;
  }
  return copy_;
}

std::string WindowThreadDirectory::path() const {
  // Read across once: the run reads each path once, and what it read is what it holds.
  if (!path_)
    path_ = CallOnThreadOf(window_, [this] { return source_.path(); });
  return *path_;
}

std::string WindowThreadText::textBytes() const {
  return CallOnThreadOf(window_, [this] { return source_.textBytes(); });
}

void WindowThreadReport::reportFailure(const RunFailure& failure) {
  CallOnThreadOf(window_, [&] { report_.reportFailure(failure); });
}

}  // namespace varnoth
