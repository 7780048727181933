// The editor's byte buffer: line breaks and the line index, character boundaries (also in long
// runs of lead-range bytes), columns with tabs, wrapped rows, words and the undo of typing,
// with random edits checked against a plain string.
#include "document/editor/TextBuffer.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <utility>
#include <vector>

namespace {

using namespace std::string_literals;
using TOffset = TTextBuffer::TOffset;
using TOffsets = std::vector<TOffset>;

// ---- a plain model of the rules, over a std::string ----

bool Lead(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }
bool Trail(unsigned char b) { return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFC); }
unsigned char At(const std::string& s, TOffset i) { return s[static_cast<std::size_t>(i)]; }

TOffsets ModelStarts(const std::string& s) {
  TOffsets starts{0};
  for (std::size_t i = 1; i < s.size(); ++i) {
    if (s[i - 1] == '\r' && s[i] == '\n') starts.push_back(static_cast<TOffset>(i + 1));
  }
  return starts;
}

TOffset ModelEnd(const std::string& s, const TOffsets& starts, std::size_t line) {
  return line + 1 < starts.size() ? starts[line + 1] - 2 : static_cast<TOffset>(s.size());
}

// Index of the last entry at or before o.
std::size_t Floor(const TOffsets& sorted, TOffset o) {
  const auto after = std::upper_bound(sorted.begin(), sorted.end(), o);
  return static_cast<std::size_t>(after - sorted.begin() - 1);
}

// Character starts by one forward pass (a CR LF as one character).
std::vector<bool> ModelBoundaries(const std::string& s) {
  std::vector<bool> at(s.size() + 1, false);
  for (std::size_t i = 0; i < s.size();) {
    at[i] = true;
    const bool pair = i + 1 < s.size() &&
                      ((Lead(s[i]) && Trail(s[i + 1])) || (s[i] == '\r' && s[i + 1] == '\n'));
    i += pair ? 2 : 1;
  }
  at[s.size()] = true;
  return at;
}

TOffset ModelCharStart(const std::vector<bool>& boundary, TOffset o) {
  while (!boundary[static_cast<std::size_t>(o)]) --o;
  return o;
}

TOffset ModelCells(const std::string& s, TOffset from, TOffset to) {
  TOffset col = 0;
  for (TOffset i = from; i < to; ++i) col = At(s, i) == '\t' ? (col / 8 + 1) * 8 : col + 1;
  return col;
}

// Row starts of the line [from, to): a row takes characters while they end within `cells`
// columns of its first one, and at least one.
TOffsets ModelRows(const std::string& s, TOffset from, TOffset to, TOffset cells) {
  TOffsets rows{from};
  TOffset rowCol = 0;
  TOffset col = 0;
  for (TOffset i = from; i < to;) {
    const TOffset len = (Lead(At(s, i)) && i + 1 < to && Trail(At(s, i + 1))) ? 2 : 1;
    const TOffset width = At(s, i) == '\t' ? (col / 8 + 1) * 8 - col : len;
    if (i > rows.back() && col + width - rowCol > cells) {
      rows.push_back(i);
      rowCol = col;
    }
    col += width;
    i += len;
  }
  return rows;
}

TTextBuffer BufferOf(std::string text) {
  TTextBuffer buffer;
  buffer.SetBytes(std::move(text));
  return buffer;
}

// ---- line breaks and the index ----

