// The editor's input: keys, mouse, the input method, the clipboard and text drops. Every edit
// goes through the text buffer's Edit, so typing can be undone; text arriving from outside is
// made into CP932 on its way in, and a character CP932 cannot hold is refused with a message
// naming it and where it would have stood, before anything is inserted.
#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QInputMethod>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStyleHints>

#include <algorithm>

#include "app/FailureReport.h"
#include "document/editor/EditorControl.h"
#include "document/editor/QtText.h"

void NotifyEditorAccessibility(TEditorControl* editor, bool textChanged);  // EditorAccess.cpp

namespace {

// Text from outside with its line breaks in the editor's form ('\n'), so that CR LF, a lone CR
// and a lone LF all make one line break.
QString WithEditorBreaks(QString text) {
  text = QtText::ForEditorInput(std::move(text));
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return text;
}

// A key held with Alt, Ctrl or Meta is a command (a menu mnemonic, a shortcut), never text.
bool IsCommandKey(const QKeyEvent* key) {
  return key->modifiers() & (Qt::AltModifier | Qt::ControlModifier | Qt::MetaModifier);
}

// Ctrl+Y and Ctrl+Shift+Z redo, whatever the desktop's own redo key is.
bool IsRedoKey(const QKeyEvent* key) {
  const QKeyCombination combination = key->keyCombination();
  return key->matches(QKeySequence::Redo) ||
         combination == QKeyCombination(Qt::ControlModifier, Qt::Key_Y) ||
         combination == QKeyCombination(Qt::ControlModifier | Qt::ShiftModifier, Qt::Key_Z);
}

bool IsTypedText(const QString& text) {
  if (text.isEmpty()) return false;
  for (const QChar c : text) {
    if (c.unicode() < 0x20 && c != QLatin1Char('\t')) return false;
    if (c.unicode() == 0x7F) return false;
  }
  return true;
}

constexpr int kAutoScrollMs = 50;
// Surrounding text given to the input method: a bounded window of the caret's line.
constexpr std::int64_t kSurroundingBytes = 1024;

}  // namespace

// Encodes text for insertion at the selection. A character that CP932 cannot hold (or a NUL)
// is reported with its line and column in the document and nothing is inserted.
bool TEditorControl::EncodeInput(const QString& text, std::string& bytes) const {
  try {
    bytes = QtText::EncodeFromEditor(WithEditorBreaks(text), foreign_);
    return true;
  } catch (const EUnmappableText& refused) {
    const TOffset at = std::min(caret_, anchor_);
    const std::int64_t line = buffer_.LineOf(at);
    int column = refused.Column;
    if (refused.Line == 1) {
      const QString before = DecodeRange(buffer_.LineStart(line), at);
      column += static_cast<int>(before.size());
    }
    const QChar shown = refused.CodePoint <= 0xFFFF ? QChar(static_cast<char16_t>(refused.CodePoint))
                                                     : QChar();
    ReportFailure(const_cast<TEditorControl*>(this),
                  EUnmappableText(shown, refused.CodePoint,
                                  static_cast<int>(line) + refused.Line, column));
    return false;
  }
}

void TEditorControl::ReplaceSelection(std::string_view bytes, bool merge) {
  const TOffset from = std::min(caret_, anchor_), to = std::max(caret_, anchor_);
  if (from == to && bytes.empty()) return;
  // An edit inside one line changes only that line's wrapped rows: the scroll bar's estimate
  // is corrected by the difference instead of being counted anew.
  const std::int64_t line = buffer_.LineOf(from);
  const bool sameLines = buffer_.LineOf(to) == line &&
                         bytes.find_first_of("\r\n") == std::string_view::npos;
  const bool oneLine = sameLines && wordWrap_ && !estimateDirty_;
  const std::int64_t rowsBefore = oneLine ? EstimatedRowsOf(line) : 0;
  caret_ = anchor_ = buffer_.Edit(from, to, bytes, merge);
  if (oneLine) AdjustWrapEstimate(line, EstimatedRowsOf(line) - rowsBefore);
  // The change about to be counted touched this line only.
  lineEdited_ = sameLines ? TLineEdit{revision_ + 1, line} : TLineEdit{};
  goalColumn_ = -1;
  modified_ = true;
  AfterEdit();
  EnsureCaretVisible();
  caretShown_ = true;
  if (hasFocus()) QGuiApplication::inputMethod()->update(Qt::ImQueryInput);
}

void TEditorControl::InsertTyped(const QString& text, bool merge) {
  std::string bytes;
  if (EncodeInput(text, bytes)) ReplaceSelection(bytes, merge);
}

