// Line breaking between an after-mark and a before-mark: the examples, marks that fall on second
// bytes, and the loop against a literal transcription of the rule's numbered steps.
#include "convert/HTMLfunc.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "convert/Strfunc.h"
#include "document/ShiftJis.h"
#include "tests/support/LineLists.h"
#include "tests/support/Printable.h"

namespace {

using HTMLfunc::BreakAtMarks;

struct Row {
  const char* rule;
  std::string line, a, b;
  bool broken;
  Lines pieces;
};

void Check(const std::vector<Row>& rows) {
  for (const Row& row : rows) {
    SCOPED_TRACE(row.rule);
    TLightStrings pieces;
    pieces.Add("left over from the line before");
    EXPECT_EQ(BreakAtMarks(row.line, row.a, row.b, pieces), row.broken);
    EXPECT_EQ(LinesOf(pieces), row.pieces);
  }
}

TEST(BreakAtMarks, PiecesBetweenTheMarks) {
  Check({
      {"tags: a piece per tag and per text", "<a>x<b>y", ">", "<", true, {"<a>", "x", "<b>", "y"}},
      // あ。「い」 → あ。 / (empty) / 「い」
      {"text before B ending just after its A leaves an empty piece",
       "\x82\xa0\x81\x42\x81\x75\x82\xa2\x81\x76", "\x81\x42", "\x81\x75", true,
       {"\x82\xa0\x81\x42", "", "\x81\x75\x82\xa2\x81\x76"}},
      // 「あ。「い。 → 「あ。 / 「い。
      {"line starting with B: no empty piece",
       "\x81\x75\x82\xa0\x81\x42\x81\x75\x82\xa2\x81\x42", "\x81\x42", "\x81\x75", true,
       {"\x81\x75\x82\xa0\x81\x42", "\x81\x75\x82\xa2\x81\x42"}},
      {"blank rest dropped", "<a>   ", ">", "<", true, {"<a>"}},
      {"blank rest of control bytes dropped", std::string("<a>\t\x1F\0 ", 7), ">", "<", true,
       {"<a>"}},
      {"non-blank rest keeps its spaces", "<a>  z  ", ">", "<", true, {"<a>", "  z  "}},
      {"A empty: only the first B breaks", "x<a<b", "", "<", true, {"x", "<a<b"}},
      {"A empty, line starting with B: one piece", "<a<b", "", "<", true, {"<a<b"}},
      {"a further B before the A starts nothing", "<a<b>c", ">", "<", true, {"<a<b>", "c"}},
      {"text before the first B without A", "xy<a>", ">", "<", true, {"xy", "<a>"}},
      {"text before the first B cut after its first A", "x>y>z<a>", ">", "<", true,
       {"x>", "y>z", "<a>"}},
      {"rest without B after an A is one piece", "<a>b>c", ">", "<", true, {"<a>", "b>c"}},
      {"B without A after it: the rest from B", "x<abc", ">", "<", true, {"x", "<abc"}},
      {"blank text before a B is a piece", " <a>", ">", "<", true, {" ", "<a>"}},
      {"B at the end of the line", "ab<", ">", "<", true, {"ab", "<"}},
      {"B of blanks: a rest of only B is dropped", "x ", ">", " ", true, {"x"}},
      {"multi-byte marks", "a-->b<!--c-->d", "-->", "<!--", true, {"a-->", "b", "<!--c-->", "d"}},
      {"no B: unchanged even with A", "a>b>c", ">", "<", false, {}},
      {"B empty: unchanged", "<a>x<b>", ">", "", false, {}},
      {"upper-case B does not match lower case", "<A>x", ">", "<a", false, {}},
      {"case-sensitive A", "<a>x<A>y", "A>", "<", true, {"<a>x<A>", "y"}},
  });
}

TEST(BreakAtMarks, MarksNeverMatchSecondBytes) {
  Check({
      // 表\ with B = '\': only the second backslash is a mark.
      {"B equal to the second byte of a character", "\x95\x5C" "a\\b", ">", "\\", true,
       {"\x95\x5C" "a", "\\b"}},
      {"B only as a second byte: unchanged", "\x95\x5C\x95\x5C", ">", "\\", false, {}},
      // ヂ (second byte 'a') with A = 'a'
      {"A equal to the second byte of a character", "<\x83\x61" "ab", "a", "<", true,
       {"<\x83\x61" "a", "b"}},
      {"A only as a second byte: rest kept whole", "<\x83\x61\x83\x61", "a", "<", true,
       {"<\x83\x61\x83\x61"}},
      // ＝ (0x81 0x81) then 'B': 。 (0x81 0x42) across its second byte is no mark.
      {"A across a second byte with a lead-byte value", "\x81\x81\x42<", "\x81\x42", "<", true,
       {"\x81\x81\x42", "<"}},
      // After A = a lone 0x81, the rest "<<" starts a new character count: its first '<' is a
      // B, not the second byte of 0x81 '<'.
      {"the rest after A counts its characters from its own first byte", "<\x81<<", "\x81", "<",
       true, {"<\x81", "<<"}},
  });
}

// ---- the numbered steps, transcribed literally, each text a string of its own ----

std::size_t Pos(const std::string& mark, const std::string& s) {
  const std::size_t p = ShiftJis::FindOnBoundary(s, mark);
  return p == ShiftJis::npos ? 0 : p + 1;
}

bool ModelBlank(const std::string& s) {
  for (const char c : s) {
    if (static_cast<unsigned char>(c) > 0x20) return false;
  }
  return true;
}

bool ModelBreakAtMarks(const std::string& L, const std::string& A, const std::string& B,
                       Lines& pieces) {
  pieces.clear();  // 1
  std::string R = L;
  std::size_t P = Pos(B, R);  // 2
  if (P == 0) return false;
step3:
  if (P > 1) {
    std::string H = Strfunc::StrBefore(R, B, 1, false);  // 3a
    if (Pos(A, H) != 0) {                                // 3b
      pieces.push_back(Strfunc::StrBefore(H, A, 0, false));
      H = Strfunc::StrAfter(H, A, 1, false);
    }
    pieces.push_back(H);                    // 3c
    R = Strfunc::StrAfter(R, B, 0, false);  // 3d
  }
  if (Pos(A, R) == 0) {  // 4
    if (!ModelBlank(R)) pieces.push_back(R);
    return true;
  }
  pieces.push_back(Strfunc::StrBefore(R, A, 0, false));  // 5
  R = Strfunc::StrAfter(R, A, 1, false);
  if (ModelBlank(R)) return true;  // 6
  P = Pos(B, R);                   // 7
  if (P == 0) {
    pieces.push_back(R);
    return true;
  }
  goto step3;  // 8
}

class Generator {
 public:
  // Marks and their bytes, double-byte characters whose second byte is a mark's byte, blanks,
  // lone lead bytes and bytes that are not Shift-JIS.
  std::string Text(std::size_t maxPieces) {
    static const std::vector<std::string> pieces = {
        "<", ">", "<", ">", "\\", "a", "A", " ", "\t", std::string(1, '\0'), "\x1F", "x",
        "\x81\x42",  // 。
        "\x81\x75",  // 「
        "\x95\x5C",  // 表, second byte '\'
        "\x83\x61",  // ヂ, second byte 'a'
        "\x81\x81",  // ＝, second byte a lead-byte value
        "\x81\x40",  // full-width space, not blank
        "\x81",      // lone lead byte
        "\xFF", "\x80",
    };
    std::string s;
    const std::size_t n = Pick(maxPieces + 1);
    for (std::size_t i = 0; i < n; ++i) s += pieces[Pick(pieces.size())];
    return s;
  }
  // Random bytes of every value.
  std::string Bytes(std::size_t maxLength) {
    std::string s(Pick(maxLength + 1), ' ');
    for (char& c : s) c = static_cast<char>(Pick(256));
    return s;
  }
  // A mark: empty, blank, one of the usual marks, a few generated pieces, or bytes cut from the
  // line at any position (a second byte too, or ending in a lead byte).
  std::string Mark(const std::string& line) {
    static const std::vector<std::string> usual = {
        "", "", " ", "\t ", "<", ">", "\\", "a", "\x81\x42", "\x81\x75", "<!--", "-->",
    };
    switch (Pick(4)) {
      case 0:
        return usual[Pick(usual.size())];
      case 1:
        return Text(2);
      default:
        if (line.empty()) return usual[Pick(usual.size())];
        const std::size_t at = Pick(line.size());
        return line.substr(at, 1 + Pick(3));
    }
  }
  std::size_t Pick(std::size_t n) {
    return std::uniform_int_distribution<std::size_t>(0, n - 1)(random_);
  }

