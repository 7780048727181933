// Recipes run in one pass give what the whole-document way gives: the same output bytes, the
// same failure, the same load notices, on random documents and random recipes.
#include "cli/Stream.h"

#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <string>
#include <vector>

#include "cli/Commands.h"
#include "cli/Recipe.h"
#include "document/DocumentText.h"

namespace {

struct TResult {
  std::string Output;
  std::string Failure;
  std::string Notices;
  bool operator==(const TResult&) const = default;
};

DocumentLoad::TSource SourceOf(const std::string& bytes) {
  DocumentLoad::TSource source;
  source.Path = source.Shown = source.FileName = "doc.txt";
  source.Content = bytes;
  return source;
}

TResult WholeWay(const std::string& bytes, const std::string& recipe) {
  TResult result;
  try {
    TForeignChars foreign;
    TDocumentText document;
    DocumentLoad::TLoader loader(false, nullptr);
    loader.SetEncodings(Encodings::TEncoding::Cp932, foreign);
    loader.Open(document, SourceOf(bytes));
    result.Notices = DocumentLoad::CutNoticeText(loader.Notices());
    Commands::TSession session(document, &foreign);
    for (const Commands::TCommand& command :
         Commands::ParseAll(Recipe::Parse(recipe, "r"), &foreign)) {
      session.Run(command);
    }
    session.WriteOutput([&](std::string_view piece) { result.Output += piece; });
  } catch (const Recipe::EUsageError& failure) {
    result.Output.clear();
    result.Failure = failure.what();
  }
  return result;
}

// Nothing when the recipe must run the whole-document way.
std::optional<TResult> OnePass(const std::string& bytes, const std::string& recipe) {
  TResult result;
  TForeignChars foreign;
  DocumentLoad::TLoader loader(false, nullptr);
  loader.SetEncodings(Encodings::TEncoding::Cp932, foreign);
  DocumentLoad::TSource source = SourceOf(bytes);
  EXPECT_TRUE(loader.CanStream(source));
  const auto pipeline =
      Stream::TPipeline::Plan(Commands::ParseAll(Recipe::Parse(recipe, "r"), &foreign), foreign);
  if (!pipeline) return std::nullopt;
  pipeline->SetSink([&](std::string_view piece) { result.Output += piece; });
  try {
    loader.Stream(source, [&](std::string_view line) { pipeline->Line(line); });
    result.Notices = DocumentLoad::CutNoticeText(loader.Notices());
    pipeline->Finish();
  } catch (const Recipe::EUsageError& failure) {
    result.Failure = failure.what();
  }
  return result;
}

const char* const kCommands[] = {
    "replace a b",        "replace <b> \"\"",      "replace x y Z --match-case",
    "replace-before x Y", "replace-after a Z",     "replace-between < > \"\"",
    "delete a",           "delete-before x",       "delete-after a --drop-empty",
    "delete-between < >", "break-between > <",     "delete-lines-with a",
    "delete-lines-without x b", "strip-tags",      "strip-tags-drop-blank",
    "break-at-tags",      "half-width",            "trim",
    "drop-blank-lines",   "trim-and-drop",         "prefix \">\"",
    "suffix 。",          "page-text",             "page-links",
    "replace a \"\\\\\"", "delete-lines-with ａ",
};
const char* const kRanges[] = {"range 1", "range 2 3", "range 3", "range 1 1", "range 40"};

std::string RandomRecipe(std::mt19937& random) {
  std::string recipe;
  const int count = 1 + static_cast<int>(random() % 4);
  for (int i = 0; i < count; ++i) {
    const auto range = [&] { return std::string(kRanges[random() % std::size(kRanges)]) + "\n"; };
    switch (random() % 16) {
      case 0:
        recipe += range() + "save-range\n";
        return recipe;
      case 1:
        recipe += "range 2 3\ndelete-range\n";
        break;
      case 2: case 3: case 4: case 5:
        recipe += range();
        [[fallthrough]];
      default:
        recipe += std::string(kCommands[random() % std::size(kCommands)]) + "\n";
    }
  }
  return recipe;
}

std::string RandomDocument(std::mt19937& random) {
  const std::string pieces[] = {"a",     "x b",   "<b>",    "</b>",    "&amp;",  "&#13;",
                                "&#10;", "\r\n",  "\r\n",   "\r",      "\n",     "  ",
                                "\x82\x81",       "<br>",   "<p>",     "\t",     "A",
                                "<a href=\"u.html\">l</a>", "\x82\xa0", std::string(1, '\0'),
                                "\x1A",  "http://e.com/a.zip"};
  std::string bytes;
  const int count = static_cast<int>(random() % 30);
  for (int i = 0; i < count; ++i) {
    const std::string& piece = pieces[random() % std::size(pieces)];
    // NUL and 0x1A end what is read: rarely, so that most documents go on past them.
    if ((piece[0] == '\0' || piece[0] == '\x1A') && random() % 6 != 0) continue;
    bytes += piece;
  }
  return bytes;
}

TEST(StreamPipeline, SameAsTheWholeDocumentWay) {
  std::mt19937 random(2026);
  int streamed = 0;
  for (int round = 0; round < 6000; ++round) {
    const std::string bytes = RandomDocument(random);
    const std::string recipe = RandomRecipe(random);
    const std::optional<TResult> onePass = OnePass(bytes, recipe);
    if (!onePass) continue;
    ++streamed;
    const TResult whole = WholeWay(bytes, recipe);
    ASSERT_EQ(*onePass, whole) << "round " << round << "\nrecipe:\n"
                               << recipe << "document: " << testing::PrintToString(bytes)
                               << "\ngot " << testing::PrintToString(onePass->Output)
                               << "\nwanted " << testing::PrintToString(whole.Output);
  }
  EXPECT_GT(streamed, 5000);  // most recipes run in one pass
}

// Documents of many blocks: lines across block edges, a CR at a block's end, long lines.
TEST(StreamPipeline, LargeDocumentsAcrossBlocks) {
  std::mt19937 random(5);
  std::string bytes;
  while (bytes.size() < (std::size_t{3} << 20)) {
    bytes += std::string(random() % 40, 'a') + (random() % 3 == 0 ? "<b>\r" : "\r\n");
    if (random() % 5000 == 0) bytes += std::string(1 << 21, 'x');
  }
  for (const char* recipe : {"strip-tags\ntrim\n", "range 5 70000\nbreak-at-tags\n",
                             "delete-lines-with aaaa\nprefix >\n"}) {
    const std::optional<TResult> onePass = OnePass(bytes, recipe);
    ASSERT_TRUE(onePass.has_value());
    ASSERT_TRUE(*onePass == WholeWay(bytes, recipe)) << recipe;
  }
}

// What cannot run in one pass is left to the whole-document way.
TEST(StreamPipeline, PlansOnlyWhatOnePassCanDo) {
  struct Row { const char* recipe; bool planned; };
  const Row rows[] = {
      {"trim\n", true},
      {"range 2 3\nbreak-at-tags\n", true},
      {"range 2 3\nbreak-at-tags\ntrim\n", false},  // the range follows the line count
      {"break-at-tags\ntrim\n", true},
      {"delete-range\n", false},  // refused without a range: the whole way says so
      {"range 1 2\nsave-range\n", true},
  };
  for (const Row& row : rows) {
    TForeignChars foreign;
    const auto commands = Commands::ParseAll(Recipe::Parse(row.recipe, "r"), &foreign);
    EXPECT_EQ(Stream::TPipeline::Plan(commands, foreign) != nullptr, row.planned) << row.recipe;
  }
}

}  // namespace
