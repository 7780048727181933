// The editor's geometry and painting: rows, scroll ranges, and drawing only the visible cells of
// the visible rows. The faces are fixed-pitch, so a character's place is its column times the
// half-width advance and no text layout is needed.
#include <QGuiApplication>
#include <QInputMethod>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTextCharFormat>

#include <algorithm>
#include <cmath>

#include "document/Cp932Codec.h"
#include "document/editor/EditorControl.h"
#include "document/ShiftJis.h"
#include "document/TextSearch.h"

namespace {

// A byte shown as a boxed pair of hex digits: one that does not decode, or a control byte.
bool IsBoxedControl(unsigned char b) { return (b < 0x20 && b != '\t') || b == 0x7F; }

int ClampToInt(std::int64_t value) {
  return static_cast<int>(std::clamp<std::int64_t>(value, 0, std::numeric_limits<int>::max()));
}

}  // namespace

void TEditorControl::UpdateMetrics() {
  const QFontMetricsF metrics(font());
  cellWidth_ = std::max<qreal>(1, metrics.horizontalAdvance(QLatin1Char('M')));
  rowHeight_ = std::max(1, QFontMetrics(font()).lineSpacing());
  ascent_ = QFontMetrics(font()).ascent();
  verticalScrollBar()->setSingleStep(1);
  estimateDirty_ = true;
  UpdateScrollBars();
  EnsureCaretVisible();
  viewport()->update();
}

void TEditorControl::changeEvent(QEvent* event) {
  QAbstractScrollArea::changeEvent(event);
  if (event->type() == QEvent::FontChange) UpdateMetrics();
  if (event->type() == QEvent::PaletteChange) viewport()->update();
}

void TEditorControl::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  if (wordWrap_) {
    estimateDirty_ = true;
    topRowStart_ = buffer_.RowOf(std::max(topRowStart_, buffer_.LineStart(topLine_)), WrapCells())
                       .first;
  }
  UpdateScrollBars();
}

int TEditorControl::VisibleRows() const {
  return std::max(1, (viewport()->height() - kMargin) / rowHeight_);
}

TEditorControl::TOffset TEditorControl::WrapCells() const {
  if (!wordWrap_) return std::numeric_limits<TOffset>::max() / 4;
  return std::max<TOffset>(1, static_cast<TOffset>((viewport()->width() - 2 * kMargin) / cellWidth_));
}

TEditorControl::TRowSpan TEditorControl::RowAt(std::int64_t line, TOffset rowStart) const {
  const TOffset end = buffer_.LineEnd(line);
  TOffset to = end;
  if (wordWrap_) to = std::min(buffer_.NextRowStart(rowStart, WrapCells()), end);
  return {line, rowStart, to};
}

TEditorControl::TRowSpan TEditorControl::TopRow() const { return RowAt(topLine_, topRowStart_); }

bool TEditorControl::NextRow(TRowSpan& row) const {
  if (wordWrap_ && row.To < buffer_.LineEnd(row.Line)) {
    row = RowAt(row.Line, row.To);
    return true;
  }
  if (row.Line + 1 >= buffer_.ShownLines()) return false;
  row = RowAt(row.Line + 1, buffer_.LineStart(row.Line + 1));
  return true;
}

bool TEditorControl::PrevRow(TRowSpan& row) const {
  if (wordWrap_ && row.From > buffer_.LineStart(row.Line)) {
    row = RowAt(row.Line, buffer_.RowOf(row.From - 1, WrapCells()).second);
    return true;
  }
  if (row.Line == 0) return false;
  const std::int64_t line = row.Line - 1;
  const TOffset start =
      wordWrap_ ? buffer_.RowOf(buffer_.LineEnd(line), WrapCells()).second : buffer_.LineStart(line);
  row = RowAt(line, start);
  return true;
}

void TEditorControl::SetTop(const TRowSpan& row) {
  topLine_ = row.Line;
  topRowStart_ = row.From;
  settingScrollBars_ = true;
  verticalScrollBar()->setValue(ClampToInt(wordWrap_ ? RowNumberOf(row) : row.Line));
  settingScrollBars_ = false;
  viewport()->update();
}

void TEditorControl::ScrollRows(std::int64_t rows) {
  TRowSpan row = TopRow();
  for (; rows > 0 && NextRow(row); --rows) {
  }
  for (; rows < 0 && PrevRow(row); ++rows) {
  }
  SetTop(row);
}

