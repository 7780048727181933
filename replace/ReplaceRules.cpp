// The replace and delete rules over lines, and their run over a document.
#include "replace/ReplaceRules.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <utility>
#include <vector>

#include "convert/HTMLfunc.h"
#include "document/TextSearch.h"
#include "convert/Strfunc.h"
#include "document/ShiftJis.h"

namespace ReplaceRules {

namespace {

std::uint8_t ModeOf(const TOptions& o) { return o.KeepMarkers ? 0 : 1; }
bool IgnoreCaseOf(const TOptions& o) { return !o.MatchCase; }

bool IsLineKind(int kind) { return (kind >= 11 && kind <= 14) || (kind >= 21 && kind <= 24); }

[[noreturn]] void RejectKind(int kind) {
  throw std::invalid_argument("no replace rule of kind " + std::to_string(kind));
}

bool Holds(std::string_view line, std::string_view s, bool ignoreCase) {
  return ShiftJis::FindMark(line, s, ignoreCase) != ShiftJis::npos;
}

// A–Z and a–z folded onto a–z, every other byte as it is, whatever its place in a character.
// When a string occurs in a line ignoring case (ShiftJis::FindMark), the folded string occurs
// in the folded line at the same place: a letter compared upper-cased folds alike, and a
// second byte compared as it is folds alike too. So a folded line without the folded string
// cannot hold the string, and the fold, which needs no character boundaries, runs over the
// line at memory speed.
constexpr unsigned char Fold(unsigned char b) noexcept {
  const auto lower = static_cast<unsigned char>(b | 0x20);
  return static_cast<unsigned char>(lower - 'a') < 26 ? lower : b;
}

// Fold on eight bytes at once. For a byte below 0x80, its low seven bits t with bit 5 set lie
// in 'a'..'z' when t + 0x1F reaches 0x80 and t + 0x05 does not; no sum carries into the next
// byte. Bytes from 0x80 up are never letters.
std::uint64_t FoldWord(std::uint64_t w) noexcept {
  constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
  constexpr std::uint64_t kHigh = 0x80 * kOnes;
  const std::uint64_t t = (w | (0x20 * kOnes)) & ~kHigh;
  const std::uint64_t atLeastA = t + 0x1F * kOnes;
  const std::uint64_t pastZ = t + 0x05 * kOnes;
  const std::uint64_t letter = atLeastA & ~pastZ & ~w & kHigh;
  return w | (letter >> 2);
}

void FoldInto(std::string_view s, std::string& out) {
  out.resize(s.size());
  const char* in = s.data();
  char* to = out.data();
  std::size_t i = 0;
  for (; i + 8 <= s.size(); i += 8) {
    std::uint64_t w;
    std::memcpy(&w, in + i, 8);
    w = FoldWord(w);
    std::memcpy(to + i, &w, 8);
  }
  for (; i < s.size(); ++i) to[i] = static_cast<char>(Fold(static_cast<unsigned char>(in[i])));
}

// ContainsAny for many lines with the same strings: lines ignoring case are first looked at
// folded, and only those whose folded text holds a folded string are searched character by
// character.
class TAnyOfThree {
 public:
  TAnyOfThree(const TFields& f, bool ignoreCase) : ignoreCase_(ignoreCase) {
    for (const std::string* s : {&f.S1, &f.S2, &f.S3}) {
      if (s->empty()) continue;  // never found
      marks_.push_back(*s);
      folded_.emplace_back();
      FoldInto(*s, folded_.back());
      if (folded_.back() != *s || FoldsToSelf(*s)) letters_ = true;
    }
  }

