// Small helpers over POSIX file descriptors shared by the file writer and its backup records.
// Every failure is an errno code.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace FileIO::Posix {

// Closes a descriptor that a helper opened for its own use.
class TDescriptor {
 public:
  explicit TDescriptor(int fd = -1) : fd_(fd) {}
  ~TDescriptor();
  TDescriptor(const TDescriptor&) = delete;
  TDescriptor& operator=(const TDescriptor&) = delete;
  [[nodiscard]] int Get() const { return fd_; }
  // Hands the descriptor over to the caller.
  int Release();
  // Closes the descriptor now; 0 or the errno code of close().
  int Close();

 private:
  int fd_;
};

// Writes all of bytes at offset; 0 or the errno code that stopped the writing.
int WriteFullyAt(int fd, std::string_view bytes, std::int64_t offset);

// Called with every piece that CopyContent moves.
using TPieceSeen = void (*)(void* context, std::string_view piece);

// Copies everything from `from` (read from fromOffset) to `to` (written from toOffset); 0 or
// the errno code of the failing call. copied is the number of bytes read. seen, when given,
// sees every piece on its way.
int CopyContent(int from, std::int64_t fromOffset, int to, std::int64_t toOffset,
                std::int64_t& copied, TPieceSeen seen = nullptr, void* context = nullptr);

// The start of a file name, cut at a character boundary of its UTF-8 bytes, so that a suffix
// added to a long name still fits the file system's limit.
[[nodiscard]] std::string NamePrefix(const std::string& path);

// The folder part of a path; "." when it has none.
[[nodiscard]] std::string FolderOf(const std::string& path);

// Makes renames and new names in the folder durable. A file system that cannot flush folders
// (EINVAL) and a folder that may not be opened for reading are accepted; 0 or the errno code.
int FlushFolder(const std::string& folder);

}  // namespace FileIO::Posix
