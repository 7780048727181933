// The document as the editor holds it, in bytes, and the loads that bring files into a
// document: Open, Append (合成) and a drop of several files, with the notices of text that a
// file held but the document did not take. Both front ends load through these functions: the
// window into its editor, the command line into a TDocumentText.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "document/Encodings.h"
#include "document/Failures.h"
#include "document/ForeignChars.h"
#include "document/LightStr.h"
#include "document/Readers.h"

namespace DocumentLoad {

// What a load needs of the document it fills.
class TTextTarget {
 public:
  virtual ~TTextTarget() = default;
  // The whole text: the lines joined by CR LF, with a final CR LF when the text ends with a
  // line break.
  [[nodiscard]] virtual std::string Text() const = 0;
  // Replaces everything; the text ends at its first NUL, and CR LF, a lone CR and a lone LF
  // each make a line break.
  virtual void SetText(std::string&& bytes) = 0;
  // SetText of a read's text, which a target may take without copying a mapped file.
  virtual void SetRead(Readers::TReadText&& read) { SetText(read.TakeText()); }
  // SetText for text that grows what is there (a drop on a document): a target with an undo
  // history keeps it as a step.
  virtual void ExtendText(std::string&& bytes) { SetText(std::move(bytes)); }
  // Puts bytes after the last line: followed by CR LF when the document is empty or ends with
  // a line break, after a CR LF otherwise. The bytes end at their first NUL.
  virtual void AppendLines(std::string_view bytes) = 0;
  virtual void Clear() = 0;
};

}  // namespace DocumentLoad

// The document's text with the editor's rules, in CP932 bytes: the text ends at its first NUL,
// CR LF, a lone CR and a lone LF each end a line, a final line break adds no line, and the
// whole text is the lines joined by CR LF (with a final CR LF when the text ended with a break).
//      SetText("a\rb\n") gives the lines "a", "b" and Text() "a\r\nb\r\n"
//      SetText("a\r\nb") gives the lines "a", "b" and Text() "a\r\nb"
class TDocumentText final : public DocumentLoad::TTextTarget {
 public:
  TDocumentText();

  [[nodiscard]] std::string Text() const override;
  void SetText(std::string&& bytes) override;
  void SetText(std::string_view bytes);
  // A mapped file's lines point into the mapping.
  void SetRead(Readers::TReadText&& read) override;
  // SetText of the lines' joined text (every line followed by CR LF), as a command's result:
  // lines holding no CR, LF or NUL are taken over as they are; otherwise they are joined and
  // split again, as the editor would do it. The list is empty afterwards.
  void SetLines(std::unique_ptr<TLightStrings>& lines);
  void AppendLines(std::string_view bytes) override;
  void Clear() override;
  // Drops those of the lines first .. last (0-based, both ends inclusive) that keep refuses,
  // without copying the others: the same as SetLines of a list holding the lines before
  // first, the lines of first .. last that keep accepts, and the lines after last, where a
  // line past the document's last reads as "".
  void KeepLinesIf(std::int32_t first, std::int32_t last,
                   const std::function<bool(std::string_view)>& keep);

  // Hands Text() to sink in pieces of about a megabyte, so that a large document is written
  // without a second copy of it in memory.
  void WriteText(const std::function<void(std::string_view)>& sink) const;

  // The number of lines; an empty document has none.
  [[nodiscard]] std::int32_t LineCount() const { return lines_->Count(); }
  // Line i without its break; "" past the last line.
  [[nodiscard]] std::string_view Line(std::int32_t i) const;
  // The lines, as a conversion reads them (an empty document holds none).
  [[nodiscard]] const TLightStrings& Lines() const { return *lines_; }
  // The document is empty or its text ends with a line break: appended text starts a line.
  [[nodiscard]] bool EndsWithBreak() const { return finalBreak_ || lines_->Count() == 0; }

 private:
  std::unique_ptr<TLightStrings> lines_;
  bool finalBreak_ = false;  // the text ends with a line break
};

