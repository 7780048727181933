// The replace dialog's six-slot histories and the history and memo files.
#include "replace/History.h"

#include <algorithm>
#include <cerrno>
#include <optional>

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

std::vector<std::string> ReadEntries(const std::string& path, std::size_t most) {
  std::optional<FileIO::TInputFile> file;
  try {
    file.emplace(path);
  } catch (const EInOutError& e) {
    if (e.ErrorCode == ENOENT) return {};
    throw;
  }
  constexpr std::string_view kEnds("\r\n\0", 3);
  std::vector<std::string> entries;
  std::string text;          // what was read and not yet taken
  std::size_t pos = 0;       // where the next entry starts
  std::size_t scanned = 0;   // text before this holds no line end after pos
  bool atEnd = false;
  char buffer[1 << 16];
  while (entries.size() < most) {
    std::size_t end = text.find_first_of(kEnds, std::max(pos, scanned));
    if (end != std::string::npos && text[end] == '\0') {  // a NUL ends the text
      text.resize(end);
      atEnd = true;
      end = std::string::npos;
    }
    // A CR read last may be the first half of a CR LF: read on before deciding.
    const bool crAtEdge = end != std::string::npos && text[end] == '\r' && end + 1 == text.size();
    if (!atEnd && (end == std::string::npos || crAtEdge)) {
      scanned = (end == std::string::npos ? text.size() : end) - pos;
      text.erase(0, pos);
      pos = 0;
      const std::size_t got = file->Read(buffer, sizeof buffer);
      if (got == 0) {
        atEnd = true;
      } else {
        text.append(buffer, got);
      }
      continue;
    }
    if (end == std::string::npos) {
      if (pos < text.size()) entries.emplace_back(text.substr(pos));
      break;
    }
    entries.emplace_back(text.substr(pos, end - pos));
    pos = end + 1;
    if (text[end] == '\r' && pos < text.size() && text[pos] == '\n') ++pos;
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

void AddRecent(std::vector<std::string>& list, std::string_view entry, std::size_t most) {
  std::erase(list, entry);
  list.insert(list.begin(), std::string(entry));
  if (list.size() > most) list.resize(most);
}

}  // namespace History
