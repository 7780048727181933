// The editor control Btext: the document lives here between commands. Lines are the editor's
// logical lines (text blocks), also while word wrap is on; text crosses this boundary as CP932
// bytes with CR LF between lines; offsets are character positions, one per line break.
#pragma once

#include <QColor>
#include <QPlainTextEdit>

#include <cstdint>
#include <string>
#include <string_view>

class TEditorControl : public QPlainTextEdit {
  Q_OBJECT
 public:
  explicit TEditorControl(QWidget* parent = nullptr);

  // The whole text, lines joined by CR LF (a final empty line gives a final CR LF). Throws
  // EUnmappableText when a character typed or pasted has no CP932 form.
  [[nodiscard]] std::string Text() const;
  // Replaces everything; CR LF, CR and LF each make a line break and the text ends at its first
  // NUL byte. The document counts as modified afterwards.
  void SetText(std::string_view bytes);
  // Empties the editor; the modified flag stays as it was.
  void ClearText();

  // Lines of the document: a final line break adds no line; an empty editor has 0 lines.
  [[nodiscard]] std::int32_t LineCount() const;
  // Line i without its break; "" for a line past the last. Throws EUnmappableText.
  [[nodiscard]] std::string Line(std::int32_t i) const;
  // Puts text after the last line with one more line break: at the end followed by CR LF when
  // the document is empty or ends with a line break, otherwise after a CR LF. Text ends at its
  // first NUL. The document counts as modified afterwards.
  void AppendLines(std::string_view bytes);

  // The update bracket: painting is suspended from the outermost begin to the outermost end,
  // and change notices wait until that end, which sends one.
  void BeginUpdate();
  void EndUpdate();

  // The caret: the left end of the selection. Setting it clamps it to the text and scrolls it
  // into view.
  [[nodiscard]] std::int32_t SelStart() const;
  void SetSelStart(std::int32_t offset);
  // The 0-based line holding a character offset (the last line for an offset past the end).
  [[nodiscard]] std::int32_t LineFromChar(std::int32_t offset) const;
  // The offset of a line's first character; −1 asks for the caret's line; −1 past the last.
  [[nodiscard]] std::int32_t LineIndex(std::int32_t line) const;
  [[nodiscard]] std::int32_t TextLength() const;
  // The selected text as shown ("" when nothing is selected).
  [[nodiscard]] QString SelectedText() const;
  // Puts the clipboard's text at the caret, as the user's paste does.
  void Paste();

  [[nodiscard]] bool Modified() const;
  void SetModified(bool modified);
  [[nodiscard]] bool WordWrap() const;
  void SetWordWrap(bool on);
  [[nodiscard]] QColor Color() const;
  void SetColor(const QColor& color);

  // Writes the whole text as the file's content; the old file stays until the new one is
  // complete. Throws EFCreateError, EInOutError or EUnmappableText.
  void SaveToFile(const QString& fileName) const;

 signals:
  // The text changed (typing, pasting, a replacement of the whole text).
  void Changed();

 protected:
  // Typed, pasted and dropped text is made into the document's own forms on its way in (see
  // QtText::ForEditorInput): Shift+Enter makes an ordinary line break.
  void keyPressEvent(QKeyEvent* event) override;
  void inputMethodEvent(QInputMethodEvent* event) override;
  void insertFromMimeData(const QMimeData* source) override;

 private:
  void TextChanged();
  int updateDepth_ = 0;
};

// Holds the editor's update bracket for a scope, closing it on every path.
class TUpdateGuard {
 public:
  explicit TUpdateGuard(TEditorControl& editor) : editor_(editor) { editor_.BeginUpdate(); }
  ~TUpdateGuard() { editor_.EndUpdate(); }
  TUpdateGuard(const TUpdateGuard&) = delete;
  TUpdateGuard& operator=(const TUpdateGuard&) = delete;

 private:
  TEditorControl& editor_;
};
