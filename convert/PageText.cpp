// A saved page as readable text. HTML goes through libxml2's HTML parser as a stream of SAX
// events, so that neither the page's size nor its nesting is held as a tree; feeds, which are
// small, through its XML parser as a tree.
#include "convert/PageText.h"

#include <libxml/HTMLparser.h>
#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/uri.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstring>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

#include "document/Encodings.h"

namespace PageText {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }

std::string_view View(const xmlChar* s) {
  return s == nullptr ? std::string_view() : std::string_view(reinterpret_cast<const char*>(s));
}

// The text as it is laid out: breaks asked for between blocks are written only before the next
// visible character, so that empty blocks leave nothing, and never more than one empty line.
class TLayout {
 public:
  // Inline text, its whitespace collapsed to single blanks, or as it stands in <pre>.
  void Text(std::string_view text, bool pre) {
    for (std::size_t i = 0; i < text.size(); ++i) {
      const char c = text[i];
      // A no-break space is a blank that does not collapse; it is written as an ordinary one,
      // which Shift-JIS holds, as the editor takes it when pasted.
      if (c == '\xC2' && i + 1 < text.size() && text[i + 1] == '\xA0') {
        Visible(' ');
        ++i;
        continue;
      }
      if (pre) {
        if (c == '\r') continue;
        if (c == '\n') {
          Newline();
          continue;
        }
        Visible(c);
      } else if (IsBlank(c)) {
        blank_ = !atLineStart_;
      } else {
        Visible(c);
      }
    }
  }
  // A cell separator, kept as it is.
  void Tab() {
    FlushBreaks();
    out_ += '\t';
    trailing_ = 0;
    atLineStart_ = false;
    blank_ = false;
  }
  // 1: what follows starts a line; 2: an empty line stands between.
  void Break(int lines) {
    wanted_ = std::max(wanted_, lines);
    blank_ = false;
  }
  // <br>: a line ends here, also an empty one.
  void Newline() {
    FlushBreaks();
    out_ += '\n';
    ++trailing_;
    atLineStart_ = true;
    blank_ = false;
  }
  // The text, tidied in place: no blanks before line ends, no empty lines at either end, at
  // most one empty line in a row, a line break after the last line.
  std::string Finish() {
    std::size_t kept = 0;
    int newlines = 0;
    for (std::size_t i = 0; i < out_.size(); ++i) {
      const char c = out_[i];
      if (c == '\n') {
        while (kept > 0 && out_[kept - 1] == ' ') --kept;
        if (kept > 0 && ++newlines <= 2) out_[kept++] = '\n';
        continue;
      }
      newlines = 0;
      out_[kept++] = c;
    }
    while (kept > 0 && (out_[kept - 1] == '\n' || out_[kept - 1] == ' ')) --kept;
    out_.resize(kept);
    if (!out_.empty()) out_ += '\n';
    return std::move(out_);
  }

 private:
  void Visible(char c) {
    FlushBreaks();
    if (blank_ && !atLineStart_) out_ += ' ';
    out_ += c;
    trailing_ = 0;
    atLineStart_ = false;
    blank_ = false;
  }
  // The line breaks asked for, beyond those the text ends with already.
  void FlushBreaks() {
    if (wanted_ > 0 && !out_.empty()) {
      while (trailing_ < wanted_) {
        out_ += '\n';
        ++trailing_;
      }
      atLineStart_ = true;
    }
    wanted_ = 0;
  }

  std::string out_;
  int trailing_ = 0;  // line breaks at the end of out_
  int wanted_ = 0;
  bool blank_ = false;
  bool atLineStart_ = true;
};

bool NameIs(std::string_view name, std::initializer_list<std::string_view> names) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

// What an element is to the layout; looked up once per tag.
enum class TKind : std::uint8_t { Inline, Hidden, SpacedBlock, Block };

