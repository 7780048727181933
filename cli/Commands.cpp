// The commands of korvane-cli and the session that runs them.
#include "cli/Commands.h"

#include <charconv>
#include <memory>

#include "convert/HTMLfunc.h"
#include "convert/HenkanJ.h"
#include "convert/PageText.h"
#include "convert/LineEdges.h"

namespace Commands {

namespace {

using Recipe::EUsageError;
using enum TAction;

constexpr unsigned kReplaceOptions = kDropEmpty | kMatchCase | kKeepMarkers;
constexpr unsigned kLineDeleteOptions = kDropEmpty | kMatchCase;

constexpr TInfo kTable[] = {
    {"replace", "FROM [FROM2] TO", "一般的な置換",
     "FROM（と FROM2）をすべて TO に置き換える", ReplaceKind, 11, 2, 3, kReplaceOptions},
    {"replace-before", "MARK TO", "文字より前を置換",
     "最初の MARK とその前を TO に置き換える（MARK のない行は TO になる）", ReplaceKind, 12, 2,
     2, kReplaceOptions},
    {"replace-after", "MARK TO", "文字より後ろを置換",
     "最初の MARK とその後ろを TO に置き換える", ReplaceKind, 13, 2, 2, kReplaceOptions},
    {"replace-between", "START END TO", "文字間を置換",
     "START から次の END までをすべて TO に置き換える", ReplaceKind, 14, 3, 3, kReplaceOptions},
    {"delete", "S1 [S2 [S3]]", "一般的な削除", "S1、S2、S3 をすべて削除する", ReplaceKind, 21,
     1, 3, kReplaceOptions},
    {"delete-before", "MARK", "文字より前を削除",
     "最初の MARK とその前を削除する（MARK のない行は空になる）", ReplaceKind, 22, 1, 1,
     kReplaceOptions},
    {"delete-after", "MARK", "文字より後ろを削除", "最初の MARK とその後ろを削除する",
     ReplaceKind, 23, 1, 1, kReplaceOptions},
    {"delete-between", "START END", "文字間を削除", "START から次の END までをすべて削除する",
     ReplaceKind, 24, 2, 2, kReplaceOptions},
    {"break-between", "AFTER BEFORE", "指定文字間で改行",
     "AFTER の後ろと BEFORE の前で行を分ける（BEFORE のない行はそのまま）", ReplaceKind, 50, 2,
     2, kDropEmpty},
    {"delete-lines-with", "S1 [S2 [S3]]", "指定文字を含む行を削除",
     "S1、S2、S3 のどれかを含む行を削除する", ReplaceKind, 150, 1, 3, kLineDeleteOptions},
    {"delete-lines-without", "S1 [S2 [S3]]", "指定文字を含まない行を削除",
     "S1、S2、S3 のどれも含まない行を削除する", ReplaceKind, 160, 1, 3, kLineDeleteOptions},
    {"strip-tags", "", "タグ除去のみ",
     "<br> の後ろで行を分け、HTML タグを除き、文字参照 (&amp; など) を戻す", StripTags, 0, 0, 0,
     0},
    {"strip-tags-drop-blank", "", "変換後の空白は除去",
     "strip-tags と同じうえ、空白だけになった行を捨てる", StripTags, 1, 0, 0, 0},
    {"break-at-tags", "", "HTMLタグで改行",
     "タグとタグの間の文字を一つずつ行にする（範囲はそのまま残る）", BreakAtTags, 0, 0, 0, 0},
    {"half-width", "", "全角を半角に変換", "全角の英数字・かな・記号を半角にする", HalfWidth, 0,
     0, 0, 0},
    {"trim", "", "行頭の空白削除", "行の両端の空白 (0x00–0x20) を除く", Trim, 1, 0, 0, 0},
    {"drop-blank-lines", "", "空白行を削除", "空白だけの行を削除する（ほかの行はそのまま）",
     Trim, 2, 0, 0, 0},
    {"trim-and-drop", "", "両者を同時実施", "空白だけの行を削除し、ほかの行の両端の空白を除く",
     Trim, 3, 0, 0, 0},
    {"prefix", "TEXT", "行頭に文字追加", "各行の先頭に TEXT を加える", AddText, 1, 1, 1, 0},
    {"suffix", "TEXT", "行末に文字追加", "各行の末尾に TEXT を加える", AddText, 0, 1, 1, 0},
    {"delete-range", "", "指定範囲削除", "range で指定した行を削除する", DeleteRange, 0, 0, 0, 0},
    {"range", "START [END]", "変換範囲設定",
     "次の命令の範囲を START 行目から END 行目（省略時は最終行）にする", Range, 0, 1, 2, 0},
    {"save-range", "", "範囲保存", "最後に置き、range で指定した行だけを出力する", SaveRange, 0,
     0, 0, 0},
    {"page-text", "", "HTMLをテキストに変換",
     "ページ (HTML、RSS、Atom) を読む人が見る文章にする (スクリプトや注釈は除き、段落は空行で区切る)",
     PageText, 0, 0, 0, kKeepLinks},
    {"page-links", "", "リンク先の一覧", "ページのリンク先のアドレスを一行に一つずつ並べる",
     PageText, 1, 0, 0, 0},
};

struct TOptionName {
  std::string_view Flag;
  std::string_view Caption;
  unsigned Bit;
};
constexpr TOptionName kOptionNames[] = {
    {"--drop-empty", "空白行は削除", kDropEmpty},
    {"--match-case", "大文字小文字を区別", kMatchCase},
    {"--keep-marks", "対象文字は変換しないで残す", kKeepMarkers},
    {"--keep-links", "リンク先も残す (page-text: 文字の後ろに <アドレス>)", kKeepLinks},
};

// The dialog's three fields from a command's strings.
ReplaceRules::TFields FieldsOf(int kind, const std::vector<std::string>& s) {
  if ((kind == 11 && s.size() == 2) || kind == 12 || kind == 13) return {s[0], "", s[1]};
  ReplaceRules::TFields fields;
  std::string* const slots[] = {&fields.S1, &fields.S2, &fields.S3};
  for (std::size_t i = 0; i < s.size() && i < 3; ++i) *slots[i] = s[i];
  return fields;
}

std::int32_t LineNumber(const std::string& where, std::string_view what, std::string_view word) {
  std::int32_t n = 0;
  const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), n);
  if (error != std::errc() || end != word.data() + word.size() || n < 1) {
    throw EUsageError(where + ": range の" + std::string(what) +
                      "は 1 から数えた行番号で指定してください（「" + std::string(word) + "」）");
  }
  return n;
}