TEST(TextBufferLines, BreaksBecomeCrLfAndIndexTheLines) {
  struct Row { const char* rule; std::string in, held; TTextBuffer::TLine documentLines; };
  const Row rows[] = {
      {"empty text", "", "", 0},
      {"one line", "abc", "abc", 1},
      {"CR LF", "ab\r\ncd", "ab\r\ncd", 2},
      {"lone CR", "ab\rcd", "ab\r\ncd", 2},
      {"lone LF", "ab\ncd", "ab\r\ncd", 2},
      {"CR CR LF is two breaks", "ab\r\r\ncd", "ab\r\n\r\ncd", 3},
      {"LF CR is two breaks", "a\n\rb", "a\r\n\r\nb", 3},
      {"final break adds a shown line", "ab\r\n", "ab\r\n", 1},
      {"final lone CR", "ab\r", "ab\r\n", 1},
      {"only a break", "\n", "\r\n", 1},
      {"text after NUL is cut", "ab\r\ncd\0ef\r\ngh"s, "ab\r\ncd", 2},
      {"NUL first", "\0ab"s, "", 0},
  };
  for (const Row& row : rows) {
    TTextBuffer buffer = BufferOf(row.in);
    const TOffsets starts = ModelStarts(row.held);
    EXPECT_EQ(buffer.Bytes(0, buffer.Length()), row.held) << row.rule;
    EXPECT_EQ(buffer.DocumentLines(), row.documentLines) << row.rule;
    ASSERT_EQ(buffer.ShownLines(), static_cast<TOffset>(starts.size())) << row.rule;
    for (std::size_t line = 0; line < starts.size(); ++line) {
      EXPECT_EQ(buffer.LineStart(static_cast<TOffset>(line)), starts[line]) << row.rule;
      EXPECT_EQ(buffer.LineEnd(static_cast<TOffset>(line)), ModelEnd(row.held, starts, line))
          << row.rule;
    }
    for (TOffset o = 0; o <= buffer.Length() + 1; ++o) {
      EXPECT_EQ(buffer.LineOf(o), static_cast<TOffset>(Floor(starts, o)))
          << row.rule << " at " << o;
    }
  }
}

// Loading reads sixteen bytes at a time: breaks, tabs and lone CRs and LFs at every place of
// a block, against the rules applied byte by byte.
TEST(TextBufferLines, RandomTextsLoadAsTheRulesSay) {
  const std::string pieces[] = {"a",    "bc",   "\t",       "\r",
                                "\n",   "\r\n", "\x82\xa0", "0123456789abcde"};
  std::mt19937 random(19);
  for (int round = 0; round < 3000; ++round) {
    std::string in;
    const int count = static_cast<int>(random() % 24);
    for (int i = 0; i < count; ++i) in += pieces[random() % std::size(pieces)];
    std::string held;  // every lone CR and lone LF made CR LF
    for (std::size_t i = 0; i < in.size(); ++i) {
      if (in[i] == '\r' && i + 1 < in.size() && in[i + 1] == '\n') {
        held += "\r\n";
        ++i;
      } else if (in[i] == '\r' || in[i] == '\n') {
        held += "\r\n";
      } else {
        held += in[i];
      }
    }
    TTextBuffer buffer = BufferOf(in);
    ASSERT_EQ(buffer.Bytes(0, buffer.Length()), held) << round;
    const TOffsets starts = ModelStarts(held);
    ASSERT_EQ(buffer.ShownLines(), static_cast<TOffset>(starts.size())) << round;
    TOffset longest = 0;
    for (std::size_t line = 0; line < starts.size(); ++line) {
      ASSERT_EQ(buffer.LineStart(static_cast<TOffset>(line)), starts[line]) << round;
      const TOffset end = ModelEnd(held, starts, line);
      longest = std::max(longest, ModelCells(held, starts[line], end));
      ASSERT_EQ(buffer.ColumnOf(end), ModelCells(held, starts[line], end)) << round;
    }
    ASSERT_EQ(buffer.LongestLineCells(), longest) << round;
  }
}

TEST(TextBufferLines, KeepsStorageWithCrLfAndHandsItOver) {
  std::string text(100000, 'x');
  text += "\r\nlast";
  const std::string want = "last" + text;
  const char* storage = text.data();
  TTextBuffer buffer;
  buffer.SetBytes(std::move(text));
  const std::string_view held = buffer.Contiguous();
  EXPECT_EQ(held.data(), storage);
  buffer.Insert(0, held.substr(held.size() - 4));  // its own bytes, which the insertion moves
  buffer.Insert(5, "\t\r\n");
  buffer.Erase(5, 8);
  EXPECT_EQ(buffer.TakeBytes(), want);
  EXPECT_TRUE(buffer.Empty());
  EXPECT_EQ(buffer.ShownLines(), 1);
}

