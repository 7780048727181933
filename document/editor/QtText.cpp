// CP932 bytes to QString and back.
#include "document/editor/QtText.h"

#include "document/Cp932Codec.h"
#include "document/Encodings.h"

namespace {

std::u16string_view UnitsOf(const QString& text) {
  return {reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size())};
}

QString Describe(QChar character, char32_t codePoint) {
  const QString number =
      QStringLiteral("U+") +
      QString::number(static_cast<uint>(codePoint), 16).toUpper().rightJustified(4, '0');
  // Control characters are named by number only; a NUL would even cut the message short.
  if (!QChar::isPrint(codePoint)) return number;
  const QString shown = codePoint > 0xFFFF ? QString::fromUcs4(&codePoint, 1) : QString(character);
  return QStringLiteral("「%1」(%2)").arg(shown, number);
}

template <class Decoder>
QString DecodeWith(std::string_view bytes, Decoder decode) {
  QString text(static_cast<qsizetype>(bytes.size()), Qt::Uninitialized);
  const std::size_t units = decode(bytes, reinterpret_cast<char16_t*>(text.data()));
  text.truncate(static_cast<qsizetype>(units));
  return text;
}

}  // namespace

EUnmappableText::EUnmappableText(QChar character, char32_t codePoint, int line, int column)
    : EKorvaneError(QStringLiteral("%1 行 %2 列の文字 %3 は Shift-JIS で表せないため、"
                                   "文書に使えません。その文字を削除するか置き換えてください。")
                        .arg(line)
                        .arg(column)
                        .arg(Describe(character, codePoint))
                        .toStdString()),
      CodePoint(codePoint),
      Line(line),
      Column(column) {}

namespace QtText {

std::string ToCp932Lossy(const QString& text) {
  std::string bytes;
  std::u16string_view rest = UnitsOf(text);
  for (;;) {
    const std::size_t stop = Cp932::Encode(rest, bytes);
    if (stop == Cp932::npos) return bytes;
    bytes += '?';
    const bool pair = QChar::isHighSurrogate(rest[stop]) && stop + 1 < rest.size() &&
                      QChar::isLowSurrogate(rest[stop + 1]);
    rest.remove_prefix(stop + (pair ? 2 : 1));
  }
}

QString ForEditorInput(QString text) {
  for (QChar& c : text) {
    if (c == QChar::LineSeparator || c == QChar::ParagraphSeparator) c = QLatin1Char('\n');
    if (c == QChar::Nbsp) c = QLatin1Char(' ');
  }
  return text;
}

QString DecodeForEditor(std::string_view bytes) {
  return DecodeWith(bytes, [](std::string_view b, char16_t* out) {
    return Cp932::DecodeForEditor(b, out);
  });
}

std::string EncodeFromEditor(const QString& text, TForeignChars* foreign) {
  std::string bytes;
  bytes.reserve(static_cast<std::size_t>(text.size()) * 2);
  const std::u16string_view units = UnitsOf(text);
  std::size_t stop = Cp932::EncodeFromEditor(units, bytes);
  // Characters CP932 lacks take the document's codes, as when they are read from a file.
  while (foreign != nullptr && stop != Cp932::npos && units[stop] != 0) {
    const bool pair = QChar::isHighSurrogate(units[stop]) && stop + 1 < units.size() &&
                      QChar::isLowSurrogate(units[stop + 1]);
    const std::size_t next = stop + (pair ? 2 : 1);
    const QByteArray utf8 = QString::fromUtf16(units.data() + stop, static_cast<qsizetype>(next - stop)).toUtf8();
    bytes += Encodings::ToDocument(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())),
                                   {Encodings::TEncoding::Utf8}, *foreign)
                 .Bytes;
    const std::size_t after = Cp932::EncodeFromEditor(units.substr(next), bytes);
    stop = after == Cp932::npos ? Cp932::npos : next + after;
  }
  // A pasted NUL would end the document's text wherever it is read as lines: refuse it too.
  if (stop == Cp932::npos && bytes.find('\0') != std::string::npos) {
    stop = static_cast<std::size_t>(text.indexOf(QChar(0)));
  }
  if (stop == Cp932::npos) return bytes;

  const auto at = static_cast<qsizetype>(stop);
  const QChar character = text.at(at);
  char32_t codePoint = character.unicode();
  if (character.isHighSurrogate() && at + 1 < text.size() && text.at(at + 1).isLowSurrogate()) {
    codePoint = QChar::surrogateToUcs4(character, text.at(at + 1));
  }
  // Lines end at '\n' or at U+2029, the editor's own block separator.
  int line = 1;
  qsizetype lineStart = 0;
  for (qsizetype i = 0; i < at; ++i) {
    if (text.at(i) == QLatin1Char('\n') || text.at(i) == QChar::ParagraphSeparator) {
      ++line;
      lineStart = i + 1;
    }
  }
  throw EUnmappableText(character, codePoint, line, static_cast<int>(at - lineStart) + 1);
}

}  // namespace QtText
