// Substring primitives on Shift-JIS byte strings.
#include "convert/Strfunc.h"

#include "convert/HenkanJ.h"
#include "document/ShiftJis.h"

namespace Strfunc {

std::string StrBefore(std::string_view S, std::string_view Mark, std::uint8_t Mode,
                      bool IgnoreCase) {
  const std::size_t p = ShiftJis::FindMark(S, Mark, IgnoreCase);
  if (p == ShiftJis::npos) return std::string(S);
  std::string out(S.substr(0, p));
  if (Mode != 1) out += Mark;
  return out;
}

std::string StrAfter(std::string_view S, std::string_view Mark, std::uint8_t Mode,
                     bool IgnoreCase) {
  const std::size_t p = ShiftJis::FindMark(S, Mark, IgnoreCase);
  if (p == ShiftJis::npos) return {};
  std::string out;
  if (Mode != 1) out += Mark;
  out += S.substr(p + Mark.size());
  return out;
}

std::string LeftOf(std::string_view S, std::string_view Mark) {
  return StrBefore(S, Mark, 1, false);
}

std::string RightOf(std::string_view S, std::string_view Mark) {
  return StrAfter(S, Mark, 1, false);
}

// Each step works on the remaining text as a string of its own: a view starting at `origin`,
// so that the searches count characters (and upper-case) from the remaining text's first byte.
// That differs from S's own character count when a marker ends in a lead byte. Each search scans
// only up to its match, and the next origin lies past both matches, so the whole scan is linear.
std::string ReplaceBetween(std::string_view S, std::string_view StartMark,
                           std::string_view EndMark, std::string_view Repl, std::uint8_t Mode,
                           bool IgnoreCase) {
  std::string middle;
  if (Mode == 1) {
    middle = Repl;
  } else {
    middle.reserve(StartMark.size() + Repl.size() + EndMark.size());
    middle += StartMark;
    middle += Repl;
    middle += EndMark;
  }

  std::string out;
  std::size_t origin = 0;
  for (;;) {
    const std::string_view rest = S.substr(origin);
    const std::size_t p = ShiftJis::FindMark(rest, StartMark, IgnoreCase);
    if (p == ShiftJis::npos) break;
    std::size_t next = p + StartMark.size();
    if (!EndMark.empty()) {
      // The end marker is searched from the start of the remaining text, not from p: an end
      // marker before the start marker ends the scan.
      const std::size_t q = ShiftJis::FindMark(rest, EndMark, IgnoreCase);
      if (q == ShiftJis::npos || q <= p) break;
      next = q + EndMark.size();
    }
    if (out.empty()) out.reserve(S.size());
    out += rest.substr(0, p);
    out += middle;
    origin += next;
  }
  out += S.substr(origin);
  return out;
}

std::string HankakuStr(std::string_view S) { return HenkanJ::ZenToHan(S); }

}  // namespace Strfunc
