// TLightStrings: the program's ordered list of lines (CP932 byte strings without their line
// breaks). Loaders read files into it, conversions build their output in it, undo keeps one.
//
// The lines' bytes live in a few large blocks owned by the list, not in one allocation per
// line: a text or file taken whole is split without copying, and lines added one by one are
// packed together. So lists of millions of short lines load and join at memory speed.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "document/ByteStream.h"

class TLightStrings {
 public:
  // The largest Count and Capacity a list can have.
  static constexpr std::int32_t kMaxListSize = 134217727;

  TLightStrings() = default;
  virtual ~TLightStrings();
  TLightStrings(const TLightStrings&) = delete;
  TLightStrings& operator=(const TLightStrings&) = delete;

  [[nodiscard]] std::int32_t Count() const { return static_cast<std::int32_t>(lines_.size()); }
  [[nodiscard]] std::int32_t Capacity() const { return capacity_; }

  // Appends a line and returns its index. A full list grows by half its capacity, at least
  // 32 slots (so the first Add gives 32 slots and the 33rd gives 64). EListError when the
  // list already holds kMaxListSize lines.
  std::int32_t Add(std::string_view line);
  // Appends first followed by second as one line, without building it elsewhere first.
  std::int32_t Add(std::string_view first, std::string_view second);
  // From now on Add appends each line, followed by CR LF, to text instead of keeping it (the
  // list stays empty and Add returns −1): for a list a rule fills only to have it joined.
  void JoinInto(std::string& text) { joinTo_ = &text; }
  // Removes those of the lines first .. last (0-based, both ends inclusive; none when
  // last < first) that keep refuses; the others stay in order, their bytes not copied.
  // Capacity stays. EListError when first or last is outside the list.
  void KeepLinesIf(std::int32_t first, std::int32_t last,
                   const std::function<bool(std::string_view)>& keep);

  // Removes every line and releases the slots: Count and Capacity become 0.
  void Clear();
  // Removes every line but keeps the slots and the room for bytes that Add fills, for a list
  // that is filled and emptied over and over (views of its lines become invalid).
  void Reuse();

  // A copy of line `index`; EListError when index is outside 0 .. Count − 1.
  [[nodiscard]] std::string Get(std::int32_t index) const;
  // The same line without a copy, valid until the list is cleared or reloaded; same failure.
  [[nodiscard]] std::string_view View(std::int32_t index) const {
    if (index < 0 || index >= Count()) Error();
    return lines_[static_cast<std::size_t>(index)];
  }

  // Every line followed by CR LF, the last one too; an empty list gives "".
  [[nodiscard]] virtual std::string GetText() const;
  // Replaces the content with the lines of text: CR LF, a lone CR and a lone LF each end a
  // line, the text ends at its first NUL, a final line break adds no line, and an empty text
  // gives one empty line. Capacity equals Count afterwards.
  virtual void SetText(std::string_view text);
  // The same, taking over the text's bytes instead of copying them.
  void SetText(std::string&& text);
  // The same on bytes that owner keeps alive (a mapped file), which the lines point into.
  void SetText(std::shared_ptr<const void> owner, std::string_view text);
  // Sets Count to n: new lines are empty, lines from n on are dropped. EListError when n is
  // below 0 or above kMaxListSize.
  virtual void SetCount(std::int32_t n);
  // Sets Capacity to n. EListError when n is above kMaxListSize or below Count.
  virtual void SetCapacity(std::int32_t n);
  // Replaces the content with the items of a comma text: "quoted, items" run to the next
  // double quote, others to the next comma; CR and NUL end an item too. A trailing comma adds
  // no item; two commas in a row give an empty item.
  virtual void SetCommaText(std::string_view text);
  // The lines separated by commas; a line holding a blank or a comma stands in double quotes
  // (quotes inside are not escaped).
  [[nodiscard]] virtual std::string GetCommaText() const;
  // Raises EListError ("インデックスがリストの範囲を超えています").
  [[noreturn]] virtual void Error() const;
  // Replaces the content with the lines of a file: CR and CR LF end lines, a lone LF stays
  // inside its line, NUL stays, and the first 0x1A byte ends the input. A final line break adds
  // no line; an empty file gives an empty list. Capacity equals Count afterwards. Throws
  // EInOutError when the file cannot be opened or read; the list is empty then.
  virtual void LoadFromFile(const std::string& path);
  // LoadFromFile on bytes already read (standard input, for one): the same lines, the same
  // StoppedAtLine.
  void LoadFromBytes(std::string&& bytes);
  // Writes GetText() as the whole file, replacing it only once the new file is complete.
  // Throws EFCreateError or EInOutError; the list is never changed.
  virtual void SaveToFile(const std::string& path) const;
  // Writes GetText() at the stream's position.
  virtual void SaveToStream(TByteStream& stream) const;
  // Replaces the content with SetText of the bytes from the stream's position to its end; an
  // empty remainder gives an empty list (Count 0).
  virtual void LoadFromStream(TByteStream& stream);
  // The index of the first line equal to s byte for byte, or −1.
  [[nodiscard]] virtual std::int32_t IndexOf(std::string_view s) const;

  // False when a line may hold CR, LF or NUL; true when none does, so that the lines are
  // exactly the lines of their joined text (SetText(GetText()) gives them back). Lines removed
  // by SetCount or SetCapacity are not looked at again: the answer may stay false.
  [[nodiscard]] bool AllLinesPlain() const { return allPlain_; }
  // Whether line holds CR, LF or NUL.
  [[nodiscard]] static bool HoldsBreakOrNul(std::string_view line) noexcept;

  // After LoadFromFile: the 0-based line at which a 0x1A byte ended the input while more bytes
  // followed it in the file (those bytes were not loaded); −1 when nothing was left unread.
  [[nodiscard]] std::int32_t StoppedAtLine() const { return stoppedAtLine_; }

 private:
  void ReserveForText(std::string_view text);
  void TrimCapacity();
  void SplitText(std::string_view text);
  void SplitFileBytes(std::string_view text);
  std::int32_t AddView(std::string_view stored);
  std::string_view Store(std::string_view bytes, std::string_view more = {});
  std::string_view Adopt(std::string&& bytes);

  std::vector<std::string_view> lines_;  // size() is Count; views into blocks_
  // Every block a line may point into: strings (never reallocated once lines point in) and
  // mapped files.
  std::vector<std::shared_ptr<const void>> blocks_;
  std::string* storeBlock_ = nullptr;  // this list's own block that Store appends to
  std::string* joinTo_ = nullptr;      // see JoinInto
  std::size_t nextBlockSize_ = 0;
  std::int32_t capacity_ = 0;       // slots allocated for lines, Count .. Capacity − 1 empty
  std::int32_t stoppedAtLine_ = -1;
  bool allPlain_ = true;  // see AllLinesPlain
};
