// CP932 <-> UTF-16 through lookup tables built once from glibc iconv.
//
// Decoding walks the bytes once: runs of ASCII are widened eight bytes at a time, a lead byte
// looks up its pair in a 61 x 256 table, any other byte looks up a 256-entry table. The tables
// hold only what round-trips: a pair or byte is kept when iconv's own encoding of its character
// gives back the same bytes; everything else decodes to escape units (U+DC00 + byte).
// Encoding is the reverse: ASCII runs are narrowed eight units at a time, other units look up a
// 64 K table of canonical bytes.
#include "document/Cp932Codec.h"

#include <iconv.h>

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace Cp932 {

namespace {

// Pair-table cells that are not characters. No CP932 pair decodes to U+0000 or U+0001.
constexpr char16_t kLoneLead = 0;    // the next byte is no trail byte: escape the lead alone
constexpr char16_t kEscapePair = 1;  // unmapped or non-canonical pair: escape both bytes

// Encode-table cells: 0 when the unit has no CP932 form, 0x01bb for the single byte bb,
// otherwise lead << 8 | trail (a lead byte is at least 0x81).
constexpr std::uint16_t kNoForm = 0;
constexpr std::uint16_t kSingleFlag = 0x0100;
constexpr std::uint16_t kFirstPair = 0x8100;

constexpr bool IsLead(unsigned b) {
  return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}
constexpr bool IsTrail(unsigned b) { return b >= 0x40 && b <= 0xFC && b != 0x7F; }

// Lead bytes 0x81–0x9F become rows 1–31, 0xE0–0xFC rows 32–60; row 0 means "not a lead byte".
constexpr unsigned kRows = 61;
constexpr unsigned LeadRow(unsigned b) {
  return !IsLead(b) ? 0 : b < 0xA0 ? b - 0x80 : b - 0xC0;
}

constexpr char16_t Escape(unsigned b) { return static_cast<char16_t>(kEscapeBase + b); }
constexpr bool IsEscape(char16_t u) { return u >= kEscapeBase && u <= kEscapeBase + 0xFF; }

// One iconv conversion descriptor, converting one character per call.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Converter() {
    if (ok()) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

  // Converts all of in; returns the number of output bytes, or 0 when iconv refuses.
  std::size_t Convert(const unsigned char* in, std::size_t inLength, unsigned char (&out)[8]) {
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    char* inPtr = const_cast<char*>(reinterpret_cast<const char*>(in));
    char* outPtr = reinterpret_cast<char*>(out);
    std::size_t inLeft = inLength;
    std::size_t outLeft = sizeof out;
    if (iconv(cd_, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1) ||
        inLeft != 0)
      return 0;
    return sizeof out - outLeft;
  }

 private:
  iconv_t cd_;
};

struct Tables {
  std::uint8_t leadRow[256];
  char16_t single[256];           // the unit of a byte standing alone (escape if none)
  char16_t pair[kRows * 256];     // leadRow * 256 + trail -> unit, kLoneLead or kEscapePair
  char16_t shown[kRows * 256];    // the character a pair stands for, canonical or not (0: none)
  std::uint16_t encode[0x10000];  // UTF-16 unit -> canonical bytes (see kNoForm)

  Tables();
};

Tables::Tables() {
  for (unsigned b = 0; b < 256; ++b) {
    leadRow[b] = static_cast<std::uint8_t>(LeadRow(b));
    single[b] = b < 0x80 ? static_cast<char16_t>(b) : Escape(b);
  }
  std::fill(std::begin(pair), std::end(pair), kLoneLead);
  std::fill(std::begin(shown), std::end(shown), char16_t{0});
  std::fill(std::begin(encode), std::end(encode), kNoForm);
  for (unsigned b = 0; b < 0x80; ++b) encode[b] = static_cast<std::uint16_t>(kSingleFlag | b);
  for (unsigned b = 0; b < 256; ++b)
    encode[Escape(b)] = static_cast<std::uint16_t>(kSingleFlag | b);

  // Without iconv every byte above 0x7F stays an escape: still lossless, only less readable.
  Converter decoder("UTF-16LE", "CP932");
  Converter encoder("CP932", "UTF-16LE");
  if (!decoder.ok() || !encoder.ok()) return;

  // A candidate character must be one BMP unit that cannot be confused with ASCII (copied
  // without the tables) or with an escape unit.
  auto decodeOne = [&decoder](const unsigned char* bytes, std::size_t length) -> char16_t {
    unsigned char out[8];
    if (decoder.Convert(bytes, length, out) != 2) return kLoneLead;
    const char16_t unit = static_cast<char16_t>(out[0] | out[1] << 8);
    if (unit < 0x80 || (unit >= 0xD800 && unit <= 0xDFFF)) return kLoneLead;
    return unit;
  };
  // What iconv writes for the unit, in encode-table form.
  auto encodeOne = [&encoder](char16_t unit) -> std::uint16_t {
    const unsigned char in[2] = {static_cast<unsigned char>(unit & 0xFF),
                                 static_cast<unsigned char>(unit >> 8)};
    unsigned char out[8];
    switch (encoder.Convert(in, 2, out)) {
      case 1: return static_cast<std::uint16_t>(kSingleFlag | out[0]);
      case 2: return static_cast<std::uint16_t>(out[0] << 8 | out[1]);
      default: return kNoForm;
    }
  };

  // Candidates first: what iconv decodes each byte and each pair to.
  char16_t singleCandidate[256] = {};
  for (unsigned b = 0x80; b < 256; ++b) {
    const unsigned char bytes[1] = {static_cast<unsigned char>(b)};
    if (!IsLead(b)) singleCandidate[b] = decodeOne(bytes, 1);
  }
  for (unsigned lead = 0x81; lead < 256; ++lead) {
    if (!IsLead(lead)) continue;
    for (unsigned trail = 0x40; trail < 256; ++trail) {
      if (!IsTrail(trail)) continue;
      const unsigned char bytes[2] = {static_cast<unsigned char>(lead),
                                      static_cast<unsigned char>(trail)};
      const char16_t unit = decodeOne(bytes, 2);
      pair[leadRow[lead] * 256 + trail] = unit == kLoneLead ? kEscapePair : unit;
      shown[leadRow[lead] * 256 + trail] = unit == kLoneLead ? char16_t{0} : unit;
    }
  }

  // The encode table keeps iconv's choice only where that choice decodes back to the unit, so
  // a character like U+00A5, which iconv writes as 0x5C (itself U+005C), has no CP932 form.
  auto decodesTo = [&](std::uint16_t bytes) -> char16_t {
    if (bytes >= kFirstPair) return pair[leadRow[bytes >> 8] * 256 + (bytes & 0xFF)];
    return (bytes & 0xFF) < 0x80 ? kLoneLead : singleCandidate[bytes & 0xFF];
  };
  auto offer = [&](char16_t unit) {
    if (unit <= kEscapePair || encode[unit] != kNoForm) return;
    const std::uint16_t bytes = encodeOne(unit);
    const bool pairBytes = bytes >= kFirstPair && LeadRow(bytes >> 8) && IsTrail(bytes & 0xFF);
    const bool singleBytes = bytes > kSingleFlag && bytes <= (kSingleFlag | 0xFF);
    if ((pairBytes || singleBytes) && decodesTo(bytes) == unit) encode[unit] = bytes;
  };
  for (char16_t unit : singleCandidate) offer(unit);
  for (char16_t unit : pair) offer(unit);

  // Keep a byte or pair only when its character encodes to the very same bytes.
  for (unsigned b = 0x80; b < 256; ++b) {
    const char16_t unit = singleCandidate[b];
    if (unit != kLoneLead && encode[unit] == (kSingleFlag | b)) single[b] = unit;
  }
  for (unsigned lead = 0x81; lead < 256; ++lead) {
    if (!IsLead(lead)) continue;
    for (unsigned trail = 0x40; trail < 256; ++trail) {
      if (!IsTrail(trail)) continue;
      char16_t& cell = pair[leadRow[lead] * 256 + trail];
      if (cell != kEscapePair && encode[cell] != (lead << 8 | trail)) cell = kEscapePair;
    }
  }
}

const Tables& GetTables() {
  static const Tables tables;
  return tables;
}

constexpr std::uint64_t kHighBits = 0x8080808080808080ull;
constexpr std::uint64_t kLowBits = 0x0101010101010101ull;

// Nonzero when some byte of w equals c (exact as a yes/no answer).
constexpr std::uint64_t HasByte(std::uint64_t w, unsigned char c) {
  const std::uint64_t x = w ^ (kLowBits * c);
  return (x - kLowBits) & ~x & kHighBits;
}

constexpr std::uint64_t kUnitHighBits = 0x8000800080008000ull;
constexpr std::uint64_t kUnitLowBits = 0x0001000100010001ull;
constexpr std::uint64_t kUnitNotAscii = 0xFF80FF80FF80FF80ull;

// Nonzero when some 16-bit unit of w equals c.
constexpr std::uint64_t HasUnit(std::uint64_t w, char16_t c) {
  const std::uint64_t x = w ^ (kUnitLowBits * c);
  return (x - kUnitLowBits) & ~x & kUnitHighBits;
}

// Editor forms stop their ASCII runs at the byte or unit they rewrite (CR, '\n'). The shown
// form gives a pair that CP932 holds twice the character it stands for, not escape units.
template <bool kEditor, bool kShown = false>
std::size_t DecodeImpl(std::string_view bytes, char16_t* out) noexcept {
  const Tables& t = GetTables();
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const auto* const end = p + bytes.size();
  char16_t* o = out;
  while (p != end) {
    const unsigned b = *p;
    if (b < 0x80) {
      if (kEditor && b == '\r') {
        *o++ = u'\n';
        p += (end - p >= 2 && p[1] == '\n') ? 2 : 1;
        continue;
      }
      while (end - p >= 8) {
        std::uint64_t w;
        std::memcpy(&w, p, 8);
        if ((w & kHighBits) || (kEditor && HasByte(w, '\r'))) break;
        for (int k = 0; k < 8; ++k) o[k] = static_cast<char16_t>(p[k]);
        p += 8;
        o += 8;
      }
      while (p != end && *p < 0x80 && !(kEditor && *p == '\r')) *o++ = *p++;
      continue;
    }
    const unsigned row = t.leadRow[b];
    if (row == 0) {
      *o++ = t.single[b];
      ++p;
      continue;
    }
    if (end - p >= 2) {
      const char16_t unit = t.pair[row * 256 + p[1]];
      if (unit > kEscapePair) {
        *o++ = unit;
        p += 2;
        continue;
      }
      if (kShown && unit == kEscapePair && t.shown[row * 256 + p[1]] != 0) {
        *o++ = t.shown[row * 256 + p[1]];
        p += 2;
        continue;
      }
      if (unit == kEscapePair) {
        *o++ = Escape(b);
        *o++ = Escape(p[1]);
        p += 2;
        continue;
      }
    }
    *o++ = Escape(b);  // a lone lead byte; the byte after it decodes on its own
    ++p;
  }
  return static_cast<std::size_t>(o - out);
}

// Encodes in chunks so the string grows in steps and the scratch room stays small.
template <bool kEditor>
std::size_t EncodeImpl(std::u16string_view text, std::string& out) {
  constexpr std::size_t kChunk = 1 << 16;
  const Tables& t = GetTables();
  const char16_t* s = text.data();
  const char16_t* const textEnd = s + text.size();
  std::size_t length = out.size();
  out.reserve(length + text.size());  // every unit gives at least one byte
  while (s != textEnd) {
    const char16_t* const chunkEnd = s + std::min<std::size_t>(textEnd - s, kChunk);
    out.resize(length + 2 * static_cast<std::size_t>(chunkEnd - s));  // at most two bytes a unit
    char* const base = out.data();
    char* o = base + length;
    while (s != chunkEnd) {
      const char16_t u = *s;
      if (u < 0x80) {
        if (kEditor && u == u'\n') {
          *o++ = '\r';
          *o++ = '\n';
          ++s;
          continue;
        }
        while (chunkEnd - s >= 8) {
          std::uint64_t w[2];
          std::memcpy(w, s, 16);
          if (((w[0] | w[1]) & kUnitNotAscii) ||
              (kEditor && (HasUnit(w[0], u'\n') | HasUnit(w[1], u'\n'))))
            break;
          for (int k = 0; k < 8; ++k) o[k] = static_cast<char>(s[k]);
          s += 8;
          o += 8;
        }
        while (s != chunkEnd && *s < 0x80 && !(kEditor && *s == u'\n'))
          *o++ = static_cast<char>(*s++);
        continue;
      }
      const std::uint16_t bytes = t.encode[u];
      if (bytes >= kFirstPair) {
        o[0] = static_cast<char>(bytes >> 8);
        o[1] = static_cast<char>(bytes & 0xFF);
        o += 2;
      } else if (bytes != kNoForm) {
        *o++ = static_cast<char>(bytes & 0xFF);
      } else if (kEditor && u == u'\u2029') {
        *o++ = '\r';
        *o++ = '\n';
      } else {
        out.resize(static_cast<std::size_t>(o - base));
        return static_cast<std::size_t>(s - text.data());
      }
      ++s;
    }
    length = static_cast<std::size_t>(o - base);
    out.resize(length);
  }
  return npos;
}

}  // namespace