 private:
  std::mt19937 random_{20260314};
};

TEST(BreakAtMarksDifferential, AgreesWithTheNumberedSteps) {
  Generator gen;
  constexpr int kCases = 30000;
  int broken = 0, withEmptyPiece = 0, blankRestDropped = 0, several = 0;
  for (int i = 0; i < kCases; ++i) {
    const std::string L = (i % 5 == 0) ? gen.Bytes(40) : gen.Text(20);
    const std::string A = gen.Mark(L);
    const std::string B = gen.Mark(L);
    Lines expected;
    const bool expectedBroken = ModelBreakAtMarks(L, A, B, expected);
    TLightStrings pieces;
    pieces.Add("stale");
    const bool actualBroken = BreakAtMarks(L, A, B, pieces);
    ASSERT_EQ(actualBroken, expectedBroken)
        << "case " << i << ": L=\"" << Printable(L) << "\" A=\"" << Printable(A) << "\" B=\""
        << Printable(B) << "\"";
    ASSERT_EQ(LinesOf(pieces), expected)
        << "case " << i << ": L=\"" << Printable(L) << "\" A=\"" << Printable(A) << "\" B=\""
        << Printable(B) << "\"";
    if (!expectedBroken) continue;
    ++broken;
    if (expected.size() > 2) ++several;
    for (const std::string& piece : expected) {
      if (piece.empty()) {
        ++withEmptyPiece;
        break;
      }
    }
    std::string joined;
    for (const std::string& piece : expected) joined += piece;
    if (joined.size() < L.size()) ++blankRestDropped;
  }
  // The generated cases reach every kind of result.
  EXPECT_GT(broken, kCases / 4);
  EXPECT_GT(several, kCases / 20);
  EXPECT_GT(withEmptyPiece, kCases / 100);
  EXPECT_GT(blankRestDropped, kCases / 100);
}

TEST(BreakAtMarksDifferential, MillionMarksOnOneLine) {
  // 20 MB: a million "<b>日本語plain text ".
  const std::string unit = "<b>\x93\xfa\x96\x7b\x8c\xea" "plain text ";
  ASSERT_EQ(unit.size(), 20u);
  std::string line;
  for (int i = 0; i < 1'000'000; ++i) line += unit;
  line += "  ";
  TLightStrings pieces;
  ASSERT_TRUE(BreakAtMarks(line, ">", "<", pieces));
  ASSERT_EQ(pieces.Count(), 2'000'000);
  EXPECT_EQ(pieces.Get(0), "<b>");
  EXPECT_EQ(pieces.Get(1), unit.substr(3));
  EXPECT_EQ(pieces.Get(1'999'999), unit.substr(3) + "  ");
}

}  // namespace
