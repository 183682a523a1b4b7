#pragma once
// A slot's progress gauge as the engine sees it: a progress bar whose chunk
// is pure blue while it runs or succeeds and pure red after a failure.
#include "protocol/View.h"
#include "ui/GaugeBar.h"

class TGauge : public IGauge {
 public:
  explicit TGauge(TGaugeBar* bar);

  void SetMax(int max) override;
  void SetProgress(int progress) override;
  int Max() const override;
  int Progress() const override;
  void SetColor(GaugeColor color) override;
  void SetEnabled(bool enabled) override;

  GaugeColor Color() const { return color_; }
  TGaugeBar* Bar() const { return bar_; }

 private:
  TGaugeBar* bar_;
  GaugeColor color_ = GaugeColor::Blue;
  int max_ = 100;
  int progress_ = 0;
  bool repaintDue_ = false;  // the bar waits to be painted

  template <typename Change>
  void Quietly(Change change);
};
