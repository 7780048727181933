// The document's text with the editor's rules, and the loads that fill a document.
#include "document/DocumentText.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>

#include "document/FileIO.h"
#include "document/Readers.h"

namespace {

constexpr std::size_t kWritePiece = 1 << 20;
constexpr std::size_t kMaxNoticesListed = 10;

std::string_view UpToFirstNul(std::string_view bytes) {
  return bytes.substr(0, std::min(bytes.find('\0'), bytes.size()));
}

bool IsBreak(char c) { return c == '\r' || c == '\n'; }

}  // namespace

TDocumentText::TDocumentText() : lines_(std::make_unique<TLightStrings>()) {}

std::string TDocumentText::Text() const {
  std::string text;
  WriteText([&text](std::string_view piece) { text += piece; });
  return text;
}

void TDocumentText::WriteText(const std::function<void(std::string_view)>& sink) const {
  std::string piece;
  piece.reserve(kWritePiece + 2);
  const std::int32_t count = lines_->Count();
  for (std::int32_t i = 0; i < count; ++i) {
    const std::string_view line = lines_->View(i);
    if (line.size() >= kWritePiece) {
      if (!piece.empty()) sink(piece);
      piece.clear();
      sink(line);
    } else {
      piece += line;
      if (piece.size() >= kWritePiece) {
        sink(piece);
        piece.clear();
      }
    }
    if (i + 1 < count || finalBreak_) piece += "\r\n";
  }
  if (!piece.empty()) sink(piece);
}

void TDocumentText::SetText(std::string_view bytes) { SetText(std::string(UpToFirstNul(bytes))); }

void TDocumentText::SetText(std::string&& bytes) {
  bytes.resize(UpToFirstNul(bytes).size());
  if (bytes.empty()) {
    Clear();
    return;
  }
  finalBreak_ = IsBreak(bytes.back());
  lines_->SetText(std::move(bytes));
}

void TDocumentText::SetRead(Readers::TReadText&& read) {
  if (!read.Mapped) {
    SetText(std::move(read.Text));
    return;
  }
  const std::string_view whole = read.Mapped->Bytes;
  const std::string_view bytes = UpToFirstNul(whole);
  if (bytes.empty()) {
    Clear();
    return;
  }
  lines_->SetText(std::move(read.Mapped->Owner), bytes);
  finalBreak_ = IsBreak(bytes.back());
  if (read.BreakAfter && bytes.size() == whole.size()) {
    // The CR LF after the text: after a lone LF it makes one more, empty, line.
    if (bytes.back() == '\n') lines_->Add({});
    finalBreak_ = true;
  }
}

void TDocumentText::SetLines(std::unique_ptr<TLightStrings>& lines) {
  // A line holding a line break or a NUL is not kept as one line by the editor.
  for (std::int32_t i = 0; i < lines->Count() && !lines->AllLinesPlain(); ++i) {
    if (TLightStrings::HoldsBreakOrNul(lines->View(i))) {
      SetText(lines->GetText());
      lines->Clear();
      return;
    }
  }
  // Joined, every line is followed by CR LF: the same lines, and a final break unless empty.
  std::swap(lines_, lines);
  lines->Clear();
  finalBreak_ = lines_->Count() > 0;
}

void TDocumentText::AppendLines(std::string_view bytes) {
  const std::string_view cut = UpToFirstNul(bytes);
  // The bytes that follow the old text, which then ends with a line break.
  std::string added;
  if (EndsWithBreak()) {
    added.reserve(cut.size() + 2);
    added.append(cut).append("\r\n");
  } else {
    added = cut;
  }
  if (lines_->Count() == 0) {
    SetText(std::move(added));
    return;
  }
  if (added.empty()) {  // a CR LF after the last line, and nothing more
    finalBreak_ = true;
    return;
  }
  finalBreak_ = IsBreak(added.back());
  TLightStrings more;
  more.SetText(std::move(added));
  for (std::int32_t i = 0; i < more.Count(); ++i) lines_->Add(more.View(i));
}

void TDocumentText::KeepLinesIf(std::int32_t first, std::int32_t last,
                                const std::function<bool(std::string_view)>& keep) {
  const std::int32_t count = lines_->Count();
  lines_->KeepLinesIf(first, std::min(last, count - 1), keep);
  // Lines past the last read as "": before the range they stay, in it they are kept or not.
  for (std::int32_t i = count; i <= std::max(last, first - 1); ++i) {
    if (i < first || keep({})) lines_->Add({});
  }
  // Lines of the document hold no line break: SetLines would take them over as they are.
  finalBreak_ = lines_->Count() > 0;
}

void TDocumentText::Clear() {
  lines_->Clear();
  finalBreak_ = false;
}

std::string_view TDocumentText::Line(std::int32_t i) const {
  return (i >= 0 && i < lines_->Count()) ? lines_->View(i) : std::string_view();
}