TKind KindOf(std::string_view name) {
  static const std::unordered_map<std::string_view, TKind> kinds = [] {
    std::unordered_map<std::string_view, TKind> table;
    // Elements whose content a reader never sees.
    for (const std::string_view n : {"script", "style", "noscript", "template", "head", "title",
                                     "iframe", "object", "select", "svg", "math"}) {
      table.emplace(n, TKind::Hidden);
    }
    // Blocks that stand apart by an empty line.
    for (const std::string_view n : {"p", "h1", "h2", "h3", "h4", "h5", "h6", "blockquote",
                                     "pre", "table", "ul", "ol", "dl", "figure", "address", "hr"}) {
      table.emplace(n, TKind::SpacedBlock);
    }
    // Blocks that start a line.
    for (const std::string_view n :
         {"div", "section", "article", "header", "footer", "nav", "aside", "main", "li", "dt",
          "dd", "tr", "caption", "figcaption", "center", "fieldset", "legend", "form", "details",
          "summary", "body", "html", "noframes", "option", "menu", "dir", "frameset", "frame",
          "tbody", "thead", "tfoot"}) {
      table.emplace(n, TKind::Block);
    }
    return table;
  }();
  const auto found = kinds.find(name);
  return found == kinds.end() ? TKind::Inline : found->second;
}

bool IsHidden(std::string_view name) { return KindOf(name) == TKind::Hidden; }
bool IsSpacedBlock(std::string_view name) { return KindOf(name) == TKind::SpacedBlock; }
bool IsBlock(std::string_view name) { return KindOf(name) == TKind::Block; }

std::string Attribute(const xmlChar** attributes, std::string_view wanted) {
  if (attributes == nullptr) return {};
  for (const xmlChar** a = attributes; a[0] != nullptr; a += 2) {
    if (View(a[0]) == wanted) return std::string(View(a[1]));
  }
  return {};
}

// The address of a link, made absolute against the page's <base> when it has one.
std::string Resolved(const std::string& href, const std::string& base) {
  if (base.empty() || href.empty()) return href;
  xmlChar* const built = xmlBuildURI(reinterpret_cast<const xmlChar*>(href.c_str()),
                                     reinterpret_cast<const xmlChar*>(base.c_str()));
  if (built == nullptr) return href;
  std::string resolved(View(built));
  xmlFree(built);
  return resolved;
}

// What the SAX events of one page build.
struct TPage {
  TOptions Options;
  TLayout Layout;
  std::string Base;
  int Hidden = 0;     // depth inside elements a reader does not see
  int Pre = 0;        // depth inside <pre>
  bool InTitle = false;
  bool TitleDone = false;
  std::string Title;
  std::vector<std::string> Links;     // addresses of the <a> elements open now
  std::vector<bool> FirstCell{true};  // per open table row: no cell yet
  std::string LinkList;               // LinksOnly

  void Start(std::string_view name, const xmlChar** attributes) {
    if (name == "base" && Base.empty()) Base = Attribute(attributes, "href");
    if (name == "title" && !TitleDone) InTitle = true;
    if (name == "a" || name == "area") {
      const std::string href = Attribute(attributes, "href");
      if (Options.LinksOnly && !href.empty()) LinkList += Resolved(href, Base) + "\n";
      if (name == "a") Links.push_back(href);
    }
    if (IsHidden(name)) {
      ++Hidden;
      return;
    }
    if (Hidden > 0 || Options.LinksOnly) return;
    if (name == "br") {
      Layout.Newline();
    } else if (IsSpacedBlock(name)) {
      Layout.Break(2);
      if (name == "pre") ++Pre;
    } else if (IsBlock(name)) {
      Layout.Break(1);
      if (name == "li") Layout.Text("\xE3\x83\xBB", false);  // ・
      if (name == "tr") FirstCell.push_back(true);
    } else if (name == "td" || name == "th") {
      if (!FirstCell.back()) Layout.Tab();
      FirstCell.back() = false;
    } else if (name == "img") {
      const std::string alt = Attribute(attributes, "alt");
      if (!alt.empty()) Layout.Text("[" + alt + "]", false);
    }
  }

  void End(std::string_view name) {
    if (name == "title" && InTitle) {
      InTitle = false;
      TitleDone = true;
      if (!Options.LinksOnly) {
        Layout.Text(Title, false);
        Layout.Break(2);
      }
    }
    if (name == "a" && !Links.empty()) {
      const std::string href = Links.back();
      Links.pop_back();
      if (Options.KeepLinks && !href.empty() && Hidden == 0 && !Options.LinksOnly) {
        Layout.Text(" <" + Resolved(href, Base) + ">", false);
      }
    }
    if (IsHidden(name)) {
      Hidden = std::max(0, Hidden - 1);
      return;
    }
    if (Hidden > 0 || Options.LinksOnly) return;
    if (IsSpacedBlock(name)) {
      Layout.Break(2);
      if (name == "pre") Pre = std::max(0, Pre - 1);
    } else if (IsBlock(name)) {
      Layout.Break(1);
      if (name == "tr" && FirstCell.size() > 1) FirstCell.pop_back();
    }
  }

