#include "leveling/gui/pictures.h"

#include <cmath>

#include <QPainter>
#include <QPainterPath>

#include "common/gui/window_parts.h"

namespace kvel::gui {

QPixmap NetworkPicture(const QSize& size) {
  QPixmap picture(size);
  picture.fill(Qt::white);
  QPainter painter(&picture);
  painter.setRenderHint(QPainter::Antialiasing);
  const double w = size.width();
  const double h = size.height();
  painter.setPen(QPen(QColor(0, 0, 128), 1));
  painter.setBrush(Qt::NoBrush);
  painter.drawRect(QRectF(0.5, 0.5, w - 1, h - 1));

  // Points of the network in the upper two thirds; the condition below them.
  const QPointF points[] = {{0.14 * w, 0.18 * h}, {0.50 * w, 0.10 * h}, {0.86 * w, 0.22 * h},
                            {0.28 * w, 0.50 * h}, {0.66 * w, 0.46 * h}, {0.90 * w, 0.62 * h},
                            {0.10 * w, 0.66 * h}};
  const int lines[][2] = {{0, 1}, {1, 2}, {0, 3}, {1, 3}, {1, 4}, {2, 4}, {2, 5},
                          {3, 4}, {4, 5}, {3, 6}, {0, 6}};
  painter.setPen(QPen(QColor(0, 110, 0), 1.4));
  for (const auto& line : lines) painter.drawLine(points[line[0]], points[line[1]]);
  // A direction arrow on each line: the sense of a measured height difference.
  painter.setBrush(QColor(0, 110, 0));
  for (const auto& line : lines) {
    const QPointF a = points[line[0]];
    const QPointF b = points[line[1]];
    const QPointF mid = (a + b) / 2;
    QPointF dir = b - a;
    const double len = std::hypot(dir.x(), dir.y());
    if (len <= 0) continue;
    dir /= len;
    const QPointF normal(-dir.y(), dir.x());
    const QPointF tip = mid + dir * 3.5;
    const QPointF head[] = {tip, mid - dir * 2.5 + normal * 2.5, mid - dir * 2.5 - normal * 2.5};
    painter.setPen(Qt::NoPen);
    painter.drawPolygon(head, 3);
  }
  // Benchmarks as filled triangles, the other points as circles.
  for (int i = 0; i < 7; ++i) {
    const QPointF p = points[i];
    painter.setPen(QPen(Qt::black, 1));
    if (i == 0 || i == 5) {
      painter.setBrush(QColor(200, 0, 0));
      const QPointF tri[] = {p + QPointF(0, -4.5), p + QPointF(4, 3), p + QPointF(-4, 3)};
      painter.drawPolygon(tri, 3);
    } else {
      painter.setBrush(Qt::white);
      painter.drawEllipse(p, 3, 3);
    }
  }
  painter.setPen(QColor(0, 0, 128));
  painter.setFont(orvane::gui::WindowFont(QStringLiteral("Arial"), 13, true));
  painter.drawText(QRectF(0, 0.72 * h, w, 0.26 * h), Qt::AlignCenter, QStringLiteral("[pvv] = min"));
  return picture;
}

QPixmap InfoButtonPicture(const QSize& size) {
  QPixmap picture(size);
  picture.fill(Qt::transparent);
  QPainter painter(&picture);
  painter.setRenderHint(QPainter::Antialiasing);
  const QRectF body(1, 1, size.width() - 3, size.height() - 3);
  // A raised button face: light upper left edge, dark lower right edge.
  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(90, 90, 90));
  painter.drawRoundedRect(body.translated(2, 2), 5, 5);
  QLinearGradient face(body.topLeft(), body.bottomLeft());
  face.setColorAt(0, QColor(210, 255, 255));
  face.setColorAt(1, QColor(0, 190, 210));
  painter.setBrush(face);
  painter.setPen(QPen(QColor(0, 0, 128), 1));
  painter.drawRoundedRect(body, 5, 5);

  painter.setPen(QColor(0, 0, 128));
  painter.setFont(orvane::gui::WindowFont(QStringLiteral("Arial"), 19, true));
  const QRectF text = body.adjusted(4, 0, -4, 0);
  painter.drawText(text, Qt::AlignVCenter | Qt::AlignLeft, QStringLiteral("INFO"));
  const double r = body.height() * 0.34;
  const QPointF centre(body.right() - r - 5, body.center().y());
  painter.setBrush(QColor(0, 0, 160));
  painter.setPen(Qt::NoPen);
  painter.drawEllipse(centre, r, r);
  painter.setPen(Qt::white);
  painter.setFont(orvane::gui::WindowFont(QStringLiteral("Arial"), 17, true));
  painter.drawText(QRectF(centre.x() - r, centre.y() - r, 2 * r, 2 * r), Qt::AlignCenter, QStringLiteral("?"));
  return picture;
}

}  // namespace kvel::gui