// ---- random edits against the model ----

const std::vector<std::string> kPieces = {"a",   "b",   " ", "\t", "\r\n", "\x88\x9F", "\x95\x5C",
                                          "\x82\xA0", "\x81", "\xE0", "\xB1", "@", "ab\r\n\tc"};
// Pieces that keep a line whole.
const std::vector<std::string> kLinePieces = {"a", "\t", "\x81", " ", "\x95\x5C", "\x88\x9F"};

std::string RandomText(std::mt19937& rng, int pieces,
                       const std::vector<std::string>& from = kPieces) {
  std::string s;
  for (int i = 0; i < pieces; ++i) s += from[rng() % from.size()];
  return s;
}

TOffset RandomBoundary(std::mt19937& rng, const std::vector<bool>& boundary) {
  for (;;) {
    const auto o = static_cast<TOffset>(rng() % boundary.size());
    if (boundary[static_cast<std::size_t>(o)]) return o;
  }
}

// The first thing the buffer says differently from the model, or empty.
std::string Compare(TTextBuffer& buffer, const std::string& model) {
  const TOffsets starts = ModelStarts(model);
  const std::vector<bool> boundary = ModelBoundaries(model);
  if (buffer.ShownLines() != static_cast<TOffset>(starts.size())) return "line count";
  TOffset longest = 0;
  for (std::size_t line = 0; line < starts.size(); ++line) {
    const TOffset end = ModelEnd(model, starts, line);
    const std::string of = " of line " + std::to_string(line);
    if (buffer.LineStart(static_cast<TOffset>(line)) != starts[line]) return "LineStart" + of;
    if (buffer.LineEnd(static_cast<TOffset>(line)) != end) return "LineEnd" + of;
    longest = std::max(longest, ModelCells(model, starts[line], end));
    for (TOffset o = starts[line]; o <= end; ++o) {
      const std::string at = " at " + std::to_string(o);
      if (buffer.LineOf(o) != static_cast<TOffset>(line)) return "LineOf" + at;
      if (buffer.CharStart(o) != ModelCharStart(boundary, o)) return "CharStart" + at;
      if (buffer.ColumnOf(o) != ModelCells(model, starts[line], o)) return "ColumnOf" + at;
    }
  }
  if (buffer.LongestLineCells() != longest) return "LongestLineCells";
  if (buffer.Bytes(0, buffer.Length()) != model) return "Bytes";
  return buffer.Contiguous() == model ? "" : "Contiguous";
}

TEST(TextBufferDifferential, RandomEditsMatchAStringModel) {
  std::mt19937 rng(20240601);
  for (int sequence = 0; sequence < 3000; ++sequence) {
    std::string model = RandomText(rng, static_cast<int>(rng() % 12));
    TTextBuffer buffer = BufferOf(model);
    for (int step = 0; step < 12; ++step) {
      const std::vector<bool> boundary = ModelBoundaries(model);
      TOffset from = RandomBoundary(rng, boundary);
      if (rng() % 2 == 0) {
        const std::string text = RandomText(rng, 1 + static_cast<int>(rng() % 3));
        buffer.Insert(from, text);
        model.insert(static_cast<std::size_t>(from), text);
      } else {
        // Erase takes any range, also one that splits a CR LF or joins one.
        TOffset to = RandomBoundary(rng, boundary);
        if (rng() % 4 == 0) {
          from = static_cast<TOffset>(rng() % boundary.size());
          to = static_cast<TOffset>(rng() % boundary.size());
        }
        if (to < from) std::swap(from, to);
        buffer.Erase(from, to);
        model.erase(static_cast<std::size_t>(from), static_cast<std::size_t>(to - from));
      }
      ASSERT_EQ(Compare(buffer, model), "") << "sequence " << sequence << " step " << step;
    }
  }
}

