// Takes a fuzzer's bytes apart: small numbers and strings first, the rest as it is.
#pragma once

#include <stdlib.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// The run's own folder under /tmp (/tmp/korvane-fuzz-<what>-…), made on the first call; a
// fuzzer names one, so later calls get the same.
inline const std::string& ScratchFolder(const char* what) {
  static const std::string folder = [what] {
    std::string name = std::string("/tmp/korvane-fuzz-") + what + "-XXXXXX";
    return std::string(::mkdtemp(name.data()));
  }();
  return folder;
}

class TFuzzInput {
 public:
  TFuzzInput(const std::uint8_t* data, std::size_t size)
      : rest_(reinterpret_cast<const char*>(data), size) {}

  [[nodiscard]] bool Empty() const { return rest_.empty(); }
  // One byte (0 when none are left).
  std::uint8_t Byte() {
    if (rest_.empty()) return 0;
    const auto b = static_cast<std::uint8_t>(rest_.front());
    rest_.remove_prefix(1);
    return b;
  }
  // A string of up to `most` bytes, its length taken from the next byte.
  std::string String(std::size_t most = 16) {
    const std::size_t length = std::min<std::size_t>(Byte() % (most + 1), rest_.size());
    std::string s(rest_.substr(0, length));
    rest_.remove_prefix(length);
    return s;
  }
  // Everything left.
  std::string_view Rest() {
    const std::string_view rest = rest_;
    rest_ = {};
    return rest;
  }

 private:
  std::string_view rest_;
};
