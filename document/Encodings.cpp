// Encodings at the edges of the CP932 document: detection, conversion in, writing out.
#include "document/Encodings.h"

#include <iconv.h>
#include <uchardet/uchardet.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstring>
#include <memory>

#include "convert/HenkanJ.h"
#include "document/Cp932Codec.h"
#include "document/FileIO.h"
#include "document/ShiftJis.h"

namespace Encodings {

namespace {

constexpr std::size_t kDetectionSample = kDetectionBytes;
constexpr std::size_t kDeclarationReach = 1024;

std::string Lower(std::string_view s) {
  std::string lower(s);
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  }
  return lower;
}

// ---- JIS codes ------------------------------------------------------------------------------

bool IsJisByte(unsigned b) { return b >= 0x21 && b <= 0x7E; }

// The Shift-JIS pair of a JIS X 0208 code (row and cell 0x21–0x7E).
std::array<char, 2> JisToSjis(unsigned row, unsigned cell) {
  const unsigned lead = ((row + 1) >> 1) + (row <= 0x5E ? 0x70 : 0xB0);
  const unsigned trail = cell + ((row & 1) != 0 ? (cell <= 0x5F ? 0x1F : 0x20) : 0x7E);
  return {static_cast<char>(lead), static_cast<char>(trail)};
}

// ---- iconv, for the few characters outside JIS X 0208 -------------------------------------

class TIconv {
 public:
  TIconv(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~TIconv() {
    if (cd_ != reinterpret_cast<iconv_t>(-1)) iconv_close(cd_);
  }
  TIconv(const TIconv&) = delete;
  TIconv& operator=(const TIconv&) = delete;
  // All of in converted, or nothing.
  std::string Convert(std::string_view in) {
    if (cd_ == reinterpret_cast<iconv_t>(-1)) return {};
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    char buffer[32];
    char* inPtr = const_cast<char*>(in.data());
    std::size_t inLeft = in.size();
    char* outPtr = buffer;
    std::size_t outLeft = sizeof buffer;
    if (iconv(cd_, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1) ||
        inLeft != 0) {
      return {};
    }
    return std::string(buffer, sizeof buffer - outLeft);
  }

 private:
  iconv_t cd_;
};

std::string Utf32Bytes(char32_t c) {
  std::string bytes(4, '\0');
  for (int i = 0; i < 4; ++i) bytes[static_cast<std::size_t>(i)] = static_cast<char>((c >> (8 * i)) & 0xFF);
  return bytes;
}

char32_t FromUtf32(const std::string& bytes) {
  if (bytes.size() != 4) return 0;
  char32_t c = 0;
  for (int i = 3; i >= 0; --i) c = (c << 8) | static_cast<unsigned char>(bytes[static_cast<std::size_t>(i)]);
  return c;
}

// ---- decoding into the document -----------------------------------------------------------

// The forms of the JIS mapping that a Japanese reader knows by their CP932 (Microsoft) forms.
char32_t MicrosoftForm(char32_t c) {
  switch (c) {
    case 0x301C: return 0xFF5E;  // 〜
    case 0x2212: return 0xFF0D;  // −
    case 0x2016: return 0x2225;  // ‖
    case 0x00A2: return 0xFFE0;  // ¢
    case 0x00A3: return 0xFFE1;  // £
    case 0x00AC: return 0xFFE2;  // ¬
    case 0x2014: return 0x2015;  // —
    default: return c;
  }
}

// Document bytes written through a pointer into a buffer grown ahead of need, so that each
// character costs a table look-up and a store.
class TDocumentOut {
 public:
  TDocumentOut(std::size_t expected, TForeignChars& foreign, TConversion& result)
      : foreign_(foreign), result_(result) {
    Grow(expected + expected / 8 + 64);
  }
  ~TDocumentOut() { result_.Bytes.resize(static_cast<std::size_t>(o_ - result_.Bytes.data())); }
  TDocumentOut(const TDocumentOut&) = delete;
  TDocumentOut& operator=(const TDocumentOut&) = delete;

  void Ascii(char c) {
    Room(1);
    *o_++ = c;
  }
  void Bytes(const char* p, std::size_t n) {
    Room(n);
    std::memcpy(o_, p, n);
    o_ += n;
  }
  // A character of the Basic Multilingual Plane that is no ASCII, surrogate or private use:
  // most of any Japanese text, so straight through the table.
  void CommonCharacter(char16_t c, const std::uint16_t* table) {
    const std::uint16_t form = table[c];
    if (form >= Cp932::kFirstPairForm) {
      Room(2);
      o_[0] = static_cast<char>(form >> 8);
      o_[1] = static_cast<char>(form & 0xFF);
      o_ += 2;
    } else if (form > Cp932::kSingleForm) {
      Room(1);
      *o_++ = static_cast<char>(form & 0xFF);
    } else {
      CodePoint(c);
    }
  }
  void CodePoint(char32_t c) {
    Room(16);
    if (c < 0x80) {
      *o_++ = static_cast<char>(c);
      return;
    }
    c = MicrosoftForm(c);
    // The private-use characters of CP932's user-defined area share its codes with the table.
    const bool privateUse = c >= 0xE000 && c <= 0xE757;
    if (c <= 0xFFFF && !privateUse && (c < 0xD800 || c > 0xDFFF)) {
      char bytes[2];
      const std::size_t n = Cp932::EncodeUnit(static_cast<char16_t>(c), bytes);
      if (n != 0) {
        o_[0] = bytes[0];
        o_[1] = bytes[1];
        o_ += n;
        return;
      }
    }
    if (const auto code = foreign_.CodeFor(c)) {
      Code(*code);
      return;
    }
    const std::string reference = "&#" + std::to_string(static_cast<std::uint32_t>(c)) + ";";
    Bytes(reference.data(), reference.size());
    ++result_.Unstored;
  }
  // A byte of the file that is no character there.
  void Raw(unsigned char b) {
    Room(2);
    ++result_.Undecodable;
    if (const auto code = foreign_.CodeForByte(b)) {
      Code(*code);
      return;
    }
    *o_++ = static_cast<char>(b);
  }