void TEditorControl::InsertFromMimeData(const QMimeData* source) {
  if (source == nullptr) return;
  if (source->hasFormat(QString::fromLatin1(kBytesMimeType))) {
    // Our own copy: the bytes as they were, line breaks and all; only a NUL would not belong.
    const QByteArray raw = source->data(QString::fromLatin1(kBytesMimeType));
    if (!raw.contains('\0')) {
      TTextBuffer normal;
      normal.SetBytes(raw.toStdString());
      ReplaceSelection(normal.Contiguous(), false);
      return;
    }
  }
  if (source->hasText()) InsertTyped(source->text(), false);
}

QMimeData* TEditorControl::SelectionMimeData() const {
  const TOffset from = std::min(caret_, anchor_), to = std::max(caret_, anchor_);
  auto* data = new QMimeData;
  // Other programs get the characters a reader sees; this program takes the bytes themselves.
  data->setText(DecodeRange(from, to, true));
  const std::string bytes = buffer_.Bytes(from, to);
  data->setData(QString::fromLatin1(kBytesMimeType),
                QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
  return data;
}

// Backspace and Delete take one character (a CR LF is one); a run of them is one undo step.
void TEditorControl::DeleteBackward() {
  if (caret_ != anchor_) return ReplaceSelection({}, false);
  if (caret_ == 0) return;
  anchor_ = buffer_.PrevChar(caret_);
  std::swap(anchor_, caret_);
  ReplaceSelection({}, true);
}

void TEditorControl::DeleteForward() {
  if (caret_ != anchor_) return ReplaceSelection({}, false);
  if (caret_ >= buffer_.Length()) return;
  anchor_ = buffer_.NextChar(caret_);
  ReplaceSelection({}, true);
}

void TEditorControl::MoveCaret(TOffset to, bool extend) {
  caret_ = buffer_.CharStart(std::clamp<TOffset>(to, 0, buffer_.Length()));
  if (!extend) anchor_ = caret_;
  buffer_.BreakUndoMerge();
  caretShown_ = true;
  EnsureCaretVisible();
  viewport()->update();
  if (hasFocus()) QGuiApplication::inputMethod()->update(Qt::ImQueryInput);
  NotifyEditorAccessibility(this, false);
}

// The offset `rows` rows above (negative) or below the caret's row, at the goal column.
TEditorControl::TOffset TEditorControl::VerticalTarget(TOffset from, std::int64_t rows) {
  const std::int64_t line = buffer_.LineOf(from);
  TRowSpan row = RowAt(line, wordWrap_ ? buffer_.RowOf(from, WrapCells()).second
                                       : buffer_.LineStart(line));
  if (goalColumn_ < 0) goalColumn_ = buffer_.ColumnOf(from) - buffer_.ColumnOf(row.From);
  bool moved = false;
  for (; rows > 0 && NextRow(row); --rows) moved = true;
  for (; rows < 0 && PrevRow(row); ++rows) moved = true;
  if (!moved) return from;
  TOffset at = buffer_.OffsetAtColumn(row.Line, buffer_.ColumnOf(row.From) + goalColumn_);
  at = std::clamp(at, row.From, row.To);
  if (at == row.To && row.To < buffer_.LineEnd(row.Line) && row.To > row.From) {
    at = buffer_.CharStart(row.To - 1);
  }
  return at;
}

bool TEditorControl::MoveByKey(QKeyEvent* event) {
  struct TMove {
    QKeySequence::StandardKey Move, Select;
  };
  enum TWhere { NextChar, PrevChar, NextWord, PrevWord, Down, Up, PageDown, PageUp, Home, End,
                DocStart, DocEnd };
  static const TMove kMoves[] = {
      {QKeySequence::MoveToNextChar, QKeySequence::SelectNextChar},
      {QKeySequence::MoveToPreviousChar, QKeySequence::SelectPreviousChar},
      {QKeySequence::MoveToNextWord, QKeySequence::SelectNextWord},
      {QKeySequence::MoveToPreviousWord, QKeySequence::SelectPreviousWord},
      {QKeySequence::MoveToNextLine, QKeySequence::SelectNextLine},
      {QKeySequence::MoveToPreviousLine, QKeySequence::SelectPreviousLine},
      {QKeySequence::MoveToNextPage, QKeySequence::SelectNextPage},
      {QKeySequence::MoveToPreviousPage, QKeySequence::SelectPreviousPage},
      {QKeySequence::MoveToStartOfLine, QKeySequence::SelectStartOfLine},
      {QKeySequence::MoveToEndOfLine, QKeySequence::SelectEndOfLine},
      {QKeySequence::MoveToStartOfDocument, QKeySequence::SelectStartOfDocument},
      {QKeySequence::MoveToEndOfDocument, QKeySequence::SelectEndOfDocument},
  };
  for (int where = 0; where < static_cast<int>(std::size(kMoves)); ++where) {
    const bool move = event->matches(kMoves[where].Move);
    const bool select = event->matches(kMoves[where].Select);
    if (!move && !select) continue;
    const TOffset from = caret_;
    TOffset to = from;
    const std::int64_t line = buffer_.LineOf(from);
    switch (where) {
      case NextChar:
        to = !select && caret_ != anchor_ ? std::max(caret_, anchor_) : buffer_.NextChar(from);
        break;
      case PrevChar:
        to = !select && caret_ != anchor_ ? std::min(caret_, anchor_) : buffer_.PrevChar(from);
        break;
      case NextWord: to = buffer_.NextWord(from); break;
      case PrevWord: to = buffer_.PrevWord(from); break;
      case Down: to = VerticalTarget(from, 1); break;
      case Up: to = VerticalTarget(from, -1); break;
      case PageDown:
      case PageUp: {
        const int rows = std::max(1, VisibleRows() - 1);
        to = VerticalTarget(from, where == PageDown ? rows : -rows);
        ScrollRows(where == PageDown ? rows : -rows);
        break;
      }
      case Home: to = buffer_.LineStart(line); break;
      case End: to = buffer_.LineEnd(line); break;
      case DocStart: to = 0; break;
      case DocEnd: to = buffer_.Length(); break;
    }
    MoveCaret(to, select);
    // Moves up and down keep the column they started from; every other move forgets it.
    if (where != Down && where != Up && where != PageDown && where != PageUp) goalColumn_ = -1;
    return true;
  }
  return false;
}

bool TEditorControl::EditByKey(QKeyEvent* event) {
  if (event->matches(QKeySequence::Copy)) return Copy(), true;
  if (event->matches(QKeySequence::Cut)) return Cut(), true;
  if (event->matches(QKeySequence::Paste)) return Paste(), true;
  if (event->matches(QKeySequence::Undo)) return (void)Undo(), true;
  if (IsRedoKey(event)) return (void)Redo(), true;
  if (event->matches(QKeySequence::SelectAll)) return SelectAll(), true;
  if (event->matches(QKeySequence::DeleteStartOfWord)) {
    if (caret_ == anchor_) anchor_ = buffer_.PrevWord(caret_);
    ReplaceSelection({}, false);
    return true;
  }
  if (event->matches(QKeySequence::DeleteEndOfWord)) {
    if (caret_ == anchor_) anchor_ = buffer_.NextWord(caret_);
    ReplaceSelection({}, false);
    return true;
  }
  const int key = event->key();
  const Qt::KeyboardModifiers mods = event->modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier);
  if (mods == Qt::NoModifier) {
    // Shift+Enter makes the same line break as Enter: the document has only one kind.
    if (key == Qt::Key_Return || key == Qt::Key_Enter) return ReplaceSelection("\r\n", false), true;
    if (key == Qt::Key_Backspace) return DeleteBackward(), true;
    if (key == Qt::Key_Delete) return DeleteForward(), true;
  }
  if (!IsCommandKey(event) && IsTypedText(event->text())) {
    InsertTyped(event->text(), true);
    return true;
  }
  return false;
}

