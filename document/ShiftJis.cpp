// Shift-JIS byte helpers. The searches never copy or upper-case the text: they compare in place
// and work out character boundaries only around the candidates they look at, so a search costs
// no more than the bytes it scans up to its match.
#include "document/ShiftJis.h"

#include <bit>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace ShiftJis {

namespace {

constexpr unsigned char Byte(char c) noexcept { return static_cast<unsigned char>(c); }

constexpr unsigned char Upper(unsigned char b) noexcept {
  return (b >= 'a' && b <= 'z') ? static_cast<unsigned char>(b - ('a' - 'A')) : b;
}

// Whether `mark` matches S at `pos`, a character boundary, ignoring case: the bytes are compared
// upper-cased, except a second byte, which is compared as it is. Upper-casing never turns a byte
// into or out of a lead byte, so once the bytes so far agree, text and mark agree on which of
// the next bytes is a second byte, and one parse serves both.
bool MatchesIgnoringCaseAt(std::string_view s, std::size_t pos, std::string_view mark) noexcept {
  bool secondByte = false;
  for (std::size_t k = 0; k < mark.size(); ++k) {
    const unsigned char t = Byte(s[pos + k]);
    const unsigned char m = Byte(mark[k]);
    if (secondByte) {
      if (t != m) return false;
      secondByte = false;
    } else {
      if (Upper(t) != Upper(m)) return false;
      secondByte = IsLeadByte(t);
    }
  }
  return true;
}

// Position of the first occurrence of mark (two bytes or more) in S at or after `from`, on a
// character boundary or not; npos when there is none. Thirty-two positions at a time are
// screened by the mark's first and last bytes, and only where both agree are the bytes between
// compared.
std::size_t FindBytes(std::string_view s, std::size_t from, std::string_view mark) noexcept {
  const std::size_t k = mark.size() - 1;
#if defined(__SSE2__)
  const __m128i first = _mm_set1_epi8(mark[0]);
  const __m128i last = _mm_set1_epi8(mark[k]);
  // Bit i: S[at + i] and S[at + i + k] are the mark's first and last bytes.
  const auto screen = [&](std::size_t at) {
    const char* p = s.data() + at;
    return static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_and_si128(
        _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), first),
        _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + k)), last))));
  };
  const auto firstMatch = [&](std::size_t at, std::uint32_t candidates) {
    for (; candidates != 0; candidates &= candidates - 1) {
      const std::size_t i = at + static_cast<std::size_t>(std::countr_zero(candidates));
      if (s[i + 1] == mark[1] && std::memcmp(s.data() + i + 1, mark.data() + 1, k - 1) == 0) {
        return i;
      }
    }
    return npos;
  };
  for (; from + k + 32 <= s.size(); from += 32) {
    const std::size_t i = firstMatch(from, screen(from) | screen(from + 16) << 16);
    if (i != npos) return i;
  }
  if (from + k + 16 <= s.size()) {
    const std::size_t i = firstMatch(from, screen(from));
    if (i != npos) return i;
    from += 16;
  }
#endif
  return s.find(mark, from);
}

// Position of the next byte at or after `from` that can start a match of `mark`: where all its
// bytes are when case matters, otherwise judged by its first byte alone (a candidate is always
// taken as a character's first byte).
bool HasSingleByteLetter(std::string_view mark) noexcept {
  for (std::size_t i = 0; i < mark.size(); ++i) {
    const unsigned char b = Byte(mark[i]);
    if (IsLeadByte(b)) {
      ++i;  // its second byte is compared as it is
    } else if (Upper(b) >= 'A' && Upper(b) <= 'Z') {
      return true;
    }
  }
  return false;
}

// Whether mark's byte at i is a single-byte letter, compared in either case (a byte of a
// double-byte character and every other byte are compared as they are).
bool FoldsAt(std::string_view mark, std::size_t i) noexcept {
  for (std::size_t j = 0; j < mark.size(); ++j) {
    const unsigned char b = Byte(mark[j]);
    if (IsLeadByte(b)) {
      if (i == j || i == j + 1) return false;
      ++j;
    } else if (j == i) {
      return Upper(b) >= 'A' && Upper(b) <= 'Z';
    }
  }
  return false;
}

