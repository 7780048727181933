// Command lines of korvane-cli, from a recipe file or from -e: splitting a line into words,
// reading a recipe, and turning a UTF-8 argument into the CP932 bytes the core works on.
//
// Recipe format: UTF-8 text, one command a line (CR LF, LF or CR). Empty and blank lines, and
// lines whose first non-blank character is #, are skipped. Words are separated by spaces or
// tabs; "double quotes" keep blanks (\" and \\ inside stand for " and \, any other backslash
// stays as it is); 'single quotes' keep everything up to the next '. Parts written next to
// each other make one word: say"  "so is the word 'say  so'. A byte-order mark at the start
// of the file is skipped.
#pragma once

#include "document/ForeignChars.h"

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace Recipe {

// What the user asked for cannot be done as written: a bad flag, command, argument, range or
// recipe line. The message says where, in the user's terms.
class EUsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// One word of a command line, UTF-8. A word that was quoted, even in part, is never an option.
struct TWord {
  std::string Text;
  bool Quoted = false;
};

// One command line and where it came from ("clean.recipe:3", "-e 2").
struct TLine {
  std::string Where;
  std::vector<TWord> Words;
};

// The words of one line. Throws EUsageError ("<where>: ...") for a quote left open.
//      SplitWords(R"(replace "a b" '' x\y)", w) gives replace, a b, (empty), x\y
[[nodiscard]] std::vector<TWord> SplitWords(std::string_view line, const std::string& where);

// A word written so that SplitWords reads it back as it is: in double quotes, with \ and "
// escaped.                          Quoted(R"(a "b")") == R"("a \"b\"")"
[[nodiscard]] std::string Quoted(std::string_view word);

// The command lines of a recipe named name, each with Where "<name>:<line number>". Throws
// EUsageError for bytes that are not UTF-8 (naming the line and the byte) or a quote left open.
[[nodiscard]] std::vector<TLine> Parse(std::string_view text, const std::string& name);

// The position of the first byte that does not belong to a well-formed UTF-8 character
// (overlong forms, surrogates and code points past U+10FFFF included); npos when all are.
[[nodiscard]] std::size_t FindInvalidUtf8(std::string_view text) noexcept;

// A UTF-8 text as CP932 bytes. Throws EUsageError "<what>の N 文字目の「c」(U+XXXX) は ..."
// for the first character that CP932 cannot hold, for a line break or a NUL (a line of the
// document cannot hold them), and for bytes that are not UTF-8. Characters are counted from 1.
// With foreign, a character Shift-JIS cannot hold takes the document's code for it, as text
// read from UTF-8 does, instead of being refused.
[[nodiscard]] std::string ToCp932(std::string_view utf8, const std::string& what,
                                  TForeignChars* foreign = nullptr);

}  // namespace Recipe
