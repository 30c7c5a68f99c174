// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

namespace varnoth {

// The hidden name a byte copy writes under where the file system has no unnamed files:
// ".varnoth-" and six letters or digits.
std::string NewTemporaryName();
bool IsTemporaryName(std::string_view name);

// Removes the temporaries that killed runs left in the directory `directoryFd` (opened from
// `path`), once per directory and process. Only regular files under the temporary pattern go,
// and of those only the ones nobody holds a lock on; where the file system has no locks, only
// the ones untouched for an hour.
void RemoveLeftoverTemporariesOnce(int directoryFd, const std::string& path);

// The mark beside an empty reservation `name`, made right before the reservation and removed once
// the reservation has been replaced or removed: ".varnoth-reserved-" and the name. Only names,
// so it survives on FAT.
std::string ReservationMarkOf(const std::string& name);
bool IsReservationMark(std::string_view name);

// Removes the reservations that killed moves left in the directory, with their marks: only an
// empty regular file no older than its mark, whose mark nobody holds a lock on (where the file
// system has no locks, one untouched for an hour). A file without a mark, older than its mark,
// or with content, is never removed.
void RemoveLeftoverReservations(int directoryFd);

}  // namespace varnoth
