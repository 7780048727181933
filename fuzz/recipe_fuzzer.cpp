// libFuzzer target of the recipe reader and the commands: any bytes as a recipe file, its
// lines parsed as commands and, when they are, run over a small document loaded as a file is;
// where the recipe can run in one pass, that way must give the same bytes and the same failure.
#include <string>

#include "cli/Commands.h"
#include "cli/Recipe.h"
#include "cli/Stream.h"
#include "document/DocumentText.h"
#include "document/Failures.h"
#include "document/ForeignChars.h"
#include "fuzz/FuzzInput.h"

namespace {

DocumentLoad::TSource SourceOf(const std::string& bytes) {
  DocumentLoad::TSource source;
  source.Path = source.Shown = source.FileName = "fuzz.txt";
  source.Content = bytes;
  return source;
}

struct TResult {
  std::string Output;
  std::string Failure;
};

TResult WholeDocumentWay(const std::string& document, std::string_view recipe) {
  TResult result;
  try {
    TForeignChars foreign;
    DocumentLoad::TLoader loader(false, nullptr);
    loader.SetEncodings(Encodings::TEncoding::Cp932, foreign);
    TDocumentText text;
    loader.Open(text, SourceOf(document));
    const std::vector<Commands::TCommand> commands =
        Commands::ParseAll(Recipe::Parse(recipe, "fuzz.recipe"), &foreign);
    Commands::TSession session(text, &foreign);
    for (const Commands::TCommand& command : commands) session.Run(command);
    session.WriteOutput([&](std::string_view piece) { result.Output += piece; });
  } catch (const Recipe::EUsageError& failure) {
    // A recipe the user wrote wrong is told to them.
    result = {{}, failure.what()};
  }
  return result;
}

void OnePassAgrees(const std::string& document, std::string_view recipe, const TResult& whole) {
  TForeignChars foreign;
  DocumentLoad::TLoader loader(false, nullptr);
  loader.SetEncodings(Encodings::TEncoding::Cp932, foreign);
  DocumentLoad::TSource source = SourceOf(document);
  if (!loader.CanStream(source)) return;
  std::unique_ptr<Stream::TPipeline> pipeline;
  try {
    pipeline = Stream::TPipeline::Plan(
        Commands::ParseAll(Recipe::Parse(recipe, "fuzz.recipe"), &foreign), foreign);
  } catch (const Recipe::EUsageError&) {
    return;
  }
  if (!pipeline) return;
  TResult result;
  pipeline->SetSink([&](std::string_view piece) { result.Output += piece; });
  try {
    loader.Stream(source, [&](std::string_view line) { pipeline->Line(line); });
    pipeline->Finish();
  } catch (const Recipe::EUsageError& failure) {
    result = {{}, failure.what()};
  }
  if (result.Output != whole.Output || result.Failure != whole.Failure) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TFuzzInput input(data, size);
  const std::string document = input.String(64);
  const std::string_view recipe = input.Rest();
  const TResult whole = WholeDocumentWay(document, recipe);
  // Recipes that grow the text manyfold are run one way only, to stay in the memory limit.
  constexpr std::size_t kCompared = std::size_t{1} << 20;
  if (whole.Output.size() <= kCompared) OnePassAgrees(document, recipe, whole);
  return 0;
}
