// CP932 bytes to QString and back at the edges of the window layer: the editor, names and
// texts shown to the user.
#pragma once

#include <QString>

#include <string>
#include <string_view>

#include "document/Failures.h"
#include "document/ForeignChars.h"

// Text holds a character that CP932 cannot store, so it cannot become document bytes.
class EUnmappableText : public EKorvaneError {
 public:
  EUnmappableText(QChar character, char32_t codePoint, int line, int column);
  char32_t CodePoint;
  int Line;    // 1-based
  int Column;  // 1-based
};

namespace QtText {

// CP932 bytes of text; a character that CP932 cannot hold becomes '?'. For names that go
// into the document or are measured in bytes.
[[nodiscard]] std::string ToCp932Lossy(const QString& text);

// Text typed, pasted or dropped into the editor in the document's own forms: U+2028 and U+2029
// become ordinary line breaks and a no-break space (common in text copied from web pages)
// becomes a blank, which Shift-JIS holds. Everything else stays, to be refused with a message
// when the document is read.
[[nodiscard]] QString ForEditorInput(QString text);

// The editor's forms: CR LF, CR and LF become line breaks; a line break becomes CR LF.
[[nodiscard]] QString DecodeForEditor(std::string_view bytes);
// Throws EUnmappableText, naming the first character CP932 cannot hold and where it stands.
// With foreign, such characters take the document's codes for them instead (see
// TForeignChars); a NUL is refused either way.
[[nodiscard]] std::string EncodeFromEditor(const QString& text, TForeignChars* foreign = nullptr);

}  // namespace QtText
