#pragma once
// A job with recording ports and gauges on all eight slots, connected, and
// the unit's side: answers are framed and handed to the slot's answer
// handling; what the engine sent is decoded back into packets.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "SlotFixture.h"
#include "support/AnswerPackets.h"
#include "protocol/AnswerHandling.h"
#include "protocol/Checks.h"
#include "protocol/Frames.h"
#include "protocol/PacketBytes.h"
#include "protocol/ReceiveBuffer.h"
#include "protocol/SealedSettings.h"
#include "protocol/SlotTimers.h"
#include "support/RecordingPort.h"
#include "support/SlotFlagsCheck.h"

// Bytes 0..n-1 as a counting pattern shifted by seed.
inline std::vector<uint8_t> Counting(size_t n, uint8_t seed) {
  std::vector<uint8_t> v(n);
  for (size_t i = 0; i < n; ++i) v[i] = static_cast<uint8_t>(i * 7 + seed + i / 256);
  return v;
}

struct AnswerFixture : SlotFixture {
  std::array<RecordingPort, kSlotCount> ports;

  void SetUp() override {
    SlotFixture::SetUp();
    std::array<ISlotPort*, kSlotCount> p{};
    for (int i = 0; i < kSlotCount; ++i) p[i] = &ports[i];
    InitSlotTables(*js, p, view.GaugePointers());
    for (int i = 0; i < kSlotCount; ++i) js->SlotConnected[i] = 1;
  }

  // Hands one answer packet to the slot's answer handling.
  void Deliver(const std::vector<uint8_t>& packet, int slot) {
    ASSERT_EQ(CheckedSlotFrame(*js, FrameOf(packet), slot), 0);
  }
  void Answer(int slot, const std::vector<uint8_t>& payload, bool badCheck = false) {
    Deliver(AnswerPacket(0x80, payload, badCheck), slot);
  }
  void AnswerStatus(int slot, uint8_t status) { Answer(slot, StatusPayload(status)); }
  // The unit takes the program stream of an armed slot: its first block is out.
  void StreamStarted(int slot) {
    AnswerStatus(slot, 0);
    ASSERT_EQ(js->SlotDownloading[slot], 1);
    PaceDownloads(*js);
  }

  // Bytes arriving on the slot's line, through the receive cycle.
  void Receive(const std::vector<uint8_t>& bytes, int slot) {
    ReceiveSlotChunk(*js, bytes.data(), bytes.size(), slot, CheckedReceivedFrame);
    ExpectSlotFlagsConsistent(*js);
  }

  // Block i handed to the slot's port, decoded when it is a frame.
  std::vector<uint8_t> SentPacket(int slot, size_t i) const {
    std::vector<uint8_t> frame = ports[slot].sent.at(i);
    std::vector<uint8_t> packet(kTxPacketSize);
    size_t length = 0, frameLength = frame.size();
    if (DecodeFrame(frame.data(), packet.data(), packet.size(), length, frameLength) != kFrameOk) {
      return {};
    }
    packet.resize(length);
    return packet;
  }

  // The slot's own log texts ("C<n>: " dropped), in order.
  std::vector<std::string> SlotTexts(int slot) const {
    const std::string prefix = SlotPrefix(slot);
    std::vector<std::string> out;
    for (const auto& t : view.LogTexts()) {
      if (t.rfind(prefix, 0) == 0) out.push_back(t.substr(prefix.size()));
    }
    return out;
  }

  // Arms a slot for an operation as the operation commands do, its settings
  // sealed from the job.
  void Arm(int slot, SlotOpCode op, uint32_t totalKB = 0) {
    SealSlotSettings(*js, slot);
    js->SlotOp[slot] = op;
    js->SlotBusy[slot] = 1;
    js->SlotTimeout[slot] = 500;
    js->SlotKbIndex[slot] = 0;
    js->SlotBlockTotal[slot] = totalKB;
  }
};
