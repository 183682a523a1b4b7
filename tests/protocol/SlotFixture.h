#pragma once
// A job with a recording view bound to all eight slots.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "protocol/JobState.h"
#include "support/FakeView.h"
#include "support/SlotPrefix.h"

struct SlotFixture : ::testing::Test {
  std::unique_ptr<JobState> js = std::make_unique<JobState>();
  FakeView view;

  void SetUp() override {
    js->LogMemo = &view;
    InitSlotTables(*js, {}, view.GaugePointers());
  }

  // The one log text expected, with its "C<n>: " prefix.
  static std::string SlotText(int slot, const std::string& text) { return SlotPrefix(slot) + text; }
};
