// Line-level HTML handling: "<br>" pieces, tag removal, entity decoding, tag line-breaking.
//
// Every function walks its line once with positions: each search starts where the last one
// stopped and stops at its match, and pieces are appended to the result or the list as they
// are found, never rebuilt from the rest of the line. Searches run on views that start on a
// character boundary of the line (just after a one-byte marker, or at its start), so they see
// the same characters as a search over the whole line would.
#include "convert/HTMLfunc.h"

#include "convert/LineEdges.h"
#include "document/ShiftJis.h"

namespace HTMLfunc {

namespace {

constexpr std::size_t npos = ShiftJis::npos;

// Position of the first one-byte marker c in s that starts a character, or npos.
std::size_t Find(std::string_view s, char c) {
  return ShiftJis::FindOnBoundary(s, std::string_view(&c, 1));
}

using LineEdges::IsBlank;
using LineEdges::Trim;

// s with single-byte A–Z made a–z; the second byte of a double-byte character is kept as it
// is (it may be 0x41–0x5A).
std::string LowerCase(std::string_view s) {
  std::string out(s);
  for (std::size_t i = 0; i < out.size(); ++i) {
    const auto b = static_cast<unsigned char>(out[i]);
    if (ShiftJis::IsLeadByte(b)) {
      ++i;
    } else if (b >= 'A' && b <= 'Z') {
      out[i] = static_cast<char>(b + ('a' - 'A'));
    }
  }
  return out;
}

// Calls piece(view) for each "<br>" piece of s in order, as SplitAtBr appends them.
template <typename Piece>
void ForEachBrPiece(std::string_view s, Piece&& piece) {
  static constexpr std::string_view kBr = "<br>";
  std::size_t pos = 0;
  for (;;) {
    const std::string_view rest = s.substr(pos);
    const std::size_t p = ShiftJis::FindMark(rest, kBr, true);
    if (p == npos) {
      piece(rest);
      return;
    }
    piece(rest.substr(0, p + kBr.size()));
    pos += p + kBr.size();
    if (pos == s.size()) return;
  }
}

// The first "&" of s at or after `from` that has a ";" after it, and the first such ";".
bool NextReference(std::string_view s, std::size_t from, std::size_t& amp, std::size_t& semi) {
  const std::size_t a = Find(s.substr(from), '&');
  if (a == npos) return false;
  amp = from + a;
  const std::size_t b = Find(s.substr(amp + 1), ';');
  if (b == npos) return false;
  semi = amp + 1 + b;
  return true;
}

// A text piece of StripTags: when it holds a ">" (the end of a tag that began before it), only
// the text after that first ">" counts.
std::string_view AfterStrayTagEnd(std::string_view piece) {
  const std::size_t g = Find(piece, '>');
  return g == npos ? piece : piece.substr(g + 1);
}

// SplitFirstTag as views into s. When no ">" follows the "<", `closeTag` says that a ">" must be
// added to `tag`, the rest of s from its first "<".
struct TTagCut {
  std::string_view pre;
  std::string_view tag;
  bool closeTag = false;
  std::string_view post;
};

TTagCut CutFirstTag(std::string_view s) {
  TTagCut cut;
  if (s.empty()) return cut;
  const std::size_t lt = Find(s, '<');
  if (lt == npos) {
    const std::size_t gt = Find(s, '>');
    if (gt == npos) {
      cut.pre = s;
    } else {
      cut.pre = s.substr(0, gt + 1);
      cut.post = s.substr(gt + 1);
    }
    return cut;
  }
  cut.pre = s.substr(0, lt);
  const std::size_t close = Find(s.substr(lt + 1), '>');
  if (close != npos) {
    // The first occurrence of the tag in s is this one: nothing before lt starts with "<".
    const std::size_t end = lt + 1 + close + 1;
    cut.tag = s.substr(lt, end - lt);
    cut.post = s.substr(end);
  } else if (Find(cut.pre, '>') != npos) {
    cut.tag = s.substr(lt);
    cut.closeTag = true;
  } else {
    cut.post = s.substr(lt);
  }
  return cut;
}

}  // namespace

void SplitAtBr(std::string_view S, TLightStrings& list) {
  ForEachBrPiece(S, [&list](std::string_view piece) { list.Add(piece); });
}

std::string StripTags(std::string_view S) {
  std::size_t lt = Find(S, '<');
  if (lt == npos) {
    if (Find(S, '>') != npos) return {};
    return DecodeEntities(S);
  }
  std::string out;
  out.reserve(S.size());
  std::size_t pos = 0;  // start of the text not yet looked at, on a character boundary
  std::string_view rest = S;
  do {
    // The first "<" of rest is at lt: keep the text before it, skip the tag to its ">".
    if (lt != 0) out += AfterStrayTagEnd(rest.substr(0, lt));
    const std::size_t gt = Find(rest.substr(lt), '>');
    if (gt == npos) return out;  // unclosed tag: it and all after it go, nothing is decoded
    pos += lt + gt + 1;
    rest = S.substr(pos);
    lt = Find(rest, '<');
  } while (lt != npos);
  out += AfterStrayTagEnd(rest);
  std::size_t amp = 0;
  std::size_t semi = 0;
  if (!NextReference(out, 0, amp, semi)) return out;
  return DecodeEntities(out);
}

std::string DecodeEntities(std::string_view S) {
  std::string out;
  std::size_t pos = 0;
  std::size_t amp = 0;
  std::size_t semi = 0;
  while (NextReference(S, pos, amp, semi)) {
    if (out.empty()) out.reserve(S.size());
    out += S.substr(pos, amp - pos);
    const std::string key = LowerCase(Trim(S.substr(amp + 1, semi - amp - 1)));
    bool known = false;
    for (const TEntity& entity : EntityTable) {
      if (key == entity.Name) {
        out += entity.Replacement;
        known = true;
        break;
      }
    }
    if (!known) {
      out += '&';
      out += key;
      out += ';';
    }
    pos = semi + 1;
  }
  out += S.substr(pos);
  return out;
}

TTagSplit SplitFirstTag(std::string_view S) {
  const TTagCut cut = CutFirstTag(S);
  TTagSplit split{std::string(cut.pre), std::string(cut.tag), std::string(cut.post)};
  if (cut.closeTag) split.Tag += '>';
  return split;
}

void BreakAtTags(std::string_view S, std::string& TagCarry, TLightStrings& list) {
  std::string closed;  // a tag that needs its ">" added
  while (!S.empty()) {
    const TTagCut cut = CutFirstTag(S);
    if (!cut.pre.empty()) list.Add(cut.pre);
    if (cut.closeTag) {
      closed.assign(cut.tag).push_back('>');
      list.Add(closed);
    } else if (!cut.tag.empty()) {
      list.Add(cut.tag);
    }
    if (cut.post.empty()) return;
    if (Find(cut.post, '<') == npos) {
      list.Add(cut.post);
      return;
    }
    if (Find(cut.post, '>') == npos) {
      TagCarry = std::string(cut.post);
      return;
    }
    S = cut.post;
  }
}

// Every text R the steps look at is a suffix of L, so whether R is blank is whether L's last
// non-blank byte lies before R's start: found once, not rescanned for every piece. Each search
// starts where the text searched begins and stops at its match, and every text begins past the
// previous match, so no byte is looked at more than a few times.
bool BreakAtMarks(std::string_view L, std::string_view A, std::string_view B,
                  TLightStrings& pieces) {
  pieces.Clear();
  std::size_t p = ShiftJis::FindOnBoundary(L, B);
  if (p == npos) return false;

  std::size_t nonBlankEnd = L.size();  // one past L's last non-blank byte; 0 when it has none
  while (nonBlankEnd > 0 && IsBlank(L.substr(nonBlankEnd - 1, 1))) --nonBlankEnd;
  std::string_view R = L;
  const auto blank = [&](std::string_view rest) {
    return static_cast<std::size_t>(rest.data() - L.data()) >= nonBlankEnd;
  };

  for (;;) {
    if (p > 0) {
      // The text before the first B, cut after its own first A; the rest may be empty.
      std::string_view H = R.substr(0, p);
      const std::size_t a = ShiftJis::FindOnBoundary(H, A);
      if (a != npos) {
        pieces.Add(H.substr(0, a + A.size()));
        H = H.substr(a + A.size());
      }
      pieces.Add(H);
      R = R.substr(p);  // B and all after it: B starts on a character boundary of R
    }
    const std::size_t a = ShiftJis::FindOnBoundary(R, A);
    if (a == npos) {
      if (!blank(R)) pieces.Add(R);
      return true;
    }
    pieces.Add(R.substr(0, a + A.size()));
    R = R.substr(a + A.size());
    if (blank(R)) return true;
    p = ShiftJis::FindOnBoundary(R, B);
    if (p == npos) {
      pieces.Add(R);
      return true;
    }
  }
}

ConversionRoad::LineRule TagRemovalRule(bool dropBlank) {
  return [dropBlank](std::string_view line, TLightStrings& out) {
    ForEachBrPiece(line, [&](std::string_view piece) {
      const std::string stripped = StripTags(piece);
      if (!(dropBlank && IsBlank(stripped))) out.Add(stripped);
    });
  };
}

void TTagBreaker::Line(std::string_view line, TLightStrings& out) {
  if (line.empty()) return;
  if (carry_.empty()) {
    BreakAtTags(line, carry_, out);
    return;
  }
  joined_.assign(carry_).append(line);
  carry_.clear();
  BreakAtTags(joined_, carry_, out);
}

void TTagBreaker::Finish(TLightStrings& out) {
  if (carry_.empty()) return;
  out.Add(carry_);
  carry_.clear();
}

}  // namespace HTMLfunc
