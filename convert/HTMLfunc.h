// Line-level HTML handling on Shift-JIS byte strings: splitting after "<br>", removing tags,
// decoding a few character entity references, and breaking a line into tags and text runs or
// between two marks.
//
// A tag is the text from a "<" to the next ">": no nesting, no quoted attribute values, no tag
// names (except "<br>" in SplitAtBr). Every marker is found only where it starts on a character
// boundary (ShiftJis::FindMark), counting characters from the first byte of the text searched.
// Nothing fails: an unclosed tag, a stray ">" or a "&" without ";" each has a defined result.
// Every function is iterative and linear in the length of its text.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "convert/ConversionRoad.h"
#include "document/LightStr.h"

namespace HTMLfunc {

struct TEntity {
  std::string_view Name;  // lower case, as compared with the trimmed, lower-cased name
  std::string_view Replacement;
};

// The references DecodeEntities knows, searched top to bottom; no others are decoded.
inline constexpr std::array<TEntity, 11> EntityTable = {{
    {"nbsp", " "},
    {"quot", "\""},
    {"amp", "&"},
    {"lt", "<"},
    {"gt", ">"},
    {"yen", "\x5C"},  // the yen sign of Japanese fonts
    {"#34", "\""},
    {"#38", "&"},
    {"#60", "<"},
    {"#62", ">"},
    {"#165", "\x5C"},
}};

// Appends the pieces of S to list, each ending just after a "<br>" (those four characters in
// any letter case, kept as they stand); the text after the last one is a piece of its own
// unless it is empty. An S without "<br>", the empty S too, is one piece.
//      SplitAtBr("one<br>two<BR>", list) appends "one<br>", "two<BR>"
void SplitAtBr(std::string_view S, TLightStrings& list);

// S without its tags, then with its entity references decoded. A ">" before the first "<"
// ends a tag that began earlier: the text up to it goes too. S with a ">" and no "<" gives "".
// An unclosed "<" drops itself and all after it, and then nothing is decoded.
//      StripTags("a<b>bold</b>c") == "aboldc"      StripTags("see <a href=") == "see "
[[nodiscard]] std::string StripTags(std::string_view S);

// S with every "&name;" whose name, trimmed of bytes 0x00–0x20 and lower-cased, is in
// EntityTable replaced; an unknown reference comes back as "&" + trimmed lower-cased name +
// ";". The name runs from a "&" to the first ";" after it; a "&" without a ";" stays as it is.
//      DecodeEntities("A &amp; B") == "A & B"      DecodeEntities("&FOO;") == "&foo;"
[[nodiscard]] std::string DecodeEntities(std::string_view S);

// The text before the first tag, the tag and the text after it.
struct TTagSplit {
  std::string Pre;
  std::string Tag;
  std::string Post;
};

// Without "<": Pre is S up to and including its first ">" (all of S when it has none), Post the
// rest. With "<" but no ">": Pre is the text before the "<", Post the text from it on. With
// both: Pre is the text before the first "<", Tag runs from it to the first ">" after it, Post is
// the rest; when every ">" stands before the "<", Tag is the rest from the "<" with a ">" added.
//      SplitFirstTag("a<b>c") == {"a", "<b>", "c"}    SplitFirstTag("a>b<c") == {"a>b", "<c>", ""}
[[nodiscard]] TTagSplit SplitFirstTag(std::string_view S);

// Appends the tags and the text runs of S to list, each as a line of its own, in order; empty
// pieces are not appended. When the text after a tag holds a "<" but no ">", that text is not
// appended but put into TagCarry, to be put in front of the next line; otherwise TagCarry is
// left as it was. S must not view TagCarry's own bytes.
//      BreakAtTags("text<b>bold</b>", carry, list) appends "text", "<b>", "bold", "</b>"
//      BreakAtTags("abc<a", carry, list) appends "abc" and sets carry to "<a"
void BreakAtTags(std::string_view S, std::string& TagCarry, TLightStrings& list);

// Breaks L into pieces around the before-mark B and the after-mark A, both compared
// case-sensitively; false, with pieces left empty, when L has no B (or B is empty): L then stays
// as it is, A or not. Otherwise the text before the first B is one piece, or two when it holds
// an A (cut just after its first A; the second piece may be empty). From the first B on, the
// line alternates between a piece that runs from a B to the first A after it (a B inside starts
// nothing) and the text from there to the next B, again cut after its own first A. The text
// after the last such A is one piece, whatever it holds, unless it is blank (only bytes
// 0x00–0x20, or empty): then it is dropped. With A empty, only the first B breaks the line.
// Each text searched is taken as a string of its own, counting characters from its first byte.
// A loop, linear in the length of L. L must not view pieces' own bytes.
//      BreakAtMarks("<a>x<b>y", ">", "<", pieces) appends "<a>", "x", "<b>", "y"
//      BreakAtMarks("a.<b.", ".", "<", pieces) appends "a.", "", "<b."
[[nodiscard]] bool BreakAtMarks(std::string_view L, std::string_view A, std::string_view B,
                                TLightStrings& pieces);

// The tag removal rule for one line: the line split with SplitAtBr, each piece through
// StripTags and appended untrimmed; with dropBlank, pieces left blank (empty once the bytes
// 0x00–0x20 are removed from both ends; a full-width space is not blank) are skipped.
//      TagRemovalRule(true) on "<br><br>a" appends "a"; TagRemovalRule(false) appends "", "", "a"
[[nodiscard]] ConversionRoad::LineRule TagRemovalRule(bool dropBlank);

// Tag line-breaking over the lines of one range, in order, holding the unclosed tag of one line
// for the next non-empty line. Use one breaker per range run.
//      Line("abc<a"), Line(" href=x>y") append "abc", "<a href=x>", "y"
class TTagBreaker {
 public:
  // An empty line appends nothing and keeps the held tag; any other line is broken with
  // BreakAtTags after the held tag is put in front of it.
  void Line(std::string_view line, TLightStrings& out);
  // Appends the tag still held after the range's last line as one more line, so that no text
  // is lost, and forgets it; appends nothing when none is held.
  void Finish(TLightStrings& out);
  // The text held for the next non-empty line ("" when none).
  [[nodiscard]] const std::string& Carry() const noexcept { return carry_; }

 private:
  std::string carry_;
  std::string joined_;  // the held tag and the next line, reused from line to line
};

}  // namespace HTMLfunc