  void Characters(std::string_view text) {
    if (InTitle) {
      Title += text;
      return;
    }
    if (Hidden > 0 || Options.LinksOnly) return;
    Layout.Text(text, Pre > 0);
  }
};

TPage& PageOf(void* context) {
  return *static_cast<TPage*>(static_cast<htmlParserCtxtPtr>(context)->_private);
}

void OnStart(void* context, const xmlChar* name, const xmlChar** attributes) {
  PageOf(context).Start(View(name), attributes);
}
void OnEnd(void* context, const xmlChar* name) { PageOf(context).End(View(name)); }
void OnCharacters(void* context, const xmlChar* text, int length) {
  PageOf(context).Characters(std::string_view(reinterpret_cast<const char*>(text), static_cast<std::size_t>(length)));
}

// The named references of HTML5 that libxml2's HTML 4 parser does not know, decoded before
// the parser sees them. A reference that decodes to a character with a meaning in HTML is
// handed on in the form the parser knows.
struct TEntity {
  std::string_view Name;
  std::string_view Text;
};
constexpr TEntity kHtml5Entities[] = {
#include "convert/Html5Entities.inc"
};

std::string_view Html5Entity(std::string_view name) {
  const auto found = std::lower_bound(std::begin(kHtml5Entities), std::end(kHtml5Entities), name,
                                      [](const TEntity& e, std::string_view n) { return e.Name < n; });
  if (found == std::end(kHtml5Entities) || found->Name != name) return {};
  if (found->Text == "&") return "&amp;";
  if (found->Text == "<") return "&lt;";
  if (found->Text == ">") return "&gt;";
  return found->Text;
}

// Appends text to out with the references decoded; false, with nothing appended, when it has
// none to decode (the caller then uses text as it is, with no copy).
bool DecodeHtml5Entities(std::string_view text, std::string& out) {
  std::size_t copied = 0;  // text before this is in out, once anything was decoded
  bool any = false;
  for (std::size_t amp = text.find('&'); amp != std::string_view::npos; amp = text.find('&', amp + 1)) {
    std::size_t end = amp + 1;
    while (end < text.size() && end - amp <= 32 && std::isalnum(static_cast<unsigned char>(text[end]))) {
      ++end;
    }
    if (end >= text.size() || text[end] != ';') continue;
    const std::string_view decoded = Html5Entity(text.substr(amp + 1, end - amp - 1));
    if (decoded.empty()) continue;
    out.append(text.substr(copied, amp - copied));
    out.append(decoded);
    copied = end + 1;
    any = true;
    amp = end;
  }
  if (any) out.append(text.substr(copied));
  return any;
}

// A page fed to the HTML parser piece by piece, laid out as its events come: no copy of the
// page is held, nor a tree.
class THtmlStream {
 public:
  explicit THtmlStream(const TOptions& options)
      : parser_(nullptr, htmlFreeParserCtxt) {
    page_.Options = options;
    sax_.startElement = OnStart;
    sax_.endElement = OnEnd;
    sax_.characters = OnCharacters;
    sax_.cdataBlock = OnCharacters;
    parser_.reset(htmlCreatePushParserCtxt(&sax_, nullptr, nullptr, 0, nullptr, XML_CHAR_ENCODING_UTF8));
    if (!parser_) return;
    parser_->_private = &page_;
    htmlCtxtUseOptions(parser_.get(), HTML_PARSE_RECOVER | HTML_PARSE_NOERROR |
                                          HTML_PARSE_NOWARNING | HTML_PARSE_NONET |
                                          HTML_PARSE_IGNORE_ENC | XML_PARSE_HUGE);
  }
  THtmlStream(const THtmlStream&) = delete;
  THtmlStream& operator=(const THtmlStream&) = delete;

  void Feed(std::string_view utf8) {
    constexpr std::size_t kPiece = 1 << 20;
    for (std::size_t at = 0; at < utf8.size(); at += kPiece) {
      Piece(utf8.substr(at, std::min(kPiece, utf8.size() - at)));
    }
  }
  std::string Finish() {
    // What was held back in case a reference went on in the next piece.
    std::string rest;
    Parse(DecodeHtml5Entities(carry_, rest) ? std::string_view(rest) : std::string_view(carry_));
    if (parser_) htmlParseChunk(parser_.get(), nullptr, 0, 1);
    if (page_.Options.LinksOnly) return std::move(page_.LinkList);
    return page_.Layout.Finish();
  }

