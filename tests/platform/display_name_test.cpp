// SPDX-License-Identifier: GPL-3.0-or-later
#include "display_name.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace varnoth {
namespace {

using namespace std::string_literals;

// Each kind of name that could lie about itself, and what a list shows for it. A message shows
// the same between a first-strong isolate and a pop directional isolate.
TEST(DisplayName, ShowsEveryHostileNameVisiblyAndPlainNamesAsTheyAre) {
  struct Row {
    const char* kind;
    std::string name;
    std::string shown;
  };
  const Row rows[] = {
      {"plain", "IMG_0001.jpg", "IMG_0001.jpg"},
      {"accents", "Été à Zürich.jpg", "Été à Zürich.jpg"},
      {"CJK", "旅行写真.jpg", "旅行写真.jpg"},
      {"Arabic", "صورة.jpg", "صورة.jpg"},
      {"Hebrew", "תמונה.jpg", "תמונה.jpg"},
      {"space and percent", "a %1 b.jpg", "a %1 b.jpg"},
      {"invalid byte FF", "bad\xff.jpg", "bad\\xFF.jpg"},
      {"invalid byte FE", "bad\xfe.jpg", "bad\\xFE.jpg"},
      {"sequence cut short", "a\xe2\x80.jpg", "a\\xE2\\x80.jpg"},
      {"overlong slash", "a\xc0\xaf.jpg", "a\\xC0\\xAF.jpg"},
      {"encoded surrogate", "a\xed\xa0\x80.jpg", "a\\xED\\xA0\\x80.jpg"},
      {"past U+10FFFF", "a\xf4\x90\x80\x80", "a\\xF4\\x90\\x80\\x80"},
      {"newline", "x.jpg\nrm -rf", "x.jpg\\nrm -rf"},
      {"tab", "a\tb.jpg", "a\\tb.jpg"},
      {"carriage return", "a\rb.jpg", "a\\rb.jpg"},
      {"escape", "a\x1b[31m.jpg", "a\\x1B[31m.jpg"},
      {"delete", "a\x7f.jpg", "a\\x7F.jpg"},
      {"C1 next line", "a\u0085.jpg", "a\\u0085.jpg"},
      {"right-to-left override", "holiday\u202Egnp.jpg", "holiday\\u202Egnp.jpg"},
      {"left-to-right isolate", "a\u2066b.jpg", "a\\u2066b.jpg"},
      {"pop directional isolate", "a\u2069.jpg", "a\\u2069.jpg"},
      {"Arabic letter mark", "a\u061Cb.jpg", "a\\u061Cb.jpg"},
      {"right-to-left mark", "a\u200Fb.jpg", "a\\u200Fb.jpg"},
      {"zero-width space", "IMG_0001\u200B.jpg", "IMG_0001\\u200B.jpg"},
      {"zero-width joiner", "a\u200Db.jpg", "a\\u200Db.jpg"},
      {"word joiner", "a\u2060b.jpg", "a\\u2060b.jpg"},
      {"byte order mark", "\uFEFFa.jpg", "\\uFEFFa.jpg"},
      {"soft hyphen", "a\u00ADb.jpg", "a\\u00ADb.jpg"},
      {"Hangul filler", "a\u3164.jpg", "a\\u3164.jpg"},
      {"variation selector", "a\uFE0F.jpg", "a\\uFE0F.jpg"},
      {"line separator", "a\u2028b.jpg", "a\\u2028b.jpg"},
      {"tag character", "a\U000E0041.jpg", "a\\U000E0041.jpg"},
      {"division slash", "\u2215..\u2215etc\u2215passwd.jpg",
       "\\u2215..\\u2215etc\\u2215passwd.jpg"},
      {"backslash", "a\\b.jpg", "a\\\\b.jpg"},
      {"text that reads like an escape", "bad\\xFF.jpg", "bad\\\\xFF.jpg"},
      {"NUL", "a\0b"s, "a\\x00b"},
      {"empty", "", ""},
  };
  std::set<std::string> seen;
  for (const Row& row : rows) {
    EXPECT_EQ(DisplayName(row.name), row.shown) << row.kind;
    EXPECT_EQ(IsolatedName(row.name), "\u2068" + row.shown + "\u2069") << row.kind;
    EXPECT_TRUE(seen.insert(DisplayName(row.name)).second) << row.kind << " shows as another";
  }
}

}  // namespace
}  // namespace varnoth
