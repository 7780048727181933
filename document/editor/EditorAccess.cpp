// The editor for assistive technology: an editable multi-line text whose offsets count UTF-16
// units, as screen readers do. The units before each line are counted on first use while
// accessibility is active and kept until the text changes; text is decoded only for the lines
// asked about.
#include <QAccessible>
#include <QAccessibleWidget>
#include <QScrollBar>

#include <algorithm>

#include "document/Cp932Codec.h"
#include "document/editor/EditorControl.h"

namespace {

// A piece of text served through the text interface's own boundary rules (words, sentences,
// lines), so the editor answers them from a few lines instead of the whole text.
class TTextPiece : public QAccessibleTextInterface {
 public:
  explicit TTextPiece(QString text) : text_(std::move(text)) {}
  void selection(int, int* start, int* end) const override { *start = *end = 0; }
  int selectionCount() const override { return 0; }
  void addSelection(int, int) override {}
  void removeSelection(int) override {}
  void setSelection(int, int, int) override {}
  int cursorPosition() const override { return 0; }
  void setCursorPosition(int) override {}
  QString text(int start, int end) const override { return text_.mid(start, end - start); }
  int characterCount() const override { return static_cast<int>(text_.size()); }
  QRect characterRect(int) const override { return {}; }
  int offsetAtPoint(const QPoint&) const override { return -1; }
  void scrollToSubstring(int, int) override {}
  QString attributes(int, int* start, int* end) const override {
    *start = *end = 0;
    return {};
  }

 private:
  QString text_;
};

}  // namespace

class TEditorAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
 public:
  using TOffset = TEditorControl::TOffset;

  explicit TEditorAccessible(TEditorControl* editor)
      : QAccessibleWidget(editor, QAccessible::EditableText) {}

  void* interface_cast(QAccessible::InterfaceType type) override {
    if (type == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
  }

  QAccessible::State state() const override {
    QAccessible::State shown = QAccessibleWidget::state();
    shown.editable = true;
    shown.multiLine = true;
    shown.selectableText = true;
    return shown;
  }

  QString text(QAccessible::Text kind) const override {
    if (kind == QAccessible::Value) return text(0, characterCount());
    return QAccessibleWidget::text(kind);
  }

  void selection(int index, int* start, int* end) const override {
    *start = *end = 0;
    if (index != 0 || Editor().caret_ == Editor().anchor_) return;
    *start = UnitOf(std::min(Editor().caret_, Editor().anchor_));
    *end = UnitOf(std::max(Editor().caret_, Editor().anchor_));
  }
  int selectionCount() const override { return Editor().caret_ == Editor().anchor_ ? 0 : 1; }
  void addSelection(int start, int end) override { setSelection(0, start, end); }
  void removeSelection(int) override { Editor().SetSelStart(Editor().SelStart()); }
  void setSelection(int, int start, int end) override {
    Editor().SetSelection(OffsetOf(start), OffsetOf(end));
  }
  int cursorPosition() const override { return UnitOf(Editor().caret_); }
  void setCursorPosition(int position) override {
    Editor().SetSelStart(OffsetOf(position));
  }

  QString text(int start, int end) const override {
    if (end <= start) return {};
    return Editor().DecodeRange(OffsetOf(start), OffsetOf(end));
  }
  QString textAtOffset(int offset, QAccessible::TextBoundaryType type, int* start,
                       int* end) const override {
    return Around(offset, type, start, end, &QAccessibleTextInterface::textAtOffset);
  }
  QString textBeforeOffset(int offset, QAccessible::TextBoundaryType type, int* start,
                           int* end) const override {
    return Around(offset, type, start, end, &QAccessibleTextInterface::textBeforeOffset);
  }
  QString textAfterOffset(int offset, QAccessible::TextBoundaryType type, int* start,
                          int* end) const override {
    return Around(offset, type, start, end, &QAccessibleTextInterface::textAfterOffset);
  }
  int characterCount() const override {
    Index();
    return static_cast<int>(std::min<std::int64_t>(total_, std::numeric_limits<int>::max()));
  }

  QRect characterRect(int offset) const override {
    const TEditorControl& editor = Editor();
    const TOffset at = OffsetOf(offset);
    const QPoint corner = editor.PointOf(at);
    const TOffset next = editor.buffer_.NextChar(at);
    const bool wide = next - at == 2;
    const QRect cell(corner, QSize(static_cast<int>(editor.cellWidth_ * (wide ? 2 : 1)), editor.rowHeight_));
    return QRect(editor.viewport()->mapToGlobal(cell.topLeft()), cell.size());
  }
  int offsetAtPoint(const QPoint& point) const override {
    const TEditorControl& editor = Editor();
    return UnitOf(editor.OffsetAt(editor.viewport()->mapFromGlobal(point)));
  }
  void scrollToSubstring(int start, int) override {
    Editor().SetSelStart(OffsetOf(start));
  }
  QString attributes(int offset, int* start, int* end) const override {
    *start = *end = offset;
    return {};
  }

 private:
  TEditorControl& Editor() const { return *static_cast<TEditorControl*>(widget()); }

  // UTF-16 units before every shown line, each line break counting one unit.
  void Index() const {
    const TEditorControl& editor = Editor();
    if (indexed_ && revision_ == editor.revision_) return;
    const TTextBuffer& buffer = editor.buffer_;
    if (indexed_ && revision_ + 1 == editor.revision_ &&
        editor.lineEdited_.Revision == editor.revision_ &&
        static_cast<std::size_t>(buffer.ShownLines()) == unitsBefore_.size()) {
      // Typing inside one line: recount that line and move the later lines' starts.
      const std::int64_t line = editor.lineEdited_.Line;
      const auto next = static_cast<std::size_t>(line + 1);
      const std::int64_t end = next < unitsBefore_.size() ? unitsBefore_[next] - 1 : total_;
      std::u16string decoded;
      const std::int64_t change =
          LineUnits(line, decoded) - (end - unitsBefore_[static_cast<std::size_t>(line)]);
      for (std::size_t later = next; later < unitsBefore_.size(); ++later) unitsBefore_[later] += change;
      total_ += change;
      revision_ = editor.revision_;
      return;
    }
    const std::int64_t lines = buffer.ShownLines();
    unitsBefore_.assign(static_cast<std::size_t>(lines), 0);
    std::int64_t units = 0;
    std::u16string decoded;
    for (std::int64_t line = 0; line < lines; ++line) {
      unitsBefore_[static_cast<std::size_t>(line)] = units;
      units += LineUnits(line, decoded) + (line + 1 < lines ? 1 : 0);
    }
    total_ = units;
    revision_ = editor.revision_;
    indexed_ = true;
  }

  std::int64_t LineUnits(std::int64_t line, std::u16string& decoded) const {
    const TTextBuffer& buffer = Editor().buffer_;
    const std::string bytes = buffer.Bytes(buffer.LineStart(line), buffer.LineEnd(line));
    decoded.resize(bytes.size());
    return static_cast<std::int64_t>(Cp932::Decode(bytes, decoded.data()));
  }

  std::int64_t LineOfUnit(std::int64_t unit) const {
    const auto after = std::upper_bound(unitsBefore_.begin(), unitsBefore_.end(), unit);
    return std::max<std::int64_t>(0, (after - unitsBefore_.begin()) - 1);
  }

  int UnitOf(TOffset offset) const {
    Index();
    const TTextBuffer& buffer = Editor().buffer_;
    const std::int64_t line = buffer.LineOf(offset);
    const TOffset start = buffer.LineStart(line);
    const TOffset at = std::min(offset, buffer.LineEnd(line));
    return static_cast<int>(unitsBefore_[static_cast<std::size_t>(line)] +
                            Editor().DecodeRange(start, at).size());
  }

  TOffset OffsetOf(std::int64_t unit) const {
    Index();
    const TTextBuffer& buffer = Editor().buffer_;
    unit = std::clamp<std::int64_t>(unit, 0, total_);
    const std::int64_t line = LineOfUnit(unit);
    std::int64_t within = unit - unitsBefore_[static_cast<std::size_t>(line)];
    TOffset at = buffer.LineStart(line);
    const TOffset end = buffer.LineEnd(line);
    char16_t units[2];
    while (within > 0 && at < end) {
      const TOffset next = buffer.NextChar(at);
      const std::string bytes = buffer.Bytes(at, next);
      within -= static_cast<std::int64_t>(Cp932::Decode(bytes, units));
      at = next;
    }
    return at;
  }

  // Answers a boundary question from the line holding the offset and its neighbours.
  template <class Question>
  QString Around(int offset, QAccessible::TextBoundaryType type, int* start, int* end,
                 Question question) const {
    Index();
    const std::int64_t line = LineOfUnit(offset);
    const std::int64_t first = std::max<std::int64_t>(0, line - 1);
    const std::int64_t last = std::min<std::int64_t>(Editor().buffer_.ShownLines() - 1, line + 1);
    const std::int64_t base = unitsBefore_[static_cast<std::size_t>(first)];
    const std::int64_t limit =
        last + 1 < static_cast<std::int64_t>(unitsBefore_.size()) ? unitsBefore_[static_cast<std::size_t>(last + 1)] : total_;
    const TTextPiece piece(text(static_cast<int>(base), static_cast<int>(limit)));
    const QString found = (piece.*question)(static_cast<int>(offset - base), type, start, end);
    *start += static_cast<int>(base);
    *end += static_cast<int>(base);
    return found;
  }

  mutable std::vector<std::int64_t> unitsBefore_;
  mutable std::int64_t total_ = 0;
  mutable std::uint64_t revision_ = 0;
  mutable bool indexed_ = false;
};

namespace {

QAccessibleInterface* EditorAccessibleFactory(const QString& className, QObject* object) {
  if (className == QLatin1String("TEditorControl") && object != nullptr && object->isWidgetType()) {
    return new TEditorAccessible(static_cast<TEditorControl*>(object));
  }
  return nullptr;
}

}  // namespace

void InstallEditorAccessibility() {
  static const bool installed = [] {
    QAccessible::installFactory(EditorAccessibleFactory);
    return true;
  }();
  (void)installed;
}

// Tells assistive technology about a change without sending the text itself (a whole-text
// replacement may be 100 MB).
void NotifyEditorAccessibility(TEditorControl* editor, bool textChanged) {
  if (!QAccessible::isActive()) return;
  if (textChanged) {
    QAccessibleEvent event(editor, QAccessible::TextUpdated);
    QAccessible::updateAccessibility(&event);
  }
  QAccessibleInterface* shown = QAccessible::queryAccessibleInterface(editor);
  if (shown == nullptr || shown->textInterface() == nullptr) return;
  QAccessibleTextCursorEvent moved(editor, shown->textInterface()->cursorPosition());
  QAccessible::updateAccessibility(&moved);
}
