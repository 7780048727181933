// The input history of the replace dialog's three fields, six slots each, and the text files
// that keep a history or the memo clip from one run of the program to the next: one entry per
// line, every line followed by CR LF, in the document code page (CP932 bytes, kept as they are).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace History {

inline constexpr int kSlots = 6;
using TSlots = std::array<std::string, kSlots>;  // slot 0 oldest; "" = free

// Puts text into the history: nothing changes when text equals a slot byte for byte (so an
// empty text changes nothing while a slot is free); otherwise the free slot with the lowest
// index takes it; in a full history slots 1–5 move to 0–4, the oldest entry goes and slot 5
// takes text (an empty text leaves slot 5 free).
//      {"a","","","","",""} + "b" → {"a","b","","","",""};  + "a" → unchanged
void AddHistory(std::string_view text, TSlots& slots);

// The entries of a history or memo file: lines end at CR, LF or CR LF; a NUL byte ends the
// text; a final line break adds no entry, and an empty text has none. A missing file gives no
// entries (other read failures throw the core's EInOutError family, ENotRegularFile for a
// pipe or a device). Entries keep their bytes exactly. At most `most` entries, the first ones:
// the file is read only as far as they go. Linear in the bytes read.
//      "a\r\n\r\nb" → {"a", "", "b"}      "a\nb\r" → {"a", "b"}      "a\0b\r\n" → {"a"}
[[nodiscard]] std::vector<std::string> ReadEntries(const std::string& path,
                                                   std::size_t most = SIZE_MAX);

// Slots from the first six entries: slot i := entry i when it exists and is not empty.
[[nodiscard]] TSlots SlotsFrom(const std::vector<std::string>& entries);

// Writes every entry followed by CR LF (no entries: an empty file), through the atomic writer:
// the old file stays whole when the write fails. Throws EFCreateError / EInOutError.
// An entry holding CR, LF or NUL reads back as several entries, or cut short.
void WriteEntries(const std::string& path, const std::vector<std::string>& entries);

// The list of recently used documents, newest first: entry goes to the front (once), and the
// list keeps at most `most` entries.
//      {"b", "a"} + "a" → {"a", "b"}
void AddRecent(std::vector<std::string>& list, std::string_view entry, std::size_t most);

}  // namespace History