 private:
  void Code(std::uint16_t code) {
    o_[0] = static_cast<char>(code >> 8);
    o_[1] = static_cast<char>(code & 0xFF);
    o_ += 2;
  }
  void Room(std::size_t n) {
    if (static_cast<std::size_t>(limit_ - o_) < n) Grow(result_.Bytes.size() * 2 + n);
  }
  void Grow(std::size_t size) {
    const std::size_t used = o_ == nullptr ? 0 : static_cast<std::size_t>(o_ - result_.Bytes.data());
    result_.Bytes.resize(size);
    o_ = result_.Bytes.data() + used;
    limit_ = result_.Bytes.data() + result_.Bytes.size();
  }

  TForeignChars& foreign_;
  TConversion& result_;
  char* o_ = nullptr;
  char* limit_ = nullptr;
};

// The length of the UTF-8 sequence at p (1–4), or 0 when it is not a valid one.
std::size_t Utf8Length(const unsigned char* p, const unsigned char* end, char32_t& c) {
  const unsigned b = p[0];
  std::size_t n = 0;
  unsigned low = 0x80, high = 0xBF;
  if (b >= 0xC2 && b <= 0xDF) {
    n = 2;
    c = b & 0x1F;
  } else if (b >= 0xE0 && b <= 0xEF) {
    n = 3;
    c = b & 0x0F;
    if (b == 0xE0) low = 0xA0;
    if (b == 0xED) high = 0x9F;  // no surrogates
  } else if (b >= 0xF0 && b <= 0xF4) {
    n = 4;
    c = b & 0x07;
    if (b == 0xF0) low = 0x90;
    if (b == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (static_cast<std::size_t>(end - p) < n) return 0;
  for (std::size_t i = 1; i < n; ++i) {
    const unsigned t = p[i];
    if (t < (i == 1 ? low : 0x80) || t > (i == 1 ? high : 0xBF)) return 0;
    c = (c << 6) | (t & 0x3F);
  }
  return n;
}

using ShiftJis::EightAscii;

void FromUtf8(std::string_view bytes, TDocumentOut& out) {
  const std::uint16_t* const table = Cp932::EncodeTable();
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const auto* const end = p + bytes.size();
  while (p < end) {
    while (end - p >= 8 && EightAscii(p)) {
      out.Bytes(reinterpret_cast<const char*>(p), 8);
      p += 8;
    }
    if (p == end) break;
    if (*p < 0x80) {
      out.Ascii(static_cast<char>(*p++));
      continue;
    }
    // Three-byte sequences of kana and kanji: E1–EC and EF lead bytes need no range checks
    // beyond the continuation bytes (E0 and ED do, EE is private use).
    if (end - p >= 3 && ((p[0] >= 0xE1 && p[0] <= 0xEC) || p[0] == 0xEF) &&
        (p[1] & 0xC0) == 0x80 && (p[2] & 0xC0) == 0x80) {
      const auto c = static_cast<char16_t>(((p[0] & 0x0F) << 12) | ((p[1] & 0x3F) << 6) | (p[2] & 0x3F));
      out.CommonCharacter(c, table);
      p += 3;
      continue;
    }
    char32_t c = 0;
    const std::size_t n = Utf8Length(p, end, c);
    if (n == 0) {
      out.Raw(*p++);
      continue;
    }
    out.CodePoint(c);
    p += n;
  }
}

void FromUtf16(std::string_view bytes, bool bigEndian, TDocumentOut& out) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const std::size_t units = bytes.size() / 2;
  const auto unitAt = [&](std::size_t i) -> char16_t {
    const unsigned a = p[2 * i], b = p[2 * i + 1];
    return static_cast<char16_t>(bigEndian ? (a << 8 | b) : (b << 8 | a));
  };
  for (std::size_t i = 0; i < units; ++i) {
    const char16_t u = unitAt(i);
    if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units && unitAt(i + 1) >= 0xDC00 &&
        unitAt(i + 1) <= 0xDFFF) {
      out.CodePoint(0x10000 + ((static_cast<char32_t>(u) - 0xD800) << 10) + (unitAt(i + 1) - 0xDC00));
      ++i;
    } else if (u >= 0xD800 && u <= 0xDFFF) {
      out.Raw(p[2 * i]);  // a lone surrogate: its two bytes, as they stood
      out.Raw(p[2 * i + 1]);
    } else {
      out.CodePoint(u);
    }
  }
  if (bytes.size() % 2 != 0) out.Raw(p[bytes.size() - 1]);
}

void FromEucJp(std::string_view bytes, TDocumentOut& out) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const auto* const end = p + bytes.size();
  std::unique_ptr<TIconv> supplementary;  // JIS X 0212, rare: opened on first use
  const auto isEucByte = [](unsigned b) { return b >= 0xA1 && b <= 0xFE; };
  while (p < end) {
    while (end - p >= 8 && EightAscii(p)) {
      out.Bytes(reinterpret_cast<const char*>(p), 8);
      p += 8;
    }
    if (p == end) break;
    const unsigned b = *p;
    if (b < 0x80) {
      out.Ascii(static_cast<char>(*p++));
    } else if (b == 0x8E && end - p >= 2 && p[1] >= 0xA1 && p[1] <= 0xDF) {
      out.Ascii(static_cast<char>(p[1]));  // half-width katakana, as Shift-JIS has it
      p += 2;
    } else if (isEucByte(b) && end - p >= 2 && isEucByte(p[1])) {
      const std::array<char, 2> pair = JisToSjis(b - 0x80, p[1] - 0x80u);
      out.Bytes(pair.data(), 2);
      p += 2;
    } else if (b == 0x8F && end - p >= 3 && isEucByte(p[1]) && isEucByte(p[2])) {
      if (!supplementary) supplementary = std::make_unique<TIconv>("UTF-32LE", "EUC-JP-MS");
      const char32_t c = FromUtf32(supplementary->Convert(std::string_view(reinterpret_cast<const char*>(p), 3)));
      if (c != 0) {
        out.CodePoint(c);
      } else {
        for (int k = 0; k < 3; ++k) out.Raw(p[k]);
      }
      p += 3;
    } else {
      out.Raw(*p++);
    }
  }
}

void FromIso2022Jp(std::string_view bytes, TDocumentOut& out, bool& unknownEscape) {
  enum class TSet { Ascii, Kanji, Kana, Supplementary };
  TSet set = TSet::Ascii;
  bool shifted = false;  // SO: half-width katakana until SI
  std::unique_ptr<TIconv> supplementary;
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const auto* const end = p + bytes.size();
  const auto starts = [&](std::string_view escape) {
    return static_cast<std::size_t>(end - p) >= escape.size() &&
           std::memcmp(p, escape.data(), escape.size()) == 0;
  };
  while (p < end) {
    const unsigned b = *p;
    if (b == 0x1B) {
      struct TEscape { std::string_view Bytes; TSet Set; };
      static constexpr TEscape kEscapes[] = {
          {"\x1B(B", TSet::Ascii},  {"\x1B(J", TSet::Ascii}, {"\x1B(I", TSet::Kana},
          {"\x1B$@", TSet::Kanji},  {"\x1B$B", TSet::Kanji}, {"\x1B&@\x1B$B", TSet::Kanji},
          {"\x1B$(D", TSet::Supplementary},
      };
      bool known = false;
      for (const TEscape& escape : kEscapes) {
        if (starts(escape.Bytes)) {
          set = escape.Set;
          p += escape.Bytes.size();
          known = true;
          break;
        }
      }
      if (!known) {
        // A set this program does not know: its escape and text stay as they are.
        unknownEscape = true;
        out.Ascii(static_cast<char>(*p++));
        set = TSet::Ascii;
      }
      continue;
    }
    if (b == 0x0E || b == 0x0F) {
      shifted = b == 0x0E;
      ++p;
      continue;
    }
    if (b >= 0x80) {
      out.Raw(*p++);
      continue;
    }
    if ((shifted || set == TSet::Kana) && b >= 0x21 && b <= 0x5F) {
      out.Ascii(static_cast<char>(b + 0x80));
      ++p;
      continue;
    }
    if ((set == TSet::Kanji || set == TSet::Supplementary) && IsJisByte(b) && end - p >= 2 &&
        IsJisByte(p[1])) {
      if (set == TSet::Kanji) {
        const std::array<char, 2> pair = JisToSjis(b, p[1]);
        out.Bytes(pair.data(), 2);
      } else {
        if (!supplementary) supplementary = std::make_unique<TIconv>("UTF-32LE", "EUC-JP-MS");
        const char euc[3] = {static_cast<char>(0x8F), static_cast<char>(b | 0x80),
                             static_cast<char>(p[1] | 0x80)};
        const char32_t c = FromUtf32(supplementary->Convert(std::string_view(euc, 3)));
        if (c != 0) {
          out.CodePoint(c);
        } else {
          out.Raw(p[0]);
          out.Raw(p[1]);
        }
      }
      p += 2;
      continue;
    }
    out.Ascii(static_cast<char>(*p++));
  }
}

// ---- detection ------------------------------------------------------------------------------

struct TBom {
  std::string_view Bytes;
  TFormat Format;
};
constexpr TBom kBoms[] = {
    {"\xEF\xBB\xBF", {TEncoding::Utf8, true}},
    {"\xFF\xFE", {TEncoding::Utf16Le, true}},
    {"\xFE\xFF", {TEncoding::Utf16Be, true}},
};

std::optional<TFormat> FormatOfBom(std::string_view bytes) {
  for (const TBom& bom : kBoms) {
    if (bytes.starts_with(bom.Bytes)) return bom.Format;
  }
  return std::nullopt;
}

// How the sample reads as each encoding.
struct TUtf8Reading {
  bool Valid = true;
  std::size_t Broken = 0;  // sequences that are no UTF-8
  std::size_t TwoByte = 0;
  std::size_t Longer = 0;
  std::size_t LetterThenTwoByte = 0;  // 2-byte sequences right after an ASCII letter (café)
};

TUtf8Reading ReadAsUtf8(std::string_view sample, bool cutShort) {
  TUtf8Reading reading;
  const auto* p = reinterpret_cast<const unsigned char*>(sample.data());
  const auto* const end = p + sample.size();
  while (p < end) {
    if (*p < 0x80) {
      ++p;
      continue;
    }
    char32_t c = 0;
    const std::size_t n = Utf8Length(p, end, c);
    if (n == 0) {
      // A sequence cut by the end of the sample is no fault of the file.
      if (cutShort && end - p < 4) break;
      reading.Valid = false;
      // Text of another encoding breaks at once and often: no need to read on.
      if (++reading.Broken > reading.Longer / 8 + 4) return reading;
      // One broken sequence: its lead and the continuation bytes that follow it.
      ++p;
      while (p < end && (*p & 0xC0) == 0x80) ++p;
      continue;
    }
    if (n == 2) {
      ++reading.TwoByte;
      if (p > reinterpret_cast<const unsigned char*>(sample.data()) && std::isalpha(p[-1])) {
        ++reading.LetterThenTwoByte;
      }
    } else {
      ++reading.Longer;
    }
    p += n;
  }
  return reading;
}

// A reading as a double-byte Japanese encoding: whether every byte fits its rules, and a score
// of how much it looks like Japanese text.
struct TJapaneseReading {
  bool Valid = true;
  long Score = 0;
  std::size_t NonAscii = 0;
};

// What each CP932 pair counts for as Japanese text: 0 not a character, else its weight.
const std::array<std::uint8_t, 0x10000>& Cp932Weights() {
  static const auto* const weights = [] {
    auto* table = new std::array<std::uint8_t, 0x10000>{};
    for (unsigned code = 0x8100; code <= 0xFCFF; ++code) {
      const auto lead = static_cast<unsigned char>(code >> 8);
      const auto trail = static_cast<unsigned char>(code & 0xFF);
      if (!ShiftJis::IsLeadByte(lead) || Cp932::ShownCharacter(lead, trail) == 0) continue;
      std::uint8_t weight = 1;
      if ((code >= 0x829F && code <= 0x82F1) || (code >= 0x8340 && code <= 0x8396)) {
        weight = 4;  // kana
      } else if (code >= 0x889F && code <= 0x9872) {
        weight = 3;  // first-level kanji
      } else if (code >= 0x8140 && code <= 0x81AC) {
        weight = 2;  // punctuation
      }
      (*table)[code] = weight;
    }
    return table;
  }();
  return *weights;
}

TJapaneseReading ReadAsCp932(std::string_view sample, bool cutShort) {
  const std::array<std::uint8_t, 0x10000>& weights = Cp932Weights();
  TJapaneseReading reading;
  const auto* p = reinterpret_cast<const unsigned char*>(sample.data());
  const auto* const end = p + sample.size();
  while (p < end) {
    while (end - p >= 8 && EightAscii(p)) p += 8;
    if (p == end) break;
    const unsigned b = *p;
    if (b < 0x80) {
      ++p;
      continue;
    }
    ++reading.NonAscii;
    if (b >= 0xA1 && b <= 0xDF) {
      reading.Score += 1;  // half-width katakana: common in lists, rare in running text
      ++p;
      continue;
    }
    if (!ShiftJis::IsLeadByte(static_cast<unsigned char>(b))) {
      reading.Valid = false;
      return reading;
    }
    if (end - p < 2) {
      if (!cutShort) reading.Valid = false;
      break;
    }
    const std::uint8_t weight = weights[b << 8 | p[1]];
    if (weight == 0) {
      reading.Valid = false;
      return reading;
    }
    reading.Score += weight;
    p += 2;
  }
  return reading;
}

TJapaneseReading ReadAsEucJp(std::string_view sample, bool cutShort) {
  TJapaneseReading reading;
  const auto* p = reinterpret_cast<const unsigned char*>(sample.data());
  const auto* const end = p + sample.size();
  const auto isEucByte = [](unsigned b) { return b >= 0xA1 && b <= 0xFE; };
  while (p < end) {
    const unsigned b = *p;
    if (b < 0x80) {
      ++p;
      continue;
    }
    ++reading.NonAscii;
    const std::size_t need = b == 0x8F ? 3 : 2;
    if (static_cast<std::size_t>(end - p) < need) {
      if (!cutShort) reading.Valid = false;
      break;
    }
    if (b == 0x8E && p[1] >= 0xA1 && p[1] <= 0xDF) {
      reading.Score += 1;
    } else if (b == 0x8F && isEucByte(p[1]) && isEucByte(p[2])) {
      reading.Score += 1;
    } else if (isEucByte(b) && isEucByte(p[1])) {
      const unsigned code = b << 8 | p[1];
      if ((code >= 0xA4A1 && code <= 0xA4F3) || (code >= 0xA5A1 && code <= 0xA5F6)) {
        reading.Score += 4;
      } else if (code >= 0xB0A1 && code <= 0xCFD3) {
        reading.Score += 3;
      } else if (code >= 0xA1A1 && code <= 0xA2FE) {
        reading.Score += 2;
      } else if (b <= 0xA8 || (b >= 0xB0 && b <= 0xF4)) {
        reading.Score += 1;
      } else {
        reading.Valid = false;  // a row no Japanese text uses
        return reading;
      }
    } else {
      reading.Valid = false;
      return reading;
    }
    p += need;
  }
  return reading;
}

bool LooksLikeIso2022Jp(std::string_view sample) {
  for (const unsigned char c : sample) {
    if (c >= 0x80) return false;
  }
  return sample.find("\x1B$B") != std::string_view::npos ||
         sample.find("\x1B$@") != std::string_view::npos ||
         sample.find("\x1B(I") != std::string_view::npos;
}

// UTF-16 without a mark: text of mostly ASCII or Japanese has zero bytes, or a narrow band of
// high bytes, at one parity far more than at the other.
std::optional<TEncoding> Utf16ByItsZeros(std::string_view sample) {
  const std::size_t units = std::min<std::size_t>(sample.size(), 8192) / 2;
  if (units < 2 || sample.size() % 2 != 0) return std::nullopt;
  if (std::memchr(sample.data(), 0, 2 * units) == nullptr) return std::nullopt;  // most files
  std::size_t evenZeros = 0, oddZeros = 0;
  for (std::size_t i = 0; i < units; ++i) {
    if (sample[2 * i] == '\0') ++evenZeros;
    if (sample[2 * i + 1] == '\0') ++oddZeros;
  }
  // A short text must be all ASCII to tell; a longer one mostly.
  const auto many = [&](std::size_t n) { return units < 16 ? n == units : n * 10 >= units * 4; };
  const auto few = [&](std::size_t n) { return n * 20 <= units; };
  if (many(oddZeros) && few(evenZeros)) return TEncoding::Utf16Le;
  if (many(evenZeros) && few(oddZeros)) return TEncoding::Utf16Be;
  return std::nullopt;
}

// UTF-16 Japanese without a mark and without ASCII: at one parity nearly every byte is the high
// byte of kana (0x30), kanji (0x4E–0x9F), full-width forms (0xFF), punctuation or ASCII, and
// no unit is a lone surrogate. Only asked when no 8-bit reading fits.
std::optional<TEncoding> Utf16ByItsBands(std::string_view sample) {
  const std::size_t units = std::min<std::size_t>(sample.size(), 8192) / 2;
  if (units < 4 || sample.size() % 2 != 0) return std::nullopt;
  const auto inBand = [](unsigned char high) {
    return high == 0x00 || high == 0x20 || high == 0x30 || (high >= 0x4E && high <= 0x9F) ||
           high == 0xFF;
  };
  for (const TEncoding order : {TEncoding::Utf16Le, TEncoding::Utf16Be}) {
    const std::size_t highAt = order == TEncoding::Utf16Le ? 1 : 0;
    std::size_t banded = 0;
    bool surrogate = false;
    for (std::size_t i = 0; i < units; ++i) {
      const auto high = static_cast<unsigned char>(sample[2 * i + highAt]);
      if (inBand(high)) ++banded;
      if (high >= 0xD8 && high <= 0xDF) surrogate = true;
    }
    if (!surrogate && banded * 20 >= units * 19) return order;
  }
  return std::nullopt;
}

// The charset a page or an XML file declares within its first bytes.
std::optional<TEncoding> DeclaredCharset(std::string_view bytes) {
  const std::string head = Lower(bytes.substr(0, kDeclarationReach));
  for (const std::string_view key : {std::string_view("charset="), std::string_view("encoding=")}) {
    for (std::size_t at = head.find(key); at != std::string::npos; at = head.find(key, at + 1)) {
      std::size_t from = at + key.size();
      while (from < head.size() && (head[from] == '"' || head[from] == '\'' || head[from] == ' ')) ++from;
      std::size_t to = from;
      while (to < head.size() && (std::isalnum(static_cast<unsigned char>(head[to])) ||
                                  head[to] == '-' || head[to] == '_')) {
        ++to;
      }
      if (const auto encoding = FromLabel(std::string_view(head).substr(from, to - from))) {
        return encoding;
      }
    }
  }
  return std::nullopt;
}

// What a well-kept statistical detector makes of the sample, as a hint among our candidates.
std::optional<TEncoding> LibraryGuess(std::string_view sample) {
  const std::unique_ptr<std::remove_pointer_t<uchardet_t>, void (*)(uchardet_t)> detector(
      uchardet_new(), uchardet_delete);
  if (!detector) return std::nullopt;
  if (uchardet_handle_data(detector.get(), sample.data(), sample.size()) != 0) return std::nullopt;
  uchardet_data_end(detector.get());
  const char* const charset = uchardet_get_charset(detector.get());
  return charset != nullptr ? FromLabel(charset) : std::nullopt;
}

}  // namespace

