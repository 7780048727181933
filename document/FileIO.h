// File access for the core: whole-file reads, a buffered input file, and a writer that never
// destroys the old file before the new content is complete.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace FileIO {

// The whole content of a file. Throws EInOutError when it cannot be opened or read
// (a folder given as a file fails with EISDIR).
[[nodiscard]] std::string ReadWholeFile(const std::string& path);

// A file opened for reading, closed on every path.
class TInputFile {
 public:
  // Throws EInOutError when the file cannot be opened or is a folder.
  explicit TInputFile(const std::string& path);
  ~TInputFile();
  TInputFile(const TInputFile&) = delete;
  TInputFile& operator=(const TInputFile&) = delete;

  [[nodiscard]] std::int64_t Size() const { return size_; }
  // Reads up to count bytes; 0 at the end of the file. Throws EInOutError on a read error.
  std::size_t Read(char* buffer, std::size_t count);

 private:
  int fd_ = -1;
  std::int64_t size_ = 0;
};

// The rest of an open file, read to its end. Throws EInOutError on a read error.
[[nodiscard]] std::string ReadAll(TInputFile& file);

// Writes a file in place of `path` without ever leaving it half written: the bytes go to a
// temporary file in the same folder, which replaces the target by one rename in Commit. A
// writer destroyed without Commit removes its temporary file; the target stays as it was.
// An existing target keeps its permissions; a symbolic link keeps pointing at the new file.
class TAtomicFileWriter {
 public:
  // Throws EFCreateError when the temporary file cannot be created (no such folder, no right
  // to write there, the target is a folder).
  explicit TAtomicFileWriter(const std::string& path);
  ~TAtomicFileWriter();
  TAtomicFileWriter(const TAtomicFileWriter&) = delete;
  TAtomicFileWriter& operator=(const TAtomicFileWriter&) = delete;

  // Throws EInOutError when the bytes cannot be written (the disk is full, …).
  void Write(std::string_view bytes);
  // Flushes the file to disk and renames it over the target. Throws EInOutError.
  void Commit();

 private:
  void Discard() noexcept;
  std::string target_;
  std::string temp_;
  int fd_ = -1;
};

// Writes bytes as the whole content of path through a TAtomicFileWriter.
void WriteFileAtomically(const std::string& path, std::string_view bytes);

}  // namespace FileIO