// Two lines of 150 KB: long runs of lead-range pairs with a few tabs, ASCII and lone lead
// bytes, edited at random (a lead byte that flips the parity of a run, lines split and joined).
// The marks the buffer keeps in long lines must follow every edit.
TEST(TextBufferDifferential, LongLinesFollowEdits) {
  std::mt19937 rng(7);
  std::string model = "head\r\n";
  for (std::size_t line = 1; line <= 2; ++line) {
    while (model.size() < line * 150000) {
      const std::size_t run = 2000 + rng() % 12000;
      for (std::size_t i = 0; i < run; ++i) model += "\x88\x9F";
      model += kLinePieces[rng() % (kLinePieces.size() - 1)];
    }
    model += "\r\n";
  }
  model += "tail";
  TTextBuffer buffer = BufferOf(model);
  for (int step = 0; step < 80; ++step) {
    const TOffset cells = step % 2 == 0 ? 37 : 53;  // a new width drops the row marks
    const std::vector<bool> boundary = ModelBoundaries(model);
    const TOffsets starts = ModelStarts(model);
    const auto length = static_cast<TOffset>(model.size());
    std::vector<TOffsets> rows;
    for (std::size_t line = 0; line < starts.size(); ++line) {
      rows.push_back(ModelRows(model, starts[line], ModelEnd(model, starts, line), cells));
      ASSERT_EQ(buffer.RowsOfLine(static_cast<TOffset>(line), cells),
                static_cast<TOffset>(rows.back().size()))
          << "step " << step << " line " << line;
    }
    for (int probe = 0; probe < 60; ++probe) {
      const TOffset o = ModelCharStart(boundary, static_cast<TOffset>(rng() % (length + 1)));
      const std::size_t line = Floor(starts, o);
      const std::string where = "step " + std::to_string(step) + " at " + std::to_string(o);
      ASSERT_EQ(buffer.CharStart(o), o) << where;
      const TOffset inside = std::min<TOffset>(o + 1, length);
      ASSERT_EQ(buffer.CharStart(inside), ModelCharStart(boundary, inside)) << where;
      const TOffset column = ModelCells(model, starts[line], o);
      ASSERT_EQ(buffer.ColumnOf(o), column) << where;
      ASSERT_EQ(buffer.OffsetAtColumn(static_cast<TOffset>(line), column),
                std::min(o, ModelEnd(model, starts, line))) << where;
      const std::size_t row = Floor(rows[line], o);
      ASSERT_EQ(buffer.RowOf(o, cells), std::make_pair(static_cast<TOffset>(row), rows[line][row]))
          << where;
    }
    const TOffset from = RandomBoundary(rng, boundary);
    TOffset to = from;
    std::string text;
    switch (step % 5) {
      case 0: text = "\x88"; break;
      case 1: text = RandomText(rng, 3, kLinePieces); break;
      case 2: to = ModelCharStart(boundary, std::min<TOffset>(length, from + 1 + rng() % 9)); break;
      case 3: text = "\r\n"; break;
      default:  // join a line to the one before
        if (starts.size() > 1) {
          to = starts[1 + rng() % (starts.size() - 1)];
          buffer.Erase(to - 2, to);
          model.erase(static_cast<std::size_t>(to - 2), 2);
        }
        continue;
    }
    buffer.Erase(from, to);
    buffer.Insert(from, text);
    model.erase(static_cast<std::size_t>(from), static_cast<std::size_t>(to - from));
    model.insert(static_cast<std::size_t>(from), text);
  }
}

// ---- characters ----

