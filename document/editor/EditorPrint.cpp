// Printing the whole text: the screen's row drawing with the printer's metrics, long lines
// wrapped at the page's width, inside margins of at least 15 mm, with the document's name at
// the top of every page and "n / N" at the bottom.
#include <QPageLayout>
#include <QPainter>
#include <QPrinter>

#include <algorithm>

#include "document/editor/EditorControl.h"
#include "document/Failures.h"

namespace {

// Real printers cannot print at the paper's edge; 15 mm on every side is what people expect.
constexpr qreal kLeastMarginMm = 15;

void FailPrinting() {
  throw EKorvaneError("印刷できませんでした。プリンタの設定を確かめてください。");
}

// The printer's margins, each at least kLeastMarginMm.
void KeepMargins(QPrinter& printer) {
  const QMarginsF now = printer.pageLayout().margins(QPageLayout::Millimeter);
  const QMarginsF wanted(std::max(now.left(), kLeastMarginMm), std::max(now.top(), kLeastMarginMm),
                         std::max(now.right(), kLeastMarginMm),
                         std::max(now.bottom(), kLeastMarginMm));
  printer.setPageMargins(wanted, QPageLayout::Millimeter);
}

}  // namespace

std::int64_t TEditorControl::PrintedRows(TOffset cells) const {
  std::int64_t rows = 0;
  const std::int64_t lines = buffer_.DocumentLines();
  for (std::int64_t line = 0; line < lines; ++line) {
    const TOffset end = buffer_.LineEnd(line);
    TOffset from = buffer_.LineStart(line);
    do {
      from = std::min(buffer_.NextRowStart(from, cells), end);
      ++rows;
    } while (from < end);
  }
  return rows;
}

void TEditorControl::Print(QPrinter& printer, const QString& title) const {
  if (!printer.isValid()) throw EKorvaneError("ﾌﾟﾘﾝﾀが使えません。プリンタの設定を確かめてください。");
  KeepMargins(printer);
  QPainter painter;
  if (!painter.begin(&printer)) FailPrinting();
  TCellStyle style;
  style.Font = QFont(font(), &printer);
  style.Screen = false;
  const QFontMetricsF metrics(style.Font, &printer);
  style.CellWidth = std::max<qreal>(1, metrics.horizontalAdvance(QLatin1Char('M')));
  style.RowHeight = std::max(1, QFontMetrics(style.Font, &printer).lineSpacing());
  style.Ascent = QFontMetrics(style.Font, &printer).ascent();
  QFont small(font(), &printer);
  small.setPointSizeF(std::max(6.0, font().pointSizeF() * 0.8));
  const int smallHeight = QFontMetrics(small, &printer).lineSpacing();

  // The painter's origin is the top left of the area inside the margins.
  const QRect area(0, 0, printer.width(), printer.height());
  const int headerHeight = smallHeight + smallHeight / 2;
  const QRect body(area.left(), area.top() + headerHeight, area.width(),
                   std::max(style.RowHeight, area.height() - 2 * headerHeight));
  const auto cells = std::max<TOffset>(1, static_cast<TOffset>(body.width() / style.CellWidth));
  const int rowsPerPage = std::max(1, body.height() / style.RowHeight);
  const std::int64_t pages = std::max<std::int64_t>(1, (PrintedRows(cells) + rowsPerPage - 1) / rowsPerPage);
  std::int64_t page = 0;
  const auto framePage = [&] {
    ++page;
    painter.save();
    painter.setFont(small);
    painter.setPen(Qt::black);
    const QFontMetrics fm(small, &printer);
    painter.drawText(QRect(area.left(), area.top(), area.width(), smallHeight),
                     Qt::AlignLeft | Qt::AlignVCenter,
                     fm.elidedText(title, Qt::ElideMiddle, area.width()));
    painter.drawText(QRect(area.left(), area.bottom() - smallHeight, area.width(), smallHeight),
                     Qt::AlignHCenter | Qt::AlignVCenter,
                     QStringLiteral("%1 / %2").arg(page).arg(pages));
    painter.restore();
    painter.setFont(style.Font);
  };
  painter.setFont(style.Font);
  framePage();
  int rowOnPage = 0;
  const std::int64_t lines = buffer_.DocumentLines();
  for (std::int64_t line = 0; line < lines; ++line) {
    const TOffset end = buffer_.LineEnd(line);
    TOffset from = buffer_.LineStart(line);
    do {
      if (rowOnPage == rowsPerPage) {
        if (!printer.newPage()) FailPrinting();
        framePage();
        rowOnPage = 0;
      }
      const TOffset to = std::min(buffer_.NextRowStart(from, cells), end);
      PaintRow(painter, {line, from, to}, body.top() + rowOnPage * style.RowHeight, 0, cells, style);
      ++rowOnPage;
      from = to;
    } while (from < end);
  }
  painter.end();
  if (printer.printerState() == QPrinter::Error || printer.printerState() == QPrinter::Aborted) {
    FailPrinting();
  }
}