namespace DocumentLoad {

// A file to load, under each of the names a load uses.
struct TSource {
  std::string Path;      // handed to the file system
  std::string Shown;     // as the user named it (UTF-8): read failures quote it
  std::string FileName;  // without its folder (UTF-8): the notices name it
  std::string FileNameCp932;  // without its folder, CP932: a shortcut's line with ファイル名を使う
  // A text file's bytes read already (standard input); Path is then not opened.
  std::optional<std::string> Content;
  // When not −1, Content is only the first part of what this descriptor gives: Stream reads
  // the rest from it (the other loads want Content whole).
  int MoreFrom = -1;
};

// A part of a file that did not reach the document.
struct TCutNotice {
  std::string FileName;   // without its folder (UTF-8)
  std::int32_t Line = 0;  // 0-based
  bool AtNul = false;     // a NUL byte ended the text (otherwise a 0x1A byte ended the file)
  bool LaterFilesToo = false;  // the files after it in the same drop were cut off with it
};
using TCutNotices = std::vector<TCutNotice>;

// A file could not be read: "ﾌｧｲﾙ <name as given> を読み込めません", a line break, the reason.
class ELoadError : public EKorvaneError {
 public:
  ELoadError(const std::string& shownName, const std::string& reason);
};

// A file read in an encoding other than Shift-JIS, or whose encoding was not sure.
struct TConversionNotice {
  std::string FileName;  // without its folder (UTF-8)
  Encodings::TFormat Format;
  bool Sure = true;
  std::size_t Undecodable = 0;  // bytes that were no character, kept as they were
  std::size_t Unstored = 0;     // characters written as references
  bool UnknownEscape = false;
};
using TConversionNotices = std::vector<TConversionNotice>;

// One line a file: "page.html: UTF-8 から変換", then what was unusual about it.
[[nodiscard]] std::string ConversionNoticeText(const TConversionNotices& notices);

// The warning that lists cut files, at most ten by name: "" when there is none.
[[nodiscard]] std::string CutNoticeText(const TCutNotices& notices);
// The message for an HTML file that could not be opened (fileName without its folder).
[[nodiscard]] std::string HtmlLostText(std::string_view fileName);

// One load: its option, where it tells of a lost HTML file, and the notices it collects.
class TLoader {
 public:
  // Tells the user a message at once, while the load goes on.
  using TTell = std::function<void(const std::string& message)>;
  // useFileName: ファイル名を使う, a shortcut contributes its file name too. An HTML file that
  // exists but cannot be opened is told through tellHtmlLost and loads as no lines; without
  // tellHtmlLost it fails the load like any unreadable file.
  TLoader(bool useFileName, TTell tellHtmlLost);

  // Clears the target, then sets it to the file's lines, each followed by CR LF.
  void Open(TTextTarget& target, TSource source);
  // Appends the file's lines, each followed by CR LF, with the target's AppendLines, so one
  // empty line follows them.
  void Append(TTextTarget& target, TSource source);
  // A drop: every file's lines followed by one empty line, in the order given, after the
  // target's text when hadDocument (with no line break put between), in place of it
  // otherwise. A file that fails ends the drop before the target is changed. No sources: the
  // target stays as it is.
  void Merge(TTextTarget& target, std::vector<TSource> sources, bool hadDocument);

  // Reads one file as every load does, as the text of its lines (Readers::TReadText): a
  // shortcut with its reader, any other file with Readers::ReadDocumentText. Throws
  // ELoadError naming the file.
  [[nodiscard]] Readers::TReadText Read(TSource& source);

  // Whether Stream can read source: a text file, or standard input, in Shift-JIS. Looks at
  // its first bytes as a load does (noting an unsure Shift-JIS); the loader that asked must
  // then read source with Stream, a fresh one with the other loads.
  [[nodiscard]] bool CanStream(TSource& source);
  // Hands line the lines of the document that Open would make of source, one at a time and in
  // order, reading the file a block at a time; notes what Open notes.
  void Stream(TSource& source, const std::function<void(std::string_view)>& line);

  // The parts of files that the loads so far could not bring into the document.
  [[nodiscard]] const TCutNotices& Notices() const { return notices_; }

  // Reads files in their encodings: `from`, or each file's own as Encodings::Detect finds it
  // when there is none; characters CP932 lacks go into foreign, which must outlive the loader.
  // Without this call every file is Shift-JIS and read as it is.
  void SetEncodings(std::optional<Encodings::TEncoding> from, TForeignChars& foreign);
  // The files read in another encoding than Shift-JIS, or unsure which.
  [[nodiscard]] const TConversionNotices& Conversions() const { return conversions_; }
  // The format of the first file read (Shift-JIS when none was).
  [[nodiscard]] Encodings::TFormat FirstFormat() const { return firstFormat_.value_or(Encodings::TFormat{}); }

 private:
  // Whether source is to be converted, and from what; notes an unsure Shift-JIS.
  [[nodiscard]] std::optional<Encodings::TFormat> FormatToConvert(TSource& source);
  Readers::TReadText ReadFile(TSource& source);
  // The read, once what it reports is told or noted.
  Readers::TReadText Noted(const TSource& source, Readers::TReadText read);
  void NoteNulCut(const TSource& source, const Readers::TReadText& read, bool moreFilesFollow);

  bool useFileName_;
  TTell tellHtmlLost_;
  TCutNotices notices_;
  bool encodings_ = false;
  std::optional<Encodings::TEncoding> from_;
  TForeignChars* foreign_ = nullptr;
  TConversionNotices conversions_;
  std::optional<Encodings::TFormat> firstFormat_;
};

}  // namespace DocumentLoad