TEST(TextBufferChars, BoundariesStepsAndTrailBytes) {
  struct Row { const char* rule; std::string text; TOffsets boundaries; };  // CR LF is one
  const Row rows[] = {
      {"second byte 0x5C", "\x95\x5C\\", {0, 2, 3}},
      {"second bytes 0x40 and 0x7E", "\x83\x40\x81\x7E", {0, 2, 4}},
      {"0x7F is no second byte", "\x81\x7F", {0, 1, 2}},
      {"0x80 and 0xFC are second bytes", "\x81\x80\x9F\xFC", {0, 2, 4}},
      {"0xFD is no second byte", "\xE0\xFD", {0, 1, 2}},
      {"lone lead byte before CR LF", "a\x81\r\nb", {0, 1, 2, 4, 5}},
      {"lone lead byte at the end", "a\x81", {0, 1, 2}},
      {"even run then ASCII", "\x81\x81\x81\x81 ", {0, 2, 4, 5}},
      {"odd run pairs with a trail-valid letter", "\x81\x81\x81" "a", {0, 2, 4}},
      {"odd run before a space", "\x81\x81\x81 ", {0, 2, 3, 4}},
      {"run after an ASCII byte", "x\x88\x9F\x88\x9F\x88", {0, 1, 3, 5, 6}},
      {"half-width kana are single", "\xB1\xB2\x81\xB1", {0, 1, 2, 4}},
      {"line start is a boundary", "\x81\r\n\x40\x81", {0, 1, 3, 4, 5}},
  };
  for (const Row& row : rows) {
    const TTextBuffer buffer = BufferOf(row.text);
    const TOffsets& b = row.boundaries;
    for (TOffset o = 0; o <= buffer.Length(); ++o) {
      const std::size_t i = Floor(b, o);
      const std::string at = row.rule + " at "s + std::to_string(o);
      EXPECT_EQ(buffer.CharStart(o), b[i]) << at;
      EXPECT_EQ(buffer.NextChar(o), i + 1 < b.size() ? b[i + 1] : buffer.Length()) << at;
      EXPECT_EQ(buffer.PrevChar(o), b[i] < o ? b[i] : b[i == 0 ? 0 : i - 1]) << at;
    }
  }
}

// Megabytes of lead-range pairs on one line: CharStart near its end, also after edits that
// flip the parity of the whole run.
TEST(TextBufferChars, CharStartAtTheEndOfAGiantLeadRun) {
  std::string model = "ab";
  for (int i = 0; i < 1500000; ++i) model += "\x88\x9F";
  model += "\r\nz";
  TTextBuffer buffer = BufferOf(model);
  struct Edit { TOffset at; TOffset erase; std::string insert; };
  const Edit edits[] = {{0, 0, ""}, {2, 0, "\x88"}, {1000, 1, ""}, {3, 0, "x"}, {2, 2, ""}};
  for (const Edit& edit : edits) {
    buffer.Erase(edit.at, edit.at + edit.erase);
    buffer.Insert(edit.at, edit.insert);
    model.erase(static_cast<std::size_t>(edit.at), static_cast<std::size_t>(edit.erase));
    model.insert(static_cast<std::size_t>(edit.at), edit.insert);
    const std::vector<bool> boundary = ModelBoundaries(model);
    const TOffset end = buffer.LineEnd(0);
    for (const TOffset o : {end, end - 1, end - 2, end - 3, end / 2, end / 2 + 1, TOffset{9000}}) {
      EXPECT_EQ(buffer.CharStart(o), ModelCharStart(boundary, o)) << edit.at << ", " << o;
    }
  }
}

// ---- columns and rows ----

