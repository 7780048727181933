// Substring primitives on Shift-JIS byte strings: the text before or after the first marker,
// and the replacement of every stretch between a start marker and an end marker.
//
// Mode 1 leaves the markers out of the result; any other mode keeps them (callers pass 0).
// With IgnoreCase, text and markers are compared upper-cased (ShiftJis::UpperCase); what is
// returned is cut from S itself, and a marker put into a result is the argument itself.
// A marker is found only where it starts on a character boundary; an empty marker is never
// found. No function fails; none changes its arguments.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace Strfunc {

// Text before the first Mark; mode other than 1 appends Mark. Mark not found: S unchanged.
//      StrBefore("a=b", "=", 0, false) == "a="      StrBefore("abc", "x", 1, false) == "abc"
[[nodiscard]] std::string StrBefore(std::string_view S, std::string_view Mark, std::uint8_t Mode,
                                    bool IgnoreCase);

// Text after the first Mark; mode other than 1 puts Mark in front. Mark not found: "".
//      StrAfter("a=b=c", "=", 1, false) == "b=c"    StrAfter("abc", "x", 1, false) == ""
[[nodiscard]] std::string StrAfter(std::string_view S, std::string_view Mark, std::uint8_t Mode,
                                   bool IgnoreCase);

// StrBefore / StrAfter with mode 1, case-sensitive.
[[nodiscard]] std::string LeftOf(std::string_view S, std::string_view Mark);
[[nodiscard]] std::string RightOf(std::string_view S, std::string_view Mark);

// Every stretch from a StartMark to the first EndMark after it becomes Repl (mode 1) or
// StartMark + Repl + EndMark (other modes), left to right; replaced text is never searched
// again. The scan stops, copying the rest unchanged, where the remaining text has no StartMark,
// no EndMark, or a first EndMark that does not come after its first StartMark; each remaining
// text counts its characters from its own first byte. An empty EndMark makes it a replace-all
// of StartMark (mode 1) or an insertion of Repl after every StartMark (other modes).
// Iterative, linear in the length of S.
//      ReplaceBetween("x[a]y[b]z", "[", "]", "-", 1, false) == "x-y-z"
//      ReplaceBetween("[a]b][c]", "[", "]", "-", 1, false) == "-b][c]"
//      ReplaceBetween("a.b.c", ".", "", "::", 1, false) == "a::b::c"
[[nodiscard]] std::string ReplaceBetween(std::string_view S, std::string_view StartMark,
                                         std::string_view EndMark, std::string_view Repl,
                                         std::uint8_t Mode, bool IgnoreCase);

// S with its full-width characters made half-width: HenkanJ::ZenToHan(S).
//      HankakuStr("\x82\x60\x83\x4B") == "A\xB6\xDE"      (Ａガ → Aｶﾞ)
[[nodiscard]] std::string HankakuStr(std::string_view S);

}  // namespace Strfunc
