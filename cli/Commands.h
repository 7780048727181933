// The commands of korvane-cli: their table (name, arguments, description, the core rule each
// runs), a command line parsed into a command, and the session that runs commands over a
// document with the conversion range the window keeps.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "cli/Recipe.h"
#include "convert/ConversionRoad.h"
#include "document/DocumentText.h"
#include "document/ForeignChars.h"
#include "replace/ReplaceRules.h"

namespace Commands {

// What a command does, with the core rule it runs.
enum class TAction {
  ReplaceKind,  // ReplaceRules::KindRule of the kind in Code (11–14, 21–24, 50, 150, 160)
  StripTags,    // HTMLfunc::TagRemovalRule; Code 1 drops the pieces left blank
  BreakAtTags,  // HTMLfunc::TTagBreaker; the range stays as it was
  HalfWidth,    // HenkanJ::HalfWidthRule
  Trim,         // LineEdges::TrimRule of the mode in Code (1, 2, 3)
  AddText,      // LineEdges::AddTextRule; Code 1 puts the text in front
  DeleteRange,  // the range's lines go (指定範囲削除)
  Range,        // the range of the next command
  SaveRange,    // the output is the range's lines only (範囲保存)
  PageText,     // PageText::PageTextRule; Code 1 lists the link addresses only
};

// The replace dialog's options that a command takes.
enum TOptionBits : unsigned {
  kDropEmpty = 1,    // --drop-empty: 空白行は削除
  kMatchCase = 2,    // --match-case: 大文字小文字を区別
  kKeepMarkers = 4,  // --keep-marks: 対象文字は変換しないで残す
  kKeepLinks = 8,    // --keep-links: リンク先も残す (page-text)
};

struct TInfo {
  std::string_view Name;         // as written on a command line
  std::string_view Arguments;    // as --help shows them
  std::string_view Caption;      // the window's caption, also accepted as the name
  std::string_view Description;  // one line
  TAction Action;
  int Code;
  int MinArgs;
  int MaxArgs;
  unsigned Options;  // TOptionBits
};

// Every command, in the order --help lists them.
[[nodiscard]] std::span<const TInfo> Table();
// The command of that name or window caption; null when there is none.
[[nodiscard]] const TInfo* Find(std::string_view name);
// The commands and their options as --help lists them.
[[nodiscard]] std::string Help();

// A command ready to run; its strings are CP932.
struct TCommand {
  const TInfo* Info = nullptr;
  std::string Where;
  std::vector<std::string> Strings;
  ReplaceRules::TOptions Options;
  std::int32_t First = 0;  // Range: 1-based
  std::int32_t Last = 0;   // Range: 1-based; 0 for the document's last line
  bool KeepLinks = false;  // PageText: each link's address after its text
};

// One command line as a command. Throws Recipe::EUsageError for an unknown command or option,
// a wrong number of arguments, a bad range, or a character that Shift-JIS cannot hold.
// With foreign, characters Shift-JIS cannot hold take the document's codes for them (see
// TForeignChars) instead of being refused.
[[nodiscard]] TCommand Parse(const Recipe::TLine& line, TForeignChars* foreign = nullptr);
// Every line as a command, in order, and the order checked: a range is followed by the command
// it is for, and save-range comes last.
[[nodiscard]] std::vector<TCommand> ParseAll(const std::vector<Recipe::TLine>& lines,
                                             TForeignChars* foreign = nullptr);

// What one command does to the document's lines.
struct TWork {
  enum class TKind {
    SetRange,   // sets the range of the next command
    SaveRange,  // the output is the range's lines
    Convert,    // Rule (then Tail) on the range's lines
    Filter,     // the range's lines that Keep refuses go
  };
  TKind Kind = TKind::Convert;
  ConversionRoad::LineRule Rule;
  ConversionRoad::RangeTail Tail;
  ConversionRoad::LineFilter Keep;
  bool NeedsSetRange = false;  // delete-range: refused without a range set
  bool KeepsRange = false;     // break-at-tags: the range stays, its end follows the line count
  bool AddsForeign = false;    // page-text: adds to the document's table of foreign characters
};
// The work of a command, with its rules made (a command's rule keeps state across lines).
[[nodiscard]] TWork WorkOf(const TCommand& command, TForeignChars& foreign);

// The failure of a range (range or save-range's) that does not fit a document of count lines.
[[nodiscard]] std::string RangeTooLargeText(const TCommand& range, std::int32_t count);
// The failure of delete-range or save-range without a range set.
[[nodiscard]] std::string NoRangeText(const TCommand& command);

// The document and its conversion range between commands, as the window keeps them: every
// command converts the range and then makes it the whole document again, except tag
// line-breaking, after which the range keeps its start and its end follows the line count.
class TSession {
 public:
  // The document as a load left it; the range is the whole document. foreign is the
  // document's table of characters CP932 lacks (one of the session's own when null).
  explicit TSession(TDocumentText& document, TForeignChars* foreign = nullptr);

  // Runs one command. Throws Recipe::EUsageError for a range outside the document, and for
  // delete-range or save-range without a range set.
  void Run(const TCommand& command);

  // The output, in pieces: the document's whole text, or after save-range its range's lines,
  // each followed by CR LF.
  void WriteOutput(const std::function<void(std::string_view)>& sink) const;

  [[nodiscard]] ConversionRoad::TRange Range() const { return range_; }

 private:
  void Convert(const ConversionRoad::LineRule& rule, const ConversionRoad::RangeTail& tail = {});
  void Filter(const ConversionRoad::LineFilter& keep);
  void ResetRange();
  void FollowLineCount();
  void SetRange(const TCommand& command);
  void RequireSetRange(const TCommand& command) const;

  TDocumentText& document_;
  TForeignChars ownForeign_;
  TForeignChars* foreign_;
  ConversionRoad::TRange range_;
  std::int32_t shownCount_ = 0;  // the line count the range row shows
  bool startSet_ = false;        // the user has set the start (its field is aqua)
  bool endSet_ = false;
  bool saveRange_ = false;
};

}  // namespace Commands