TEST(TextBufferColumns, TabsAndOffsetsAtColumns) {
  // offset and nearest: OffsetAtColumn(line, column) without and with nearest.
  struct Row { const char* rule; std::string text; TOffset line, column, offset, nearest; };
  const Row rows[] = {
      {"no tab: column is bytes", "abc", 0, 2, 2, 2},
      {"past the end: the end", "abc", 0, 10, 3, 3},
      {"inside a pair: its start", "a\x88\x9F" "b", 0, 2, 1, 3},
      {"inside a tab: its start", "a\tb", 0, 4, 1, 1},
      {"right half of a tab: nearer edge is after", "a\tb", 0, 5, 1, 2},
      {"after a tab", "a\tb", 0, 8, 2, 2},
      {"pair before a tab", "\x88\x9F\tx", 0, 8, 3, 3},
      {"tab at a tab stop fills a whole stop", "12345678\tx", 0, 16, 9, 9},
      {"second line", "xx\r\n\ty", 1, 9, 6, 6},
      {"line end with tabs", "\t\r\nz", 0, 20, 1, 1},
  };
  for (const Row& row : rows) {
    const TTextBuffer buffer = BufferOf(row.text);
    EXPECT_EQ(buffer.OffsetAtColumn(row.line, row.column), row.offset) << row.rule;
    EXPECT_EQ(buffer.OffsetAtColumn(row.line, row.column, true), row.nearest) << row.rule;
    const TOffset start = buffer.LineStart(row.line);
    EXPECT_EQ(buffer.ColumnOf(row.offset), ModelCells(row.text, start, row.offset)) << row.rule;
  }
}

TEST(TextBufferRows, RowStartsNeverSplitACharacter) {
  struct Row { const char* rule; std::string text; TOffset cells; TOffsets rowStarts; };
  const Row rows[] = {
      {"bytes are cells", "abcdefg", 3, {0, 3, 6}},
      {"exact fit is one row", "abc", 3, {0}},
      {"empty line is one row", "", 5, {0}},
      {"pair at the edge moves down", "ab\x88\x9F" "c", 3, {0, 2}},
      {"one wide character when cells is 1", "\x88\x9F\x88\x9F" "a", 1, {0, 2, 4}},
      {"lone lead byte is one cell", "ab\x81\r\n", 3, {0}},
      {"a tab that does not fit moves down", "a\tb", 4, {0, 1, 2}},
      {"a tab keeps its line column", "abcd\tefgh", 8, {0, 5}},
      {"tab then pair", "\t\x88\x9F" "ab", 10, {0, 3}},
  };
  for (const Row& row : rows) {
    const TTextBuffer buffer = BufferOf(row.text);
    const TOffsets& starts = row.rowStarts;
    const TOffset end = buffer.LineEnd(0);
    for (std::size_t i = 0; i < starts.size(); ++i) {
      const TOffset next = i + 1 < starts.size() ? starts[i + 1] : end;
      EXPECT_EQ(buffer.NextRowStart(starts[i], row.cells), next) << row.rule << " row " << i;
    }
    EXPECT_EQ(buffer.RowsOfLine(0, row.cells), static_cast<TOffset>(starts.size())) << row.rule;
    for (TOffset o = 0; o <= end; ++o) {
      const std::size_t i = Floor(starts, o);
      EXPECT_EQ(buffer.RowOf(o, row.cells), std::make_pair(static_cast<TOffset>(i), starts[i]))
          << row.rule << " at " << o;
    }
  }
}

// ---- words ----

