// Command lines of korvane-cli: words, recipes, and arguments as CP932.
#include "cli/Recipe.h"

#include "document/Encodings.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

#include "document/Cp932Codec.h"

namespace Recipe {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// The code point at text[at], and its length in bytes; length 0 when the bytes there are not a
// well-formed UTF-8 character.
struct TDecoded {
  char32_t CodePoint = 0;
  std::size_t Length = 0;
};

TDecoded DecodeAt(std::string_view text, std::size_t at) noexcept {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[at + i]); };
  const unsigned char first = byte(0);
  if (first < 0x80) return {first, 1};
  std::size_t length = 0;
  char32_t cp = 0;
  char32_t smallest = 0;
  if (first >= 0xC2 && first <= 0xDF) {
    length = 2, cp = first & 0x1Fu, smallest = 0x80;
  } else if (first >= 0xE0 && first <= 0xEF) {
    length = 3, cp = first & 0x0Fu, smallest = 0x800;
  } else if (first >= 0xF0 && first <= 0xF4) {
    length = 4, cp = first & 0x07u, smallest = 0x10000;
  } else {
    return {};
  }
  if (text.size() - at < length) return {};
  for (std::size_t i = 1; i < length; ++i) {
    if ((byte(i) & 0xC0u) != 0x80u) return {};
    cp = (cp << 6) | (byte(i) & 0x3Fu);
  }
  if (cp < smallest || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return {};
  return {cp, length};
}

std::string Hex(char32_t cp) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "U+%04X", static_cast<unsigned>(cp));
  return buffer;
}

// A character as a message shows it: printable ones in brackets, with their number.
std::string Describe(std::string_view utf8, char32_t cp) {
  const bool control = cp < 0x20 || (cp >= 0x7F && cp < 0xA0);
  return control ? Hex(cp) : "「" + std::string(utf8) + "」(" + Hex(cp) + ")";
}

// The 1-based number of the character that starts at byte at of a UTF-8 text.
std::size_t CharacterNumber(std::string_view text, std::size_t at) {
  std::size_t number = 1;
  for (std::size_t i = 0; i < at; ++i) {
    if ((static_cast<unsigned char>(text[i]) & 0xC0u) != 0x80u) ++number;
  }
  return number;
}

void AppendUtf16(char32_t cp, std::u16string& out) {
  if (cp < 0x10000) {
    out += static_cast<char16_t>(cp);
  } else {
    cp -= 0x10000;
    out += static_cast<char16_t>(0xD800 + (cp >> 10));
    out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
  }
}

}  // namespace

std::size_t FindInvalidUtf8(std::string_view text) noexcept {
  for (std::size_t at = 0; at < text.size();) {
    const TDecoded decoded = DecodeAt(text, at);
    if (decoded.Length == 0) return at;
    at += decoded.Length;
  }
  return std::string_view::npos;
}

std::vector<TWord> SplitWords(std::string_view line, const std::string& where) {
  std::vector<TWord> words;
  std::size_t at = 0;
  for (;;) {
    while (at < line.size() && IsBlank(line[at])) ++at;
    if (at == line.size()) return words;
    TWord word;
    while (at < line.size() && !IsBlank(line[at])) {
      const char c = line[at];
      if (c != '"' && c != '\'') {
        word.Text += c;
        ++at;
        continue;
      }
      word.Quoted = true;
      const std::size_t open = at++;
      for (;;) {
        if (at == line.size()) {
          throw EUsageError(where + ": " + std::to_string(CharacterNumber(line, open)) +
                            " 文字目の引用符 " + c + " が閉じていません");
        }
        if (line[at] == c) {
          ++at;
          break;
        }
        if (c == '"' && line[at] == '\\' && at + 1 < line.size() &&
            (line[at + 1] == '"' || line[at + 1] == '\\')) {
          ++at;
        }
        word.Text += line[at++];
      }
    }
    words.push_back(std::move(word));
  }
}

std::string Quoted(std::string_view word) {
  std::string out = "\"";
  for (const char c : word) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out + '"';
}

std::vector<TLine> Parse(std::string_view text, const std::string& name) {
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  std::vector<TLine> lines;
  int number = 0;
  while (!text.empty()) {
    ++number;
    const std::size_t end = std::min(text.find_first_of("\r\n"), text.size());
    const std::string_view line = text.substr(0, end);
    text.remove_prefix(end);
    if (text.starts_with("\r\n")) {
      text.remove_prefix(2);
    } else if (!text.empty()) {
      text.remove_prefix(1);
    }
    const std::string where = name + ":" + std::to_string(number);
    if (const std::size_t bad = FindInvalidUtf8(line); bad != std::string_view::npos) {
      char byte[8];
      std::snprintf(byte, sizeof byte, "0x%02X", static_cast<unsigned char>(line[bad]));
      throw EUsageError(where + ": " + std::to_string(bad + 1) + " バイト目 (" + byte +
                        ") が UTF-8 として読めません。レシピは UTF-8 で保存してください");
    }
    const std::size_t first = line.find_first_not_of(" \t");
    if (first == std::string_view::npos || line[first] == '#') continue;
    lines.push_back({where, SplitWords(line, where)});
  }
  return lines;
}

std::string ToCp932(std::string_view utf8, const std::string& what, TForeignChars* foreign) {
  std::string bytes;
  std::u16string units;
  std::size_t character = 0;
  for (std::size_t at = 0; at < utf8.size();) {
    ++character;
    const TDecoded decoded = DecodeAt(utf8, at);
    if (decoded.Length == 0) {
      throw EUsageError(what + "の " + std::to_string(character) +
                        " 文字目が UTF-8 として読めません");
    }
    const std::string_view shown = utf8.substr(at, decoded.Length);
    at += decoded.Length;
    const char32_t cp = decoded.CodePoint;
    if (cp == '\r' || cp == '\n' || cp == 0) {
      throw EUsageError(what + "の " + std::to_string(character) + " 文字目に " + Hex(cp) +
                        " があります。改行と NUL 文字は文書の行に入れられません");
    }
    if (foreign != nullptr) {
      bytes += Encodings::ToDocument(shown, {Encodings::TEncoding::Utf8}, *foreign).Bytes;
      continue;
    }
    units.clear();
    AppendUtf16(cp, units);
    if (Cp932::Encode(units, bytes) != Cp932::npos) {
      throw EUsageError(what + "の " + std::to_string(character) + " 文字目の文字 " +
                        Describe(shown, cp) + " は Shift-JIS で表せないため、使えません");
    }
  }
  return bytes;
}

}  // namespace Recipe
