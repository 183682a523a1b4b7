#pragma once
// Simulated units wired to a job's slots without any real port: what a
// sender hands to a slot's port goes to that slot's unit, and the unit's
// answer is delivered to the receive cycle when the test pumps.
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "SimUnit.h"
#include "protocol/JobState.h"
#include "protocol/ReceiveBuffer.h"
#include "support/SlotFlagsCheck.h"
#include "support/FakeView.h"

class LoopPort : public ISlotPort {
 public:
  explicit LoopPort(unitsim::SimUnit* unit) : unit_(unit) {}
  bool IsOpen() const override { return unit_ != nullptr; }
  bool SendBytes(const uint8_t* data, size_t length) override {
    if (!unit_) return false;
    auto answer = unit_->Feed(data, length);
    pending_.insert(pending_.end(), answer.begin(), answer.end());
    return true;
  }
  std::vector<uint8_t> TakePending() { return std::exchange(pending_, {}); }

 private:
  unitsim::SimUnit* unit_;
  std::vector<uint8_t> pending_;
};

struct UnitBench {
  std::unique_ptr<JobState> js = std::make_unique<JobState>();
  FakeView view;
  std::vector<std::unique_ptr<unitsim::SimUnit>> units;
  std::vector<std::unique_ptr<LoopPort>> ports;
  // Sees each frame before the engine takes it, the slot as the frame finds it.
  std::function<void(JobState&, const ReceivedFrame&, int)> watch;
  // False: the frames the engine takes as answers to commands are left
  // unhandled, so that what a probe answer starts stays at its start.
  bool handleAnswers = true;

  UnitBench() {
    js->LogMemo = &view;
    InitSlotTables(*js, {}, view.GaugePointers());
  }

  unitsim::SimUnit& Attach(int slot, unitsim::UnitConfig config = {}) {
    units.push_back(std::make_unique<unitsim::SimUnit>(std::move(config)));
    ports.push_back(std::make_unique<LoopPort>(units.back().get()));
    js->CommSlots[slot] = ports.back().get();
    return *units.back();
  }

  // Delivers every unit's answers until the line is quiet.
  void Pump() {
    for (bool any = true; any;) {
      any = false;
      for (int s = 0; s < kSlotCount; ++s) {
        auto* port = dynamic_cast<LoopPort*>(js->CommSlots[s]);
        if (!port) continue;
        auto bytes = port->TakePending();
        if (bytes.empty()) continue;
        any = true;
        ReceiveSlotChunk(*js, bytes.data(), bytes.size(), s, [this](JobState& j, const ReceivedFrame& f, int slot) {
          if (watch) watch(j, f, slot);
          if (handleAnswers || !SlotTakesAnswers(j, slot)) CheckedReceivedFrame(j, f, slot);
        });
        ExpectSlotFlagsConsistent(*js);
      }
    }
  }
};
