// The editor control over QPlainTextEdit.
#include "document/EditorControl.h"

#include <QFile>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QPrinter>
#include <QMimeData>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>

#include "document/Failures.h"
#include "document/FileIO.h"
#include "document/QtText.h"

namespace {

std::string_view UpToFirstNul(std::string_view bytes) {
  return bytes.substr(0, std::min(bytes.find('\0'), bytes.size()));
}

}  // namespace

TEditorControl::TEditorControl(QWidget* parent) : QPlainTextEdit(parent) {
  setLineWrapMode(QPlainTextEdit::NoWrap);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  connect(this, &QPlainTextEdit::textChanged, this, &TEditorControl::TextChanged);
  // Moves without a button pressed count too: the caret display follows the mouse.
  viewport()->setMouseTracking(true);
  viewport()->installEventFilter(this);
}

// The raw text keeps every character as the lines hold it (toPlainText would turn U+00A0 into
// a blank and U+2028 into a line break), so the whole text, the line count and each line agree.
std::string TEditorControl::Text() const {
  return QtText::EncodeFromEditor(document()->toRawText());
}

void TEditorControl::SetText(std::string_view bytes) {
  const QString text = QtText::DecodeForEditor(UpToFirstNul(bytes));
  setPlainText(text);
  SetModified(true);
}

void TEditorControl::ClearText() {
  const bool modified = Modified();
  clear();
  SetModified(modified);
}

std::int32_t TEditorControl::LineCount() const {
  const QTextDocument* doc = document();
  const int blocks = doc->blockCount();
  return doc->lastBlock().length() <= 1 ? blocks - 1 : blocks;
}

std::string TEditorControl::Line(std::int32_t i) const {
  const QTextBlock block = document()->findBlockByNumber(i);
  return block.isValid() ? QtText::EncodeFromEditor(block.text()) : std::string();
}

void TEditorControl::AppendLines(std::string_view bytes) {
  const bool endsWithBreak = document()->lastBlock().length() <= 1;
  QString text = QtText::DecodeForEditor(UpToFirstNul(bytes));
  if (endsWithBreak) {
    text += QLatin1Char('\n');
  } else {
    text.prepend(QLatin1Char('\n'));
  }
  // A merged file is not typing: keep it out of the editor's own undo history.
  document()->setUndoRedoEnabled(false);
  QTextCursor cursor(document());
  cursor.movePosition(QTextCursor::End);
  cursor.insertText(text);
  document()->setUndoRedoEnabled(true);
  SetModified(true);
}

void TEditorControl::BeginUpdate() {
  if (updateDepth_++ == 0) viewport()->setUpdatesEnabled(false);
}

void TEditorControl::EndUpdate() {
  if (updateDepth_ == 0) return;
  if (--updateDepth_ > 0) return;
  viewport()->setUpdatesEnabled(true);
  viewport()->update();
  emit Changed();
}

std::int32_t TEditorControl::SelStart() const { return textCursor().selectionStart(); }

void TEditorControl::SetSelStart(std::int32_t offset) {
  QTextCursor cursor = textCursor();
  cursor.setPosition(std::clamp(offset, 0, TextLength()));
  setTextCursor(cursor);
  ensureCursorVisible();
}

std::int32_t TEditorControl::LineFromChar(std::int32_t offset) const {
  const QTextBlock block = document()->findBlock(std::clamp(offset, 0, TextLength()));
  return block.isValid() ? block.blockNumber() : 0;
}

std::int32_t TEditorControl::LineIndex(std::int32_t line) const {
  if (line == -1) line = textCursor().blockNumber();
  const QTextBlock block = document()->findBlockByNumber(line);
  return block.isValid() ? block.position() : -1;
}

std::int32_t TEditorControl::TextLength() const { return document()->characterCount() - 1; }

QString TEditorControl::SelectedText() const {
  QString text = textCursor().selectedText();
  text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
  return text;
}

void TEditorControl::Paste() { paste(); }

void TEditorControl::Cut() { cut(); }

void TEditorControl::Copy() { copy(); }

void TEditorControl::Undo() { undo(); }

void TEditorControl::SelectAll() { selectAll(); }