 private:
  // A piece with the HTML5 references decoded; an '&' near its end is held back for the next.
  void Piece(std::string_view piece) {
    std::string_view text = piece;
    std::string joined;
    if (!carry_.empty()) {
      joined = carry_ + std::string(piece);
      text = joined;
    }
    const std::size_t amp = text.rfind('&');
    std::size_t keep = text.size();
    if (amp != std::string_view::npos && text.size() - amp <= 34 &&
        text.find(';', amp) == std::string_view::npos) {
      keep = amp;
    }
    decoded_.clear();
    const std::string_view head = text.substr(0, keep);
    std::string carry(text.substr(keep));
    Parse(DecodeHtml5Entities(head, decoded_) ? std::string_view(decoded_) : head);
    carry_.swap(carry);
  }
  void Parse(std::string_view utf8) {
    if (utf8.empty()) return;
    if (parser_) {
      htmlParseChunk(parser_.get(), utf8.data(), static_cast<int>(utf8.size()), 0);
    } else {
      page_.Layout.Text(utf8, false);  // no parser: the bytes as text
    }
  }

  std::string carry_;
  std::string decoded_;
  TPage page_;
  htmlSAXHandler sax_{};
  std::unique_ptr<htmlParserCtxt, void (*)(htmlParserCtxtPtr)> parser_;
};

std::string HtmlText(std::string_view utf8, const TOptions& options) {
  THtmlStream stream(options);
  stream.Feed(utf8);
  return stream.Finish();
}

// Whether a text starts as a feed does (after a byte-order mark and blanks); nothing when it
// is too short to tell and more may come.
std::optional<bool> StartsAsFeed(std::string_view utf8, bool more) {
  std::size_t start = utf8.starts_with("\xEF\xBB\xBF") ? 3 : 0;
  while (start < utf8.size() && IsBlank(utf8[start])) ++start;
  const std::string_view head = utf8.substr(start);
  if (head.size() < 8 && more) return std::nullopt;
  return head.starts_with("<?xml") || head.starts_with("<rss") || head.starts_with("<feed") ||
         head.starts_with("<rdf:RDF");
}

// ---- feeds ----------------------------------------------------------------------------------

std::string_view LocalName(const xmlNode* node) { return View(node->name); }

const xmlNode* Child(const xmlNode* parent, std::initializer_list<std::string_view> names) {
  for (const xmlNode* n = parent->children; n != nullptr; n = n->next) {
    if (n->type == XML_ELEMENT_NODE && NameIs(LocalName(n), names)) return n;
  }
  return nullptr;
}

std::string Content(const xmlNode* node) {
  if (node == nullptr) return {};
  xmlChar* const text = xmlNodeGetContent(node);
  std::string content(View(text));
  xmlFree(text);
  return content;
}

std::string Collapsed(const std::string& text) {
  TLayout layout;
  layout.Text(text, false);
  std::string line = layout.Finish();
  if (!line.empty()) line.pop_back();
  return line;
}

// An Atom link: the alternate one's href.
std::string AtomLink(const xmlNode* entry) {
  std::string first;
  for (const xmlNode* n = entry->children; n != nullptr; n = n->next) {
    if (n->type != XML_ELEMENT_NODE || LocalName(n) != "link") continue;
    xmlChar* const href = xmlGetProp(n, reinterpret_cast<const xmlChar*>("href"));
    xmlChar* const rel = xmlGetProp(n, reinterpret_cast<const xmlChar*>("rel"));
    const std::string address(View(href));
    const bool alternate = rel == nullptr || View(rel) == "alternate";
    xmlFree(href);
    xmlFree(rel);
    if (alternate && !address.empty()) return address;
    if (first.empty()) first = address;
  }
  return first;
}