void TEditorControl::keyPressEvent(QKeyEvent* event) {
  if (MoveByKey(event) || EditByKey(event)) {
    event->accept();
    return;
  }
  event->ignore();
}

void TEditorControl::keyReleaseEvent(QKeyEvent* event) {
  QAbstractScrollArea::keyReleaseEvent(event);
  emit KeyReleased();
}

bool TEditorControl::focusNextPrevChild(bool next) {
  // Tab types a tab; it does not move the focus out of the editor.
  Q_UNUSED(next);
  return false;
}

bool TEditorControl::viewportEvent(QEvent* event) {
  switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
      auto* drag = static_cast<QDragMoveEvent*>(event);
      if (!drag->mimeData()->hasText() || drag->mimeData()->hasUrls()) return false;
      drag->acceptProposedAction();
      return true;
    }
    case QEvent::Drop: {
      auto* drop = static_cast<QDropEvent*>(event);
      if (!drop->mimeData()->hasText() || drop->mimeData()->hasUrls()) return false;
      CommitPreedit();
      MoveCaret(OffsetAt(drop->position().toPoint()), false);
      InsertFromMimeData(drop->mimeData());
      drop->acceptProposedAction();
      setFocus();
      return true;
    }
    default:
      return QAbstractScrollArea::viewportEvent(event);
  }
}