std::string OrdinalArgument(std::size_t i) { return std::to_string(i + 1) + " 番目の引数"; }

}  // namespace

std::span<const TInfo> Table() { return kTable; }

const TInfo* Find(std::string_view name) {
  for (const TInfo& info : kTable) {
    if (info.Name == name || info.Caption == name) return &info;
  }
  return nullptr;
}

std::string Help() {
  std::string text = "命令（ウィンドウの項目名でも書けます）:\n";
  for (const TInfo& info : kTable) {
    std::string head = "  " + std::string(info.Name);
    if (!info.Arguments.empty()) head += " " + std::string(info.Arguments);
    while (head.size() < 36) head += ' ';
    text += head + " " + std::string(info.Caption) + ": " + std::string(info.Description) + "\n";
  }
  text +=
      "\n置換・削除・改行・行削除の命令のオプション（命令名の後ろに書く。引用符で囲んだ語や\n"
      "-- の後ろの語はオプションになりません）:\n";
  for (const TOptionName& option : kOptionNames) {
    std::string head = "  " + std::string(option.Flag);
    while (head.size() < 16) head += ' ';
    text += head + " " + std::string(option.Caption) + "\n";
  }
  text +=
      "  大文字小文字の区別は break-between では常にあり、--keep-marks は replace〜delete-between\n"
      "  の 8 命令だけに使えます。\n";
  return text;
}

