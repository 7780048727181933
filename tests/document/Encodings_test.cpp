// Encodings: detection on short and long texts of every encoding (Shift-JIS is never taken for
// another), conversion into the document by JIS codes and through the codec, characters and
// bytes CP932 lacks kept and given back, and writing out in every format, in any pieces.
#include "document/Encodings.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <random>
#include <string>
#include <vector>

namespace {

using Encodings::TEncoding;
using Encodings::TFormat;

// The test's UTF-8 text in another encoding, through glibc.
std::string In(const std::string& utf8, const char* encoding) {
  iconv_t cd = iconv_open(encoding, "UTF-8");
  std::string out(utf8.size() * 4 + 16, '\0');
  char* in = const_cast<char*>(utf8.data());
  std::size_t inLeft = utf8.size();
  char* o = out.data();
  std::size_t outLeft = out.size();
  const std::size_t done = iconv(cd, &in, &inLeft, &o, &outLeft);
  iconv_close(cd);
  if (done == static_cast<std::size_t>(-1)) ADD_FAILURE() << "iconv cannot write " << utf8 << " in " << encoding;
  out.resize(out.size() - outLeft);
  return out;
}

std::string Sjis(const std::string& utf8) { return In(utf8, "CP932"); }

std::string Written(std::string_view document, TFormat format, const TForeignChars& foreign,
                    std::size_t piece = 1 << 20) {
  Encodings::TWriter writer(format, foreign);
  std::string out;
  for (std::size_t at = 0; at < document.size(); at += piece) writer.Write(document.substr(at, piece), out);
  writer.Finish(out);
  return out;
}

TEST(Encodings, LabelsAndTheirAliases) {
  struct Row { const char* label; std::optional<TEncoding> want; };
  const Row rows[] = {
      {"Shift_JIS", TEncoding::Cp932}, {"x-sjis", TEncoding::Cp932}, {"Windows-31J", TEncoding::Cp932},
      {"CP932", TEncoding::Cp932},     {"sjis", TEncoding::Cp932},   {"UTF-8", TEncoding::Utf8},
      {"utf8", TEncoding::Utf8},       {"EUC-JP", TEncoding::EucJp}, {"x-euc-jp", TEncoding::EucJp},
      {"ISO-2022-JP", TEncoding::Iso2022Jp}, {"utf-16be", TEncoding::Utf16Be},
      {"latin1", std::nullopt},        {"", std::nullopt},
  };
  for (const Row& row : rows) EXPECT_EQ(Encodings::FromLabel(row.label), row.want) << row.label;
}

TEST(Encodings, DetectionOfShortAndLongTexts) {
  const std::string sentence = "今日は晴れのち曇り。明日は雨が降るでしょう。傘を忘れずに。\r\n";
  std::string page = "<html><head><meta charset=\"utf-8\"><title>天気</title></head><body>";
  for (int i = 0; i < 50; ++i) page += "<p>" + sentence + "</p>";
  struct Row { const char* name; std::string bytes; bool markup; TFormat want; };
  const Row rows[] = {
      // Shift-JIS is never taken for anything else, however short.
      {"name list", Sjis("山田太郎\r\n鈴木花子\r\n"), false, {TEncoding::Cp932}},
      {"half-width katakana", Sjis("ﾃｽﾄ"), false, {TEncoding::Cp932}},
      {"two half-width katakana that are valid UTF-8", Sjis("ﾃｽ"), false, {TEncoding::Cp932}},
      {"one kanji", Sjis("亜"), false, {TEncoding::Cp932}},
      {"katakana word", Sjis("アイウエオ"), false, {TEncoding::Cp932}},
      {"a sentence", Sjis(sentence), false, {TEncoding::Cp932}},
      {"plain ASCII", "hello, world\r\n", false, {TEncoding::Cp932}},
      {"a page that declares UTF-8 but is Shift-JIS", Sjis(page), true, {TEncoding::Cp932}},
      {"UTF-8 Japanese", sentence, false, {TEncoding::Utf8}},
      {"UTF-8 short", "日本", false, {TEncoding::Utf8}},
      {"UTF-8 accents", "café naïve\n", false, {TEncoding::Utf8}},
      {"UTF-8 page", page, true, {TEncoding::Utf8}},
      {"UTF-8 with BOM", "\xEF\xBB\xBF" "abc", false, {TEncoding::Utf8, true}},
      {"EUC-JP sentence", In(sentence, "EUC-JP"), false, {TEncoding::EucJp}},
      {"EUC-JP declared", "<?xml version=\"1.0\" encoding=\"EUC-JP\"?><rss>" + In(sentence, "EUC-JP"), true,
       {TEncoding::EucJp}},
      {"ISO-2022-JP", In(sentence, "ISO-2022-JP"), false, {TEncoding::Iso2022Jp}},
      {"UTF-16LE with BOM", "\xFF\xFE" + In("日本", "UTF-16LE"), false, {TEncoding::Utf16Le, true}},
      {"UTF-16BE with BOM", "\xFE\xFF" + In("日本", "UTF-16BE"), false, {TEncoding::Utf16Be, true}},
      {"UTF-16LE without BOM", In("Hello 日本語 text\r\n", "UTF-16LE"), false, {TEncoding::Utf16Le}},
      {"UTF-16BE without BOM", In("Hello 日本語 text\r\n", "UTF-16BE"), false, {TEncoding::Utf16Be}},
      {"UTF-16LE Japanese only", In(sentence, "UTF-16LE"), false, {TEncoding::Utf16Le}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(Encodings::Detect(row.bytes, row.markup).Format, row.want);
  }
}

// Each encoding's bytes become the Shift-JIS of the same text, and written back in their own
// encoding give the very bytes they came from.
TEST(Encodings, IntoTheDocumentAndBack) {
  const std::string text = "ＡＢＣ１２３ あいう アイウ ｱｲｳ 漢字 ①Ⅱ№ 「」 abc\r\n二行目\r\n";
  struct Row { const char* iconvName; TFormat format; };
  const Row rows[] = {
      {"UTF-8", {TEncoding::Utf8}},        {"UTF-16LE", {TEncoding::Utf16Le}},
      {"UTF-16BE", {TEncoding::Utf16Be}},  {"EUC-JP-MS", {TEncoding::EucJp}},
      {"CP932", {TEncoding::Cp932}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.iconvName);
    const std::string bytes = In(text, row.iconvName);
    TForeignChars foreign;
    const Encodings::TConversion into = Encodings::ToDocument(bytes, row.format, foreign);
    EXPECT_EQ(into.Bytes, Sjis(text));
    EXPECT_EQ(into.Undecodable, 0u);
    EXPECT_TRUE(foreign.Empty());
    EXPECT_EQ(Written(into.Bytes, row.format, foreign), bytes);
  }
  const std::string jis = "ＡＢＣ あいう アイウ 漢字 abc\r\n二行目\r\n";
  TForeignChars foreign;
  EXPECT_EQ(Encodings::ToDocument(In(jis, "ISO-2022-JP"), {TEncoding::Iso2022Jp}, foreign).Bytes,
            Sjis(jis));
}

TEST(Encodings, MappingDifferencesLandOnWhatAReaderSees) {
  struct Row { const char* name; std::string bytes; TFormat format; std::string want; };
  const Row rows[] = {
      {"wave dash, JIS form", "\xE3\x80\x9C", {TEncoding::Utf8}, "\x81\x60"},
      {"wave dash, Microsoft form", "\xEF\xBD\x9E", {TEncoding::Utf8}, "\x81\x60"},
      {"minus, JIS form", "\xE2\x88\x92", {TEncoding::Utf8}, "\x81\x7C"},
      {"double bar", "\xE2\x80\x96", {TEncoding::Utf8}, "\x81\x61"},
      {"cent", "\xC2\xA2", {TEncoding::Utf8}, "\x81\x91"},
      {"pound", "\xC2\xA3", {TEncoding::Utf8}, "\x81\x92"},
      {"not", "\xC2\xAC", {TEncoding::Utf8}, "\x81\xCA"},
      {"em dash", "\xE2\x80\x94", {TEncoding::Utf8}, "\x81\x5C"},
      {"EUC-JP wave dash by its JIS code", "\xA1\xC1", {TEncoding::EucJp}, "\x81\x60"},
      {"EUC-JP NEC row 13", "\xAD\xA1", {TEncoding::EucJp}, "\x87\x40"},  // ①
      {"EUC-JP half-width kana", "\x8E\xB1", {TEncoding::EucJp}, "\xB1"},
      {"ISO-2022-JP half-width kana by SO", "\x0E\x31\x0F" "a", {TEncoding::Iso2022Jp}, "\xB1" "a"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    TForeignChars foreign;
    EXPECT_EQ(Encodings::ToDocument(row.bytes, row.format, foreign).Bytes, row.want);
    EXPECT_TRUE(foreign.Empty());
  }
}

// Characters CP932 lacks and bytes that are no character come back exactly in UTF-8; in
// Shift-JIS they are counted and written as references.
TEST(Encodings, ForeignCharactersAndBrokenBytesSurvive) {
  struct Row { const char* name; std::string utf8; std::size_t undecodable; std::size_t foreign; };
  const Row rows[] = {
      {"accents, emoji, JIS X 0213", "café ő 😀 𠮷 שלום\r\n", 0, 8},
      {"truncated sequence", "a\xE3\x81", 2, 2},
      {"overlong form", "\xC0\x80z", 2, 2},
      {"lone continuation byte", "x\x80y", 1, 1},
      {"a surrogate's bytes", "\xED\xA0\x80", 3, 3},
      {"yen sign CP932 writes as a backslash", "\xC2\xA5", 0, 1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    TForeignChars foreign;
    const Encodings::TConversion into = Encodings::ToDocument(row.utf8, {TEncoding::Utf8}, foreign);
    EXPECT_EQ(into.Undecodable, row.undecodable);
    EXPECT_EQ(foreign.Size(), row.foreign);
    EXPECT_EQ(Written(into.Bytes, {TEncoding::Utf8}, foreign), row.utf8);
  }
  TForeignChars foreign;
  const std::string document = Encodings::ToDocument("é=😀\r\n", {TEncoding::Utf8}, foreign).Bytes;
  EXPECT_EQ(Written(document, {TEncoding::Cp932}, foreign), "&#233;=&#128512;\r\n");
  const Encodings::TUnwritable unwritable =
      Encodings::FindUnwritable("ok\r\n" + document, {TEncoding::Cp932}, foreign);
  EXPECT_EQ(unwritable.Count, 2u);
  EXPECT_EQ(unwritable.First, (std::vector<char32_t>{U'é', U'😀'}));
  EXPECT_EQ(unwritable.FirstLine, 1);
  EXPECT_EQ(Encodings::FindUnwritable(document, {TEncoding::Utf8}, foreign).Count, 0u);
}

TEST(Encodings, ATableOnceFullGivesReferences) {
  TForeignChars foreign;
  std::string utf8;
  // Kanji of CJK extension B, none of them in CP932.
  for (char32_t c = 0x20000; c < 0x20000 + TForeignChars::kCapacity + 2; ++c) {
    utf8 += static_cast<char>(0xF0 | (c >> 18));
    utf8 += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    utf8 += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    utf8 += static_cast<char>(0x80 | (c & 0x3F));
  }
  const Encodings::TConversion into = Encodings::ToDocument(utf8, {TEncoding::Utf8}, foreign);
  EXPECT_EQ(foreign.Size(), TForeignChars::kCapacity);
  EXPECT_EQ(into.Unstored, 2u);
  EXPECT_TRUE(into.Bytes.ends_with("&#132952;&#132953;"));  // U+20000 + 1880, + 1881
  EXPECT_TRUE(into.Bytes.starts_with("\xF0\x40\xF0\x41"));
}

TEST(Encodings, BadInputGivesADefinedResult) {
  struct Row { const char* name; std::string bytes; TFormat format; std::string want; bool unknownEscape; };
  const Row rows[] = {
      {"empty file", "", {TEncoding::Utf8}, "", false},
      {"only a BOM", "\xEF\xBB\xBF", {TEncoding::Utf8, true}, "", false},
      {"NUL inside UTF-16 stays a NUL", std::string("a\0\0\0b\0", 6), {TEncoding::Utf16Le}, std::string("a\0b", 3), false},
      {"odd UTF-16 length", std::string("a\0b", 3), {TEncoding::Utf16Le}, "a\xF0\x40", false},
      {"escape to an unknown set", "\x1B$(Qab\x1B(Bc", {TEncoding::Iso2022Jp}, "\x1B$(Qabc", true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    TForeignChars foreign;
    const Encodings::TConversion into = Encodings::ToDocument(row.bytes, row.format, foreign);
    EXPECT_EQ(into.Bytes, row.want);
    EXPECT_EQ(into.UnknownEscape, row.unknownEscape);
  }
}

// Random Japanese text with foreign characters, written in pieces of every size, gives the
// same bytes as one piece.
TEST(Encodings, PiecesOfAnySizeWriteTheSame) {
  std::mt19937 random(16);
  const std::vector<std::string> parts = {"a", "\r\n", "漢", "ｶﾅ", "①", "é", "😀", "纊", "\xC3"};
  for (const TFormat format : {TFormat{TEncoding::Utf8}, TFormat{TEncoding::Utf16Le, true},
                               TFormat{TEncoding::EucJp}, TFormat{TEncoding::Cp932}}) {
    for (int round = 0; round < 20; ++round) {
      std::string utf8;
      for (int i = 0; i < 40; ++i) utf8 += parts[random() % parts.size()];
      TForeignChars foreign;
      const std::string document = Encodings::ToDocument(utf8, {TEncoding::Utf8}, foreign).Bytes;
      const std::string whole = Written(document, format, foreign);
      for (const std::size_t piece : {std::size_t{1}, std::size_t{2}, std::size_t{3}, std::size_t{7}}) {
        EXPECT_EQ(Written(document, format, foreign, piece), whole);
      }
    }
  }
}

}  // namespace