TEST(TextBufferWords, ClassesAndLineEnds) {
  const std::string hira = "\x82\xA0\x82\xA2";   // あい
  const std::string kata = "\x83\x41\x81\x5B";   // アー
  const std::string kanji = "\x8A\xBF\x8E\x9A";  // 漢字
  const std::string stop = "\x81\x42";           // 。
  struct Row {
    const char* rule; std::string text; TOffset at, next, prev; std::pair<TOffset, TOffset> word;
  };
  const Row rows[] = {
      {"word then blanks", "foo_1  bar", 1, 7, 0, {0, 5}},
      {"from the blanks", "foo_1  bar", 5, 7, 0, {5, 7}},
      {"symbols are their own class", "ab+-cd", 2, 4, 0, {2, 4}},
      {"prev skips blanks to the word before", "ab  cd", 4, 6, 0, {4, 6}},
      {"hiragana, katakana with a long mark, kanji", hira + kata + kanji + stop, 4, 8, 0, {4, 8}},
      {"kanji run", hira + kanji + stop, 6, 8, 4, {4, 8}},
      {"half-width kana", "ab\xB1\xB2" "cd", 2, 4, 0, {2, 4}},
      {"full-width space is blank", "ab\x81\x40" "cd", 0, 4, 0, {0, 2}},
      {"stop at the line end", "ab cd\r\nef", 3, 5, 0, {3, 5}},
      {"at the line end: over the break", "ab cd\r\nef", 5, 7, 3, {3, 5}},
      {"at a line start: back over the break", "ab\r\nef", 4, 6, 2, {4, 6}},
  };
  for (const Row& row : rows) {
    const TTextBuffer buffer = BufferOf(row.text);
    EXPECT_EQ(buffer.NextWord(row.at), row.next) << row.rule;
    EXPECT_EQ(buffer.PrevWord(row.at), row.prev) << row.rule;
    EXPECT_EQ(buffer.WordAt(row.at), row.word) << row.rule;
  }
}

// ---- undo ----

TEST(TextBufferUndo, TypingAndDeletionRunsMerge) {
  struct Op { TOffset from, to; std::string text; bool merge = true, caretMovedBefore = false; };
  struct Row {  // undos: the text and the caret after each Undo
    const char* rule;
    std::string start;
    std::vector<Op> ops;
    std::vector<std::pair<std::string, TOffset>> undos;
  };
  const Row rows[] = {
      {"typing is one step", "", {{0, 0, "a"}, {1, 1, "b"}, {2, 2, "\x88\x9F"}}, {{"", 0}}},
      {"backspace run", "abcd", {{3, 4, ""}, {2, 3, ""}, {1, 2, ""}}, {{"abcd", 4}}},
      {"delete run", "abcd", {{1, 2, ""}, {1, 2, ""}}, {{"abcd", 3}}},
      {"a caret move breaks it", "", {{0, 0, "a"}, {1, 1, "b", true, true}}, {{"a", 1}, {"", 0}}},
      {"no merge asked", "", {{0, 0, "a"}, {1, 1, "b", false}}, {{"a", 1}, {"", 0}}},
      {"typing elsewhere", "xy", {{0, 0, "a"}, {3, 3, "b"}}, {{"axy", 3}, {"xy", 0}}},
      {"typing over a selection goes on", "xyz", {{0, 3, "a"}, {1, 1, "b"}}, {{"xyz", 3}}},
      {"backspace after typing", "", {{0, 0, "ab"}, {1, 2, ""}}, {{"ab", 2}, {"", 0}}},
      {"a line break typed", "ab", {{1, 1, "\r\n"}, {3, 3, "c"}}, {{"ab", 1}}},
  };
  for (const Row& row : rows) {
    TTextBuffer buffer = BufferOf(row.start);
    for (const Op& op : row.ops) {
      if (op.caretMovedBefore) buffer.BreakUndoMerge();
      const TOffset after = op.from + static_cast<TOffset>(op.text.size());
      EXPECT_EQ(buffer.Edit(op.from, op.to, op.text, op.merge), after) << row.rule;
    }
    for (const auto& [text, caret] : row.undos) {
      ASSERT_TRUE(buffer.CanUndo()) << row.rule;
      EXPECT_EQ(buffer.Undo()->Caret, caret) << row.rule;
      EXPECT_EQ(buffer.Contiguous(), text) << row.rule;
      EXPECT_EQ(buffer.ShownLines(), static_cast<TOffset>(ModelStarts(text).size())) << row.rule;
    }
    EXPECT_FALSE(buffer.CanUndo()) << row.rule;
  }
  TTextBuffer buffer = BufferOf("ab");
  buffer.Edit(0, 0, "x", true);
  buffer.SetBytes("cd");
  EXPECT_FALSE(buffer.CanUndo());
}

