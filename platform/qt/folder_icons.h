// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QIcon>

namespace varnoth {

// The directory lists' classic marks: the current directory and its ancestors as open folders,
// sub-directories as closed ones. Drawn from SVG, so they stay crisp at any scale; the same two
// in every desktop theme, because some themes draw an open folder barely unlike a closed one.
enum class FolderLook { kOpen, kClosed };
QIcon FolderIcon(FolderLook look);

}  // namespace varnoth