bool TEditorControl::event(QEvent* event) {
  // Editing keys belong to the editor before any window shortcut.
  if (event->type() == QEvent::ShortcutOverride) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->matches(QKeySequence::Copy) || key->matches(QKeySequence::Cut) ||
        key->matches(QKeySequence::Paste) || key->matches(QKeySequence::Undo) || IsRedoKey(key) ||
        key->matches(QKeySequence::SelectAll) || (!IsCommandKey(key) && IsTypedText(key->text()))) {
      event->accept();
      return true;
    }
  }
  return QAbstractScrollArea::event(event);
}

void TEditorControl::mousePressEvent(QMouseEvent* event) {
  QClipboard* clipboard = QApplication::clipboard();
  if (event->button() == Qt::MiddleButton && clipboard->supportsSelection()) {
    // The window system's selection is pasted where the middle button is pressed.
    CommitPreedit();
    MoveCaret(OffsetAt(event->position().toPoint()), false);
    InsertFromMimeData(clipboard->mimeData(QClipboard::Selection));
    return;
  }
  if (event->button() != Qt::LeftButton) return;
  CommitPreedit();
  const QPoint at = event->position().toPoint();
  const qint64 now = event->timestamp();
  const bool again = clickCount_ == 2 &&
                     now - lastClickTime_ < QGuiApplication::styleHints()->mouseDoubleClickInterval() &&
                     (at - lastClickPoint_).manhattanLength() < QApplication::startDragDistance();
  const TOffset offset = OffsetAt(at);
  if (again) {
    // A third click selects the whole line with its break.
    const std::int64_t line = buffer_.LineOf(offset);
    const TOffset next = line + 1 < buffer_.ShownLines() ? buffer_.LineStart(line + 1)
                                                         : buffer_.LineEnd(line);
    selectUnit_ = {buffer_.LineStart(line), next};
    clickCount_ = 3;
    anchor_ = selectUnit_.first;
    MoveCaret(selectUnit_.second, true);
  } else {
    clickCount_ = 1;
    MoveCaret(offset, event->modifiers() & Qt::ShiftModifier);
    selectUnit_ = {caret_, caret_};
  }
  lastClickTime_ = now;
  lastClickPoint_ = at;
  dragging_ = true;
  goalColumn_ = -1;
}

void TEditorControl::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  CommitPreedit();
  selectUnit_ = buffer_.WordAt(OffsetAt(event->position().toPoint()));
  anchor_ = selectUnit_.first;
  MoveCaret(selectUnit_.second, true);
  clickCount_ = 2;
  lastClickTime_ = event->timestamp();
  lastClickPoint_ = event->position().toPoint();
  dragging_ = true;
}

void TEditorControl::mouseMoveEvent(QMouseEvent* event) {
  emit MouseMoved();
  if (!dragging_ || !(event->buttons() & Qt::LeftButton)) return;
  dragPoint_ = event->position().toPoint();
  const bool outside = !viewport()->rect().contains(dragPoint_);
  if (outside && !dragTimer_.isActive()) dragTimer_.start(kAutoScrollMs, this);
  if (!outside) dragTimer_.stop();
  TOffset to = OffsetAt(dragPoint_);
  if (clickCount_ >= 2) {
    // Dragging after a double or triple click extends by whole words or lines.
    std::pair<TOffset, TOffset> unit = buffer_.WordAt(to);
    if (clickCount_ == 3) {
      const std::int64_t line = buffer_.LineOf(to);
      unit = {buffer_.LineStart(line), line + 1 < buffer_.ShownLines() ? buffer_.LineStart(line + 1)
                                                                       : buffer_.LineEnd(line)};
    }
    if (to < selectUnit_.first) {
      anchor_ = selectUnit_.second;
      to = unit.first;
    } else {
      anchor_ = selectUnit_.first;
      to = std::max(unit.second, selectUnit_.second);
    }
  }
  MoveCaret(to, true);
}

void TEditorControl::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  dragging_ = false;
  dragTimer_.stop();
  QClipboard* clipboard = QApplication::clipboard();
  if (caret_ != anchor_ && clipboard->supportsSelection()) {
    clipboard->setMimeData(SelectionMimeData(), QClipboard::Selection);
  }
}