// The next position at or after from (up to last) where mark (two bytes or more) may start
// when case is ignored: screened sixteen positions at a time by its first and last bytes, a
// letter folded with | 0x20 (which maps exactly 'A'+n and 'a'+n onto 'a'+n), any other byte
// as it is.
std::size_t FoldedCandidate(std::string_view s, std::size_t from, std::size_t last,
                            std::string_view mark) noexcept {
  const std::size_t k = mark.size() - 1;
  const unsigned char foldFirst = FoldsAt(mark, 0) ? 0x20 : 0;
  const unsigned char foldLast = FoldsAt(mark, k) ? 0x20 : 0;
  const unsigned char firstByte = Byte(mark[0]) | foldFirst;
  const unsigned char lastByte = Byte(mark[k]) | foldLast;
#if defined(__SSE2__)
  const __m128i foldF = _mm_set1_epi8(static_cast<char>(foldFirst));
  const __m128i foldL = _mm_set1_epi8(static_cast<char>(foldLast));
  const __m128i first = _mm_set1_epi8(static_cast<char>(firstByte));
  const __m128i lastB = _mm_set1_epi8(static_cast<char>(lastByte));
  for (; from + 16 <= last + 1; from += 16) {
    const char* p = s.data() + from;
    const auto bits = static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_and_si128(
        _mm_cmpeq_epi8(_mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), foldF), first),
        _mm_cmpeq_epi8(_mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + k)), foldL),
                       lastB))));
    if (bits != 0) return from + static_cast<std::size_t>(std::countr_zero(bits));
  }
#endif
  for (; from <= last; ++from) {
    if ((Byte(s[from]) | foldFirst) == firstByte && (Byte(s[from + k]) | foldLast) == lastByte) return from;
  }
  return npos;
}

std::size_t NextCandidate(std::string_view s, std::size_t from, std::size_t last,
                          std::string_view mark, bool ignoreCase) noexcept {
  if (!ignoreCase && mark.size() > 1) return FindBytes(s, from, mark);
  if (ignoreCase && mark.size() > 1) return FoldedCandidate(s, from, last, mark);
  const unsigned char first = Byte(mark[0]);
  const unsigned char upper = Upper(first);
  if (!ignoreCase || upper < 'A' || upper > 'Z') {
    const void* hit = std::memchr(s.data() + from, first, last + 1 - from);
    return hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - s.data()) : npos;
  }
  // A letter: either case will do; (b | 0x20) folds exactly 'A'+n and 'a'+n onto 'a'+n.
  // Eight bytes at a time first: a word holds the letter when some byte of
  // (word | 0x20…) ^ letter… is zero.
  const unsigned char lower = static_cast<unsigned char>(upper | 0x20);
  constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
  constexpr std::uint64_t kHighs = 0x8080808080808080ULL;
  const std::uint64_t pattern = kOnes * lower;
  std::size_t i = from;
  for (; i + 8 <= last + 1; i += 8) {
    std::uint64_t word;
    std::memcpy(&word, s.data() + i, 8);
    const std::uint64_t x = (word | (kOnes * 0x20)) ^ pattern;
    if (((x - kOnes) & ~x & kHighs) != 0) break;
  }
  for (; i <= last; ++i) {
    if ((Byte(s[i]) | 0x20) == lower) return i;
  }
  return npos;
}

}  // namespace

std::string UpperCase(std::string_view s) {
  std::string out(s);
  for (std::size_t i = 0; i < out.size(); ++i) {
    const unsigned char b = Byte(out[i]);
    if (IsLeadByte(b)) {
      ++i;  // keep the second byte, whatever it is
    } else {
      out[i] = static_cast<char>(Upper(b));
    }
  }
  return out;
}

std::size_t FindOnBoundary(std::string_view s, std::string_view mark) noexcept {
  return FindMark(s, mark, false);
}

std::size_t FindMark(std::string_view s, std::string_view mark, bool ignoreCase) {
  if (s.empty() || mark.empty() || mark.size() > s.size()) return npos;
  // A mark without a single-byte letter reads the same in every case: an exact search.
  if (ignoreCase && !HasSingleByteLetter(mark)) ignoreCase = false;
  const std::size_t last = s.size() - mark.size();  // last position a match can start at
  // `known` is a position known to start a character; every candidate lies at or after it.
  std::size_t known = 0;
  std::size_t from = 0;
  // A first byte that reads the same in every case is looked for at once: most texts (short
  // lines above all) lack it, and no match starts before its first place.
  if (const auto first = static_cast<unsigned char>(mark[0]);
      !((first | 0x20) >= 'a' && (first | 0x20) <= 'z')) {
    const void* found = std::memchr(s.data(), first, last + 1);
    if (found == nullptr) return npos;
    from = static_cast<std::size_t>(static_cast<const char*>(found) - s.data());
  }
  while (from <= last) {
    const std::size_t pos = NextCandidate(s, from, last, mark, ignoreCase);
    if (pos == npos) return npos;
    // Walk back over the lead-byte values just before pos. The byte before that run is a
    // single-byte character or a second byte, so the run starts a character and its bytes pair
    // up from there: pos starts a character when the run's length is even.
    std::size_t runStart = pos;
    while (runStart > known && IsLeadByte(Byte(s[runStart - 1]))) --runStart;
    if ((pos - runStart) % 2 == 0) {
      if (!ignoreCase || MatchesIgnoringCaseAt(s, pos, mark)) return pos;
      known = pos;
    } else {
      known = pos + 1;  // pos is a second byte, so the next byte starts a character
    }
    from = pos + 1;
  }
  return npos;
}

}  // namespace ShiftJis