// Wrapped rows per line are estimated from byte counts for the scroll bar only; painting and
// the caret always use the exact rows.
std::int64_t TEditorControl::EstimatedRowsOf(std::int64_t line) const {
  const TOffset cells = WrapCells();
  const TOffset length = buffer_.LineEnd(line) - buffer_.LineStart(line);
  return std::max<TOffset>(1, (length + cells - 1) / cells);
}

void TEditorControl::RebuildWrapEstimate() {
  estimateDirty_ = false;
  estimateSums_.clear();
  estimateTotal_ = 0;
  if (!wordWrap_) return;
  const std::int64_t lines = buffer_.ShownLines();
  estimateSums_.reserve(static_cast<std::size_t>(lines / kEstimateStride + 1));
  for (std::int64_t line = 0; line < lines; ++line) {
    if (line % kEstimateStride == 0) estimateSums_.push_back(estimateTotal_);
    estimateTotal_ += EstimatedRowsOf(line);
  }
}

void TEditorControl::AdjustWrapEstimate(std::int64_t line, std::int64_t rows) {
  for (auto block = static_cast<std::size_t>(line / kEstimateStride + 1); block < estimateSums_.size();
       ++block) {
    estimateSums_[block] += rows;
  }
  estimateTotal_ += rows;
  estimateKept_ = true;
}

std::int64_t TEditorControl::RowNumberOf(const TRowSpan& row) const {
  if (estimateSums_.empty()) return 0;
  const std::int64_t block = row.Line / kEstimateStride;
  std::int64_t number = estimateSums_[static_cast<std::size_t>(block)];
  for (std::int64_t line = block * kEstimateStride; line < row.Line; ++line) {
    number += EstimatedRowsOf(line);
  }
  const TOffset within = (row.From - buffer_.LineStart(row.Line)) / WrapCells();
  return number + std::min<std::int64_t>(within, EstimatedRowsOf(row.Line) - 1);
}

TEditorControl::TRowSpan TEditorControl::RowFromNumber(std::int64_t number) const {
  if (estimateSums_.empty()) return RowAt(0, 0);
  const auto after = std::upper_bound(estimateSums_.begin(), estimateSums_.end(), number);
  const auto block = static_cast<std::int64_t>(after - estimateSums_.begin()) - 1;
  std::int64_t line = std::max<std::int64_t>(0, block) * kEstimateStride;
  std::int64_t first = estimateSums_[static_cast<std::size_t>(std::max<std::int64_t>(0, block))];
  const std::int64_t lines = buffer_.ShownLines();
  while (line + 1 < lines && first + EstimatedRowsOf(line) <= number) {
    first += EstimatedRowsOf(line);
    ++line;
  }
  const TOffset lineStart = buffer_.LineStart(line);
  const TOffset guess =
      std::min(lineStart + (number - first) * WrapCells(), buffer_.LineEnd(line));
  return RowAt(line, buffer_.RowOf(guess, WrapCells()).second);
}

void TEditorControl::UpdateScrollBars() {
  if (estimateDirty_) RebuildWrapEstimate();
  settingScrollBars_ = true;
  QScrollBar* vertical = verticalScrollBar();
  const int rows = VisibleRows();
  if (wordWrap_) {
    vertical->setRange(0, ClampToInt(estimateTotal_ - rows));
    vertical->setValue(ClampToInt(RowNumberOf(TopRow())));
  } else {
    vertical->setRange(0, ClampToInt(buffer_.ShownLines() - rows));
    vertical->setValue(ClampToInt(topLine_));
  }
  vertical->setPageStep(rows);
  QScrollBar* horizontal = horizontalScrollBar();
  const std::int64_t offset = HorizontalOffset();
  const int width = viewport()->width();
  const auto content =
      wordWrap_ ? 0
                : static_cast<std::int64_t>(std::ceil(buffer_.LongestLineCells() * cellWidth_)) +
                      2 * kMargin;
  // Past what an int counts, one step of the scroll bar stands for several pixels.
  const std::int64_t range = std::max<std::int64_t>(0, content - width);
  hScale_ = range / kMostScrollSteps + 1;
  horizontal->setRange(0, static_cast<int>(range / hScale_));
  horizontal->setPageStep(std::max(1, static_cast<int>(width / hScale_)));
  horizontal->setSingleStep(std::max(1, static_cast<int>(std::ceil(cellWidth_ * 2 / hScale_))));
  SetHorizontalOffset(offset);
  settingScrollBars_ = false;
}