  bool In(std::string_view line) {
    if (ignoreCase_ && !letters_) {
      // Strings without a letter byte match where they stand: folding the line changes only
      // letters, so the folded search would find the same places.
      for (const std::string& mark : marks_) {
        if (line.find(mark) != std::string_view::npos && Holds(line, mark, true)) return true;
      }
      return false;
    }
    if (!ignoreCase_) {
      for (const std::string& mark : marks_) {
        if (Holds(line, mark, false)) return true;
      }
      return false;
    }
    FoldInto(line, line_);
    const std::string_view folded(line_);
    for (std::size_t i = 0; i < marks_.size(); ++i) {
      if (folded.find(folded_[i]) != std::string_view::npos && Holds(line, marks_[i], true)) {
        return true;
      }
    }
    return false;
  }

 private:
  // Whether s holds a lower-case letter byte (which folding leaves as it is).
  static bool FoldsToSelf(std::string_view s) {
    return std::any_of(s.begin(), s.end(), [](char c) { return c >= 'a' && c <= 'z'; });
  }

  bool ignoreCase_;
  bool letters_ = false;  // a string holds a letter byte, A–Z or a–z
  std::vector<std::string> marks_;
  std::vector<std::string> folded_;
  std::string line_;  // the folded line, reused from line to line
};

}  // namespace

bool IsKind(int kind) { return IsLineKind(kind) || kind == 50 || kind == 150 || kind == 160; }

std::string RepLine(int kind, std::string_view line, const TFields& f, const TOptions& o) {
  const std::uint8_t mode = ModeOf(o);
  const bool ignoreCase = IgnoreCaseOf(o);
  switch (kind) {
    case 11: {
      std::string r = Strfunc::ReplaceBetween(line, f.S1, {}, f.S3, mode, ignoreCase);
      if (!f.S2.empty()) r = Strfunc::ReplaceBetween(r, f.S2, {}, f.S3, mode, ignoreCase);
      return r;
    }
    case 12: {
      // A line without S1 gives "" here, which differs from the non-empty line: it becomes S3.
      std::string t = Strfunc::StrAfter(line, f.S1, mode, ignoreCase);
      if (t == line) return t;
      return f.S3 + t;
    }
    case 13: {
      std::string t = Strfunc::StrBefore(line, f.S1, mode, ignoreCase);
      if (t == line) return t;
      return t + f.S3;
    }
    case 14:
      return Strfunc::ReplaceBetween(line, f.S1, f.S2, f.S3, mode, ignoreCase);
    case 21: {
      // Each pass works on the result of the one before.
      std::string r = Strfunc::ReplaceBetween(line, f.S1, {}, {}, mode, ignoreCase);
      if (!f.S2.empty()) r = Strfunc::ReplaceBetween(r, f.S2, {}, {}, mode, ignoreCase);
      if (!f.S3.empty()) r = Strfunc::ReplaceBetween(r, f.S3, {}, {}, mode, ignoreCase);
      return r;
    }
    case 22:
      return Strfunc::StrAfter(line, f.S1, mode, ignoreCase);
    case 23:
      return Strfunc::StrBefore(line, f.S1, mode, ignoreCase);
    case 24:
      return Strfunc::ReplaceBetween(line, f.S1, f.S2, {}, mode, ignoreCase);
    default:
      RejectKind(kind);
  }
}

bool ContainsAny(std::string_view line, std::string_view S1, std::string_view S2,
                 std::string_view S3, bool ignoreCase) {
  // FindMark compares UpperCase(line) with UpperCase(string) in place, without copies.
  return Holds(line, S1, ignoreCase) || Holds(line, S2, ignoreCase) ||
         Holds(line, S3, ignoreCase);
}

ConversionRoad::LineRule KindRule(int kind, const TFields& f, const TOptions& o) {
  if (!IsKind(kind)) RejectKind(kind);
  const bool dropEmpty = o.DropEmptyLines;

  if (IsLineKind(kind)) {
    return [kind, f, o, dropEmpty](std::string_view line, TLightStrings& out) {
      if (line.empty()) {
        if (!dropEmpty) out.Add(line);
        return;
      }
      out.Add(RepLine(kind, line, f, o));
    };
  }

  if (kind == 50) {
    // The pieces list and the joined entry are kept from line to line; the rule is copied by
    // the road, so they are shared.
    struct TScratch {
      TLightStrings pieces;
      std::string entry;
    };
    auto scratch = std::make_shared<TScratch>();
    return [f, dropEmpty, scratch](std::string_view line, TLightStrings& out) {
      if (line.empty()) {
        if (!dropEmpty) out.Add(line);
        return;
      }
      if (!HTMLfunc::BreakAtMarks(line, f.S1, f.S2, scratch->pieces)) {
        out.Add(line);
        return;
      }
      std::string& entry = scratch->entry;
      entry.clear();
      for (std::int32_t i = 0; i < scratch->pieces.Count(); ++i) {
        entry += scratch->pieces.View(i);
        entry += "\r\n";
      }
      out.Add(entry);
    };
  }

  return [keep = KindFilter(kind, f, o)](std::string_view line, TLightStrings& out) {
    if (keep(line)) out.Add(line);
  };
}

ConversionRoad::LineFilter KindFilter(int kind, const TFields& f, const TOptions& o) {
  if (kind != 150 && kind != 160) return {};
  // 150 drops the lines that hold a string, 160 keeps only those.
  const bool keepWhenFound = kind == 160;
  const bool dropEmpty = o.DropEmptyLines;
  auto search = std::make_shared<TAnyOfThree>(f, IgnoreCaseOf(o));
  return [search, dropEmpty, keepWhenFound](std::string_view line) {
    return line.empty() ? !dropEmpty : search->In(line) == keepWhenFound;
  };
}

void RunKind(const TLightStrings& document, std::int32_t lineCount, ConversionRoad::TRange range,
             int kind, const TFields& f, const TOptions& o, TLightStrings& out) {
  const ConversionRoad::LineRule rule = KindRule(kind, f, o);
  ConversionRoad::Run(document, lineCount, range, rule, out);
}

namespace {

// The fields a kind searches for; the others are its replacement or unused.
std::vector<std::string> SearchedFields(int kind, const TFields& f) {
  std::vector<std::string> marks;
  // A string with a line break in it is found in no line.
  const auto add = [&](const std::string& s) {
    if (!s.empty() && s.find_first_of("\r\n") == std::string::npos) marks.push_back(s);
  };
  switch (kind) {
    case 11: add(f.S1); add(f.S2); break;
    case 12: case 13: case 22: case 23: add(f.S1); break;
    case 14: case 24: case 50: add(f.S1); add(f.S2); break;
    default: add(f.S1); add(f.S2); add(f.S3); break;  // 21, 150, 160
  }
  return marks;
}

}  // namespace

TPreviewer::TPreviewer(int kind, const TFields& f, const TOptions& o)
    : rule_(KindRule(kind, f, o)),
      marks_(SearchedFields(kind, f)),
      matchCase_(kind == 50 || o.MatchCase),
      kind_(kind),
      dropEmpty_(o.DropEmptyLines),
      // Where finding a string settles the line without the rule: a deletion of a found string
      // always changes the line; so does a replacement by a text no case of the string spells;
      // 150 drops and 160 keeps a line that holds a string.
      foundSettles_((kind == 21 && !o.KeepMarkers) ||
                    (kind == 11 && !o.KeepMarkers && f.S2.empty() && !f.S1.empty() &&
                     ShiftJis::UpperCase(f.S3) != ShiftJis::UpperCase(f.S1)) ||
                    kind == 150 || kind == 160) {}

// One pass over the matches of every string, in order: each line they are found in counts once.
void TPreviewer::AddSettledLines(std::string_view lines) {
  std::vector<std::size_t> next(marks_.size());
  for (std::size_t m = 0; m < marks_.size(); ++m) next[m] = TextSearch::Next(lines, 0, marks_[m], matchCase_);
  std::size_t lineEnd = 0;  // after the LF of the last line counted
  for (;;) {
    std::size_t m = marks_.size();
    for (std::size_t i = 0; i < marks_.size(); ++i) {
      if (next[i] != TextSearch::npos && (m == marks_.size() || next[i] < next[m])) m = i;
    }
    if (m == marks_.size()) break;
    const std::size_t at = next[m];
    ++result_.Places;
    if (at >= lineEnd) {
      ++result_.Lines;
      if (kind_ == 150) ++result_.Dropped;
      const std::size_t lf = lines.find('\n', at);
      lineEnd = lf == std::string_view::npos ? lines.size() : lf + 1;
    }
    next[m] = TextSearch::Next(lines, at + marks_[m].size(), marks_[m], matchCase_);
  }
  result_.Seen += std::count(lines.begin(), lines.end(), '\n');
  if (!lines.empty() && lines.back() != '\n') ++result_.Seen;
}

void TPreviewer::AddLines(std::string_view lines) {
  const auto addLine = [this, lines](std::size_t from, std::size_t to) {  // [from, to) up to LF
    std::string_view line = lines.substr(from, to - from);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    Add(line);
  };
  if (foundSettles_ && !dropEmpty_ && kind_ != 160) {
    AddSettledLines(lines);
    return;
  }
  const bool skipping = !dropEmpty_ && kind_ != 12 && kind_ != 22 && kind_ != 160 && !marks_.empty();
  // Where each string is found next, from the current line on.
  std::vector<std::size_t> next(marks_.size());
  for (std::size_t m = 0; skipping && m < marks_.size(); ++m) {
    next[m] = TextSearch::Next(lines, 0, marks_[m], matchCase_);
  }
  std::size_t at = 0;  // a line start
  while (at < lines.size()) {
    if (skipping) {
      std::size_t hit = lines.size();
      for (std::size_t m = 0; m < marks_.size(); ++m) {
        if (next[m] != TextSearch::npos && next[m] < at) {
          next[m] = TextSearch::Next(lines, at, marks_[m], matchCase_);
        }
        if (next[m] != TextSearch::npos) hit = std::min(hit, next[m]);
      }
      // The lines before the one that holds the hit keep their text: only counted.
      std::size_t lineStart = lines.size();
      if (hit < lines.size()) {
        const std::size_t lf = hit == 0 ? std::string_view::npos : lines.rfind('\n', hit - 1);
        lineStart = lf == std::string_view::npos || lf < at ? at : lf + 1;
      }
      result_.Seen += std::count(lines.begin() + static_cast<std::ptrdiff_t>(at),
                                 lines.begin() + static_cast<std::ptrdiff_t>(lineStart), '\n');
      if (lineStart == lines.size()) {
        if (lines.back() != '\n') ++result_.Seen;  // the last line, without its break
        return;
      }
      at = lineStart;
    }
    const std::size_t lf = lines.find('\n', at);
    const std::size_t end = lf == std::string_view::npos ? lines.size() : lf;
    addLine(at, end);
    at = end + 1;
  }
}

void TPreviewer::Add(std::string_view line) {
  ++result_.Seen;
  std::int64_t found = 0;
  for (const std::string& mark : marks_) found += TextSearch::Count(line, mark, matchCase_);
  result_.Places += found;
  // A line that holds none of the strings keeps its text under every kind but 12 and 22 (which
  // rewrite such a line) and 160 (which drops it): the rule need not run on it.
  if (found == 0 && !line.empty() && kind_ != 12 && kind_ != 22) {
    if (kind_ == 160) {
      ++result_.Lines;
      ++result_.Dropped;
    }
    return;
  }
  if (found > 0 && foundSettles_) {
    if (kind_ != 160) ++result_.Lines;
    if (kind_ == 150) ++result_.Dropped;
    return;
  }
  out_.Clear();
  rule_(line, out_);
  if (out_.Count() == 0) {
    ++result_.Lines;
    ++result_.Dropped;
  } else if (out_.Count() != 1 || out_.View(0) != line) {
    ++result_.Lines;
  }
}

}  // namespace ReplaceRules
