#include "ui/GaugeBar.h"

#include <QPainter>
#include <QRegion>
#include <algorithm>
#include <cmath>

namespace {

double Channel(double c) { return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4); }

double Luminance(const QColor& c) {
  return 0.2126 * Channel(c.redF()) + 0.7152 * Channel(c.greenF()) + 0.0722 * Channel(c.blueF());
}

}  // namespace

QColor TextColorOver(const QColor& background) {
  const double l = Luminance(background);
  const double overWhite = 1.05 / (l + 0.05), overBlack = (l + 0.05) / 0.05;
  return overWhite >= overBlack ? QColor(Qt::white) : QColor(Qt::black);
}

TGaugeBar::TGaugeBar(QWidget* parent) : QProgressBar(parent) {}

void TGaugeBar::SetChunkColor(const QColor& color) {
  if (color == chunk_) return;
  chunk_ = color;
  update();
}

void TGaugeBar::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QRect frame = rect().adjusted(0, 0, -1, -1);
  painter.fillRect(rect(), Qt::white);
  painter.setPen(Qt::gray);
  painter.drawRect(frame);

  const QRect inside = rect().adjusted(1, 1, -1, -1);
  const qint64 span = qint64{maximum()} - minimum();
  const qint64 done = qint64{value()} - minimum();
  const int width = span > 0 ? static_cast<int>(inside.width() * std::clamp<qint64>(done, 0, span) / span) : 0;
  const QRect chunk(inside.topLeft(), QSize(width, inside.height()));
  painter.fillRect(chunk, chunk_);
  if (!isTextVisible()) return;

  QFont bold = font();
  bold.setBold(true);
  painter.setFont(bold);
  const QString label = text();
  painter.setClipRect(chunk);
  painter.setPen(TextColorOver(chunk_));
  painter.drawText(inside, Qt::AlignCenter, label);
  painter.setClipRegion(QRegion(inside).subtracted(chunk));
  painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
  painter.drawText(inside, Qt::AlignCenter, label);
}
