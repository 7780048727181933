// Characters Shift-JIS lacks ride through the commands untouched: random text with such
// characters, read from UTF-8, put through random commands that do not name them, and written
// as UTF-8, is what the same commands make of the text with kanji standing in for them, the
// characters put back in their places.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "cli/Commands.h"
#include "document/DocumentText.h"
#include "document/Encodings.h"

namespace {

using Encodings::TEncoding;

// Runs the command lines over the UTF-8 text read as a file would be, and writes the result as
// UTF-8.
std::string RunOnUtf8(const std::string& utf8, const std::vector<std::string>& lines) {
  TForeignChars foreign;
  TDocumentText document;
  document.SetText(Encodings::ToDocument(utf8, {TEncoding::Utf8}, foreign).Bytes);
  std::vector<Recipe::TLine> recipe;
  for (const std::string& line : lines) recipe.push_back({"test", Recipe::SplitWords(line, "test")});
  Commands::TSession session(document);
  for (const Commands::TCommand& command : Commands::ParseAll(recipe, &foreign)) session.Run(command);
  Encodings::TWriter writer({TEncoding::Utf8}, foreign);
  std::string out;
  session.WriteOutput([&](std::string_view piece) { writer.Write(piece, out); });
  writer.Finish(out);
  return out;
}

TEST(ForeignCharacters, RideThroughCommandsUntouched) {
  // Foreign characters and the kanji that stand in for them, pair by pair.
  const std::vector<std::pair<std::string, std::string>> stand = {
      {"é", "亜"}, {"😀", "唖"}, {"𠮷", "娃"}, {"ő", "阿"}, {"ש", "哀"}};
  const std::vector<std::string> pieces = {"a", "b", "x", " ", "　", "ＡＢ", "カナ", "<b>", "</b>",
                                           "\r\n", "&amp;", "漢字", "ｶﾅ", "zip"};
  const std::vector<std::string> commands = {
      "half-width", "replace a b", "trim", "prefix >", "suffix <", "delete-lines-with x",
      "strip-tags", "replace-between < > _", "delete-after zip", "drop-blank-lines"};
  std::mt19937 random(1208);
  for (int round = 0; round < 200; ++round) {
    std::string withForeign;
    std::string withKanji;
    for (int i = 0; i < 30; ++i) {
      if (random() % 4 == 0) {
        const auto& [foreign, kanji] = stand[random() % stand.size()];
        withForeign += foreign;
        withKanji += kanji;
      } else {
        const std::string& piece = pieces[random() % pieces.size()];
        withForeign += piece;
        withKanji += piece;
      }
    }
    std::vector<std::string> lines;
    for (int i = 0, n = 1 + static_cast<int>(random() % 4); i < n; ++i) {
      lines.push_back(commands[random() % commands.size()]);
    }
    std::string expected = RunOnUtf8(withKanji, lines);
    for (const auto& [foreign, kanji] : stand) {
      for (std::size_t at = expected.find(kanji); at != std::string::npos; at = expected.find(kanji, at)) {
        expected.replace(at, kanji.size(), foreign);
        at += foreign.size();
      }
    }
    SCOPED_TRACE(withForeign);
    EXPECT_EQ(RunOnUtf8(withForeign, lines), expected) << lines.front();
  }
}

}  // namespace
