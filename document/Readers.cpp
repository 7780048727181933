// The document readers and the file-name helpers they choose by.
#include "document/Readers.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <optional>

#include "convert/Strfunc.h"
#include "document/Failures.h"
#include "document/FileIO.h"

namespace Readers {

namespace {

constexpr std::string_view kUnreadableHtmlLine =
    "\x93\x96\x8a\x59\x83\x74\x83\x40\x83\x43\x83\x8b\x82\xcd\x90\xb3\x8f\xed\x82\xc9"
    "\x93\xc7\x82\xdd\x8f\x6f\x82\xb9\x82\xdc\x82\xb9\x82\xf1";  // 当該ファイルは正常に読み出せません

std::string AsciiLower(std::string_view s) {
  std::string lower(s);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return (c >= 'A' && c <= 'Z') ? char(c + 32) : char(c); });
  return lower;
}

std::size_t NameStart(std::string_view path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? 0 : slash + 1;
}

std::size_t ExtensionStart(std::string_view path) {
  const std::size_t dot = path.rfind('.');
  if (dot == std::string_view::npos || dot < NameStart(path)) return path.size();
  return dot;
}

}  // namespace

std::string ExtractFileExt(std::string_view path) {
  return std::string(path.substr(ExtensionStart(path)));
}

std::string ExtractFileName(std::string_view path) {
  return std::string(path.substr(NameStart(path)));
}

std::string ChangeFileExt(std::string_view path, std::string_view ext) {
  std::string changed(path.substr(0, ExtensionStart(path)));
  changed += ext;
  return changed;
}

bool IsShortcutFile(std::string_view path) { return AsciiLower(ExtractFileExt(path)) == ".url"; }

bool IsHtmlFile(std::string_view path) {
  const std::string ext = AsciiLower(ExtractFileExt(path));
  return ext == ".htm" || ext == ".html" || ext == ".shtml";
}

bool ScrubNulBytes(TByteStream& stream) {
  const std::int64_t size = stream.Size();
  if (size < 2) return false;
  const std::int64_t examined = size - 1;  // the last byte may stay a NUL: it cuts nothing off
  std::array<char, 1 << 16> chunk{};
  for (std::int64_t at = 0; at < examined;) {
    const auto want = static_cast<std::size_t>(
        std::min<std::int64_t>(static_cast<std::int64_t>(chunk.size()), examined - at));
    stream.SetPosition(at);
    const std::size_t got = stream.Read(chunk.data(), want);
    if (got == 0) break;
    auto* const end = chunk.data() + got;
    if (std::find(chunk.data(), end, '\0') != end) {
      std::replace(chunk.data(), end, '\0', ' ');
      stream.SetPosition(at);
      stream.Write(chunk.data(), got);
    }
    at += static_cast<std::int64_t>(got);
  }
  stream.SetPosition(0);
  return true;
}

namespace {

// Opens an HTML page; nothing, with the report saying so, when it exists but cannot be opened.
std::optional<FileIO::TInputFile> OpenHtmlFile(const std::string& path, TReadReport& report) {
  try {
    return std::optional<FileIO::TInputFile>(std::in_place, path);
  } catch (const ENotRegularFile&) {
    throw;  // a pipe, socket or device is no HTML page that failed to open: the caller says so
  } catch (const EInOutError& failure) {
    // A name that is missing or a folder is told as for any other file; a page that exists
    // but cannot be opened was lost while it was being saved.
    if (failure.ErrorCode == ENOENT || failure.ErrorCode == ENOTDIR ||
        failure.ErrorCode == EISDIR) {
      throw;
    }
    report.HtmlOpenFailed = true;
    report.HtmlOpenError = failure.ErrorCode;
    return std::nullopt;
  }
}

constexpr char kEndOfFileByte = '\x1A';

bool EndsWithBreak(std::string_view text, bool lineFeedBreaks) {
  if (text.empty()) return false;
  if (text.back() == '\r') return true;
  return text.back() == '\n' && (lineFeedBreaks || (text.size() > 1 && text.end()[-2] == '\r'));
}

// A text file: only CR and CR LF end lines (a lone LF stays in its line, which still needs the
// break after it), NUL stays, and the first 0x1A ends the input.
TReadText TextFileAsText(std::string bytes) {
  TReadText read;
  if (const void* eof = std::memchr(bytes.data(), kEndOfFileByte, bytes.size())) {
    const auto at = static_cast<std::size_t>(static_cast<const char*>(eof) - bytes.data());
    if (at + 1 < bytes.size()) {
      read.Report.StoppedAtLine = static_cast<std::int32_t>(
          std::count(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(at), '\r'));
    }
    bytes.resize(at);
  }
  if (!bytes.empty() && !EndsWithBreak(bytes, false)) bytes += "\r\n";
  read.Text = std::move(bytes);
  return read;
}

// An HTML file: NUL bytes made blanks but a last one, which ends the text; every kind of break
// ends a line.
TReadText HtmlFileAsText(std::string bytes) {
  TReadText read;
  if (bytes.size() < 2) {
    read.Text.assign(kUnreadableHtmlLine).append("\r\n");
    return read;
  }
  if (bytes.back() == '\0') bytes.pop_back();
  char* const end = bytes.data() + bytes.size();
  for (char* nul = bytes.data();
       (nul = static_cast<char*>(std::memchr(nul, 0, static_cast<std::size_t>(end - nul))));) {
    *nul = ' ';
  }
  if (!EndsWithBreak(bytes, true)) bytes += "\r\n";
  read.Text = std::move(bytes);
  return read;
}

}  // namespace

