// The document readers: a text file, an HTML file (NUL bytes made blanks) or an internet
// shortcut (.URL) into a line list, and the file-name helpers they choose by.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "document/ByteStream.h"
#include "document/FileIO.h"
#include "document/LightStr.h"

namespace Readers {

// The extension of a file name from the last dot of its last component, dot included; "" when
// it has none.                    ExtractFileExt("/a.d/page.Html") == ".Html"
[[nodiscard]] std::string ExtractFileExt(std::string_view path);
// The last component of a path.   ExtractFileName("/a/b.txt") == "b.txt"
[[nodiscard]] std::string ExtractFileName(std::string_view path);
// path with its extension replaced by ext (added when it has none); the folder stays.
//                                 ChangeFileExt("/a/b.htm", ".txt") == "/a/b.txt"
[[nodiscard]] std::string ChangeFileExt(std::string_view path, std::string_view ext);

// The extension is ".URL" in any letter case.
[[nodiscard]] bool IsShortcutFile(std::string_view path);
// The extension is ".htm", ".html" or ".shtml" in any letter case.
[[nodiscard]] bool IsHtmlFile(std::string_view path);

// Makes every NUL byte of the stream a blank (0x20), except its last byte, which stays so that
// a final NUL still ends the text. False, with the stream untouched, when it holds fewer than 2
// bytes; otherwise true with the position set back to 0.
bool ScrubNulBytes(TByteStream& stream);

// What a reader met besides the lines it delivered.
struct TReadReport {
  // An HTML file exists but could not be opened; the list is empty and the caller tells the
  // user. HtmlOpenError is the system's code.
  bool HtmlOpenFailed = false;
  int HtmlOpenError = 0;
  // A 0x1A byte ended a text file at this 0-based line while bytes followed it; −1 otherwise.
  std::int32_t StoppedAtLine = -1;
};

// Reads a document file into list (cleared first). An HTML file is read whole, its NUL bytes
// scrubbed and its lines split at CR, LF and CR LF; a file of 0 or 1 byte gives the single line
// "当該ファイルは正常に読み出せません". Any other file is read by TLightStrings::LoadFromFile.
// Throws EInOutError when a non-HTML file cannot be read, when an HTML file does not exist or
// is a folder, or when it cannot be read after it was opened; ENotRegularFile for a named
// pipe, socket or device under any name.
TReadReport ReadDocumentFile(const std::string& path, TLightStrings& list);

// ReadDocumentFile for bytes already in memory (a file converted from another encoding): the
// HTML path when html, the text path otherwise.
TReadReport ReadDocumentBytes(std::string bytes, bool html, TLightStrings& list);

// A file's lines as one text: bytes whose lines, split at CR LF, a lone CR and a lone LF and
// ended at the first NUL, are the document that ReadDocumentFile's lines make, and that end
// with a line break unless the text is empty or a NUL cut it. It is the lines' joined text
// but for a lone CR, which stays a lone CR: every reader of a document's text takes it as a
// break. Built in place in the bytes read, with no list of lines.
// A text file that the process maps (see FileIO::SetMapFilesForReading) comes as Mapped: the
// text is its bytes up to a 0x1A, then CR LF when BreakAfter, and is copied only by a target
// that needs it as a string.
struct TReadText {
  std::string Text;
  TReadReport Report;
  std::optional<FileIO::TContent> Mapped;
  bool BreakAfter = false;
  // The text as one string (Mapped copied).
  [[nodiscard]] std::string TakeText();
};
TReadText ReadDocumentText(const std::string& path);
// ReadDocumentBytes as one text.
TReadText DocumentBytesAsText(std::string bytes, bool html);

// Where the editor, which ends a text at its first NUL byte, would cut these lines.
struct TNulCut {
  std::int32_t Line = -1;   // the 0-based line holding the first NUL; −1 when there is none
  bool DropsText = false;   // anything but the final line break follows that NUL
};
// A text file read by blocks: what StreamTextLines met besides the lines.
struct TStreamed {
  TReadReport Report;
  TNulCut Cut;
};
// Reads a text file through read (which fills up to n bytes and returns how many, 0 at the end)
// a block at a time and hands line each line of the document its text makes, in order: the
// lines of ReadDocumentText's text, without holding more than a block and the longest line.
using TReadMore = std::function<std::size_t(char* to, std::size_t n)>;
TStreamed StreamTextLines(const TReadMore& read, const std::function<void(std::string_view)>& line);

// Reads an internet shortcut into list (cleared first; nothing more when path is not a
// shortcut): with useFileName, first fileName (the name without its folder, CP932) cut before
// its first ".URL"; then the file's second line with every "URL=" removed; then an empty line.
// Throws EInOutError when the file cannot be read and EListError when it has fewer than two
// lines.
void ReadShortcutFile(const std::string& path, std::string_view fileName, bool useFileName,
                      TLightStrings& list);

[[nodiscard]] TNulCut FindNulCut(const TLightStrings& lines);
// The same for the text of a read (TReadText::Text, or the lines' joined text), followed by
// CR LF when breakAfter.
[[nodiscard]] TNulCut FindNulCut(std::string_view text, bool breakAfter = false);

}  // namespace Readers