void TEditorControl::timerEvent(QTimerEvent* event) {
  if (event->timerId() == blinkTimer_.timerId()) {
    caretShown_ = !caretShown_;
    viewport()->update(CaretRect().adjusted(-1, 0, 1, 0));
    return;
  }
  if (event->timerId() == dragTimer_.timerId()) {
    // Dragging past an edge scrolls the view, a row or a cell at a time, and takes the
    // selection along.
    const QRect inside = viewport()->rect();
    if (dragPoint_.y() < inside.top()) ScrollRows(-1);
    if (dragPoint_.y() > inside.bottom()) ScrollRows(1);
    QScrollBar* horizontal = horizontalScrollBar();
    if (dragPoint_.x() < inside.left()) horizontal->triggerAction(QAbstractSlider::SliderSingleStepSub);
    if (dragPoint_.x() > inside.right()) horizontal->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    const QPoint held(std::clamp(dragPoint_.x(), 0, inside.right()),
                      std::clamp(dragPoint_.y(), 0, inside.bottom()));
    caret_ = OffsetAt(held);
    viewport()->update();
    return;
  }
  QAbstractScrollArea::timerEvent(event);
}

void TEditorControl::focusInEvent(QFocusEvent* event) {
  QAbstractScrollArea::focusInEvent(event);
  caretShown_ = true;
  const int flash = QApplication::cursorFlashTime();
  if (flash > 0) blinkTimer_.start(flash / 2, this);
  viewport()->update();
}

void TEditorControl::focusOutEvent(QFocusEvent* event) {
  QAbstractScrollArea::focusOutEvent(event);
  blinkTimer_.stop();
  viewport()->update();
}

void TEditorControl::CommitPreedit() {
  if (preedit_.isEmpty()) return;
  // The input method finishes its composition (it may send the text as a commit); what it
  // still showed is not part of the document.
  QGuiApplication::inputMethod()->commit();
  preedit_.clear();
  preeditAttributes_.clear();
  viewport()->update();
}

void TEditorControl::inputMethodEvent(QInputMethodEvent* event) {
  const QString commit = event->commitString();
  if (!commit.isEmpty() || event->replacementLength() > 0) {
    // A replacement reaches back over characters before the caret (or after it).
    if (event->replacementLength() > 0 && caret_ == anchor_) {
      TOffset from = caret_;
      for (int k = 0; k < -event->replacementStart() && from > 0; ++k) from = buffer_.PrevChar(from);
      TOffset to = from;
      for (int k = 0; k < event->replacementLength() && to < buffer_.Length(); ++k) {
        to = buffer_.NextChar(to);
      }
      anchor_ = from;
      caret_ = to;
    }
    std::string bytes;
    if (EncodeInput(commit, bytes)) ReplaceSelection(bytes, false);
  }
  preedit_ = event->preeditString();
  preeditAttributes_ = event->attributes();
  caretShown_ = true;
  viewport()->update();
  event->accept();
}

QVariant TEditorControl::inputMethodQuery(Qt::InputMethodQuery query) const {
  const std::int64_t line = buffer_.LineOf(caret_);
  const auto window = [&] {
    const TOffset start = std::max(buffer_.LineStart(line), buffer_.CharStart(
                                                                std::max<TOffset>(0, caret_ - kSurroundingBytes)));
    const TOffset end =
        std::min(buffer_.LineEnd(line), buffer_.CharStart(caret_ + kSurroundingBytes));
    return std::pair{start, std::max(end, caret_)};
  };
  switch (query) {
    case Qt::ImEnabled: return true;
    case Qt::ImHints: return static_cast<int>(Qt::ImhMultiLine);
    case Qt::ImFont: return font();
    case Qt::ImCursorRectangle: return CaretRect();
    case Qt::ImAnchorRectangle: return QRect(PointOf(anchor_), QSize(1, rowHeight_));
    case Qt::ImSurroundingText: {
      const auto [start, end] = window();
      return DecodeRange(start, end);
    }
    case Qt::ImCursorPosition: {
      const auto [start, end] = window();
      return static_cast<int>(DecodeRange(start, caret_).size());
    }
    case Qt::ImAnchorPosition: {
      const auto [start, end] = window();
      const TOffset anchor = std::clamp(anchor_, start, end);
      return static_cast<int>(DecodeRange(start, anchor).size());
    }
    case Qt::ImCurrentSelection:
      return DecodeRange(std::min(caret_, anchor_),
                         std::min(std::max(caret_, anchor_), std::min(caret_, anchor_) + 64 * 1024));
    case Qt::ImAbsolutePosition: return static_cast<qlonglong>(caret_);
    case Qt::ImReadOnly: return false;
    default: return QAbstractScrollArea::inputMethodQuery(query);
  }
}
