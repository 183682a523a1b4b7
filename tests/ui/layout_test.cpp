// Gauge positions and log height by the number of units.
#include <QPlainTextEdit>
#include <QProgressBar>
#include <fstream>

#include "UiTestSupport.h"

using LayoutTest = ScratchFolderTest;

TEST_F(LayoutTest, GaugesAndLogHeightFollowTheNumberOfUnits) {
  struct Case {
    int units;
    std::vector<int> tops;  // of the visible gauges, GaugeBar1 first
    int memoHeight;
  };
  const Case cases[] = {
      {0, {494}, 455},
      {1, {494}, 455},
      {2, {471, 494}, 431},
      {3, {427, 449, 471, 494}, 389},
      {4, {427, 449, 471, 494}, 389},
      {5, {383, 405, 427, 449, 471, 494}, 343},
      {6, {383, 405, 427, 449, 471, 494}, 343},
      {7, {339, 361, 383, 405, 427, 449, 471, 494}, 300},
      {8, {339, 361, 383, 405, 427, 449, 471, 494}, 300},
      {200, {339, 361, 383, 405, 427, 449, 471, 494}, 300},
  };
  TQZProgrammer& w = ShownWindow();
  for (const Case& c : cases) {
    SCOPED_TRACE("units " + std::to_string(c.units));
    Js().TotalDevices = static_cast<uint8_t>(c.units);
    w.LayoutForDevices();
    for (int i = 0; i < kSlotCount; ++i) {
      const bool visible = i < static_cast<int>(c.tops.size());
      EXPECT_EQ(!w.GaugeBars[i]->isHidden(), visible) << "gauge " << i + 1;
      if (visible) {
        EXPECT_EQ(w.GaugeBars[i]->y(), c.tops[i]) << "gauge " << i + 1;
      }
      EXPECT_EQ(w.GaugeBars[i]->x(), 360);
      EXPECT_EQ(w.GaugeBars[i]->height(), 18);
    }
    EXPECT_EQ(w.InfoMemo->height(), c.memoHeight);
  }
}

TEST_F(LayoutTest, HiddenGaugesKeepTheirTops) {
  TQZProgrammer& w = ShownWindow();
  Js().TotalDevices = 8;
  w.LayoutForDevices();
  Js().TotalDevices = 2;
  w.LayoutForDevices();
  EXPECT_EQ(w.GaugeBar3->y(), 383);
  EXPECT_EQ(w.GaugeBar8->y(), 494);
}

TEST_F(LayoutTest, StartUpWithoutUnitsShowsOneGauge) {
  TQZProgrammer& w = ShownWindow();
  EXPECT_FALSE(w.GaugeBar1->isHidden());
  EXPECT_TRUE(w.GaugeBar2->isHidden());
  EXPECT_EQ(w.GaugeBar1->y(), 494);
  EXPECT_EQ(w.InfoMemo->height(), 455);
}

TEST_F(LayoutTest, StartUpLaysOutTheUnitsTheSettingsFileNames) {
  std::ofstream("ConfigKvn.ini") << "[Connection]\r\nTOTDEV=3\r\n";
  TQZProgrammer& w = ShownWindow();
  EXPECT_EQ(Js().TotalDevices, 3);
  EXPECT_FALSE(w.GaugeBar4->isHidden());
  EXPECT_TRUE(w.GaugeBar5->isHidden());
  EXPECT_EQ(w.GaugeBar1->y(), 427);
  EXPECT_EQ(w.InfoMemo->height(), 389);
}
