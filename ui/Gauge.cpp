#include "ui/Gauge.h"

#include <QTimer>

namespace {

QColor Pure(GaugeColor color) { return color == GaugeColor::Red ? QColor(255, 0, 0) : QColor(0, 0, 255); }

// Gauges are painted at most this often while they move.
constexpr int kRepaintIntervalMs = 40;

}  // namespace

// A progress bar repaints at once when its percentage changes or its range
// drops below its value. The gauges change with every answer of every unit,
// so their painting waits for a short interval instead, in which further
// changes come along: an answer's handling does not wait for a paint, and
// the next command goes out first.
template <typename Change>
void TGauge::Quietly(Change change) {
  bar_->setUpdatesEnabled(false);
  change();
  if (repaintDue_) return;
  repaintDue_ = true;
  QTimer::singleShot(kRepaintIntervalMs, bar_, [this] {
    repaintDue_ = false;
    bar_->setUpdatesEnabled(true);  // paints the bar as it is now
  });
}

TGauge::TGauge(TGaugeBar* bar) : bar_(bar) {
  bar_->setRange(0, max_);
  bar_->setValue(0);
  bar_->SetChunkColor(Pure(color_));
}

void TGauge::SetMax(int max) {
  max_ = max < 0 ? 0 : max;
  // A range of 0..0 would turn the bar into a busy indicator.
  Quietly([&] { bar_->setMaximum(max_ < 1 ? 1 : max_); });
  SetProgress(progress_);
}

void TGauge::SetProgress(int progress) {
  // Like a gauge, the progress is held within 0..Max.
  progress_ = progress < 0 ? 0 : (progress > max_ ? max_ : progress);
  Quietly([&] { bar_->setValue(progress_); });
}

int TGauge::Max() const { return max_; }

int TGauge::Progress() const { return progress_; }

void TGauge::SetColor(GaugeColor color) {
  if (color == color_) return;
  color_ = color;
  bar_->SetChunkColor(Pure(color));
}

void TGauge::SetEnabled(bool enabled) { bar_->setEnabled(enabled); }
