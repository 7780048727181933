// libFuzzer target of the backup records' reader: any bytes as a record left in the backup
// folder, found (and removed when harmless) by the next run; only records naming the test's
// own target may touch a file, and that one is in the scratch folder.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "document/SaveRecord.h"
#include "fuzz/FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TFuzzInput input(data, size);
  const std::string record = ScratchFolder("records") + "/doc.txt.korvane-backup-fuzz01";
  const std::string_view bytes = input.Rest();
  if (FILE* file = std::fopen(record.c_str(), "wb")) {
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
  }
  for (const FileIO::TInterruptedSave& save :
       FileIO::FindInterruptedSaves(ScratchFolder("records"), ScratchFolder("records") + "/doc.txt")) {
    (void)save;
  }
  ::unlink(record.c_str());
  return 0;
}
