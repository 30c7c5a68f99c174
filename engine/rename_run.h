#pragma once

#include <string>

#include "platform/dialogs.h"
#include "platform/file_services.h"
#include "platform/list_interfaces.h"

namespace varnoth {

// Everything a rename run reads and acts on. The run holds its own values only while it runs.
struct RenameRunParts {
  const TextSource& stemBox;
  const std::string& extension;
  FileList& sourceList;
  FileList& targetList;
  const DirectoryPathSource& sourceDirectory;
  const DirectoryPathSource& targetDirectory;
  FileServices& files;
  MessageSink& messages;
};

// Moves every selected entry of the source list into the target directory under the next numbered
// names, reporting each failing step and going on, then refreshes both lists.
void RunRename(const RenameRunParts& parts);

}  // namespace varnoth