TReadReport ReadDocumentFile(const std::string& path, TLightStrings& list) {
  list.Clear();
  TReadReport report;
  if (!IsHtmlFile(path)) {
    list.LoadFromFile(path);
    report.StoppedAtLine = list.StoppedAtLine();
    return report;
  }
  std::optional<FileIO::TInputFile> file = OpenHtmlFile(path, report);
  if (!file) return report;
  return ReadDocumentBytes(FileIO::ReadAll(*file), true, list);
}

namespace {

// Room reserved after a text read whole: its line break, and the editor's first editing gap,
// which would otherwise copy the whole text to grow (pages of unused room cost nothing).
std::size_t RoomAfter(std::size_t size) {
  return 2 + std::clamp<std::size_t>(size / 16, 4096, std::size_t{16} << 20);
}

// A mapped text file: TextFileAsText's text without copying the bytes.
TReadText MappedTextFile(FileIO::TContent content) {
  TReadText read;
  if (const void* eof = std::memchr(content.Bytes.data(), kEndOfFileByte, content.Bytes.size())) {
    const auto at = static_cast<std::size_t>(static_cast<const char*>(eof) - content.Bytes.data());
    if (at + 1 < content.Bytes.size()) {
      read.Report.StoppedAtLine = static_cast<std::int32_t>(std::count(
          content.Bytes.begin(), content.Bytes.begin() + static_cast<std::ptrdiff_t>(at), '\r'));
    }
    content.Bytes = content.Bytes.substr(0, at);
  }
  read.BreakAfter = !content.Bytes.empty() && !EndsWithBreak(content.Bytes, false);
  read.Mapped = std::move(content);
  return read;
}

}  // namespace

std::string TReadText::TakeText() {
  if (!Mapped) return std::move(Text);
  std::string text;
  text.reserve(Mapped->Bytes.size() + 2);
  text.append(Mapped->Bytes);
  if (BreakAfter) text += "\r\n";
  Mapped.reset();
  return text;
}

TReadText ReadDocumentText(const std::string& path) {
  if (!IsHtmlFile(path)) {
    FileIO::TInputFile file(path);
    if (std::optional<FileIO::TContent> mapped = FileIO::MapContent(file)) {
      return MappedTextFile(std::move(*mapped));
    }
    const auto size = static_cast<std::size_t>(file.Size());
    return TextFileAsText(FileIO::ReadAll(file, RoomAfter(size)));
  }
  TReadText read;
  std::optional<FileIO::TInputFile> file = OpenHtmlFile(path, read.Report);
  if (!file) return read;
  const auto size = static_cast<std::size_t>(file->Size());
  return HtmlFileAsText(FileIO::ReadAll(*file, RoomAfter(size)));
}

TReadText DocumentBytesAsText(std::string bytes, bool html) {
  bytes.reserve(bytes.size() + RoomAfter(bytes.size()));
  return html ? HtmlFileAsText(std::move(bytes)) : TextFileAsText(std::move(bytes));
}

namespace {

// Hands on the document lines of the text file's lines: a line holding an LF is several
// lines, and the first NUL ends the document.
class TFileLineSplitter {
 public:
  TFileLineSplitter(const std::function<void(std::string_view)>& line, TStreamed& streamed)
      : line_(line), streamed_(streamed) {}

  // Line `index` of the file (ended by a CR or CR LF, or the last); plain: it holds no LF and
  // no NUL.
  void FileLine(std::string_view text, std::int32_t index, bool plain) {
    if (ended_) {
      streamed_.Cut.DropsText = true;  // a line follows the one the NUL cut
      return;
    }
    if (plain) {
      line_(text);
      return;
    }
    const std::size_t nul = text.find('\0');
    const std::string_view kept = text.substr(0, nul);
    std::size_t from = 0;
    for (std::size_t lf = kept.find('\n'); lf != std::string_view::npos;
         lf = kept.find('\n', from)) {
      line_(kept.substr(from, lf - from));
      from = lf + 1;
    }
    // After the last LF: a line, unless a NUL ended the text right there.
    if (nul == std::string_view::npos || from < kept.size()) line_(kept.substr(from));
    if (nul != std::string_view::npos) {
      ended_ = true;
      streamed_.Cut.Line = index;
      streamed_.Cut.DropsText = nul + 1 < text.size();
    }
  }