std::string_view Name(TEncoding encoding) {
  switch (encoding) {
    case TEncoding::Cp932: return "Shift-JIS";
    case TEncoding::Utf8: return "UTF-8";
    case TEncoding::Utf16Le: return "UTF-16LE";
    case TEncoding::Utf16Be: return "UTF-16BE";
    case TEncoding::EucJp: return "EUC-JP";
    case TEncoding::Iso2022Jp: return "ISO-2022-JP";
  }
  return "Shift-JIS";
}

std::string FormatName(TFormat format) {
  std::string name(Name(format.Encoding));
  if (format.Bom) name += " (BOM 付き)";
  return name;
}

std::optional<TEncoding> FromLabel(std::string_view label) {
  struct TAlias { std::string_view Label; TEncoding Encoding; };
  static constexpr TAlias kAliases[] = {
      {"shift_jis", TEncoding::Cp932},    {"shift-jis", TEncoding::Cp932},
      {"sjis", TEncoding::Cp932},         {"x-sjis", TEncoding::Cp932},
      {"windows-31j", TEncoding::Cp932},  {"cp932", TEncoding::Cp932},
      {"ms932", TEncoding::Cp932},        {"ms_kanji", TEncoding::Cp932},
      {"csshiftjis", TEncoding::Cp932},   {"utf-8", TEncoding::Utf8},
      {"utf8", TEncoding::Utf8},          {"utf-16le", TEncoding::Utf16Le},
      {"utf-16be", TEncoding::Utf16Be},   {"utf-16", TEncoding::Utf16Le},
      {"euc-jp", TEncoding::EucJp},       {"eucjp", TEncoding::EucJp},
      {"x-euc-jp", TEncoding::EucJp},     {"euc_jp", TEncoding::EucJp},
      {"iso-2022-jp", TEncoding::Iso2022Jp}, {"jis", TEncoding::Iso2022Jp},
      {"csiso2022jp", TEncoding::Iso2022Jp},
  };
  const std::string lower = Lower(label);
  for (const TAlias& alias : kAliases) {
    if (lower == alias.Label) return alias.Encoding;
  }
  return std::nullopt;
}

