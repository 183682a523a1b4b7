#include <gtest/gtest.h>

#include <functional>

#include "SlotFixture.h"
#include "protocol/SlotOperations.h"
#include "protocol/SlotPhase.h"

namespace {

struct SlotPhaseTest : SlotFixture {
  void SetUp() override {
    SlotFixture::SetUp();
    js->SlotConnected.fill(1);
    js->SlotDownloading.fill(0);
    js->ReadStreaming = 0;
  }
};

// The phase each set of flags gives, and whether a command may start there.
TEST_F(SlotPhaseTest, FlagsGiveOnePhase) {
  struct Case {
    const char* name;
    int slot;
    std::function<void(JobState&)> set;
    SlotPhase phase;
  } cases[] = {
      {"a unit, nothing running", 3, [](JobState&) {}, SlotPhase::Idle},
      {"no unit", 3, [](JobState& js) { js.SlotConnected[3] = 0; }, SlotPhase::Absent},
      {"an operation armed", 3, [](JobState& js) { StartSlotOperation(js, 500, 0, 3); }, SlotPhase::Busy},
      // The line went: the time-out still ends what runs.
      {"an operation whose line is lost", 3,
       [](JobState& js) {
         StartSlotOperation(js, 500, 0, 3);
         js.SlotConnected[3] = 0;
       },
       SlotPhase::Busy},
      {"a raw round without its operation", 3, [](JobState& js) { js.SlotRawPending[3] = 1; }, SlotPhase::Raw},
      {"the paced program stream", 3, [](JobState& js) { js.SlotDownloading[3] = 1; }, SlotPhase::Sending},
      {"the streamed read on slot 0", 0, [](JobState& js) { js.ReadStreaming = 1; }, SlotPhase::Reading},
      {"the streamed read leaves slot 1 alone", 1, [](JobState& js) { js.ReadStreaming = 1; }, SlotPhase::Idle},
      {"a slot outside the eight", 8, [](JobState&) {}, SlotPhase::Absent},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    c.set(*js);
    EXPECT_EQ(SlotPhaseOf(*js, c.slot), c.phase);
    EXPECT_EQ(SlotReady(*js, c.slot), c.phase == SlotPhase::Idle);
  }
}

// Flags that contradict each other, and what a refresh or a lost line leaves.
TEST_F(SlotPhaseTest, FlagsConsistentRefusesContradictions) {
  struct Case {
    const char* name;
    std::function<void(JobState&)> set;
    bool consistent;
  } cases[] = {
      {"idle", [](JobState&) {}, true},
      {"busy with an operation", [](JobState& js) { js.SlotOp[0] = kOpErase; js.SlotBusy[0] = 1; }, true},
      {"busy without an operation", [](JobState& js) { js.SlotBusy[0] = 1; }, false},
      {"stream and operation at once",
       [](JobState& js) {
         js.SlotOp[0] = kOpVerify;
         js.SlotBusy[0] = 1;
         js.SlotDownloading[0] = 1;
       },
       false},
      {"stream with an operation code left", [](JobState& js) { js.SlotOp[0] = kOpVerify; js.SlotDownloading[0] = 1; }, false},
      {"both streams", [](JobState& js) { js.SlotDownloading[0] = 1; js.ReadStreaming = 1; }, false},
      {"Auto on the program stream", [](JobState& js) { js.SlotDownloading[0] = 1; js.SlotAutoMode[0] = 1; }, true},
      {"Auto with nothing running", [](JobState& js) { js.SlotAutoMode[0] = 1; }, false},
      {"timed gauge with nothing running", [](JobState& js) { js.SlotGaugeTick[0] = 1; }, false},
      {"raw round with nothing running", [](JobState& js) { js.SlotRawPending[0] = 1; }, false},
      {"left behind by a refresh",
       [](JobState& js) {
         js.SlotConnected[0] = 0;
         js.SlotRawPending[0] = 1;
         js.SlotGaugeTick[0] = 1;
       },
       true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    js->SlotOp.fill(kOpIdle);
    c.set(*js);
    EXPECT_EQ(SlotFlagsConsistent(*js, 0), c.consistent);
  }
}

}  // namespace
