#include "shell/images.h"

#include <QPainter>
#include <QPixmap>

namespace plexaro {
namespace {
constexpr int kSize = 16;

QIcon IconOf(const QPixmap& pixmap) {
  QIcon icon;
  for (QIcon::Mode mode : {QIcon::Normal, QIcon::Disabled, QIcon::Active, QIcon::Selected}) {
    icon.addPixmap(pixmap, mode);
  }
  return icon;
}

QPixmap Blank() {
  QPixmap pixmap(kSize, kSize);
  pixmap.fill(Qt::transparent);
  return pixmap;
}

QPixmap Root() {
  QPixmap pixmap = Blank();
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(QColor(30, 80, 160), 1.2));
  p.setBrush(QColor(120, 170, 230));
  p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
  p.drawLine(QPointF(1.5, 8), QPointF(14.5, 8));
  p.drawEllipse(QRectF(5, 1.5, 6, 13));
  return pixmap;
}

QPixmap Configuration() {
  QPixmap pixmap = Blank();
  QPainter p(&pixmap);
  p.setPen(QColor(40, 110, 40));
  p.setBrush(QColor(150, 210, 120));
  p.drawRect(2, 2, 11, 11);
  p.drawLine(5, 6, 10, 6);
  p.drawLine(5, 9, 10, 9);
  return pixmap;
}

QPixmap Keyword() {
  QPixmap pixmap = Blank();
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QColor(170, 90, 0));
  p.setBrush(QColor(250, 180, 60));
  const QPointF diamond[] = {{8, 2}, {14, 8}, {8, 14}, {2, 8}};
  p.drawPolygon(diamond, 4);
  return pixmap;
}

QPixmap Dot(QColor color) {
  QPixmap pixmap = Blank();
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(color.darker(140));
  p.setBrush(color);
  p.drawEllipse(QRectF(4, 4, 8, 8));
  return pixmap;
}
}  // namespace

QIcon ShellImage(int index) {
  static const QIcon kImages[] = {IconOf(Root()), IconOf(Configuration()), IconOf(Keyword()),
                                  IconOf(Dot(QColor(160, 160, 160))),
                                  IconOf(Dot(QColor(220, 40, 40)))};
  return (index >= 0 && index < 5) ? kImages[index] : QIcon();
}

QIcon ProgramIcon() {
  return ShellImage(0);
}

}  // namespace plexaro
