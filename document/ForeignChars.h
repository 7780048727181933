// Characters the CP932 document cannot hold, kept inside it.
//
// A file read from UTF-8, UTF-16 or EUC-JP may hold characters that Shift-JIS lacks (é, emoji,
// JIS X 0213 kanji) and bytes that are no character at all. Each such character or byte gets,
// per document, one code of the CP932 user-defined area (0xF040–0xF9FC, 1,880 codes), so that
// every command treats it as one double-byte character it does not know, and a table beside
// the document says what each code stands for. Saving in a Unicode encoding gives them back;
// the screen and the clipboard show them as themselves. Codes of that area that the table does
// not name are ordinary user-defined characters, as in any Shift-JIS file.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

class TForeignChars {
 public:
  static constexpr std::size_t kCapacity = 1880;

  // What a code stands for: a Unicode character, or one byte of the file it came from that
  // was no character there.
  struct TEntry {
    char32_t CodePoint = 0;
    bool IsByte = false;
    unsigned char Byte = 0;
  };

  // The code (lead << 8 | trail) for the character, given on first use; nothing once all
  // 1,880 codes are taken.
  std::optional<std::uint16_t> CodeFor(char32_t codePoint);
  // The code for a byte that was no character in its file.
  std::optional<std::uint16_t> CodeForByte(unsigned char byte);
  // What the code stands for; null for a code the table does not name.
  [[nodiscard]] const TEntry* Find(std::uint16_t code) const;
  [[nodiscard]] const TEntry* Find(unsigned char lead, unsigned char trail) const {
    return Find(static_cast<std::uint16_t>(lead << 8 | trail));
  }
  [[nodiscard]] bool Empty() const { return entries_.empty(); }
  [[nodiscard]] std::size_t Size() const { return entries_.size(); }
  void Clear();

  // Whether a pair of bytes is a code of the user-defined area.
  [[nodiscard]] static bool IsUserDefined(unsigned char lead, unsigned char trail) {
    return lead >= 0xF0 && lead <= 0xF9 && trail >= 0x40 && trail <= 0xFC && trail != 0x7F;
  }

 private:
  std::optional<std::uint16_t> Give(const TEntry& entry, std::uint32_t key);

  std::vector<TEntry> entries_;                          // by code index
  std::unordered_map<std::uint32_t, std::uint16_t> codes_;  // character or byte → code
};