std::optional<std::string> FeedText(std::string_view utf8, const TOptions& options) {
  if (!StartsAsFeed(utf8, false).value_or(false)) return std::nullopt;
  const std::unique_ptr<xmlDoc, void (*)(xmlDocPtr)> doc(
      xmlReadMemory(utf8.data(), static_cast<int>(utf8.size()), nullptr, "UTF-8",
                    XML_PARSE_RECOVER | XML_PARSE_NOERROR | XML_PARSE_NOWARNING | XML_PARSE_NONET |
                        XML_PARSE_NOCDATA | XML_PARSE_HUGE),
      xmlFreeDoc);
  const xmlNode* const root = doc ? xmlDocGetRootElement(doc.get()) : nullptr;
  if (root == nullptr) return std::nullopt;
  const std::string_view kind = LocalName(root);
  if (kind != "rss" && kind != "RDF" && kind != "feed") return std::nullopt;

  const xmlNode* const channel = kind == "feed" ? root : Child(root, {"channel"});
  std::vector<const xmlNode*> items;
  for (const xmlNode* parent : {channel, kind == "RDF" ? root : nullptr}) {
    if (parent == nullptr) continue;
    for (const xmlNode* n = parent->children; n != nullptr; n = n->next) {
      if (n->type == XML_ELEMENT_NODE && NameIs(LocalName(n), {"item", "entry"})) items.push_back(n);
    }
  }
  std::string text;
  const auto line = [&](const std::string& s) {
    if (!s.empty()) text += s + "\n";
  };
  if (options.LinksOnly) {
    for (const xmlNode* item : items) {
      line(kind == "feed" ? AtomLink(item) : Collapsed(Content(Child(item, {"link"}))));
    }
    return text;
  }
  if (channel != nullptr) line(Collapsed(Content(Child(channel, {"title"}))));
  for (const xmlNode* item : items) {
    if (!text.empty()) text += "\n";
    line(Collapsed(Content(Child(item, {"title"}))));
    line(Collapsed(Content(Child(item, {"pubDate", "date", "updated", "published"}))));
    line(kind == "feed" ? AtomLink(item) : Collapsed(Content(Child(item, {"link"}))));
    // Descriptions are HTML, mostly escaped: rendered as a page of their own.
    const std::string body = Content(Child(item, {"description", "summary", "content", "encoded"}));
    TOptions inner = options;
    text += HtmlText(body, inner);
  }
  return text;
}

}  // namespace

std::string ToText(std::string_view utf8, const TOptions& options) {
  if (utf8.empty()) return {};
  if (std::optional<std::string> feed = FeedText(utf8, options)) return std::move(*feed);
  return HtmlText(utf8, options);
}

TRoadRule PageTextRule(const TOptions& options, TForeignChars& foreign) {
  // The range's lines go to the parser as UTF-8 as they come: a page is never held whole.
  // A feed, which the XML parser reads as a tree, is gathered first.
  struct TSession {
    TSession(const TOptions& options, const TForeignChars& foreign)
        : Options(options), Writer({Encodings::TEncoding::Utf8}, foreign) {}
    TOptions Options;
    Encodings::TWriter Writer;
    std::string Pending;
    std::optional<bool> Feed;
    std::unique_ptr<THtmlStream> Html;
    void Decide(bool more) {
      if (Feed) return;
      Feed = StartsAsFeed(Pending, more);
      if (Feed && !*Feed) Html = std::make_unique<THtmlStream>(Options);
    }
    void Pass() {
      if (Html) {
        Html->Feed(Pending);
        Pending.clear();
      }
    }
  };
  auto session = std::make_shared<TSession>(options, foreign);
  TRoadRule rule;
  rule.Rule = [session](std::string_view line, TLightStrings&) {
    session->Writer.Write(line, session->Pending);
    session->Writer.Write("\r\n", session->Pending);
    session->Decide(true);
    if (session->Pending.size() >= (1 << 16)) session->Pass();
  };
  rule.Tail = [session, &foreign](TLightStrings& out) {
    session->Writer.Finish(session->Pending);
    session->Decide(false);
    std::string text;
    if (session->Html) {
      session->Pass();
      text = session->Html->Finish();
    } else {
      text = ToText(session->Pending, session->Options);
    }
    std::string().swap(session->Pending);
    const std::string bytes =
        Encodings::ToDocument(text, {Encodings::TEncoding::Utf8}, foreign).Bytes;
    std::string().swap(text);
    std::size_t at = 0;
    while (at < bytes.size()) {
      const std::size_t end = std::min(bytes.find('\n', at), bytes.size());
      out.Add(std::string_view(bytes).substr(at, end - at));
      at = end + 1;
    }
  };
  return rule;
}

}  // namespace PageText