TDetection Detect(std::string_view bytes, bool markup) {
  if (const auto bom = FormatOfBom(bytes)) return {*bom, true};
  // A sample of the full size may be a file's first part, cut anywhere.
  const bool cutShort = bytes.size() >= kDetectionSample;
  const std::string_view sample = bytes.substr(0, kDetectionSample);
  if (const auto utf16 = Utf16ByItsZeros(sample)) return {{*utf16, false}, true};

  const TUtf8Reading utf8 = ReadAsUtf8(sample, cutShort);
  const TJapaneseReading euc = ReadAsEucJp(sample, cutShort);
  // Shift-JIS text reads as neither: then its first bytes show well enough whether it is
  // Shift-JIS at all, and a file of thousands of small pages is not read twice over.
  const bool rival = utf8.Valid || euc.Valid;
  const TJapaneseReading cp932 =
      ReadAsCp932(rival ? sample : sample.substr(0, 4096), cutShort || !rival);
  const bool ascii = rival ? cp932.NonAscii == 0 : false;

  // A declaration that the bytes do not contradict.
  if (markup) {
    if (const auto declared = DeclaredCharset(sample)) {
      const bool fits = (*declared == TEncoding::Utf8 && utf8.Valid) ||
                        (*declared == TEncoding::Cp932 && cp932.Valid) ||
                        (*declared == TEncoding::EucJp && euc.Valid) ||
                        (*declared == TEncoding::Iso2022Jp && LooksLikeIso2022Jp(sample));
      if (fits && !ascii) return {{*declared, false}, true};
      if (fits && *declared == TEncoding::Iso2022Jp) return {{*declared, false}, true};
    }
  }
  if (LooksLikeIso2022Jp(sample)) return {{TEncoding::Iso2022Jp, false}, true};
  if (ascii) return {{TEncoding::Cp932, false}, true};

  // UTF-8 Japanese is three-byte sequences; a text of two-byte sequences only is UTF-8 when
  // they stand in words (café) or Shift-JIS cannot read it.
  if (utf8.Valid && (utf8.Longer > 0 || !cp932.Valid ||
                     (utf8.TwoByte > 0 && utf8.LetterThenTwoByte == utf8.TwoByte))) {
    return {{TEncoding::Utf8, false}, true};
  }
  // UTF-8 with a few broken sequences (a page cut or damaged) is still UTF-8 when Shift-JIS
  // cannot read it; its broken bytes are kept.
  if (!utf8.Valid && utf8.Longer >= 8 && utf8.Broken * 8 <= utf8.Longer && !cp932.Valid) {
    return {{TEncoding::Utf8, false}, true};
  }
  if (cp932.Valid && !euc.Valid) return {{TEncoding::Cp932, false}, true};
  if (euc.Valid && !cp932.Valid) return {{TEncoding::EucJp, false}, true};
  if (!cp932.Valid && !euc.Valid && !utf8.Valid) {
    if (const auto utf16 = Utf16ByItsBands(sample)) return {{*utf16, false}, true};
  }
  if (cp932.Valid && euc.Valid) {
    // Both read: the statistics, with the library's opinion as a weight, decide; Shift-JIS
    // keeps a tie and every close call.
    long eucScore = euc.Score;
    long cpScore = cp932.Score;
    if (const auto guess = LibraryGuess(sample)) {
      if (*guess == TEncoding::EucJp) eucScore += eucScore / 4;
      if (*guess == TEncoding::Cp932) cpScore += cpScore / 4;
    }
    // A few characters are no evidence: short texts stay Shift-JIS.
    const bool enough = euc.NonAscii >= 8;
    if (enough && eucScore > cpScore + cpScore / 4) return {{TEncoding::EucJp, false}, true};
    return {{TEncoding::Cp932, false}, eucScore * 2 < cpScore};
  }
  return {{TEncoding::Cp932, false}, false};
}

