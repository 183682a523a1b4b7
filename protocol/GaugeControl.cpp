#include "protocol/GaugeControl.h"

#include <algorithm>
#include <limits>

namespace {
constexpr int64_t kIntMax = std::numeric_limits<int>::max();
}

void SetGaugeMax(IGauge* gauge, int64_t max) {
  if (gauge == nullptr) return;
  int clamped = static_cast<int>(std::clamp<int64_t>(max, 1, kIntMax));
  gauge->SetMax(clamped);
  if (gauge->Progress() > clamped) gauge->SetProgress(clamped);
}

void SetGaugeProgress(IGauge* gauge, int64_t progress) {
  if (gauge == nullptr) return;
  int64_t max = std::max(gauge->Max(), 0);
  gauge->SetProgress(static_cast<int>(std::clamp<int64_t>(progress, 0, max)));
}

void FillGauge(IGauge* gauge) {
  if (gauge == nullptr) return;
  SetGaugeProgress(gauge, gauge->Max());
}

void SetGauge(IGauge* gauge, int64_t progress, int64_t max, GaugeColor color) {
  if (gauge == nullptr) return;
  SetGaugeMax(gauge, max);
  SetGaugeProgress(gauge, progress);
  gauge->SetColor(color);
}
