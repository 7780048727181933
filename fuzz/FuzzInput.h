// Takes a fuzzer's bytes apart: small numbers and strings first, the rest as it is.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

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
