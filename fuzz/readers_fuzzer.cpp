// libFuzzer target of the readers: any bytes as a text file, a page and an internet shortcut,
// in every encoding the detector may find, loaded as Open, Append and a drop do.
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "document/DocumentText.h"
#include "document/ForeignChars.h"
#include "document/Failures.h"
#include "fuzz/FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TFuzzInput input(data, size);
  const std::uint8_t choice = input.Byte();
  const char* const names[] = {"a.txt", "a.html", "a.URL", "a.htm"};
  const std::string path = ScratchFolder("readers") + "/" + names[choice % 4];
  const std::string_view bytes = input.Rest();
  if (FILE* file = std::fopen(path.c_str(), "wb")) {
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
  }
  DocumentLoad::TLoader loader((choice & 4) != 0, [](const std::string&) {});
  TForeignChars foreign;
  if (choice & 8) loader.SetEncodings(std::nullopt, foreign);
  TDocumentText document;
  const DocumentLoad::TSource source{path, path, names[choice % 4], "a", std::nullopt};
  try {
    loader.Open(document, source);
    loader.Append(document, source);
    loader.Merge(document, {source, source}, true);
  } catch (const EKorvaneError&) {
    // A file the readers refuse is told to the user; that is no fault.
  }
  return 0;
}
