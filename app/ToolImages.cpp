// The tool-bar pictures, drawn with simple shapes so that no image files need shipping.
#include "app/ToolImages.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <cmath>

namespace {

constexpr int kSize = 20;

void Sheet(QPainter& p, QRectF r, const QColor& fill = Qt::white) {
  QPainterPath path;
  path.moveTo(r.left(), r.top());
  path.lineTo(r.right() - 4, r.top());
  path.lineTo(r.right(), r.top() + 4);
  path.lineTo(r.right(), r.bottom());
  path.lineTo(r.left(), r.bottom());
  path.closeSubpath();
  p.setPen(QPen(QColor(60, 60, 60), 1));
  p.setBrush(fill);
  p.drawPath(path);
  p.setPen(QPen(QColor(150, 150, 150), 1));
  for (qreal y = r.top() + 5; y < r.bottom() - 2; y += 3) {
    p.drawLine(QPointF(r.left() + 2.5, y), QPointF(r.right() - 2.5, y));
  }
}

void Folder(QPainter& p) {
  p.setPen(QPen(QColor(120, 90, 20), 1));
  p.setBrush(QColor(240, 200, 80));
  p.drawRect(QRectF(2.5, 6.5, 15, 10));
  p.drawRect(QRectF(2.5, 4.5, 6, 2));
}

void Magnifier(QPainter& p, const QString& sign) {
  p.setPen(QPen(QColor(40, 40, 40), 2));
  p.setBrush(QColor(220, 240, 255));
  p.drawEllipse(QRectF(2, 2, 11, 11));
  p.drawLine(QPointF(11.5, 11.5), QPointF(17.5, 17.5));
  p.setPen(QColor(0, 0, 160));
  QFont font = p.font();
  font.setPixelSize(10);
  font.setBold(true);
  p.setFont(font);
  p.drawText(QRectF(2, 2, 11, 11), Qt::AlignCenter, sign);
}

void Glyph(QPainter& p, const QString& text, const QColor& colour, int pixels = 13) {
  QFont font = p.font();
  font.setPixelSize(pixels);
  font.setBold(true);
  p.setFont(font);
  p.setPen(colour);
  p.drawText(QRectF(0, 0, kSize, kSize), Qt::AlignCenter, text);
}

void Arrow(QPainter& p, QPointF from, QPointF to, const QColor& colour) {
  p.setPen(QPen(colour, 2, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(from, to);
  const QPointF d = (to - from) / std::hypot(to.x() - from.x(), to.y() - from.y());
  const QPointF n(-d.y(), d.x());
  p.drawLine(to, to - d * 4 + n * 3);
  p.drawLine(to, to - d * 4 - n * 3);
}

void Draw(QPainter& p, int index) {
  switch (index) {
    case 0:  // open
      Folder(p);
      Arrow(p, QPointF(14, 15), QPointF(14, 8), QColor(0, 120, 0));
      break;
    case 1:  // merge
      Sheet(p, QRectF(1.5, 1.5, 10, 13));
      Sheet(p, QRectF(7.5, 5.5, 10, 13), QColor(230, 245, 255));
      break;
    case 2:  // close
      Sheet(p, QRectF(3.5, 1.5, 12, 16));
      p.setPen(QPen(QColor(200, 0, 0), 2));
      p.drawLine(QPointF(6, 7), QPointF(13, 14));
      p.drawLine(QPointF(13, 7), QPointF(6, 14));
      break;
    case 3:  // save
      p.setPen(QPen(QColor(20, 20, 90), 1));
      p.setBrush(QColor(60, 80, 170));
      p.drawRect(QRectF(2.5, 2.5, 15, 15));
      p.setBrush(Qt::white);
      p.drawRect(QRectF(5.5, 2.5, 9, 6));
      p.setBrush(QColor(200, 200, 200));
      p.drawRect(QRectF(5.5, 11.5, 9, 6));
      break;
    case 4:  // wrap at the right edge
      p.setPen(QPen(QColor(60, 60, 60), 1));
      p.drawLine(QPointF(16.5, 2), QPointF(16.5, 18));
      Arrow(p, QPointF(3, 5), QPointF(14, 5), QColor(0, 90, 180));
      Arrow(p, QPointF(14, 9), QPointF(4, 14), QColor(0, 90, 180));
      break;
    case 5:  // exit
      p.setPen(QPen(QColor(90, 50, 20), 1));
      p.setBrush(QColor(170, 110, 60));
      p.drawRect(QRectF(3.5, 2.5, 9, 15));
      Arrow(p, QPointF(9, 10), QPointF(18, 10), QColor(200, 0, 0));
      break;
    case 6: Magnifier(p, QStringLiteral("+")); break;
    case 7: Magnifier(p, QStringLiteral("-")); break;
    case 8: Magnifier(p, QStringLiteral("=")); break;
    case 9:  // new
      Sheet(p, QRectF(3.5, 1.5, 12, 16));
      Glyph(p, QStringLiteral("*"), QColor(220, 160, 0), 12);
      break;
    case 10: Glyph(p, QStringLiteral("?"), QColor(90, 90, 90)); break;
    case 11: {  // undo
      p.setPen(QPen(QColor(0, 90, 180), 2));
      p.setBrush(Qt::NoBrush);
      p.drawArc(QRectF(4, 4, 12, 11), 90 * 16, -200 * 16);
      Arrow(p, QPointF(10, 4), QPointF(4, 4), QColor(0, 90, 180));
      break;
    }
    case 12: Glyph(p, QStringLiteral("#"), QColor(90, 90, 90)); break;
    case 13:  // cut
      p.setPen(QPen(QColor(60, 60, 60), 1.5));
      p.setBrush(Qt::NoBrush);
      p.drawEllipse(QRectF(3, 12, 5, 5));
      p.drawEllipse(QRectF(12, 12, 5, 5));
      p.drawLine(QPointF(7, 12), QPointF(14, 2));
      p.drawLine(QPointF(13, 12), QPointF(6, 2));
      break;
    case 14: Glyph(p, QStringLiteral("="), QColor(90, 90, 90)); break;
    case 15:  // range start
      Glyph(p, QStringLiteral("["), QColor(0, 130, 130), 16);
      Arrow(p, QPointF(12, 16), QPointF(12, 5), QColor(0, 130, 130));
      break;
    case 16:  // range end
      Glyph(p, QStringLiteral("]"), QColor(0, 130, 130), 16);
      Arrow(p, QPointF(7, 4), QPointF(7, 15), QColor(0, 130, 130));
      break;
    case 17: Glyph(p, QStringLiteral("ｱ"), QColor(160, 0, 160), 15); break;  // to half width
    case 18:  // mark
      p.setPen(QPen(QColor(60, 60, 60), 1.5));
      p.drawLine(QPointF(5, 2), QPointF(5, 18));
      p.setBrush(QColor(230, 40, 40));
      p.setPen(Qt::NoPen);
      p.drawPolygon(QPolygonF({QPointF(5.5, 2.5), QPointF(16, 6), QPointF(5.5, 10)}));
      break;
    case 19: Glyph(p, QStringLiteral("<>"), QColor(180, 60, 0), 11); break;
    case 20:
      Glyph(p, QStringLiteral("<>"), QColor(180, 60, 0), 11);
      p.setPen(QPen(QColor(0, 90, 180), 1.5));
      p.drawLine(QPointF(3, 17), QPointF(17, 17));
      break;
    case 21:  // a page made text: a sheet with lines of text beside the tag mark
      Sheet(p, QRectF(8.5, 2.5, 9, 15));
      p.setPen(QPen(QColor(60, 60, 60), 1));
      for (const qreal y : {6.0, 9.0, 12.0, 15.0}) p.drawLine(QPointF(10.5, y), QPointF(15.5, y));
      Glyph(p, QStringLiteral("<"), QColor(180, 60, 0), 10);
      break;
    default:
      break;
  }
}

}  // namespace

QIcon ToolImage(int index) {
  if (index < 0 || index > 21) return {};
  QPixmap picture(kSize, kSize);
  picture.fill(Qt::transparent);
  QPainter painter(&picture);
  painter.setRenderHint(QPainter::Antialiasing);
  Draw(painter, index);
  painter.end();
  return QIcon(picture);
}

// The program's picture, the same files the desktop's menus show (packaging/icons).
QIcon ProgramIcon() {
  QIcon icon;
  for (const int size : kProgramIconSizes) {
    icon.addFile(QStringLiteral(":/icons/%1.png").arg(size), QSize(size, size));
  }
  return icon;
}

QPixmap ProgramPicture(int size) { return ProgramIcon().pixmap(size, size); }