std::size_t Decode(std::string_view bytes, char16_t* out) noexcept {
  return DecodeImpl<false>(bytes, out);
}

std::u16string Decode(std::string_view bytes) {
  std::u16string text(bytes.size(), u'\0');
  text.resize(Decode(bytes, text.data()));
  return text;
}

std::size_t Encode(std::u16string_view text, std::string& out) {
  return EncodeImpl<false>(text, out);
}

std::size_t DecodeForEditor(std::string_view bytes, char16_t* out) noexcept {
  return DecodeImpl<true>(bytes, out);
}

std::size_t EncodeFromEditor(std::u16string_view text, std::string& out) {
  return EncodeImpl<true>(text, out);
}

const std::uint16_t* EncodeTable() noexcept { return GetTables().encode; }

std::size_t EncodeUnit(char16_t unit, char (&out)[2]) noexcept {
  if (unit < 0x80) {
    out[0] = static_cast<char>(unit);
    return 1;
  }
  const std::uint16_t bytes = GetTables().encode[unit];
  if (bytes >= kFirstPair) {
    out[0] = static_cast<char>(bytes >> 8);
    out[1] = static_cast<char>(bytes & 0xFF);
    return 2;
  }
  if (bytes == kNoForm || IsEscape(unit)) return 0;
  out[0] = static_cast<char>(bytes & 0xFF);
  return 1;
}

std::size_t DecodeShownForEditor(std::string_view bytes, char16_t* out) noexcept {
  return DecodeImpl<true, true>(bytes, out);
}

char16_t ShownCharacter(unsigned char lead, unsigned char trail) noexcept {
  const Tables& t = GetTables();
  const unsigned row = t.leadRow[lead];
  return row == 0 ? char16_t{0} : t.shown[row * 256 + trail];
}

}  // namespace Cp932