namespace DocumentLoad {

ELoadError::ELoadError(const std::string& shownName, const std::string& reason)
    : EKorvaneError("ﾌｧｲﾙ " + shownName + " を読み込めません\n" + reason) {}

std::string CutNoticeText(const TCutNotices& notices) {
  if (notices.empty()) return {};
  std::string text =
      "次のファイルは途中までしか読み込まれていません。読み込まれなかった部分は文書に"
      "入っていないため、元のファイルに上書き保存すると失われます。\n";
  std::size_t listed = 0;
  for (const TCutNotice& notice : notices) {
    if (++listed > kMaxNoticesListed) {
      text += "\nほか " + std::to_string(notices.size() - kMaxNoticesListed) + " 件";
      break;
    }
    text += "\n・" + notice.FileName + " の " + std::to_string(notice.Line + 1) + " 行目にある" +
            (notice.AtNul ? " NUL 文字 (0x00) " : "ファイル終端文字 (0x1A) ") + "より後ろ" +
            (notice.LaterFilesToo ? "（後に続くファイルを含む）" : "");
  }
  return text;
}

std::string ConversionNoticeText(const TConversionNotices& notices) {
  std::string text;
  std::size_t listed = 0;
  for (const TConversionNotice& notice : notices) {
    if (++listed > kMaxNoticesListed) {
      text += "ほか " + std::to_string(notices.size() - kMaxNoticesListed) + " 件\n";
      break;
    }
    text += notice.FileName + ": ";
    text += notice.Format.Encoding == Encodings::TEncoding::Cp932
                ? std::string("Shift-JIS として読みました")
                : Encodings::FormatName(notice.Format) + " から変換";
    if (!notice.Sure) text += " (文字コードの判定が確かではありません)";
    if (notice.Undecodable != 0) {
      text += "、文字として読めないﾊﾞｲﾄ " + std::to_string(notice.Undecodable) + " 個をそのまま残しました";
    }
    if (notice.Unstored != 0) {
      text += "、文字 " + std::to_string(notice.Unstored) + " 個を文字参照 (&#...;) にしました";
    }
    if (notice.UnknownEscape) text += "、知らない文字集合へのｴｽｹｰﾌﾟ ｼｰｹﾝｽをそのまま残しました";
    text += "\n";
  }
  return text;
}

std::string HtmlLostText(std::string_view fileName) {
  return "指定ファイル " + std::string(fileName) +
         "は保存の途中でした。処理により当該ファイルは失われたため、再度保存を実行してください。";
}

TLoader::TLoader(bool useFileName, TTell tellHtmlLost)
    : useFileName_(useFileName), tellHtmlLost_(std::move(tellHtmlLost)) {}

Readers::TReadText TLoader::Read(TSource& source) {
  try {
    return ReadFile(source);
  } catch (const EKorvaneError& failure) {
    // After a drop of many files the reason alone would not say which one failed.
    throw ELoadError(source.Shown, failure.what());
  }
}

void TLoader::SetEncodings(std::optional<Encodings::TEncoding> from, TForeignChars& foreign) {
  encodings_ = true;
  from_ = from;
  foreign_ = &foreign;
}

std::optional<Encodings::TFormat> TLoader::FormatToConvert(TSource& source) {
  if (!encodings_) return std::nullopt;
  // The first bytes decide. A small file is read whole, once, and kept as the source's
  // content; a file that cannot be read now fails below as it always did.
  constexpr std::int64_t kHead = 256 * 1024;
  std::string head;
  std::string_view bytes;
  if (!source.Content) {
    try {
      FileIO::TInputFile file(source.Path);
      if (file.Size() <= kHead) {
        source.Content = FileIO::ReadAll(file);
      } else {
        head.resize(static_cast<std::size_t>(kHead));
        head.resize(file.Read(head.data(), head.size()));
      }
    } catch (const EKorvaneError&) {
      return std::nullopt;
    }
  }
  bytes = source.Content ? std::string_view(*source.Content) : std::string_view(head);
  const bool html = Readers::IsHtmlFile(source.Path);
  Encodings::TDetection found;
  if (from_) {
    found.Format.Encoding = *from_;
  } else {
    found = Encodings::Detect(bytes, html);
  }
  if (!firstFormat_) firstFormat_ = found.Format;
  if (found.Format.Encoding == Encodings::TEncoding::Cp932) {
    if (!found.Sure) conversions_.push_back({source.FileName, found.Format, false});
    return std::nullopt;
  }
  return found.Format;
}

Readers::TReadText TLoader::Noted(const TSource& source, Readers::TReadText read) {
  if (read.Report.HtmlOpenFailed) {
    if (!tellHtmlLost_) throw EInOutError(read.Report.HtmlOpenError);
    tellHtmlLost_(HtmlLostText(source.FileName));
  }
  if (read.Report.StoppedAtLine >= 0) {
    notices_.push_back({source.FileName, read.Report.StoppedAtLine});
  }
  return read;
}

Readers::TReadText TLoader::ReadFile(TSource& source) {
  const bool html = Readers::IsHtmlFile(source.Path);
  if (!Readers::IsShortcutFile(source.Path) || source.Content) {
    if (const std::optional<Encodings::TFormat> format = FormatToConvert(source)) {
      // The file mapped where the process allows it: its bytes are read once, converting.
      FileIO::TContent content;
      if (source.Content) {
        auto owned = std::make_shared<std::string>(std::move(*source.Content));
        source.Content.reset();
        content.Bytes = *owned;
        content.Owner = std::move(owned);
      } else {
        FileIO::TInputFile file(source.Path);
        content = FileIO::ReadContent(file);
      }
      Encodings::TConversion conversion = Encodings::ToDocument(content.Bytes, *format, *foreign_);
      content = {};
      conversions_.push_back({source.FileName, *format, true, conversion.Undecodable,
                              conversion.Unstored, conversion.UnknownEscape});
      return Noted(source, Readers::DocumentBytesAsText(std::move(conversion.Bytes), html));
    }
  }
  if (source.Content) {
    // Standard input, or a small file read whole already: by the rules its name chooses.
    std::string bytes = std::move(*source.Content);
    source.Content.reset();
    return Noted(source, Readers::DocumentBytesAsText(std::move(bytes), html));
  }
  if (Readers::IsShortcutFile(source.Path)) {
    TLightStrings lines;
    Readers::ReadShortcutFile(source.Path, source.FileNameCp932, useFileName_, lines);
    return {.Text = lines.GetText()};
  }
  return Noted(source, Readers::ReadDocumentText(source.Path));
}

bool TLoader::CanStream(TSource& source) {
  if (Readers::IsShortcutFile(source.Path) || Readers::IsHtmlFile(source.Path)) return false;
  try {
    return !FormatToConvert(source);
  } catch (const EKorvaneError& failure) {
    throw ELoadError(source.Shown, failure.what());
  }
}

void TLoader::Stream(TSource& source, const std::function<void(std::string_view)>& line) {
  std::optional<FileIO::TInputFile> file;
  std::string content;
  std::size_t taken = 0;
  Readers::TStreamed streamed;
  try {
    if (source.Content) {
      content = std::move(*source.Content);
      source.Content.reset();
    } else {
      file.emplace(source.Path);
    }
    const Readers::TReadMore read = [&](char* to, std::size_t n) -> std::size_t {
      if (file) return file->Read(to, n);
      if (taken == content.size() && source.MoreFrom >= 0) {
        for (;;) {
          const ssize_t got = ::read(source.MoreFrom, to, n);
          if (got >= 0) return static_cast<std::size_t>(got);
          if (errno != EINTR) throw EInOutError(errno);
        }
      }
      n = std::min(n, content.size() - taken);
      std::memcpy(to, content.data() + taken, n);
      taken += n;
      return n;
    };
    streamed = Readers::StreamTextLines(read, line);
  } catch (const EKorvaneError& failure) {
    throw ELoadError(source.Shown, failure.what());
  }
  if (streamed.Report.StoppedAtLine >= 0) {
    notices_.push_back({source.FileName, streamed.Report.StoppedAtLine});
  }
  if (streamed.Cut.Line >= 0 && streamed.Cut.DropsText) {
    notices_.push_back({source.FileName, streamed.Cut.Line, true, false});
  }
}

// The text ends at its first NUL: what follows it in this file (or, in a drop, in the files
// after it) is not in the document.
void TLoader::NoteNulCut(const TSource& source, const Readers::TReadText& read,
                         bool moreFilesFollow) {
  const Readers::TNulCut cut = read.Mapped
                                   ? Readers::FindNulCut(read.Mapped->Bytes, read.BreakAfter)
                                   : Readers::FindNulCut(read.Text);
  if (cut.Line < 0 || !(cut.DropsText || moreFilesFollow)) return;
  notices_.push_back({source.FileName, cut.Line, true, moreFilesFollow});
}

void TLoader::Open(TTextTarget& target, TSource source) {
  target.Clear();
  Readers::TReadText read = Read(source);
  NoteNulCut(source, read, false);
  target.SetRead(std::move(read));
}

void TLoader::Append(TTextTarget& target, TSource source) {
  Readers::TReadText read = Read(source);
  NoteNulCut(source, read, false);
  target.AppendLines(read.TakeText());
}

void TLoader::Merge(TTextTarget& target, std::vector<TSource> sources, bool hadDocument) {
  if (sources.empty()) return;
  // Every file's text ends with a line break and the join puts a CR LF after it.
  std::string merged = hadDocument ? target.Text() : std::string();
  for (std::size_t i = 0; i < sources.size(); ++i) {
    Readers::TReadText read = Read(sources[i]);
    NoteNulCut(sources[i], read, i + 1 < sources.size());
    merged.append(read.TakeText()).append("\r\n");
  }
  if (hadDocument) {
    target.ExtendText(std::move(merged));
  } else {
    target.SetText(std::move(merged));
  }
}

}  // namespace DocumentLoad