TCommand Parse(const Recipe::TLine& line, TForeignChars* foreign) {
  TCommand command;
  command.Where = line.Where;
  const std::string& where = line.Where;
  if (line.Words.empty()) throw EUsageError(where + ": 命令がありません");
  const std::string& name = line.Words.front().Text;
  command.Info = line.Words.front().Quoted ? nullptr : Find(name);
  if (command.Info == nullptr) {
    throw EUsageError(where + ": 「" + name + "」という命令はありません（korvane-cli --help で一覧）");
  }
  const TInfo& info = *command.Info;
  unsigned options = 0;
  bool optionsEnded = false;
  std::vector<std::string> words;
  for (std::size_t i = 1; i < line.Words.size(); ++i) {
    const Recipe::TWord& word = line.Words[i];
    if (!word.Quoted && !optionsEnded && word.Text.starts_with("--")) {
      if (word.Text == "--") {
        optionsEnded = true;
        continue;
      }
      const TOptionName* found = nullptr;
      for (const TOptionName& option : kOptionNames) {
        if (option.Flag == word.Text) found = &option;
      }
      if (found == nullptr) {
        throw EUsageError(where + ": 「" + word.Text + "」というオプションはありません");
      }
      if ((info.Options & found->Bit) == 0) {
        throw EUsageError(where + ": " + word.Text + "（" + std::string(found->Caption) + "）は " +
                          std::string(info.Name) + " には使えません");
      }
      options |= found->Bit;
      continue;
    }
    words.push_back(word.Text);
  }
  const auto count = static_cast<int>(words.size());
  if (count < info.MinArgs || count > info.MaxArgs) {
    std::string wanted = info.MaxArgs == 0 ? "引数をとりません"
                         : info.Arguments.empty() ? ""
                                                  : "引数は " + std::string(info.Arguments);
    throw EUsageError(where + ": " + std::string(info.Name) + " の引数の数が違います（" +
                      std::to_string(count) + " 個）。" + wanted);
  }
  command.Options = {.DropEmptyLines = (options & kDropEmpty) != 0,
                     .MatchCase = (options & kMatchCase) != 0,
                     .KeepMarkers = (options & kKeepMarkers) != 0};
  command.KeepLinks = (options & kKeepLinks) != 0;
  if (info.Action == Range) {
    command.First = LineNumber(where, "開始行", words[0]);
    if (count == 2) {
      command.Last = LineNumber(where, "終了行", words[1]);
      if (command.Last < command.First) {
        throw EUsageError(where + ": range の終了行 (" + std::to_string(command.Last) +
                          ") が開始行 (" + std::to_string(command.First) + ") より前です");
      }
    }
    return command;
  }
  for (std::size_t i = 0; i < words.size(); ++i) {
    command.Strings.push_back(
        Recipe::ToCp932(words[i], where + ": " + OrdinalArgument(i), foreign));
  }
  return command;
}

std::vector<TCommand> ParseAll(const std::vector<Recipe::TLine>& lines, TForeignChars* foreign) {
  std::vector<TCommand> commands;
  for (const Recipe::TLine& line : lines) commands.push_back(Parse(line, foreign));
  for (std::size_t i = 0; i < commands.size(); ++i) {
    const TCommand& command = commands[i];
    const bool last = i + 1 == commands.size();
    if (command.Info->Action == Range && (last || commands[i + 1].Info->Action == Range)) {
      throw EUsageError(command.Where + ": range の後ろに、その範囲で実行する命令がありません");
    }
    if (command.Info->Action == SaveRange && !last) {
      throw EUsageError(command.Where + ": save-range は最後の命令にしてください");
    }
  }
  return commands;
}

TSession::TSession(TDocumentText& document, TForeignChars* foreign)
    : document_(document), foreign_(foreign != nullptr ? foreign : &ownForeign_) {
  ResetRange();
}

void TSession::ResetRange() {
  const std::int32_t count = document_.LineCount();
  range_ = {0, count > 0 ? count - 1 : 0};
  shownCount_ = count;
  startSet_ = false;
  endSet_ = false;
}

// The window's line-count rule after a change of the text: the end follows a new line count,
// and a start left past it goes back to the first line.
void TSession::FollowLineCount() {
  const std::int32_t count = document_.LineCount();
  if (count == shownCount_) return;
  shownCount_ = count;
  range_.End = count - 1;
  endSet_ = false;
  if (range_.Start > range_.End && range_.Start > 0) {
    range_.Start = 0;
    startSet_ = false;
  }
}

std::string RangeTooLargeText(const TCommand& range, std::int32_t count) {
  const std::string asked =
      std::to_string(range.First) + (range.Last == 0 ? "" : "–" + std::to_string(range.Last));
  return range.Where + ": 範囲 " + asked + " が文書の行数 (" + std::to_string(count) +
         ") を超えています";
}

std::string NoRangeText(const TCommand& command) {
  return command.Where + ": 範囲が設定されていません（" + std::string(command.Info->Name) +
         " の前に range を置いてください）";
}