 private:
  const std::function<void(std::string_view)>& line_;
  TStreamed& streamed_;
  bool ended_ = false;
};

}  // namespace

TStreamed StreamTextLines(const TReadMore& read, const std::function<void(std::string_view)>& line) {
  constexpr std::size_t kBlock = std::size_t{1} << 20;
  TStreamed streamed;
  TFileLineSplitter splitter(line, streamed);
  std::string buffer(kBlock, '\0');
  std::size_t held = 0;      // an unfinished line carried to the buffer's front
  std::int32_t crLines = 0;  // lines ended by a CR so far
  bool inputEnded = false;
  while (!inputEnded) {
    if (held == buffer.size()) buffer.resize(buffer.size() * 2);  // a line longer than that
    const std::size_t got = read(buffer.data() + held, buffer.size() - held);
    std::size_t end = held + got;
    if (got == 0) inputEnded = true;
    if (const void* eof = std::memchr(buffer.data() + held, kEndOfFileByte, got)) {
      end = static_cast<std::size_t>(static_cast<const char*>(eof) - buffer.data());
      inputEnded = true;
      char more;
      const bool bytesAfter = end + 1 < held + got || read(&more, 1) > 0;
      if (bytesAfter) streamed.Report.StoppedAtLine = -2;  // counted below
    }
    const std::string_view data(buffer.data(), end);
    const bool plain = std::memchr(data.data(), '\n', data.size()) == nullptr &&
                       std::memchr(data.data(), 0, data.size()) == nullptr;
    std::size_t pos = 0;
    for (const char* cr; (cr = static_cast<const char*>(
                              std::memchr(data.data() + pos, '\r', data.size() - pos)));) {
      const auto at = static_cast<std::size_t>(cr - data.data());
      if (at + 1 == data.size() && !inputEnded) break;  // its LF may come with the next block
      splitter.FileLine(data.substr(pos, at - pos), crLines++, plain);
      pos = at + 1;
      if (pos < data.size() && data[pos] == '\n') ++pos;
    }
    if (inputEnded) {
      if (pos < data.size()) splitter.FileLine(data.substr(pos), crLines, plain);
    } else {
      std::memmove(buffer.data(), buffer.data() + pos, data.size() - pos);
      held = data.size() - pos;
    }
  }
  if (streamed.Report.StoppedAtLine == -2) streamed.Report.StoppedAtLine = crLines;
  return streamed;
}

TReadReport ReadDocumentBytes(std::string bytes, bool html, TLightStrings& list) {
  list.Clear();
  TReadReport report;
  if (!html) {
    list.LoadFromBytes(std::move(bytes));
    report.StoppedAtLine = list.StoppedAtLine();
    return report;
  }
  TMemoryStream stream(std::move(bytes));
  if (ScrubNulBytes(stream)) {
    list.LoadFromStream(stream);
  } else {
    list.Add(kUnreadableHtmlLine);
  }
  return report;
}

void ReadShortcutFile(const std::string& path, std::string_view fileName, bool useFileName,
                      TLightStrings& list) {
  list.Clear();
  if (!IsShortcutFile(path)) return;
  TLightStrings shortcut;
  shortcut.LoadFromFile(path);
  if (useFileName) list.Add(Strfunc::StrBefore(fileName, ".URL", 1, false));
  list.Add(Strfunc::ReplaceBetween(shortcut.View(1), "URL=", "", "", 1, false));
  list.Add(std::string());
}

TNulCut FindNulCut(std::string_view text, bool breakAfter) {
  TNulCut cut;
  const std::size_t nul = text.find('\0');
  if (nul == std::string_view::npos) return cut;
  // A line of a text file ends only at a CR, and each break of the joined text holds one.
  const std::string_view before = text.substr(0, nul);
  cut.Line = static_cast<std::int32_t>(std::count(before.begin(), before.end(), '\r'));
  const std::string_view rest = text.substr(nul + 1);
  cut.DropsText = breakAfter ? !rest.empty() : !(rest.empty() || rest == "\r" || rest == "\r\n");
  return cut;
}

TNulCut FindNulCut(const TLightStrings& lines) {
  TNulCut cut;
  for (std::int32_t i = 0; i < lines.Count() && !lines.AllLinesPlain(); ++i) {
    const std::string_view line = lines.View(i);
    const std::size_t nul = line.find('\0');
    if (nul == std::string_view::npos) continue;
    cut.Line = i;
    cut.DropsText = i + 1 < lines.Count() || nul + 1 < line.size();
    return cut;
  }
  return cut;
}

}  // namespace Readers
