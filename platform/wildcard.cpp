// SPDX-License-Identifier: GPL-3.0-or-later
#include "wildcard.h"

#include <cstddef>

#include "fold_case.h"

namespace varnoth {

namespace {

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size())
    return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (FoldCase(a[i]) != FoldCase(b[i]))
      return false;
  }
  return true;
}

std::size_t FindIgnoringCase(std::string_view text, std::string_view piece) {
  if (piece.size() > text.size())
    return std::string_view::npos;
  for (std::size_t at = 0; at + piece.size() <= text.size(); ++at) {
    if (EqualIgnoringCase(text.substr(at, piece.size()), piece))
      return at;
  }
  return std::string_view::npos;
}

}  // namespace

bool MatchesPattern(std::string_view name, std::string_view pattern) {
  return Wildcard(pattern).matches(name);
}

Wildcard::Wildcard(std::string_view pattern)
    : hasStar_(pattern.find('*') != std::string_view::npos) {
  if (!hasStar_) {
    head_ = pattern;
    return;
  }
  const std::size_t firstStar = pattern.find('*');
  const std::size_t lastStar = pattern.rfind('*');
  head_ = pattern.substr(0, firstStar);
  middle_ = pattern.substr(firstStar + 1, lastStar - firstStar);
  tail_ = pattern.substr(lastStar + 1);
}

bool Wildcard::matches(std::string_view name) const {
  if (!hasStar_)
    return EqualIgnoringCase(name, head_);

  // The text before the first star must start the name and the text after the last star must
  // end it; these two anchors may not overlap.
  if (name.size() < head_.size() + tail_.size())
    return false;
  if (!EqualIgnoringCase(name.substr(name.size() - tail_.size()), tail_))
    return false;
  if (!EqualIgnoringCase(name.substr(0, head_.size()), head_))
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
      const std::size_t at = FindIgnoringCase(rest, piece);
      if (at == std::string_view::npos)
        return false;
      rest.remove_prefix(at + piece.size());
    }
    middle.remove_prefix(star == std::string_view::npos ? middle.size() : star + 1);
  }
  return true;
}

}  // namespace varnoth