void TSession::SetRange(const TCommand& command) {
  const std::int32_t count = document_.LineCount();
  const std::int32_t last = command.Last == 0 ? count : command.Last;
  if (command.First > count || last > count) throw EUsageError(RangeTooLargeText(command, count));
  range_ = {command.First - 1, last - 1};
  startSet_ = true;
  endSet_ = command.Last != 0;
}

void TSession::RequireSetRange(const TCommand& command) const {
  if (!startSet_ && !endSet_) throw EUsageError(NoRangeText(command));
}

void TSession::Convert(const ConversionRoad::LineRule& rule, const ConversionRoad::RangeTail& tail) {
  auto out = std::make_unique<TLightStrings>();
  // Most commands give about one line per line: room for them at once, not grown step by step.
  out->SetCapacity(document_.LineCount());
  ConversionRoad::Run(document_.Lines(), document_.LineCount(), range_, rule, *out, tail);
  document_.SetLines(out);
}

// A command that only keeps or drops lines: the lines that stay are not copied.
void TSession::Filter(const ConversionRoad::LineFilter& keep) {
  document_.KeepLinesIf(range_.Start, range_.End, keep);
}

TWork WorkOf(const TCommand& command, TForeignChars& foreign) {
  using TKind = TWork::TKind;
  const TInfo& info = *command.Info;
  switch (info.Action) {
    case TAction::Range:
      return {.Kind = TKind::SetRange};
    case SaveRange:
      return {.Kind = TKind::SaveRange};
    case BreakAtTags: {
      auto breaker = std::make_shared<HTMLfunc::TTagBreaker>();
      return {.Rule = [breaker](std::string_view line,
                                TLightStrings& out) { breaker->Line(line, out); },
              .Tail = [breaker](TLightStrings& out) { breaker->Finish(out); },
              .KeepsRange = true};
    }
    case DeleteRange:
      return {.Kind = TKind::Filter,
              .Keep = [](std::string_view) { return false; },
              .NeedsSetRange = true};
    case ReplaceKind: {
      const ReplaceRules::TFields fields = FieldsOf(info.Code, command.Strings);
      if (auto keep = ReplaceRules::KindFilter(info.Code, fields, command.Options)) {
        return {.Kind = TKind::Filter, .Keep = std::move(keep)};
      }
      return {.Rule = ReplaceRules::KindRule(info.Code, fields, command.Options)};
    }
    case StripTags:
      return {.Rule = HTMLfunc::TagRemovalRule(info.Code == 1)};
    case HalfWidth:
      return {.Rule = HenkanJ::HalfWidthRule()};
    case Trim:
      return {.Rule = LineEdges::TrimRule(static_cast<LineEdges::TTrimMode>(info.Code))};
    case AddText:
      return {.Rule = LineEdges::AddTextRule(command.Strings.at(0), info.Code == 1)};
    case PageText: {
      PageText::TRoadRule rule = PageText::PageTextRule(
          {.KeepLinks = command.KeepLinks, .LinksOnly = info.Code == 1}, foreign);
      return {.Rule = std::move(rule.Rule), .Tail = std::move(rule.Tail), .AddsForeign = true};
    }
  }
  return {};
}

void TSession::Run(const TCommand& command) {
  const TWork work = WorkOf(command, *foreign_);
  switch (work.Kind) {
    case TWork::TKind::SetRange:
      SetRange(command);
      return;
    case TWork::TKind::SaveRange:
      RequireSetRange(command);
      saveRange_ = true;
      return;
    case TWork::TKind::Convert:
      Convert(work.Rule, work.Tail);
      break;
    case TWork::TKind::Filter:
      if (work.NeedsSetRange) RequireSetRange(command);
      Filter(work.Keep);
      break;
  }
  if (work.KeepsRange) {
    FollowLineCount();
  } else {
    ResetRange();
  }
}

void TSession::WriteOutput(const std::function<void(std::string_view)>& sink) const {
  if (!saveRange_) {
    document_.WriteText(sink);
    return;
  }
  TLightStrings lines;
  ConversionRoad::ConvertLines(document_.Lines(), range_,
                               [](std::string_view line, TLightStrings& out) { out.Add(line); },
                               lines);
  sink(lines.GetText());
}

}  // namespace Commands