TConversion ToDocument(std::string_view bytes, TFormat format, TForeignChars& foreign) {
  if (const auto bom = FormatOfBom(bytes); bom && bom->Encoding == format.Encoding) {
    for (const TBom& known : kBoms) {
      if (known.Format == *bom) bytes.remove_prefix(known.Bytes.size());
    }
  }
  TConversion result;
  if (format.Encoding == TEncoding::Cp932) {
    result.Bytes = std::string(bytes);
    return result;
  }
  {
    TDocumentOut out(bytes.size(), foreign, result);  // sets the result's length as it goes
    switch (format.Encoding) {
      case TEncoding::Utf8: FromUtf8(bytes, out); break;
      case TEncoding::Utf16Le: FromUtf16(bytes, false, out); break;
      case TEncoding::Utf16Be: FromUtf16(bytes, true, out); break;
      case TEncoding::EucJp: FromEucJp(bytes, out); break;
      case TEncoding::Iso2022Jp: FromIso2022Jp(bytes, out, result.UnknownEscape); break;
      case TEncoding::Cp932: break;
    }
  }
  return result;
}

// ---- writing out ----------------------------------------------------------------------------

TWriter::TWriter(TFormat format, const TForeignChars& foreign)
    : format_(format), foreign_(foreign) {}

