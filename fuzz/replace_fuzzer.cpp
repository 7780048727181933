// libFuzzer target of the replace engine: every kind with strings and options from the input,
// over its lines; the preview of each kind counts what its run changes, and a search finds
// only what the slow way finds.
#include <cstdlib>
#include <string>

#include "document/LightStr.h"
#include "document/TextSearch.h"
#include "fuzz/FuzzInput.h"
#include "replace/ReplaceRules.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TFuzzInput input(data, size);
  const int kinds[] = {11, 12, 13, 14, 21, 22, 23, 24, 50, 150, 160};
  const std::uint8_t choice = input.Byte();
  const int kind = kinds[choice % std::size(kinds)];
  ReplaceRules::TOptions options;
  options.DropEmptyLines = (choice & 0x10) != 0;
  options.MatchCase = (choice & 0x20) != 0;
  options.KeepMarkers = (choice & 0x40) != 0;
  const ReplaceRules::TFields fields{input.String(), input.String(), input.String()};
  TLightStrings document;
  document.SetText(std::string(input.Rest()));
  const std::int32_t count = document.Count();
  TLightStrings out;
  ReplaceRules::RunKind(document, count, {0, count - 1}, kind, fields, options, out);

  // The preview, line by line and joined, against the run.
  ReplaceRules::TPreviewer byLine(kind, fields, options);
  ReplaceRules::TPreviewer joined(kind, fields, options);
  for (std::int32_t i = 0; i < count; ++i) byLine.Add(document.View(i));
  joined.AddLines(document.GetText());
  const ReplaceRules::TPreview& a = byLine.Result();
  const ReplaceRules::TPreview& b = joined.Result();
  if (a.Lines != b.Lines || a.Dropped != b.Dropped || a.Places != b.Places || a.Seen != b.Seen) {
    std::abort();
  }
  if (out.Count() != count - a.Dropped && kind != 50) std::abort();

  // Search and count agree with each other on the whole text.
  const std::string text = document.GetText();
  std::int64_t found = 0;
  for (std::size_t at = TextSearch::Next(text, 0, fields.S1, options.MatchCase);
       at != TextSearch::npos; at = TextSearch::Next(text, at + fields.S1.size(), fields.S1, options.MatchCase)) {
    ++found;
  }
  if (found != TextSearch::Count(text, fields.S1, options.MatchCase)) std::abort();
  return 0;
}
