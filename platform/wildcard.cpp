// SPDX-License-Identifier: GPL-3.0-or-later
#include "wildcard.h"

#include <cstddef>

#include "fold_case.h"

namespace varnoth {

namespace {

// Whether the `folded.size()` characters at `text` are `folded` with case ignored; `folded` is
// already folded, so only the name's characters are folded here, one table-free step each.
bool EqualsFolded(const char* text, std::string_view folded) {
  for (std::size_t i = 0; i < folded.size(); ++i) {
    if (FoldCase(text[i]) != folded[i])
      return false;
  }
  return true;
}

std::size_t FindFolded(std::string_view text, std::string_view folded) {
  if (folded.size() > text.size())
    return std::string_view::npos;
  for (std::size_t at = 0; at + folded.size() <= text.size(); ++at) {
    if (EqualsFolded(text.data() + at, folded))
      return at;
  }
  return std::string_view::npos;
}

}  // namespace

bool MatchesPattern(std::string_view name, std::string_view pattern) {
  return Wildcard(pattern).matches(name);
}

Wildcard::Wildcard(std::string_view pattern) : folded_(pattern) {
  for (char& c : folded_)
    c = FoldCase(c);
  const std::string_view whole = folded_;
  hasStar_ = whole.find('*') != std::string_view::npos;
  if (!hasStar_) {
    head_ = whole;
    return;
  }
  const std::size_t firstStar = whole.find('*');
  const std::size_t lastStar = whole.rfind('*');
  head_ = whole.substr(0, firstStar);
  middle_ = whole.substr(firstStar + 1, lastStar - firstStar);
  tail_ = whole.substr(lastStar + 1);
}

bool Wildcard::matches(std::string_view name) const {
  if (!hasStar_)
    return name.size() == head_.size() && EqualsFolded(name.data(), head_);

  // The text before the first star must start the name and the text after the last star must
  // end it; these two anchors may not overlap.
  if (name.size() < head_.size() + tail_.size())
    return false;
  if (!EqualsFolded(name.data() + name.size() - tail_.size(), tail_))
    return false;
  if (!EqualsFolded(name.data(), head_))
    return false;

  // The pieces between stars are floating: taking each at its leftmost place never loses a
  // match, because the star after it can absorb whatever a later place would have skipped. So
  // no backtracking is needed.
  std::string_view rest = name.substr(head_.size(), name.size() - head_.size() - tail_.size());
  std::string_view middle = middle_;
  while (!middle.empty()) {
    const std::size_t star = middle.find('*');
    const std::string_view piece = middle.substr(0, star);
    if (!piece.empty()) {
      const std::size_t at = FindFolded(rest, piece);
      if (at == std::string_view::npos)
        return false;
      rest.remove_prefix(at + piece.size());
    }
    middle.remove_prefix(star == std::string_view::npos ? middle.size() : star + 1);
  }
  return true;
}

}  // namespace varnoth
