#include <gtest/gtest.h>

#include <climits>

#include "protocol/GaugeControl.h"
#include "support/FakeView.h"

namespace {

TEST(GaugeControl, MaximumIsAtLeastOneAndPullsProgressDown) {
  FakeGauge gauge;
  gauge.progress = 500;
  SetGaugeMax(&gauge, 64);
  EXPECT_EQ(gauge.max, 64);
  EXPECT_EQ(gauge.progress, 64);
  for (int64_t bad : {int64_t{0}, int64_t{-1}, int64_t{INT_MIN}}) {
    SetGaugeMax(&gauge, bad);
    EXPECT_EQ(gauge.max, 1) << bad;
  }
  SetGaugeMax(&gauge, int64_t{INT_MAX} + 10);
  EXPECT_EQ(gauge.max, INT_MAX);
}

TEST(GaugeControl, ProgressStaysWithinTheRange) {
  FakeGauge gauge;
  gauge.max = 100;
  SetGaugeProgress(&gauge, 101);
  EXPECT_EQ(gauge.progress, 100);
  SetGaugeProgress(&gauge, -3);
  EXPECT_EQ(gauge.progress, 0);
  gauge.max = 0;  // never set by us
  SetGaugeProgress(&gauge, 5);
  EXPECT_EQ(gauge.progress, 0);
}

TEST(GaugeControl, SetGaugeAppliesMaximumBeforeProgress) {
  FakeGauge gauge;
  gauge.max = 10;
  SetGauge(&gauge, 50, 100, GaugeColor::Red);
  EXPECT_EQ(gauge.max, 100);
  EXPECT_EQ(gauge.progress, 50);
  EXPECT_EQ(gauge.color, GaugeColor::Red);
}

TEST(GaugeControl, NullGaugeIsLeftAlone) {
  SetGauge(nullptr, 1, 2, GaugeColor::Blue);
  SetGaugeMax(nullptr, 1);
  SetGaugeProgress(nullptr, 1);
  FillGauge(nullptr);
}

}  // namespace
