// libFuzzer target of the recipe reader and the commands: any bytes as a recipe file, its
// lines parsed as commands and, when they are, run over a small document.
#include <string>

#include "cli/Commands.h"
#include "cli/Recipe.h"
#include "document/DocumentText.h"
#include "document/Failures.h"
#include "document/ForeignChars.h"
#include "fuzz/FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TFuzzInput input(data, size);
  const std::string document = input.String(64);
  try {
    const std::vector<Recipe::TLine> lines = Recipe::Parse(input.Rest(), "fuzz.recipe");
    TForeignChars foreign;
    const std::vector<Commands::TCommand> commands = Commands::ParseAll(lines, &foreign);
    TDocumentText text;
    text.SetText(std::string_view(document));
    Commands::TSession session(text, &foreign);
    for (const Commands::TCommand& command : commands) session.Run(command);
    session.WriteOutput([](std::string_view) {});
  } catch (const Recipe::EUsageError&) {
    // A recipe the user wrote wrong is told to them.
  }
  return 0;
}
