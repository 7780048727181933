// The in-memory byte stream.
#include "document/ByteStream.h"

#include <algorithm>
#include <cstring>

#include "document/FileIO.h"

void TMemoryStream::SetPosition(std::int64_t position) {
  position_ = std::clamp<std::int64_t>(position, 0, Size());
}

std::size_t TMemoryStream::Read(void* buffer, std::size_t count) {
  const auto available = static_cast<std::size_t>(Size() - position_);
  const std::size_t n = std::min(count, available);
  if (n > 0) std::memcpy(buffer, bytes_.data() + position_, n);
  position_ += static_cast<std::int64_t>(n);
  return n;
}

void TMemoryStream::Write(const void* buffer, std::size_t count) {
  const auto end = static_cast<std::size_t>(position_) + count;
  if (end > bytes_.size()) bytes_.resize(end);
  if (count > 0) std::memcpy(bytes_.data() + position_, buffer, count);
  position_ = static_cast<std::int64_t>(end);
}

void TMemoryStream::LoadFromFile(const std::string& path) {
  bytes_ = FileIO::ReadWholeFile(path);
  position_ = 0;
}
