#include "viewer/StateIcons.h"

#include <QPainter>
#include <QPainterPath>
#include <functional>

namespace ravok::viewer {
namespace {

QPixmap Blank() {
  QPixmap pix(kStateIconSize, kStateIconSize);
  pix.fill(Qt::transparent);
  return pix;
}

// A filled disc with a white mark on it.
QPixmap Disc(const QColor& fill, const std::function<void(QPainter&)>& mark) {
  QPixmap pix = Blank();
  QPainter p(&pix);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(fill.darker(150), 1));
  p.setBrush(fill);
  p.drawEllipse(QRectF(0.5, 0.5, kStateIconSize - 1, kStateIconSize - 1));
  p.setPen(QPen(Qt::white, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(Qt::NoBrush);
  mark(p);
  return pix;
}

void Check(QPainter& p) { p.drawPolyline(QPolygonF({{4.5, 8.5}, {7, 11}, {11.5, 5}})); }
void Bar(QPainter& p) { p.drawLine(QPointF(4.5, 8), QPointF(11.5, 8)); }
void Cross(QPainter& p) {
  p.drawLine(QPointF(5, 5), QPointF(11, 11));
  p.drawLine(QPointF(11, 5), QPointF(5, 11));
}

QPixmap RefreshArrow() {
  QPixmap pix = Blank();
  QPainter p(&pix);
  p.setRenderHint(QPainter::Antialiasing);
  const QColor blue(30, 90, 200);
  p.setPen(QPen(blue, 2, Qt::SolidLine, Qt::RoundCap));
  p.drawArc(QRectF(2.5, 2.5, 11, 11), 90 * 16, 270 * 16);
  QPainterPath head;
  head.moveTo(8, 0.5);
  head.lineTo(12, 3);
  head.lineTo(8, 5.5);
  head.closeSubpath();
  p.fillPath(head, blue);
  return pix;
}

}  // namespace

QList<QPixmap> DrawStateIcons() {
  return {Disc(QColor(40, 160, 60), Check), Disc(QColor(230, 170, 20), Bar),
          Disc(QColor(200, 40, 40), Cross)};
}

QIcon DrawGlyph(Glyph glyph) {
  switch (glyph) {
    case Glyph::Connect: return QIcon(Disc(QColor(40, 120, 200), Check));
    case Glyph::Refresh: return QIcon(RefreshArrow());
    case Glyph::Exit: return QIcon(Disc(QColor(200, 40, 40), Cross));
  }
  return {};
}

}  // namespace ravok::viewer
