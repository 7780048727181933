// libFuzzer target of the crash-recovery record's reader: any bytes as a record's snapshot and
// journal left by a run that did not end normally, found and rebuilt (or told as damaged).
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "document/Recovery.h"
#include "fuzz/FuzzInput.h"

namespace {

void WriteFile(const std::string& path, std::string_view bytes) {
  if (FILE* file = std::fopen(path.c_str(), "wb")) {
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TFuzzInput input(data, size);
  const std::uint8_t split = input.Byte();
  const std::string_view bytes = input.Rest();
  const std::size_t cut = bytes.empty() ? 0 : split % (bytes.size() + 1);
  const std::string record = ScratchFolder("recovery") + "/fuzz";
  ::mkdir(record.c_str(), 0700);
  WriteFile(record + "/snapshot", bytes.substr(0, cut));
  WriteFile(record + "/journal", bytes.substr(cut));
  for (const Recovery::TFound& found : Recovery::FindRecords(ScratchFolder("recovery"))) {
    if (!found.Problem.empty() && !found.Text.empty()) std::abort();
  }
  ::unlink((record + "/snapshot").c_str());
  ::unlink((record + "/journal").c_str());
  ::unlink((record + "/lock").c_str());
  ::rmdir(record.c_str());
  return 0;
}