void TEditorControl::SetSelection(std::int32_t anchor, std::int32_t caret) {
  QTextCursor cursor = textCursor();
  cursor.setPosition(std::clamp(anchor, 0, TextLength()));
  cursor.setPosition(std::clamp(caret, 0, TextLength()), QTextCursor::KeepAnchor);
  setTextCursor(cursor);
  ensureCursorVisible();
}

std::int32_t TEditorControl::SelEnd() const { return textCursor().selectionEnd(); }

QString TEditorControl::FontFace() const { return font().family(); }

void TEditorControl::SetFontFace(const QString& face) {
  QFont shown = font();
  shown.setFamily(face);
  setFont(shown);
}

int TEditorControl::FontSize() const { return font().pointSize(); }

void TEditorControl::SetFontSize(int points) {
  QFont shown = font();
  shown.setPointSize(points);
  setFont(shown);
}

bool TEditorControl::FontIsFixedPitch() const {
  const QFontMetrics metrics(font());
  return metrics.horizontalAdvance(QStringLiteral("ＭＭ")) ==
             2 * metrics.horizontalAdvance(QStringLiteral("MM")) &&
         metrics.horizontalAdvance(QStringLiteral("il")) ==
             metrics.horizontalAdvance(QStringLiteral("MW"));
}

void TEditorControl::Print(QPrinter& printer) const {
  if (!printer.isValid()) throw EKorvaneError("ﾌﾟﾘﾝﾀが使えません。プリンタの設定を確かめてください。");
  // The editor's document carries the editor's font; Qt lays it out on the printer's pages.
  QPlainTextEdit::print(&printer);
  if (printer.printerState() == QPrinter::Error || printer.printerState() == QPrinter::Aborted) {
    throw EKorvaneError("印刷できませんでした。プリンタの設定を確かめてください。");
  }
}

void TEditorControl::keyReleaseEvent(QKeyEvent* event) {
  QPlainTextEdit::keyReleaseEvent(event);
  emit KeyReleased();
}

bool TEditorControl::eventFilter(QObject* watched, QEvent* event) {
  if (watched == viewport() && event->type() == QEvent::MouseMove) emit MouseMoved();
  return QPlainTextEdit::eventFilter(watched, event);
}

void TEditorControl::keyPressEvent(QKeyEvent* event) {
  const bool lineBreak = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
  if (lineBreak && (event->modifiers() & Qt::ShiftModifier)) {
    QKeyEvent plain(event->type(), event->key(), event->modifiers() & ~Qt::ShiftModifier,
                    QStringLiteral("\r"), event->isAutoRepeat(), event->count());
    QPlainTextEdit::keyPressEvent(&plain);
    event->setAccepted(plain.isAccepted());
    return;
  }
  const QString text = QtText::ForEditorInput(event->text());
  if (text != event->text() && !isReadOnly()) {
    textCursor().insertText(text);
    ensureCursorVisible();
    event->accept();
    return;
  }
  QPlainTextEdit::keyPressEvent(event);
}

void TEditorControl::inputMethodEvent(QInputMethodEvent* event) {
  const QString commit = QtText::ForEditorInput(event->commitString());
  if (commit != event->commitString()) {
    event->setCommitString(commit, event->replacementStart(), event->replacementLength());
  }
  QPlainTextEdit::inputMethodEvent(event);
}

void TEditorControl::insertFromMimeData(const QMimeData* source) {
  if (source == nullptr || !source->hasText()) return;
  textCursor().insertText(QtText::ForEditorInput(source->text()));
  ensureCursorVisible();
}

bool TEditorControl::Modified() const { return document()->isModified(); }

void TEditorControl::SetModified(bool modified) { document()->setModified(modified); }

bool TEditorControl::WordWrap() const { return lineWrapMode() != QPlainTextEdit::NoWrap; }

void TEditorControl::SetWordWrap(bool on) {
  setLineWrapMode(on ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
}

QColor TEditorControl::Color() const { return palette().color(QPalette::Base); }

void TEditorControl::SetColor(const QColor& color) {
  QPalette colours = palette();
  colours.setColor(QPalette::Base, color);
  setPalette(colours);
}

void TEditorControl::SaveToFile(const QString& fileName) const {
  FileIO::WriteFileAtomically(QFile::encodeName(fileName).toStdString(), Text());
}

void TEditorControl::TextChanged() {
  if (updateDepth_ == 0) emit Changed();
}
