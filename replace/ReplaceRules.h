// The replace and delete rules: what each kind of the replace dialog makes of one line of the
// conversion range, and the whole run of a kind over a document.
//
// Kinds: 11 general replace, 12 replace before a string, 13 replace after a string, 14 replace
// between two strings; 21–24 the same four as deletes; 50 line breaks between two strings;
// 150 delete the lines that hold any of the strings, 160 those that hold none of them.
// Every text is CP932 bytes; every search finds a string only where it starts on a character
// boundary, and an empty string is never found. No rule fails on any line.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "convert/ConversionRoad.h"
#include "document/LightStr.h"

namespace ReplaceRules {

// The three fields of the dialog, exactly as typed (not trimmed). By kind:
//   11: S1, S2 the strings replaced (S2 skipped when empty), S3 the replacement
//   12, 13: S1 the string, S3 the replacement          14: S1 start, S2 end, S3 replacement
//   21: S1, S2, S3 the strings deleted (S2, S3 skipped when empty)
//   22, 23: S1 the string                               24: S1 start, S2 end
//   50: S1 the mark a break follows, S2 the mark a break precedes
//   150, 160: S1, S2, S3 the strings looked for (empty ones are not looked for)
struct TFields {
  std::string S1, S2, S3;
};

struct TOptions {
  bool DropEmptyLines = false;  // 空白行は削除: range lines empty before the run are dropped (every kind)
  bool MatchCase = false;       // 大文字小文字を区別: IgnoreCase = !MatchCase (kinds 11–24, 150, 160)
  bool KeepMarkers = false;     // 対象文字は変換しないで残す: Mode 0 when set, 1 otherwise (kinds 11–24)
};

// Whether kind is one of 11–14, 21–24, 50, 150, 160.
[[nodiscard]] bool IsKind(int kind);

// The rule of kinds 11–24 for one non-empty line, built from Strfunc's StrBefore, StrAfter and
// ReplaceBetween with Mode = KeepMarkers ? 0 : 1 and IgnoreCase = !MatchCase.
//   11: every S1, then (when S2 is not empty) every S2 of that result, replaced by S3, or with
//       S3 inserted after it when KeepMarkers; 21 the same with S1, S2, S3 deleted in turn.
//   12: S3 followed by the text after the first S1 (S1 kept in front of it when KeepMarkers),
//       unless that text is the line itself byte for byte; a line without S1 becomes S3.
//   13: the text before the first S1 (S1 kept after it when KeepMarkers) followed by S3, unless
//       that text is the line itself; a line without S1 stays as it is.
//   14, 24: every stretch from an S1 to the first S2 after it becomes S3 (14) or goes (24);
//       KeepMarkers keeps the two strings around it.
//   22, 23: the text after (22) or before (23) the first S1; 22 empties a line without S1.
// Linear in the line's length, whatever the number of matches.
//      RepLine(11, "banana", {"a", "", "x"}, {}) == "bxnxnx"
//      RepLine(12, "a=b", {"=", "", "key"}, {}) == "keyb"
// Throws std::invalid_argument for any other kind.
[[nodiscard]] std::string RepLine(int kind, std::string_view line, const TFields& f,
                                  const TOptions& o);

// Whether S1, S2 or S3 occurs in line; with ignoreCase the line and the strings are compared
// upper-cased (single-byte a–z only; a second byte is never changed). Empty strings never occur.
//      ContainsAny("a.JPG", "jpg", "", "", true) && !ContainsAny("a", "", "", "", true)
[[nodiscard]] bool ContainsAny(std::string_view line, std::string_view S1, std::string_view S2,
                               std::string_view S3, bool ignoreCase);

// The per-line rule of any kind, the empty-line rule included: an empty range line is appended
// unchanged unless DropEmptyLines; a non-empty line gets the kind's result, also when that
// result is empty. Kind 50: when HTMLfunc::BreakAtMarks(line, S1, S2) breaks the line, ONE
// entry holding the pieces each followed by CR LF, so that the joined document shows the
// pieces as lines followed by one empty line; otherwise the line. Kind 50 always compares
// case-sensitively. Kinds 150 / 160 append the line when ContainsAny is false / true.
// Throws std::invalid_argument for a kind that IsKind rejects.
[[nodiscard]] ConversionRoad::LineRule KindRule(int kind, const TFields& f, const TOptions& o);

// Kinds 150 and 160, which keep or drop lines and never change one, as a filter: true for the
// lines that KindRule appends. Empty for every other kind.
[[nodiscard]] ConversionRoad::LineFilter KindFilter(int kind, const TFields& f, const TOptions& o);

// The whole run over a document: lines before the range, the rule over Start..End, lines after
// (ConversionRoad::Run). An empty range (End < Start) converts nothing.
// Throws std::invalid_argument for a kind that IsKind rejects; out is then left as it was.
void RunKind(const TLightStrings& document, std::int32_t lineCount, ConversionRoad::TRange range,
             int kind, const TFields& f, const TOptions& o, TLightStrings& out);

// What a kind would do to the lines of a range, told before it runs: how many lines it changes
// (or, for 150 and 160 and with DropEmptyLines, drops) and how many places its strings are
// found at. The lines are judged by the kind's own rule, so the count is the run's.
struct TPreview {
  std::int64_t Lines = 0;     // lines changed or dropped
  std::int64_t Dropped = 0;   // of them, lines that go
  std::int64_t Places = 0;    // places the strings are found at
  std::int64_t Seen = 0;      // lines judged
};
class TPreviewer {
 public:
  TPreviewer(int kind, const TFields& f, const TOptions& o);
  // Judges one more line of the range.
  void Add(std::string_view line);
  // Judges lines joined by CR LF (the last may lack it): the same as Add of each, but lines
  // holding none of the strings are passed over at search speed where the kind leaves them
  // as they are.
  void AddLines(std::string_view lines);
  [[nodiscard]] const TPreview& Result() const noexcept { return result_; }
  // The strings the kind looks for (not its replacement), in order: what the editor marks.
  [[nodiscard]] const std::vector<std::string>& Marks() const noexcept { return marks_; }

 private:
  void AddSettledLines(std::string_view lines);
  ConversionRoad::LineRule rule_;
  std::vector<std::string> marks_;
  bool matchCase_;
  int kind_;
  bool dropEmpty_;
  bool foundSettles_;
  TLightStrings out_;
  TPreview result_;
};

}  // namespace ReplaceRules