namespace {

// The UTF-8 form of every CP932 pair and single byte, built once: up to three bytes each.
struct TUtf8Forms {
  std::array<std::array<char, 4>, 0x10000> Pair{};  // lead << 8 | trail; [3] is the length
  std::array<std::array<char, 4>, 0x100> Single{};
  TUtf8Forms() {
    const auto put = [](std::array<char, 4>& form, char16_t c) {
      if (c == 0) return;
      if (c < 0x80) {
        form = {static_cast<char>(c), 0, 0, 1};
      } else if (c < 0x800) {
        form = {static_cast<char>(0xC0 | (c >> 6)), static_cast<char>(0x80 | (c & 0x3F)), 0, 2};
      } else {
        form = {static_cast<char>(0xE0 | (c >> 12)), static_cast<char>(0x80 | ((c >> 6) & 0x3F)),
                static_cast<char>(0x80 | (c & 0x3F)), 3};
      }
    };
    for (unsigned lead = 0x81; lead <= 0xFC; ++lead) {
      if (!ShiftJis::IsLeadByte(static_cast<unsigned char>(lead))) continue;
      for (unsigned trail = 0x40; trail <= 0xFC; ++trail) {
        put(Pair[lead << 8 | trail], Cp932::ShownCharacter(static_cast<unsigned char>(lead),
                                                           static_cast<unsigned char>(trail)));
      }
    }
    for (unsigned b = 0xA1; b <= 0xDF; ++b) put(Single[b], static_cast<char16_t>(0xFF61 + (b - 0xA1)));
  }
};

const TUtf8Forms& Utf8Forms() {
  static const auto* const forms = new TUtf8Forms();
  return *forms;
}

}  // namespace