// Random typing, deletions and whole replacements: undo walks back through every state, redo
// forward again, and a change after undoing forgets what was undone.
TEST(TextBufferUndo, OneHistoryForTypingAndWholeReplacements) {
  std::mt19937 random(18);
  for (int round = 0; round < 40; ++round) {
    TTextBuffer buffer = BufferOf("start\r\n");
    std::vector<std::string> states{std::string(buffer.Contiguous())};
    std::vector<bool> whole;
    for (int step = 0; step < 12; ++step) {
      const TOffset length = buffer.Length();
      switch (random() % 3) {
        case 0: {  // a whole replacement, as a command's result
          std::string text = "line " + std::to_string(random() % 1000) + "\r\n\x88\x9F\r\n";
          ASSERT_TRUE(buffer.ReplaceAll(text, std::string("note ") + std::to_string(step)));
          whole.push_back(true);
          break;
        }
        case 1:  // typing somewhere, not merged
          {
          const TOffset at = buffer.CharStart(random() % (length + 1));
          buffer.Edit(at, at, "ab", false);
        }
          whole.push_back(false);
          break;
        default: {  // a deletion
          const TOffset from = buffer.CharStart(random() % (length + 1));
          buffer.Edit(from, buffer.NextChar(from), "", false);
          if (buffer.Contiguous() == states.back()) continue;  // nothing was deleted
          whole.push_back(false);
        }
      }
      states.emplace_back(buffer.Contiguous());
    }
    for (std::size_t i = states.size() - 1; i > 0; --i) {
      const auto done = buffer.Undo();
      ASSERT_TRUE(done.has_value());
      EXPECT_EQ(done->Whole, whole[i - 1]);
      if (done->Whole) EXPECT_TRUE(std::any_cast<std::string>(&done->Note) != nullptr);
      ASSERT_EQ(buffer.Contiguous(), states[i - 1]) << round << " undo " << i;
      EXPECT_EQ(buffer.ShownLines(), static_cast<TOffset>(ModelStarts(states[i - 1]).size()));
    }
    EXPECT_FALSE(buffer.Undo().has_value());
    for (std::size_t i = 1; i < states.size(); ++i) {
      ASSERT_TRUE(buffer.Redo().has_value());
      ASSERT_EQ(buffer.Contiguous(), states[i]) << round << " redo " << i;
    }
    EXPECT_FALSE(buffer.CanRedo());
    buffer.Undo();
    buffer.Edit(0, 0, "x", false);
    EXPECT_FALSE(buffer.CanRedo());
  }
}

// The history never holds more than its budget: the oldest steps go, and a step bigger than
// the budget is not kept at all.
TEST(TextBufferUndo, HistoryKeepsToItsBudget) {
  const std::string big(100000, 'a');
  TTextBuffer buffer = BufferOf(big);
  buffer.SetHistoryBudget(350000);
  for (char c : std::string("bcdefg")) {
    EXPECT_TRUE(buffer.ReplaceAll(std::string(100000, c), c));
    EXPECT_LE(buffer.HistoryBytes(), 350000u);
  }
  int undone = 0;
  while (buffer.Undo()) ++undone;
  EXPECT_EQ(undone, 3);  // three old texts of 100,000 bytes fit
  EXPECT_EQ(buffer.Contiguous(), std::string(100000, 'd'));
  EXPECT_LE(buffer.HistoryBytes(), 350000u);
  while (buffer.Redo()) {}
  EXPECT_EQ(buffer.Contiguous(), std::string(100000, 'g'));

  buffer.SetHistoryBudget(50000);
  EXPECT_FALSE(buffer.ReplaceAll("small\r\n", 'h'));  // the old text alone is over
  EXPECT_FALSE(buffer.CanUndo());
  EXPECT_EQ(buffer.Contiguous(), "small\r\n");
  EXPECT_LE(buffer.HistoryBytes(), 50000u);
}

}  // namespace