std::int64_t TEditorControl::HorizontalOffset() const {
  return static_cast<std::int64_t>(horizontalScrollBar()->value()) * hScale_;
}

void TEditorControl::SetHorizontalOffset(std::int64_t pixels) {
  horizontalScrollBar()->setValue(ClampToInt((pixels + hScale_ / 2) / hScale_));
}

void TEditorControl::scrollContentsBy(int, int) {
  if (settingScrollBars_) return;
  const int value = verticalScrollBar()->value();
  if (wordWrap_) {
    const TRowSpan row = RowFromNumber(value);
    topLine_ = row.Line;
    topRowStart_ = row.From;
  } else {
    topLine_ = std::min<std::int64_t>(value, buffer_.ShownLines() - 1);
    topRowStart_ = buffer_.LineStart(topLine_);
  }
  viewport()->update();
  if (auto* method = QGuiApplication::inputMethod(); hasFocus()) method->update(Qt::ImCursorRectangle);
}

TEditorControl::TOffset TEditorControl::OffsetAt(QPoint point) const {
  const int y = point.y() - kMargin;
  std::int64_t steps = y >= 0 ? y / rowHeight_ : -((-y + rowHeight_ - 1) / rowHeight_);
  TRowSpan row = TopRow();
  for (; steps > 0 && NextRow(row); --steps) {
  }
  for (; steps < 0 && PrevRow(row); ++steps) {
  }
  const qreal x = point.x() - kMargin + static_cast<qreal>(HorizontalOffset());
  const TOffset rowColumn = buffer_.ColumnOf(row.From);
  const auto cells = static_cast<TOffset>(std::floor(std::max<qreal>(0, x) / cellWidth_ + 0.5));
  TOffset at = buffer_.OffsetAtColumn(row.Line, rowColumn + cells, true);
  at = std::clamp(at, row.From, row.To);
  if (at == row.To && row.To < buffer_.LineEnd(row.Line) && row.To > row.From) {
    at = buffer_.CharStart(row.To - 1);  // stay on this row, not at the next one's start
  }
  return at;
}

QPoint TEditorControl::PointOf(TOffset offset) const {
  const TOffset column = buffer_.ColumnOf(offset);
  if (!wordWrap_) {
    const std::int64_t line = buffer_.LineOf(offset);
    const std::int64_t rows = line - topLine_;
    const auto y = static_cast<int>(std::clamp<std::int64_t>(rows, -1000000, 1000000) * rowHeight_);
    const std::int64_t x = std::llround(kMargin + column * cellWidth_) - HorizontalOffset();
    return QPoint(static_cast<int>(std::clamp<std::int64_t>(x, -(1 << 30), 1 << 30)), kMargin + y);
  }
  const TOffset rowStart = buffer_.RowOf(offset, WrapCells()).second;
  TRowSpan row = TopRow();
  int rows = 0;
  const int limit = VisibleRows() + 1;
  if (rowStart < row.From) {
    while (rows > -limit && row.From > rowStart && PrevRow(row)) --rows;
    if (row.From != rowStart) rows = -limit - 1;
  } else {
    while (rows < limit && row.From < rowStart && NextRow(row)) ++rows;
    if (row.From != rowStart) rows = limit + 1;
  }
  const TOffset within = column - buffer_.ColumnOf(rowStart);
  return QPoint(static_cast<int>(std::lround(kMargin + within * cellWidth_)),
                kMargin + rows * rowHeight_);
}

QRect TEditorControl::CaretRect() const {
  return QRect(PointOf(caret_), QSize(1, rowHeight_));
}