// UTF-8 needs no line count (it holds every character) and is the common case: ASCII in runs,
// every other character from a table.
bool TWriter::WriteUtf8Fast(std::string_view piece, std::string& out) {
  if (format_.Encoding != TEncoding::Utf8 || pendingLead_ >= 0) return false;
  const TUtf8Forms& forms = Utf8Forms();
  const std::size_t start = out.size();
  out.resize(start + 3 * piece.size());
  char* o = out.data() + start;
  const auto* p = reinterpret_cast<const unsigned char*>(piece.data());
  const auto* const end = p + piece.size();
  // The user-defined area may hold the document's foreign characters: those go the long way.
  const unsigned lastPlainLead = foreign_.Empty() ? 0xFC : 0xEF;
  while (p < end) {
    ShiftJis::CopyAsciiRun(p, end, o);
    if (p == end) break;
    const unsigned b = *p;
    const std::array<char, 4>* form = nullptr;
    std::size_t length = 1;
    if (b < 0x80) {
      *o++ = static_cast<char>(b);
      ++p;
      continue;
    }
    const bool lead = b <= 0x9F || b >= 0xE0;  // 0x80 and 0xA0 have no form: the long way
    if (lead && b <= lastPlainLead && end - p >= 2 && p[1] >= 0x40 && p[1] != 0x7F &&
        p[1] <= 0xFC) {
      form = &forms.Pair[b << 8 | p[1]];
      length = 2;
    } else if (!lead) {
      form = &forms.Single[b];
    }
    if (form == nullptr || (*form)[3] == 0) {
      // The rare rest (foreign characters, bytes that are no character, a lead byte at the
      // piece's end) the general way.
      out.resize(static_cast<std::size_t>(o - out.data()));
      Write(std::string_view(reinterpret_cast<const char*>(p), static_cast<std::size_t>(end - p)), out, true);
      return true;
    }
    std::memcpy(o, form->data(), 3);
    o += (*form)[3];
    p += length;
  }
  out.resize(static_cast<std::size_t>(o - out.data()));
  return true;
}

void TWriter::Write(std::string_view piece, std::string& out) { Write(piece, out, false); }

void TWriter::Write(std::string_view piece, std::string& out, bool slowly) {
  if (!slowly && bomWritten_ && WriteUtf8Fast(piece, out)) return;
  if (!bomWritten_) {
    bomWritten_ = true;
    if (format_.Bom) {
      for (const TBom& bom : kBoms) {
        if (bom.Format == format_) out += bom.Bytes;
      }
    }
    if (!slowly && WriteUtf8Fast(piece, out)) return;
  }
  const auto* p = reinterpret_cast<const unsigned char*>(piece.data());
  const auto* const end = p + piece.size();
  if (pendingLead_ >= 0 && p < end) {
    const auto lead = static_cast<unsigned char>(pendingLead_);
    pendingLead_ = -1;
    if (ShiftJis::IsTrailByte(*p)) {
      Pair(lead, *p++, out);
    } else {
      Byte(lead, out);
    }
  }
  const bool bytesAsThey = format_.Encoding == TEncoding::Cp932 && foreign_.Empty();
  while (p < end) {
    if (bytesAsThey) {
      // A Shift-JIS document without foreign characters is written as it is.
      const auto* const lf = static_cast<const unsigned char*>(std::memchr(p, '\n', end - p));
      if (lf == nullptr) {
        out.append(reinterpret_cast<const char*>(p), end - p);
        break;
      }
      ++line_;
      out.append(reinterpret_cast<const char*>(p), lf + 1 - p);
      p = lf + 1;
      continue;
    }
    const unsigned b = *p;
    if (b < 0x80) {
      if (b == '\n') ++line_;
      Unit(b, out);
      ++p;
      continue;
    }
    if (ShiftJis::IsLeadByte(static_cast<unsigned char>(b))) {
      if (p + 1 == end) {
        pendingLead_ = static_cast<int>(b);
        break;
      }
      if (ShiftJis::IsTrailByte(p[1])) {
        Pair(static_cast<unsigned char>(b), p[1], out);
        p += 2;
        continue;
      }
    }
    Byte(static_cast<unsigned char>(b), out);
    ++p;
  }
}

void TWriter::Finish(std::string& out) {
  if (!bomWritten_) Write({}, out);
  if (pendingLead_ >= 0) Byte(static_cast<unsigned char>(pendingLead_), out);
  pendingLead_ = -1;
}

