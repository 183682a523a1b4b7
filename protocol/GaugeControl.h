#pragma once
// Safe settings of a slot's gauge. Maxima and positions come partly from the
// units' own reports and may be 0, negative or huge; what reaches the gauge
// is kept to a maximum of at least 1 and a progress within 0..maximum, so
// the gauge never divides by an empty range. A null gauge is left alone.
#include <cstdint>

#include "protocol/View.h"

void SetGaugeMax(IGauge* gauge, int64_t max);
void SetGaugeProgress(IGauge* gauge, int64_t progress);
// Progress = maximum.
void FillGauge(IGauge* gauge);
// Maximum, then progress, then colour.
void SetGauge(IGauge* gauge, int64_t progress, int64_t max, GaugeColor color);
