// Byte streams for the line list: an abstract stream (size, position, read, write) and an
// in-memory stream that can be filled from a file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class TByteStream {
 public:
  virtual ~TByteStream() = default;
  [[nodiscard]] virtual std::int64_t Size() const = 0;
  [[nodiscard]] virtual std::int64_t Position() const = 0;
  virtual void SetPosition(std::int64_t position) = 0;
  // Reads up to count bytes from the position and advances it; returns the bytes read.
  virtual std::size_t Read(void* buffer, std::size_t count) = 0;
  // Writes count bytes at the position, growing the stream as needed, and advances it.
  virtual void Write(const void* buffer, std::size_t count) = 0;
};

class TMemoryStream : public TByteStream {
 public:
  TMemoryStream() = default;
  explicit TMemoryStream(std::string bytes) : bytes_(std::move(bytes)) {}

  [[nodiscard]] std::int64_t Size() const override { return static_cast<std::int64_t>(bytes_.size()); }
  [[nodiscard]] std::int64_t Position() const override { return position_; }
  void SetPosition(std::int64_t position) override;
  std::size_t Read(void* buffer, std::size_t count) override;
  void Write(const void* buffer, std::size_t count) override;

  // Replaces the content with the whole file and sets the position to 0.
  // Throws EInOutError when the file cannot be opened or read.
  void LoadFromFile(const std::string& path);

  [[nodiscard]] const std::string& Bytes() const { return bytes_; }
  [[nodiscard]] std::string& Bytes() { return bytes_; }

 private:
  std::string bytes_;
  std::int64_t position_ = 0;
};
