// Byte strings shown readably in test failures: printable ASCII as it is, every other byte
// (and the backslash) as \xHH.
#pragma once

#include <string>
#include <string_view>

inline std::string Printable(std::string_view s) {
  static const char* const digits = "0123456789ABCDEF";
  std::string out;
  for (const char c : s) {
    const auto b = static_cast<unsigned char>(c);
    if (b >= 0x20 && b < 0x7F && b != '\\') {
      out += c;
    } else {
      out += "\\x";
      out += digits[b >> 4];
      out += digits[b & 0xF];
    }
  }
  return out;
}