void TEditorControl::EnsureCaretVisible() {
  if (viewport() == nullptr) return;
  const int rows = VisibleRows();
  if (!wordWrap_) {
    const std::int64_t line = buffer_.LineOf(caret_);
    std::int64_t top = topLine_;
    if (line < top) top = line;
    if (line >= top + rows) top = line - rows + 1;
    if (top != topLine_) SetTop(RowAt(top, buffer_.LineStart(top)));
    const std::int64_t x = std::llround(buffer_.ColumnOf(caret_) * cellWidth_);
    const std::int64_t shown = HorizontalOffset();
    const int room = viewport()->width() - 2 * kMargin;
    const int cell = static_cast<int>(std::ceil(cellWidth_ * 2));
    // A scaled scroll bar places the view to within one step: keep the caret clear of it.
    const std::int64_t slack = hScale_;
    if (x < shown + slack) {
      SetHorizontalOffset(std::max<std::int64_t>(0, x - room / 4));
    } else if (x + cell + slack > shown + room) {
      SetHorizontalOffset(x + cell - room + room / 4);
    }
    return;
  }
  const TRowSpan caretRow = RowAt(buffer_.LineOf(caret_), buffer_.RowOf(caret_, WrapCells()).second);
  if (caretRow.From < topRowStart_ || caretRow.Line < topLine_) {
    SetTop(caretRow);
    return;
  }
  TRowSpan row = TopRow();
  for (int k = 1; k < rows; ++k) {
    if (row.From == caretRow.From && row.Line == caretRow.Line) return;
    if (!NextRow(row)) return;
  }
  if (row.From == caretRow.From && row.Line == caretRow.Line) return;
  TRowSpan top = caretRow;
  for (int k = 1; k < rows && PrevRow(top); ++k) {
  }
  SetTop(top);
}

TEditorControl::TCellStyle TEditorControl::ScreenStyle() const {
  const std::int64_t hscroll = wordWrap_ ? 0 : HorizontalOffset();
  return {font(), cellWidth_, rowHeight_, ascent_, static_cast<qreal>(kMargin - hscroll), true};
}

void TEditorControl::paintEvent(QPaintEvent* event) {
  QPainter painter(viewport());
  painter.setFont(font());
  const QRect area = event->rect();
  const TCellStyle style = ScreenStyle();
  const std::int64_t hscroll = wordWrap_ ? 0 : HorizontalOffset();
  const auto firstCell = std::max<TOffset>(0, static_cast<TOffset>((hscroll - kMargin) / cellWidth_) - 1);
  const auto lastCell = static_cast<TOffset>((hscroll + viewport()->width()) / cellWidth_) + 2;
  TRowSpan row = TopRow();
  for (int y = kMargin; y < area.bottom() + 1; y += rowHeight_) {
    if (y + rowHeight_ > area.top()) PaintRow(painter, row, y, firstCell, lastCell, style);
    if (!NextRow(row)) break;
  }
}

// Draws one row's cells from firstCell to lastCell (counted from the row's start): selection,
// text in runs, boxed bytes, and on the screen the caret and the input method's text.
std::vector<std::pair<TEditorControl::TOffset, TEditorControl::TOffset>>
TEditorControl::MarkedPlaces(std::string_view bytes, TOffset from) const {
  std::vector<std::pair<TOffset, TOffset>> places;
  for (const std::string& mark : searchMarks_) {
    for (std::size_t at = TextSearch::Next(bytes, 0, mark, searchMatchCase_);
         at != TextSearch::npos; at = TextSearch::Next(bytes, at + mark.size(), mark, searchMatchCase_)) {
      places.emplace_back(from + static_cast<TOffset>(at),
                          from + static_cast<TOffset>(at + mark.size()));
    }
  }
  return places;
}