void TWriter::Unit(char32_t c, std::string& out) {
  switch (format_.Encoding) {
    case TEncoding::Utf8:
      if (c < 0x80) {
        out += static_cast<char>(c);
      } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
      } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
      } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
      }
      return;
    case TEncoding::Utf16Le:
    case TEncoding::Utf16Be: {
      const auto put = [&](char16_t u) {
        const char hi = static_cast<char>(u >> 8), lo = static_cast<char>(u & 0xFF);
        if (format_.Encoding == TEncoding::Utf16Le) {
          out += lo;
          out += hi;
        } else {
          out += hi;
          out += lo;
        }
      };
      if (c < 0x10000) {
        put(static_cast<char16_t>(c));
      } else {
        put(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
        put(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
      }
      return;
    }
    case TEncoding::Cp932:
    case TEncoding::EucJp:
    case TEncoding::Iso2022Jp:
      if (c < 0x80) {
        out += static_cast<char>(c);
      } else {
        Unwritten(c, out);
      }
      return;
  }
}

void TWriter::Unwritten(char32_t c, std::string& out) {
  ++unwritable_.Count;
  if (unwritable_.First.size() < 5) unwritable_.First.push_back(c);
  if (unwritable_.FirstLine < 0) unwritable_.FirstLine = line_;
  for (const char a : "&#" + std::to_string(static_cast<std::uint32_t>(c)) + ";") Unit(static_cast<unsigned char>(a), out);
}

void TWriter::Pair(unsigned char lead, unsigned char trail, std::string& out) {
  if (const TForeignChars::TEntry* entry = foreign_.Find(lead, trail)) {
    if (entry->IsByte) {
      Raw(entry->Byte, out);
    } else if (format_.Encoding == TEncoding::Utf8 || format_.Encoding == TEncoding::Utf16Le ||
               format_.Encoding == TEncoding::Utf16Be) {
      Unit(entry->CodePoint, out);
    } else {
      Unwritten(entry->CodePoint, out);
    }
    return;
  }
  switch (format_.Encoding) {
    case TEncoding::Cp932:
      out += static_cast<char>(lead);
      out += static_cast<char>(trail);
      return;
    case TEncoding::EucJp:
    case TEncoding::Iso2022Jp: {
      const std::uint16_t jis = HenkanJ::SjisToJis(static_cast<std::uint16_t>(lead << 8 | trail));
      if (lead <= 0xEF && IsJisByte(jis >> 8) && IsJisByte(jis & 0xFF)) {
        out += static_cast<char>((jis >> 8) | 0x80);
        out += static_cast<char>((jis & 0xFF) | 0x80);
        return;
      }
      // The IBM extensions and what else lies past JIS X 0208: the character, where EUC-JP
      // holds it at all.
      const char16_t shown = Cp932::ShownCharacter(lead, trail);
      static thread_local TIconv euc("EUC-JP-MS", "UTF-32LE");
      const std::string bytes = shown != 0 ? euc.Convert(Utf32Bytes(shown)) : std::string();
      if (!bytes.empty()) {
        out += bytes;
      } else if (shown != 0) {
        Unwritten(shown, out);
      } else {
        out += static_cast<char>(lead);  // no character: the bytes as they were
        out += static_cast<char>(trail);
      }
      return;
    }
    case TEncoding::Utf8:
    case TEncoding::Utf16Le:
    case TEncoding::Utf16Be: {
      const char16_t shown = Cp932::ShownCharacter(lead, trail);
      if (shown != 0) {
        Unit(shown, out);
      } else {
        Byte(lead, out);
        Byte(trail, out);
      }
      return;
    }
  }
}

// A single byte above 0x7F: half-width katakana, or a byte that is no character.
void TWriter::Byte(unsigned char b, std::string& out) {
  if (b >= 0xA1 && b <= 0xDF) {
    switch (format_.Encoding) {
      case TEncoding::Cp932: out += static_cast<char>(b); return;
      case TEncoding::EucJp:
      case TEncoding::Iso2022Jp:
        out += '\x8E';
        out += static_cast<char>(b);
        return;
      default: Unit(0xFF61 + (b - 0xA1), out); return;
    }
  }
  Raw(b, out);
}

// A byte that is no character: kept as it is where the encoding can hold a lone byte.
void TWriter::Raw(unsigned char b, std::string& out) {
  if (format_.Encoding == TEncoding::Utf16Le || format_.Encoding == TEncoding::Utf16Be) {
    Unwritten(0xFFFD, out);
  } else {
    out += static_cast<char>(b);
  }
}

void WriteFile(const std::string& path, std::string_view document, TFormat format,
               const TForeignChars& foreign) {
  FileIO::TAtomicFileWriter file(path);
  if (format.Encoding == TEncoding::Cp932 && foreign.Empty()) {
    file.Write(document);
  } else {
    TWriter writer(format, foreign);
    std::string piece;
    for (std::size_t at = 0; at < document.size(); at += 1 << 20) {
      writer.Write(document.substr(at, 1 << 20), piece);
      file.Write(piece);
      piece.clear();
    }
    writer.Finish(piece);
    file.Write(piece);
  }
  file.Commit();
}

bool MayBeUnwritable(TFormat format, const TForeignChars& foreign) {
  if (format.Encoding == TEncoding::Utf8) return false;
  return !(format.Encoding == TEncoding::Cp932 && foreign.Empty());
}

TUnwritable FindUnwritable(std::string_view document, TFormat format,
                           const TForeignChars& foreign) {
  // No pass over a document that the format holds whole anyway.
  if (!MayBeUnwritable(format, foreign)) return {};
  TWriter writer(format, foreign);
  std::string scratch;
  for (std::size_t at = 0; at < document.size(); at += 1 << 20) {
    writer.Write(document.substr(at, 1 << 20), scratch);
    scratch.clear();
  }
  writer.Finish(scratch);
  return writer.Unwritable();
}

}  // namespace Encodings
