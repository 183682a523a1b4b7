// A running unit finishes with the settings its command started with: what
// the operator sets for the next job, and whatever other commands do
// meanwhile, never reaches a unit that is still running. Each case runs the
// same steps twice, once with the operator's settings untouched and once
// with them changed before the later action; the running unit's packets must
// be byte for byte the same in both runs.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "protocol/CommandStart.h"
#include "protocol/JobState.h"
#include "protocol/SettingsCollection.h"
#include "protocol/SlotOperations.h"
#include "protocol/SlotTimers.h"
#include "EngineJob.h"
#include "support/SlotFlagsCheck.h"

namespace {

using Blocks = std::vector<std::vector<uint8_t>>;

// The operator's settings for the job that runs.
ControlStates FirstJob() {
  ControlStates c;
  c.EditDevAdrX = "0xA0";
  c.RadioGroupSpd = 3;
  c.RadioGpVolt = 0;
  return c;
}

// Every setting that reaches a packet, set otherwise for the next job.
ControlStates NextJob() {
  ControlStates c = FirstJob();
  c.ChkBoxLSP = true;
  c.ChkBoxSRWD = true;
  c.CheckBoxQE = true;
  c.EnBlankChk = true;
  c.EnVerifyChk = false;
  c.ChkBoxNotBLK = true;
  c.RadioGroupA61 = 0;
  c.EditDevAdrX = "0xA6";
  c.CheckBoxAut = true;
  c.RadioGpVolt = 1;
  c.RadioGroupSpd = 0;
  c.SpinEditPTM = 250;
  return c;
}

struct RunningCommand {
  const char* name;
  int slot;  // the unit that runs it; the other unit comes idle after the start
  int idle;
  std::function<void(Job&)> start;
  // The unit's further steps; its packets from here on are compared.
  std::function<void(Job&)> next;
};

struct LaterAction {
  const char* name;
  std::function<void(Job&, const ControlStates&)> act;
  bool badInteger = false;  // the command stops at a field that holds no integer
};

const RunningCommand kRunning[] = {
    {"program by pages", 1, 0,
     [](Job& j) {
       j.Chip(0xA0, 16, false);  // an I2C EEPROM
       ASSERT_EQ(RunSlotCommand(*j.js, SlotCommand::Program, FirstJob()), 1);
       j.AnswerGood(1);
     },
     [](Job& j) {
       for (int i = 0; i < 3; ++i) j.AnswerGood(1);
     }},
    {"paced stream and the verify that ends it", 1, 0,
     [](Job& j) {
       j.Chip(0x10, 2048, true);
       ASSERT_EQ(RunSlotCommand(*j.js, SlotCommand::Auto, FirstJob()), 1);
       j.AnswerGood(1);  // the unit takes the stream
       for (int i = 0; i < 10; ++i) PaceDownloads(*j.js);
       ASSERT_EQ(j.js->SlotDownloading[1], 1);
     },
     [](Job& j) {
       for (int i = 0; i < 80 && j.js->SlotDownloading[1]; ++i) PaceDownloads(*j.js);
       ASSERT_EQ(j.js->SlotOp[1], kOpVerify);
       j.AnswerGood(1);
     }},
    {"read by blocks", 0, 1,
     [](Job& j) {
       j.Chip(0xA0, 16, false);
       ASSERT_TRUE(RunChipRead(*j.js, FirstJob(), nullptr));
     },
     [](Job& j) {
       for (int i = 0; i < 4; ++i) j.AnswerData(0, std::vector<uint8_t>(4096, static_cast<uint8_t>(i)));
       ASSERT_EQ(j.js->SlotOp[0], kOpIdle);
     }},
};

const LaterAction kLater[] = {
    {"a command on the idle units",
     [](Job& j, const ControlStates& c) { RunSlotCommand(*j.js, SlotCommand::BlankCheck, c); }},
    {"a command that starts nothing",
     [](Job& j, const ControlStates& c) {
       for (int s = 0; s < kSlotCount; ++s) j.js->SlotConnected[s] = j.js->SlotConnected[s] && !SlotReady(*j.js, s);
       RunSlotCommand(*j.js, SlotCommand::Erase, c);
     }},
    {"a bad integer",
     [](Job& j, ControlStates c) {
       c.GainEdit = "zz";
       RunSlotCommand(*j.js, SlotCommand::Verify, c);
     },
     true},
    {"Read ID", [](Job& j, const ControlStates& c) { RunReadId(*j.js, c, false); }},
    {"Address Write",
     [](Job& j, const ControlStates& c) {
       RunAddressWrite(*j.js, c, [&j] {
         j.js->AddrWriteAddr = 0x20;
         j.js->AddrWriteLen = 2;
         j.js->AddrWriteData = {0x55, 0xAA};
         return true;
       });
     }},
};

struct Case {
  const RunningCommand* running;
  const LaterAction* later;
};

std::vector<Case> Cases() {
  std::vector<Case> out;
  for (const RunningCommand& r : kRunning)
    for (const LaterAction& l : kLater) out.push_back({&r, &l});
  return out;
}

// The running unit's packets from the later action on, in a run whose later
// action gets `controls`.
Blocks RunningUnitPackets(const Case& c, const ControlStates& controls) {
  Job j({c.running->slot});
  c.running->start(j);
  j.js->SlotConnected[c.running->idle] = 1;
  const int slot = c.running->slot;
  j.ports[slot].sent.clear();
  c.later->act(j, controls);
  c.running->next(j);
  ExpectSlotFlagsConsistent(*j.js);
  return j.ports[slot].sent;
}

class SealedCommand : public ::testing::TestWithParam<Case> {};

TEST_P(SealedCommand, TheRunningUnitGetsThePacketsOfAnUntouchedRun) {
  const Case& c = GetParam();
  ControlStates first = FirstJob(), next = NextJob();
  if (c.later->badInteger) first.GainEdit = next.GainEdit = "zz";
  const Blocks untouched = RunningUnitPackets(c, first);
  ASSERT_FALSE(untouched.empty());
  const Blocks touched = RunningUnitPackets(c, next);
  ASSERT_EQ(touched.size(), untouched.size());
  for (size_t i = 0; i < touched.size(); ++i) EXPECT_TRUE(touched[i] == untouched[i]) << "packet " << i;
}

INSTANTIATE_TEST_SUITE_P(RunningAndLater, SealedCommand, ::testing::ValuesIn(Cases()), [](const auto& info) {
  std::string n = std::string(info.param.running->name) + "_" + info.param.later->name;
  for (char& ch : n)
    if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
  return n;
});

}  // namespace
