// The encodings a Japanese user meets, at the edges of the CP932 document: which one a file is
// in, its bytes as document bytes, and the document's bytes written in any of them.
//
// The document stays CP932 bytes; every command keeps its byte rules. EUC-JP and ISO-2022-JP
// convert by their JIS codes, so no character is lost to the differences between the JIS and
// the Microsoft mappings to Unicode; UTF-8 and UTF-16 go through the CP932 codec, and the few
// characters whose Unicode forms differ between those mappings (〜 U+301C, − U+2212, ‖ U+2016,
// ¢ £ ¬, — U+2014) land on the CP932 character a Japanese reader sees. Characters that CP932
// cannot hold, and bytes that are no character, are kept through TForeignChars.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "document/ForeignChars.h"

namespace Encodings {

enum class TEncoding { Cp932, Utf8, Utf16Le, Utf16Be, EucJp, Iso2022Jp };

// How a file is written: its encoding, and whether it starts with a byte-order mark.
struct TFormat {
  TEncoding Encoding = TEncoding::Cp932;
  bool Bom = false;
  friend bool operator==(const TFormat&, const TFormat&) = default;
};

// "Shift-JIS", "UTF-8", "UTF-16LE", "UTF-16BE", "EUC-JP", "ISO-2022-JP".
[[nodiscard]] std::string_view Name(TEncoding encoding);
// Name, with " (BOM 付き)" for a format with a byte-order mark.
[[nodiscard]] std::string FormatName(TFormat format);
// The encoding a label names, in any letter case, with the usual aliases: shift_jis, sjis,
// x-sjis, windows-31j, cp932, ms_kanji → Cp932; utf-8, utf8; utf-16le, utf-16be; utf-16 (as
// a file declares it; the bytes decide the order); euc-jp, eucjp, x-euc-jp; iso-2022-jp, jis.
[[nodiscard]] std::optional<TEncoding> FromLabel(std::string_view label);

// What detection found, and how sure it is.
struct TDetection {
  TFormat Format;
  // False when the bytes fit several encodings about equally and Shift-JIS was taken.
  bool Sure = true;
};

// The encoding of a file from its first bytes (a few hundred kilobytes are looked at): a
// byte-order mark; for markup, a charset declared in the first 1024 bytes that the bytes do
// not contradict; UTF-16 by its pattern of zero bytes; then the encodings whose rules the bytes
// keep, weighed by what Japanese text looks like in each. Plain ASCII, and anything unsure, is
// Shift-JIS: a Shift-JIS file is never taken for anything else.
[[nodiscard]] TDetection Detect(std::string_view bytes, bool markup);
// How many first bytes Detect looks at: more give the same answer.
inline constexpr std::size_t kDetectionBytes = 256 * 1024;

// A file's bytes as document bytes.
struct TConversion {
  std::string Bytes;              // CP932
  std::size_t Undecodable = 0;    // bytes that were no character, kept as they were
  std::size_t Unstored = 0;       // characters written as references: no code was left
  bool UnknownEscape = false;     // an ISO-2022-JP escape to a set this program does not know
};

// Converts bytes in format into document bytes; a byte-order mark at the start is dropped.
// Characters CP932 lacks, and bytes that are no character, get codes of foreign.
[[nodiscard]] TConversion ToDocument(std::string_view bytes, TFormat format,
                                     TForeignChars& foreign);

// Characters of a document that an encoding cannot hold.
struct TUnwritable {
  std::size_t Count = 0;
  std::vector<char32_t> First;  // the first few, in order
  std::int64_t FirstLine = -1;  // 0-based line of the first
};

// Writes document bytes in a format, piece by piece (a piece may end inside a character).
// A character the format cannot hold is written as a numeric character reference ("&#233;")
// and counted. ISO-2022-JP is only read: the program offers no format that writes it, and a
// writer given it writes EUC-JP's bytes.
class TWriter {
 public:
  TWriter(TFormat format, const TForeignChars& foreign);
  // Appends the bytes of piece in the format to out.
  void Write(std::string_view piece, std::string& out);
  // Appends what a piece left open (a lone lead byte at the very end) to out.
  void Finish(std::string& out);
  [[nodiscard]] const TUnwritable& Unwritable() const { return unwritable_; }

 private:
  void Write(std::string_view piece, std::string& out, bool slowly);
  bool WriteUtf8Fast(std::string_view piece, std::string& out);
  void Unit(char32_t codePoint, std::string& out);
  void Pair(unsigned char lead, unsigned char trail, std::string& out);
  void Byte(unsigned char byte, std::string& out);
  void Raw(unsigned char byte, std::string& out);
  void Unwritten(char32_t codePoint, std::string& out);

  TFormat format_;
  const TForeignChars& foreign_;
  TUnwritable unwritable_;
  std::int64_t line_ = 0;
  int pendingLead_ = -1;
  bool bomWritten_ = false;
};

// Writes document bytes as the whole content of path in format, through the atomic writer (see
// FileIO::TAtomicFileWriter): characters the format cannot hold become references.
void WriteFile(const std::string& path, std::string_view document, TFormat format,
               const TForeignChars& foreign);

// Whether format can fail to hold a character of a document with this table: UTF-8 holds
// everything, Shift-JIS everything but the table's characters.
[[nodiscard]] bool MayBeUnwritable(TFormat format, const TForeignChars& foreign);

// The characters of document bytes that format cannot hold (without writing anything).
[[nodiscard]] TUnwritable FindUnwritable(std::string_view document, TFormat format,
                                         const TForeignChars& foreign);

}  // namespace Encodings
