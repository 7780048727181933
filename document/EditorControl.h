// The editor control Btext: the document lives here between commands. Lines are the editor's
// logical lines (text blocks), also while word wrap is on; text crosses this boundary as CP932
// bytes with CR LF between lines; offsets are character positions, one per line break.
#pragma once

#include <QColor>
#include <QPlainTextEdit>

class QPrinter;

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
  // The pop-up editing calls, as the user's keys do them: the clipboard's text at the caret;
  // the selection to the clipboard (cut removes it); the editor's own undo of the last typing,
  // separate from the document's undo; everything selected.
  void Paste();
  void Cut();
  void Copy();
  void Undo();
  void SelectAll();
  // The selection's ends as character offsets (equal when nothing is selected); the anchor is
  // where the selection began, so a selection made right to left has anchor > caret.
  void SetSelection(std::int32_t anchor, std::int32_t caret);
  [[nodiscard]] std::int32_t SelEnd() const;

  // The face and size of the whole text; the size in points.
  [[nodiscard]] QString FontFace() const;
  void SetFontFace(const QString& face);
  [[nodiscard]] int FontSize() const;
  void SetFontSize(int points);
  // Whether the face puts every character in whole cells (a full-width character in two).
  [[nodiscard]] bool FontIsFixedPitch() const;

  // Prints the whole text on the printer with the current font, page after page over each
  // page's printable area. Throws EKorvaneError when the printer cannot be started.
  void Print(QPrinter& printer) const;

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
  // The mouse moved over the text; a key was released in the editor.
  void MouseMoved();
  void KeyReleased();

 protected:
  // Typed, pasted and dropped text is made into the document's own forms on its way in (see
  // QtText::ForEditorInput): Shift+Enter makes an ordinary line break.
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
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
