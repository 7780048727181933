// ReplaceBetween against a plain recursive model of its rule, on generated inputs, and on a line
// long enough that a recursion of that depth would overflow the stack.
#include "convert/Strfunc.h"
#include "document/ShiftJis.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <string_view>
#include "tests/support/Printable.h"

namespace {

// The rule step by step: first start marker P, first end marker Q searched from the start of the
// text; stop unless Q comes after P; otherwise the text before P, the middle, then the same rule
// on the text after the end marker (after the start marker when there is no end marker), taken
// as a string of its own.
std::string ModelReplaceBetween(const std::string& S, const std::string& A, const std::string& B,
                                const std::string& R, std::uint8_t Mode, bool IgnoreCase) {
  const std::size_t P = ShiftJis::FindMark(S, A, IgnoreCase);
  if (P == ShiftJis::npos) return S;
  if (!B.empty()) {
    const std::size_t Q = ShiftJis::FindMark(S, B, IgnoreCase);
    if (Q == ShiftJis::npos || Q <= P) return S;
  }
  const std::string Middle = (Mode == 1) ? R : A + R + B;
  const std::string Before = Strfunc::StrBefore(S, A, 1, IgnoreCase);
  const std::string Rest = B.empty() ? Strfunc::StrAfter(S, A, 1, IgnoreCase)
                                     : Strfunc::StrAfter(S, B, 1, IgnoreCase);
  return Before + Middle + ModelReplaceBetween(Rest, A, B, R, Mode, IgnoreCase);
}

TEST(ReplaceBetweenDifferential, AgreesWithRecursiveModel) {
  // Lead bytes, bytes that are also second bytes ('\', 'a', 'A', brackets, '.'), and letters in
  // both cases; markers drawn from the same bytes often end in a lone lead byte.
  const std::string alphabet = "\x81\x95\xE0\\aA[].bBzZ";
  std::mt19937 random(20240932);
  auto make = [&](std::size_t maxLength) {
    std::string s(std::uniform_int_distribution<std::size_t>(0, maxLength)(random), ' ');
    for (char& c : s) {
      c = alphabet[std::uniform_int_distribution<std::size_t>(0, alphabet.size() - 1)(random)];
    }
    return s;
  };

  std::uniform_int_distribution<int> coin(0, 1);
  // A marker of 0-3 bytes: half the time cut from S at any byte (also from a second byte, or
  // ending in a lead byte), so that markers are often present; otherwise drawn at random.
  auto marker = [&](const std::string& s) {
    if (s.empty() || coin(random)) return make(3);
    const std::size_t at = std::uniform_int_distribution<std::size_t>(0, s.size() - 1)(random);
    return s.substr(at, std::uniform_int_distribution<std::size_t>(0, 3)(random));
  };
  int replaced = 0;  // cases whose result differs from the input, to show the inputs bite
  for (int i = 0; i < 20000; ++i) {
    const std::string S = make(40);
    const std::string A = marker(S);
    const std::string B = coin(random) ? std::string() : marker(S);  // often empty
    const std::string R = make(2);
    const std::uint8_t Mode = coin(random) ? 1 : 0;
    const bool IgnoreCase = coin(random) != 0;
    const std::string expected = ModelReplaceBetween(S, A, B, R, Mode, IgnoreCase);
    const std::string actual = Strfunc::ReplaceBetween(S, A, B, R, Mode, IgnoreCase);
    ASSERT_EQ(actual, expected) << "case " << i << ": S=\"" << Printable(S) << "\" A=\""
                                << Printable(A) << "\" B=\"" << Printable(B) << "\" R=\""
                                << Printable(R) << "\" Mode=" << int(Mode)
                                << " IgnoreCase=" << IgnoreCase;
    if (expected != S) ++replaced;
  }
  EXPECT_GT(replaced, 20000 / 5);
}

TEST(ReplaceBetweenDifferential, TenMillionMarkersOnOneLine) {
  const std::size_t count = 10'000'000;
  {
    const std::string line(count, '.');
    const std::string result = Strfunc::ReplaceBetween(line, ".", "", "ab", 1, false);
    ASSERT_EQ(result.size(), 2 * count);
    EXPECT_EQ(result.find_first_not_of("ab"), std::string::npos);
    EXPECT_EQ(result.substr(result.size() - 4), "abab");
  }
  {
    std::string line;
    line.reserve(count);
    for (std::size_t i = 0; i < count / 2; ++i) line += "[]";
    const std::string result = Strfunc::ReplaceBetween(line, "[", "]", "-", 1, false);
    EXPECT_EQ(result, std::string(count / 2, '-'));
  }
  {
    // Every byte a lead byte: each match leaves a rest that starts a new character count.
    const std::string line(count, '\x81');
    const std::string result = Strfunc::ReplaceBetween(line, "\x81", "", "-", 1, true);
    EXPECT_EQ(result, std::string(count, '-'));
  }
}

}  // namespace
