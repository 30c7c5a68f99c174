// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>

#include "entry_at.h"
#include "ports/file_services.h"

namespace varnoth {

// Finishes the move of `from` to `to` that stopped after the copy: see FileServices::finishMove.
std::optional<MoveResult> FinishMove(EntryAt from, EntryAt to);

}  // namespace varnoth
