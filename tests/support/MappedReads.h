// Lets whole-file reads map files (FileIO::SetMapFilesForReading) for as long as it lives.
#pragma once

#include "document/FileIO.h"

class TMappedReads {
 public:
  explicit TMappedReads(bool on = true) { FileIO::SetMapFilesForReading(on); }
  ~TMappedReads() { FileIO::SetMapFilesForReading(false); }
  TMappedReads(const TMappedReads&) = delete;
  TMappedReads& operator=(const TMappedReads&) = delete;
};
