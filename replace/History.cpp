// The replace dialog's six-slot histories and the history and memo files.
#include "replace/History.h"

#include <algorithm>
#include <cerrno>

#include "document/Failures.h"
#include "document/FileIO.h"

namespace History {

void AddHistory(std::string_view text, TSlots& slots) {
  if (std::find(slots.begin(), slots.end(), text) != slots.end()) return;
  const auto free = std::find(slots.begin(), slots.end(), std::string_view());
  if (free != slots.end()) {
    *free = text;
    return;
  }
  std::move(slots.begin() + 1, slots.end(), slots.begin());
  slots.back() = text;
}

std::vector<std::string> ReadEntries(const std::string& path) {
  std::string bytes;
  try {
    bytes = FileIO::ReadWholeFile(path);
  } catch (const EInOutError& e) {
    if (e.ErrorCode == ENOENT) return {};
    throw;
  }
  std::string_view text(bytes);
  text = text.substr(0, std::min(text.find('\0'), text.size()));

  std::vector<std::string> entries;
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t end = std::min(text.find_first_of("\r\n", pos), text.size());
    entries.emplace_back(text.substr(pos, end - pos));
    pos = end;
    if (pos < text.size() && text[pos] == '\r') ++pos;
    if (pos < text.size() && text[pos] == '\n') ++pos;
  }
  return entries;
}

TSlots SlotsFrom(const std::vector<std::string>& entries) {
  TSlots slots;
  const std::size_t n = std::min(entries.size(), static_cast<std::size_t>(kSlots));
  for (std::size_t i = 0; i < n; ++i) slots[i] = entries[i];
  return slots;
}

void WriteEntries(const std::string& path, const std::vector<std::string>& entries) {
  std::size_t size = 0;
  for (const std::string& entry : entries) size += entry.size() + 2;
  std::string text;
  text.reserve(size);
  for (const std::string& entry : entries) {
    text += entry;
    text += "\r\n";
  }
  FileIO::WriteFileAtomically(path, text);
}

}  // namespace History
