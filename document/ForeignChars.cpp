// The table of characters the CP932 document cannot hold.
#include "document/ForeignChars.h"

namespace {

// The n-th code of the user-defined area: 188 trail bytes a lead byte, 0x7F skipped.
std::uint16_t CodeAt(std::size_t n) {
  const auto lead = static_cast<unsigned>(0xF0 + n / 188);
  unsigned trail = static_cast<unsigned>(0x40 + n % 188);
  if (trail >= 0x7F) ++trail;
  return static_cast<std::uint16_t>(lead << 8 | trail);
}

// The index of a code of the area, or −1.
long IndexOf(std::uint16_t code) {
  const unsigned lead = code >> 8;
  const unsigned trail = code & 0xFF;
  if (!TForeignChars::IsUserDefined(static_cast<unsigned char>(lead),
                                    static_cast<unsigned char>(trail))) {
    return -1;
  }
  return static_cast<long>((lead - 0xF0) * 188 + (trail - 0x40) - (trail > 0x7F ? 1 : 0));
}

// Bytes are kept apart from characters by a key above every code point.
constexpr std::uint32_t kByteKey = 0x200000;

}  // namespace

std::optional<std::uint16_t> TForeignChars::Give(const TEntry& entry, std::uint32_t key) {
  if (const auto found = codes_.find(key); found != codes_.end()) return found->second;
  if (entries_.size() == kCapacity) return std::nullopt;
  const std::uint16_t code = CodeAt(entries_.size());
  entries_.push_back(entry);
  codes_.emplace(key, code);
  return code;
}

std::optional<std::uint16_t> TForeignChars::CodeFor(char32_t codePoint) {
  return Give({codePoint, false, 0}, static_cast<std::uint32_t>(codePoint));
}

std::optional<std::uint16_t> TForeignChars::CodeForByte(unsigned char byte) {
  return Give({0, true, byte}, kByteKey + byte);
}

const TForeignChars::TEntry* TForeignChars::Find(std::uint16_t code) const {
  const long index = IndexOf(code);
  if (index < 0 || static_cast<std::size_t>(index) >= entries_.size()) return nullptr;
  return &entries_[static_cast<std::size_t>(index)];
}

void TForeignChars::Clear() {
  entries_.clear();
  codes_.clear();
}
