// Full-width to half-width conversion: one pass over the bytes, each double-byte character
// resolved by a lookup table built once from the conversion rules.
#include "convert/HenkanJ.h"

#include <cstring>
#include <memory>

#include "convert/Strfunc.h"
#include "document/ShiftJis.h"

namespace HenkanJ {

namespace {

// What one step of the walk does at a lead byte: write out[0..outLength) (up to two bytes) and
// move on by inLength bytes of the input (1: the lead byte alone, 2: the pair).
struct TStep {
  std::uint8_t out[2];
  std::uint8_t outLength;
  std::uint8_t inLength;
};

constexpr bool IsSecondByte(unsigned b) { return b >= 0x40 && b <= 0xFC && b != 0x7F; }

TStep StepFor(unsigned lead, unsigned second) {
  const auto byte = [](unsigned v) { return static_cast<std::uint8_t>(v); };
  const TStep alone{{byte(lead), 0}, 1, 1};
  if (!IsSecondByte(second)) return alone;

  const unsigned jis = SjisToJis(static_cast<std::uint16_t>((lead << 8) | second));
  const unsigned row = jis >> 8;
  const unsigned cell = jis & 0xFF;
  if (row == 0x24 || row == 0x25) {
    if (cell < 0x21 || cell > 0x76) return alone;
    const unsigned v = KanaTable[cell - 0x21];
    const std::uint8_t kana = byte(v % 56 + 0xA6);
    if (v / 56 == 1) return {{kana, 0xDE}, 2, 2};
    if (v / 56 == 2) return {{kana, 0xDF}, 2, 2};
    return {{kana, 0}, 1, 2};
  }
  for (std::size_t i = 0; i < HalfSymbols.size(); ++i) {
    if (byte(FullSymbols[2 * i]) == lead && byte(FullSymbols[2 * i + 1]) == second) {
      return {{byte(HalfSymbols[i]), 0}, 1, 2};
    }
  }
  if (row == 0x23) return {{byte(cell), 0}, 1, 2};
  return {{byte(lead), byte(second)}, 2, 2};
}

// Steps for every lead byte × next byte, indexed by lead × 256 + next byte. Rows of bytes that
// are not lead bytes stay unused.
struct TStepTable {
  std::unique_ptr<TStep[]> steps{new TStep[0x10000]{}};
  TStepTable() {
    for (unsigned lead = 0x81; lead <= 0xFC; ++lead) {
      if (!ShiftJis::IsLeadByte(static_cast<unsigned char>(lead))) continue;
      for (unsigned next = 0; next <= 0xFF; ++next) steps[(lead << 8) | next] = StepFor(lead, next);
    }
  }
};

const TStep* Steps() {
  static const TStepTable table;
  return table.steps.get();
}

}  // namespace

std::string ZenToHan(std::string_view S) {
  if (S.empty()) return {};
  const TStep* const steps = Steps();
  // The output is never longer than the input; one spare byte lets every step write two.
  std::string out(S.size() + 1, '\0');
  char* o = out.data();
  auto* p = reinterpret_cast<const unsigned char*>(S.data());
  const unsigned char* const end = p + S.size();
  while (p < end) {
    ShiftJis::CopyAsciiRun(p, end, o);
    if (p == end) break;
    const unsigned c = *p;
    if (!ShiftJis::IsLeadByte(static_cast<unsigned char>(c)) || p + 1 == end) {
      *o++ = static_cast<char>(c);
      ++p;
      continue;
    }
    const TStep& step = steps[(c << 8) | p[1]];
    o[0] = static_cast<char>(step.out[0]);
    o[1] = static_cast<char>(step.out[1]);
    o += step.outLength;
    p += step.inLength;
  }
  out.resize(static_cast<std::size_t>(o - out.data()));
  return out;
}

ConversionRoad::LineRule HalfWidthRule() {
  return [](std::string_view line, TLightStrings& out) { out.Add(Strfunc::HankakuStr(line)); };
}

}  // namespace HenkanJ
