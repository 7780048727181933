// libFuzzer target of the codec and the encodings: the bytes of a line shown in the editor and
// typed back are the same bytes; any bytes detected and converted into the document and
// written out again in every format never fail.
#include <cstdlib>
#include <string>

#include "document/Cp932Codec.h"
#include "document/Encodings.h"
#include "document/ForeignChars.h"
#include "fuzz/FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TFuzzInput input(data, size);
  const std::uint8_t choice = input.Byte();
  const std::string_view bytes = input.Rest();

  // Every byte of a line survives the editor: decoded for it and encoded back (a line holds
  // no NUL, CR or LF).
  std::string line(bytes);
  std::erase_if(line, [](char c) { return c == '\0' || c == '\r' || c == '\n'; });
  std::u16string shown(line.size() * 2 + 1, u'\0');
  shown.resize(Cp932::DecodeForEditor(line, shown.data()));
  std::string back;
  Cp932::EncodeFromEditor(shown, back);
  if (back != line) std::abort();

  // Detected, converted, written: from what was found or from a chosen encoding.
  const Encodings::TDetection found = Encodings::Detect(bytes, (choice & 1) != 0);
  Encodings::TFormat format = found.Format;
  if (choice & 2) format.Encoding = static_cast<Encodings::TEncoding>((choice >> 2) % 6);
  TForeignChars foreign;
  const Encodings::TConversion document = Encodings::ToDocument(bytes, format, foreign);
  for (int to = 0; to < 5; ++to) {
    Encodings::TFormat out;
    out.Encoding = static_cast<Encodings::TEncoding>(to);
    (void)Encodings::FindUnwritable(document.Bytes, out, foreign);
    Encodings::TWriter writer(out, foreign);
    std::string written;
    writer.Write(document.Bytes, written);
    writer.Finish(written);
  }
  return 0;
}
