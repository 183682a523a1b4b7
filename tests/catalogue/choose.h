#pragma once
// A chip choice as the window makes it, without the window: the popup opens,
// the entry is applied, the chip change computes the name and size the
// panels read, and the class's panel sets its fields.
#include <gtest/gtest.h>

#include "catalogue/ChipCatalogue.h"
#include "catalogue/OptionPanels.h"
#include "protocol/JobState.h"

inline void Choose(JobState& js, std::string_view caption) {
  const ChipEntry* e = FindChipEntry(caption);
  ASSERT_NE(e, nullptr) << caption;
  ClearChipFlagsOnOpen(js);
  ApplyChipEntry(js, *e);
  js.SelChipName = std::string(caption);
  js.DataSizeKB = js.ChipSize < 1024 ? 0 : js.ChipSize >> 10;
  ApplyOptionPanelJobState(js);
}