void TEditorControl::PaintRow(QPainter& painter, const TRowSpan& row, int y, TOffset firstCell,
                              TOffset lastCell, const TCellStyle& style) const {
  const qreal cellWidth = style.CellWidth;
  const int rowHeight = style.RowHeight;
  const TOffset rowColumn = buffer_.ColumnOf(row.From);
  const QFontMetrics metrics(style.Font, painter.device());
  const bool lastRowOfLine = row.To == buffer_.LineEnd(row.Line);
  const bool caretHere =
      caret_ >= row.From && (caret_ < row.To || (caret_ == row.To && lastRowOfLine));
  // The input method's text sits at the caret and pushes the rest of the row to the right.
  const bool composing = style.Screen && caretHere && !preedit_.isEmpty();
  const TOffset caretColumn = caretHere ? buffer_.ColumnOf(caret_) : 0;
  const qreal composedWidth = composing ? metrics.horizontalAdvance(preedit_) : 0;
  const auto xOf = [&](TOffset column) {
    const qreal pushed = composing && column >= caretColumn ? composedWidth : 0;
    return style.Left + static_cast<qreal>(column - rowColumn) * cellWidth + pushed;
  };
  TOffset from =
      std::max(row.From, buffer_.OffsetAtColumn(row.Line, rowColumn + firstCell));
  TOffset column = buffer_.ColumnOf(from);
  const TOffset lastColumn = rowColumn + lastCell;
  const TOffset selFrom = style.Screen ? std::min(caret_, anchor_) : 0;
  const TOffset selTo = style.Screen ? std::max(caret_, anchor_) : 0;
  const QPalette& colours = palette();
  const QColor ink = style.Screen ? colours.text().color() : QColor(Qt::black);

  if (style.Screen && tintFirst_ >= 0 && row.Line >= tintFirst_ && row.Line <= tintLast_) {
    painter.fillRect(QRectF(0, y, viewport()->width(), rowHeight), QColor(226, 240, 255));
  }
  // Only the cells in view are copied out: a 50 MB line costs what its visible part costs.
  const TOffset stop = std::min(row.To, buffer_.OffsetAtColumn(row.Line, lastColumn) + 2);
  const std::string bytes = buffer_.Bytes(from, stop);
  if (style.Screen && !searchMarks_.empty()) {
    std::size_t longest = 0;
    for (const std::string& mark : searchMarks_) longest = std::max(longest, mark.size());
    const std::string around = buffer_.Bytes(from, std::min(row.To, stop + static_cast<TOffset>(longest)));
    for (const auto& [a, b] : MarkedPlaces(around, from)) {
      const qreal left = xOf(buffer_.ColumnOf(a));
      const qreal right = xOf(buffer_.ColumnOf(std::min(b, row.To)));
      painter.fillRect(QRectF(left, y, right - left, rowHeight), QColor(255, 226, 110));
    }
  }

  if (selFrom < selTo && selFrom <= row.To && selTo > row.From) {
    const TOffset a = std::max(selFrom, row.From), b = std::min(selTo, row.To);
    qreal left = xOf(buffer_.ColumnOf(a)), right = xOf(buffer_.ColumnOf(b));
    if (selTo > row.To && row.To == buffer_.LineEnd(row.Line)) right += cellWidth / 2;
    painter.fillRect(QRectF(left, y, right - left, rowHeight), colours.highlight());
  }

  QString run;
  qreal runX = 0;
  bool runSelected = false;
  const auto flush = [&] {
    if (run.isEmpty()) return;
    painter.setPen(runSelected ? colours.highlightedText().color() : ink);
    painter.drawText(QPointF(runX, y + style.Ascent), run);
    run.clear();
  };
  std::size_t i = 0;
  char16_t units[2];
  while (i < bytes.size() && column <= lastColumn) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    const TOffset at = from + static_cast<TOffset>(i);
    const bool selected = at >= selFrom && at < selTo;
    if (composing && at == caret_) flush();
    if (b == '\t') {
      flush();
      column = (column / TTextBuffer::kTabCells + 1) * TTextBuffer::kTabCells;
      ++i;
      continue;
    }
    const bool pair = ShiftJis::IsLeadByte(b) && i + 1 < bytes.size() &&
                      ShiftJis::IsTrailByte(static_cast<unsigned char>(bytes[i + 1]));
    const std::size_t length = pair ? 2 : 1;
    // A pair is drawn as the character it stands for, also where CP932 holds that character
    // twice and the codec keeps the pair as escape units.
    std::size_t count = 0;
    const TForeignChars::TEntry* foreign =
        pair && foreign_ != nullptr ? foreign_->Find(b, static_cast<unsigned char>(bytes[i + 1])) : nullptr;
    if (foreign != nullptr) {
      // A character CP932 lacks, in its two cells; a byte that was no character, boxed.
      flush();
      const QRectF cells(xOf(column), y, cellWidth * 2, rowHeight);
      painter.save();
      painter.setPen(selected ? colours.highlightedText().color() : ink);
      painter.setClipRect(cells, Qt::IntersectClip);
      if (foreign->IsByte) {
        painter.drawRect(cells.adjusted(0.5, 0.5, -0.5, -0.5));
        painter.drawText(cells, Qt::AlignCenter,
                         QStringLiteral("%1").arg(foreign->Byte, 2, 16, QLatin1Char('0')).toUpper());
      } else {
        painter.drawText(QPointF(cells.left(), y + style.Ascent), QString::fromUcs4(&foreign->CodePoint, 1));
      }
      painter.restore();
      column += 2;
      i += 2;
      continue;
    }
    if (pair) {
      units[0] = Cp932::ShownCharacter(b, static_cast<unsigned char>(bytes[i + 1]));
      count = units[0] != 0 ? 1 : 2;
    } else if (!IsBoxedControl(b)) {
      count = Cp932::Decode(std::string_view(bytes).substr(i, 1), units);
    }
    const bool decoded = count == 1 && (units[0] < Cp932::kEscapeBase || units[0] > Cp932::kEscapeBase + 0xFF);
    if (!decoded || !metrics.inFont(QChar(units[0]))) {
      flush();
      painter.save();
      painter.setPen(selected ? colours.highlightedText().color() : ink);
      if (decoded) {
        // A glyph the face lacks comes from another face: keep it inside its own cells.
        const QRectF cell(xOf(column), y, cellWidth * static_cast<qreal>(length), rowHeight);
        painter.setClipRect(cell, Qt::IntersectClip);
        painter.drawText(QPointF(cell.left(), y + style.Ascent), QString(QChar(units[0])));
      } else {
        // A box one cell wide holds the byte's two hex digits one above the other.
        QFont small = style.Font;
        small.setPixelSize(std::max(4, (rowHeight - 3) / 2));
        painter.setFont(small);
        for (std::size_t k = 0; k < length; ++k) {
          const QRectF cell(xOf(column + static_cast<TOffset>(k)) + 0.5, y + 0.5, cellWidth - 1,
                            rowHeight - 1);
          painter.drawRect(cell);
          const QString digits = QStringLiteral("%1")
                                     .arg(static_cast<unsigned char>(bytes[i + k]), 2, 16,
                                          QLatin1Char('0'))
                                     .toUpper();
          const QRectF top(cell.left(), cell.top(), cell.width(), cell.height() / 2);
          painter.drawText(top, Qt::AlignCenter, digits.left(1));
          painter.drawText(top.translated(0, cell.height() / 2), Qt::AlignCenter, digits.right(1));
        }
      }
      painter.restore();
      column += static_cast<TOffset>(length);
      i += length;
      continue;
    }
    if (!run.isEmpty() && selected != runSelected) flush();
    if (run.isEmpty()) {
      runX = xOf(column);
      runSelected = selected;
    }
    run += QChar(units[0]);
    column += static_cast<TOffset>(length);
    i += length;
  }
  flush();

  if (!style.Screen || !caretHere) return;
  const qreal caretX = style.Left + static_cast<qreal>(caretColumn - rowColumn) * cellWidth;
  if (composing) {
    const qreal width = composedWidth;
    painter.setPen(colours.text().color());
    painter.drawText(QPointF(caretX, y + ascent_), preedit_);
    painter.drawLine(QPointF(caretX, y + rowHeight_ - 1), QPointF(caretX + width, y + rowHeight_ - 1));
    int cursor = static_cast<int>(preedit_.size());
    for (const QInputMethodEvent::Attribute& a : preeditAttributes_) {
      if (a.type == QInputMethodEvent::Cursor) cursor = a.start;
      if (a.type == QInputMethodEvent::TextFormat && a.length > 0) {
        const QTextCharFormat format = qvariant_cast<QTextFormat>(a.value).toCharFormat();
        const qreal left = caretX + metrics.horizontalAdvance(preedit_.left(a.start));
        const qreal right = left + metrics.horizontalAdvance(preedit_.mid(a.start, a.length));
        if (format.background().style() != Qt::NoBrush) {
          painter.fillRect(QRectF(left, y, right - left, rowHeight_), format.background());
          painter.drawText(QPointF(left, y + ascent_), preedit_.mid(a.start, a.length));
        }
        painter.fillRect(QRectF(left, y + rowHeight_ - 2, right - left, 2), colours.text());
      }
    }
    const qreal at = caretX + metrics.horizontalAdvance(preedit_.left(cursor));
    painter.fillRect(QRectF(at, y, 1, rowHeight_), colours.text());
    return;
  }
  if (caretShown_ && hasFocus()) {
    painter.fillRect(QRectF(std::round(caretX), y, 1, rowHeight_), colours.text());
  }
}
