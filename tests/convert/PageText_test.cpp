// Pages and feeds as the text a reader sees: blocks, whitespace, hidden content, lists, tables,
// references, images, links, feeds, and input that is broken, huge or no HTML at all.
#include "convert/PageText.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

namespace {

using PageText::TOptions;

TEST(PageText, WhatAReaderSees) {
  struct Row { const char* name; std::string html; std::string want; };
  const Row rows[] = {
      {"paragraphs stand apart", "<p>one</p><p>two</p>", "one\n\ntwo\n"},
      {"every spelling of br", "a<br>b<br/>c<br />d<BR>e", "a\nb\nc\nd\ne\n"},
      {"two br make an empty line", "a<br><br>b", "a\n\nb\n"},
      {"divs start lines", "<div>a</div><div>b</div>c", "a\nb\nc\n"},
      {"headings stand apart", "<h1>Title</h1>text<h2>Sub</h2>more", "Title\n\ntext\n\nSub\n\nmore\n"},
      {"whitespace collapses", "<p>  a \n\t b  </p>", "a b\n"},
      {"but not in pre", "<pre>a\n  b  c</pre>", "a\n  b  c\n"},
      {"scripts, styles and comments give nothing",
       "<script>var firstView = true;</script><style>p{color:red}</style><!-- note -->text",
       "text\n"},
      {"the title first, the rest of the head nothing",
       "<html><head><title>T</title><meta name=x content=y><script>x()</script></head>"
       "<body><p>body</p></body></html>",
       "T\n\nbody\n"},
      {"list items get a marker", "<ul><li>a</li><li>b</li></ul>", "\xE3\x83\xBB" "a\n\xE3\x83\xBB" "b\n"},
      {"table cells by tabs, rows by lines",
       "<table><tr><th>x</th><th>y</th></tr><tr><td>1</td><td>2</td></tr></table>",
       "x\ty\n1\t2\n"},
      {"named and numeric references", "&#20154;&#x41;&hellip;&copy;&apos;&amp;&nbsp;.",
       "\xE4\xBA\xBA" "A\xE2\x80\xA6\xC2\xA9'& .\n"},
      {"no-break spaces do not collapse", "a&nbsp;&nbsp;b  c", "a  b c\n"},
      {"references of HTML5 too", "&NotEqualTilde;&hellip;&bigstar;&check;&AMP;lt;x&unknown;",
       "\xE2\x89\x82\xCC\xB8\xE2\x80\xA6\xE2\x98\x85\xE2\x9C\x93&lt;x&unknown;\n"},
      {"images by their alt text", "x<img src=a.png alt=\"a map\">y<img src=b.png>z", "x[a map]yz\n"},
      {"a tag across lines", "<div\nclass=\"c\"\n>a</div><a\nhref=x>b</a>", "a\nb\n"},
      {"plain text is text", "just text\nline two", "just text line two\n"},
      {"an unclosed script hides the rest", "before<script>var x = 1;", "before\n"},
      {"unclosed tags", "<p><b>bold <i>both</p>after", "bold both\n\nafter\n"},
      {"empty", "", ""},
      {"a declared charset is not obeyed: the text is UTF-8",
       "<meta charset=\"shift_jis\"><p>\xE6\x97\xA5\xE6\x9C\xAC</p>", "\xE6\x97\xA5\xE6\x9C\xAC\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(PageText::ToText(row.html, {}), row.want);
  }
}

// The parser is fed a megabyte at a time: a reference across that edge is decoded all the same.
TEST(PageText, ReferenceAcrossPieces) {
  for (const std::size_t before : {(std::size_t{1} << 20) - 3, (std::size_t{1} << 20) - 9}) {
    const std::string page = std::string(before, 'a') + "&bigstar;b";
    const std::string text = PageText::ToText(page, {});
    EXPECT_EQ(text.substr(before), "\xE2\x98\x85" "b\n") << before;
  }
}

TEST(PageText, LinksKeptOrListed) {
  const std::string page =
      "<head><base href=\"https://example.jp/news/\"></head>"
      "<p>Read <a href=\"today.html\">today</a> or <a href=\"https://other.jp/x\">there</a>.</p>"
      "<a name=\"anchor\">no address</a>";
  EXPECT_EQ(PageText::ToText(page, {.KeepLinks = true}),
            "Read today <https://example.jp/news/today.html> or there <https://other.jp/x>.\n\n"
            "no address\n");
  EXPECT_EQ(PageText::ToText(page, {.LinksOnly = true}),
            "https://example.jp/news/today.html\nhttps://other.jp/x\n");
  EXPECT_EQ(PageText::ToText("<a href=\"a.html\">a</a>", {.KeepLinks = true}), "a <a.html>\n");
}

TEST(PageText, FeedsAsItems) {
  const std::string rss =
      "<?xml version=\"1.0\"?><rss version=\"2.0\"><channel><title>News</title>"
      "<item><title>First</title><link>https://e.jp/1</link><pubDate>Tue, 08 Dec 2026</pubDate>"
      "<description>&lt;p&gt;Hello &lt;b&gt;world&lt;/b&gt;&lt;/p&gt;</description></item>"
      "<item><title>Second</title><link>https://e.jp/2</link>"
      "<description><![CDATA[<p>Plain <i>text</i></p>]]></description></item></channel></rss>";
  EXPECT_EQ(PageText::ToText(rss, {}),
            "News\n\nFirst\nTue, 08 Dec 2026\nhttps://e.jp/1\nHello world\n\n"
            "Second\nhttps://e.jp/2\nPlain text\n");
  const std::string atom =
      "<?xml version=\"1.0\" encoding=\"utf-8\"?><feed xmlns=\"http://www.w3.org/2005/Atom\">"
      "<title>Blog</title><entry><title>Post</title><link rel=\"alternate\" href=\"https://b.jp/p\"/>"
      "<updated>2026-12-08</updated><summary type=\"html\">&lt;p&gt;Sum&lt;/p&gt;</summary></entry></feed>";
  EXPECT_EQ(PageText::ToText(atom, {}), "Blog\n\nPost\n2026-12-08\nhttps://b.jp/p\nSum\n");
  EXPECT_EQ(PageText::ToText(rss, {.LinksOnly = true}), "https://e.jp/1\nhttps://e.jp/2\n");
}

// Deep nesting, a megabyte-long tag and binary bytes end in a defined result without a crash
// or quadratic time.
TEST(PageText, HugeAndBrokenInput) {
  std::string deep;
  for (int i = 0; i < 100000; ++i) deep += "<div>";
  deep += "deep";
  for (int i = 0; i < 100000; ++i) deep += "</div>";
  const auto began = std::chrono::steady_clock::now();
  EXPECT_EQ(PageText::ToText(deep, {}), "deep\n");
  EXPECT_LT(std::chrono::steady_clock::now() - began, std::chrono::seconds(10));
  const std::string longTag = "<p title=\"" + std::string(1 << 20, 'x') + "\">after</p>";
  EXPECT_EQ(PageText::ToText(longTag, {}), "after\n");
  std::string binary;
  for (int i = 0; i < 4096; ++i) binary += static_cast<char>((i * 131 + 7) & 0xFF);
  (void)PageText::ToText(binary, {});  // any text, but an answer
}

}  // namespace
