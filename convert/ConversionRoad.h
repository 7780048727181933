// The conversion road on line lists: the lines before a range copied unchanged, each range
// line turned into zero or more lines by a rule, the lines after the range copied unchanged.
// The window runs it on the undo copy of the document and puts the result back in one go.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "document/LightStr.h"

namespace ConversionRoad {

// Appends the result for one line (zero, one or several lines) to out.
using LineRule = std::function<void(std::string_view line, TLightStrings& out)>;

// Appends what a rule still holds once the range's last line has been converted.
using RangeTail = std::function<void(TLightStrings& out)>;

// Whether a line stays.
using LineFilter = std::function<bool(std::string_view line)>;

// A run of whole lines, 0-based, both ends inclusive; End < Start is an empty range.
struct TRange {
  std::int32_t Start = 0;
  std::int32_t End = 0;
};

// Line i of the document, or "" for a line past its last (as the editor answers).
[[nodiscard]] std::string_view LineOf(const TLightStrings& document, std::int32_t i);

// Lines 0 .. Start − 1, unchanged.
void CopyLinesBefore(const TLightStrings& document, TRange range, TLightStrings& out);
// Lines End + 1 .. lineCount − 1, unchanged (from Start on for an empty range, so that no line
// is copied twice). lineCount is the editor's line count.
void CopyLinesAfter(const TLightStrings& document, std::int32_t lineCount, TRange range,
                    TLightStrings& out);
// The rule's result for every line Start .. End in ascending order, then the tail's lines when
// there is a tail; nothing for an empty range.
void ConvertLines(const TLightStrings& document, TRange range, const LineRule& rule,
                  TLightStrings& out, const RangeTail& tail = {});
// The whole road: lines before, converted lines, lines after.
void Run(const TLightStrings& document, std::int32_t lineCount, TRange range,
         const LineRule& rule, TLightStrings& out, const RangeTail& tail = {});

// Run over a document held as one text whose breaks are all CR LF (the editor's), its lines
// as SetText makes them, appending the result's joined text (every line followed by CR LF) to
// out: the same bytes as Run's list joined, without a list of the document's lines or of the
// result's. Lines outside the range are copied as the runs of bytes they are.
void RunOnText(std::string_view text, std::int32_t lineCount, TRange range,
               const LineRule& rule, std::string& out, const RangeTail& tail = {});

// RunOnText of a rule that keeps or drops each line as keep says: runs of kept lines are
// copied in one piece.
void FilterOnText(std::string_view text, std::int32_t lineCount, TRange range,
                  const LineFilter& keep, std::string& out);

}  // namespace ConversionRoad
