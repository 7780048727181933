// Printing the whole text: the screen's row drawing with the printer's metrics, long lines
// wrapped at the page's width, as many rows on a page as its printable area holds.
#include <QPainter>
#include <QPrinter>

#include <algorithm>

#include "document/editor/EditorControl.h"
#include "document/Failures.h"

void TEditorControl::Print(QPrinter& printer) const {
  if (!printer.isValid()) throw EKorvaneError("ﾌﾟﾘﾝﾀが使えません。プリンタの設定を確かめてください。");
  QPainter painter;
  if (!painter.begin(&printer)) {
    throw EKorvaneError("印刷できませんでした。プリンタの設定を確かめてください。");
  }
  TCellStyle style;
  style.Font = QFont(font(), &printer);
  style.Screen = false;
  const QFontMetricsF metrics(style.Font, &printer);
  style.CellWidth = std::max<qreal>(1, metrics.horizontalAdvance(QLatin1Char('M')));
  style.RowHeight = std::max(1, QFontMetrics(style.Font, &printer).lineSpacing());
  style.Ascent = QFontMetrics(style.Font, &printer).ascent();
  painter.setFont(style.Font);

  const QRect page(0, 0, printer.width(), printer.height());
  const auto cells = std::max<TOffset>(1, static_cast<TOffset>(page.width() / style.CellWidth));
  const int rowsPerPage = std::max(1, page.height() / style.RowHeight);
  int rowOnPage = 0;
  const std::int64_t lines = buffer_.DocumentLines();
  for (std::int64_t line = 0; line < lines; ++line) {
    const TOffset end = buffer_.LineEnd(line);
    TOffset from = buffer_.LineStart(line);
    do {
      if (rowOnPage == rowsPerPage) {
        if (!printer.newPage()) {
          throw EKorvaneError("印刷できませんでした。プリンタの設定を確かめてください。");
        }
        rowOnPage = 0;
      }
      const TOffset to = std::min(buffer_.NextRowStart(from, cells), end);
      PaintRow(painter, {line, from, to}, rowOnPage * style.RowHeight, 0, cells, style);
      ++rowOnPage;
      from = to;
    } while (from < end);
  }
  painter.end();
  if (printer.printerState() == QPrinter::Error || printer.printerState() == QPrinter::Aborted) {
    throw EKorvaneError("印刷できませんでした。プリンタの設定を確かめてください。");
  }
}
