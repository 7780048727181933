// A saved page (HTML, or an RSS or Atom feed) as the text a reader sees, through libxml2's
// parsers: blocks start lines, paragraphs and headings stand apart, whitespace is collapsed as
// a browser collapses it (not in <pre>), scripts, styles, comments and the head give nothing
// (the title comes first), list items get "・", table cells are separated by tabs, images give
// their alt text in brackets, and every entity and numeric reference is decoded.
#pragma once

#include <string>
#include <string_view>

#include "convert/ConversionRoad.h"
#include "document/ForeignChars.h"

namespace PageText {

struct TOptions {
  bool KeepLinks = false;  // each link's address after its text: "text <https://…>"
  bool LinksOnly = false;  // only the link addresses, one a line
};

// The text of a page or feed given as UTF-8; lines end with '\n', none is empty at the start
// or the end, and never two empty lines follow each other. Never fails: anything that is not
// HTML reads as text in a page.
[[nodiscard]] std::string ToText(std::string_view utf8, const TOptions& options);

// The rule and tail of "HTMLをテキストに変換" on the conversion road: the range's lines are
// gathered, read as one page (characters CP932 lacks through foreign), and its text is written
// as the range's new lines.
struct TRoadRule {
  ConversionRoad::LineRule Rule;
  ConversionRoad::RangeTail Tail;
};
[[nodiscard]] TRoadRule PageTextRule(const TOptions& options, TForeignChars& foreign);

}  // namespace PageText
