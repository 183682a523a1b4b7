// Online serial numbers on several units: every chip of a run gets a number
// of its own, each unit is sent its own image (the buffer's with its number)
// together with that image's check values, the shown number moves past every
// number handed out, and a later Verify checks a chip against the image it
// was programmed with.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "EngineJob.h"
#include "messages/Format.h"
#include "protocol/Checks.h"
#include "protocol/CommandStart.h"
#include "protocol/Frames.h"
#include "protocol/PacketBytes.h"
#include "protocol/SettingsCollection.h"
#include "protocol/SlotOperations.h"
#include "protocol/SlotSerialNumbers.h"
#include "protocol/SlotTimers.h"

namespace {

constexpr uint32_t kSNAddress = 0x1230;

// What one unit was sent: the image as its chip now holds it, and the check
// values of every packet that carried the chip-parameter block.
struct UnitRecord {
  std::vector<uint8_t> image;
  std::vector<ImageChecks> checks;
};

UnitRecord Received(const RecordingPort& port, size_t imageSize) {
  UnitRecord r{std::vector<uint8_t>(imageSize, 0xFF), {}};
  size_t streamAt = 0;
  for (const std::vector<uint8_t>& block : port.sent) {
    if (block.size() == kSlotRawBlockSize) {  // the paced stream
      for (size_t i = 0; i < block.size() && streamAt < imageSize; ++i) r.image[streamAt++] = block[i];
      continue;
    }
    std::vector<uint8_t> frame = block, packet(kTxPacketSize);
    size_t length = 0, frameLength = frame.size();
    if (DecodeFrame(frame.data(), packet.data(), packet.size(), length, frameLength) != kFrameOk) continue;
    const uint16_t payload = GetLE16(packet.data() + 6);
    if (payload != 48 && payload != 64 && payload != 0x1030) continue;  // no chip-parameter block
    const uint8_t* b = packet.data() + 8;
    r.checks.push_back({GetLE16(b + 26), GetLE16(b + 28), GetLE32(b + 44)});
    if (packet[0] == 149) {  // a 4 KB page behind the block
      const size_t at = size_t{GetLE16(packet.data() + 1)} * 1024;
      std::memcpy(r.image.data() + at, b + 48, 4096);
    }
  }
  return r;
}

ImageChecks ChecksOf(const std::vector<uint8_t>& image) {
  const uint32_t last = static_cast<uint32_t>(image.size() - 1);
  const uint32_t sum = ByteSum32(image.data(), 0, last);
  return {PacketCRC16(image.data(), 0, last), static_cast<uint16_t>(sum), sum};
}

uint32_t NumberIn(const std::vector<uint8_t>& image, bool bigEndian) {
  uint32_t n = 0;
  for (int i = 0; i < 4; ++i) {
    const uint32_t byte = image[kSNAddress + i];
    n |= byte << (8 * (bigEndian ? 3 - i : i));
  }
  return n;
}

struct RunCase {
  int units = 8;
  bool stream = false;  // a large image through the paced stream, else pages
  bool bigEndian = false;
  const char* first = "0x1234FFFC";
  const char* gain = "0x04";
  int failingSlot = -1;  // its unit answers the first command with an error
};

struct SerialJob : Job {
  ControlStates controls;
  uint32_t imageSize;

  SerialJob(const RunCase& r) : Job({0, 1, 2, 3, 4, 5, 6, 7}), imageSize((r.stream ? 2048u : 16u) * 1024) {
    for (int s = r.units; s < kSlotCount; ++s) js->SlotConnected[s] = 0;
    Chip(r.stream ? 0x10 : 0xA0, imageSize / 1024, r.stream);
    controls.CheckBoxSN = controls.ChkBoxPCSN = true;
    controls.SNOrderChk = r.bigEndian;
    controls.SNEdit = r.first;
    controls.GainEdit = r.gain;
    controls.AddrEdit = msg::Fmt("0x%0.8x", kSNAddress);
  }

  // One Auto on every unit, driven to its end; returns what each unit got.
  std::vector<UnitRecord> Auto(int failingSlot = -1) {
    for (auto& p : ports) p.sent.clear();
    EXPECT_GT(RunSlotCommand(*js, SlotCommand::Auto, controls), 0);
    for (int round = 0; round < 1000; ++round) {
      bool running = false;
      for (int s = 0; s < kSlotCount; ++s) {
        if (!SlotRunning(*js, s)) continue;
        running = true;
        if (js->SlotBusy[s]) s == failingSlot ? AnswerStatus(s, 0x31) : AnswerGood(s);
      }
      if (!running) break;
      PaceDownloads(*js);
    }
    std::vector<UnitRecord> out;
    for (int s = 0; s < kSlotCount; ++s) out.push_back(Received(ports[s], imageSize));
    return out;
  }
  std::string ShownNumber() const {
    return view.serialNumbers.empty() ? "" : msg::Fmt("0x%0.8x", view.serialNumbers.back());
  }
};

class OnlineSerialNumbers : public ::testing::TestWithParam<RunCase> {};

TEST_P(OnlineSerialNumbers, EveryChipGetsItsOwnNumberWithItsImagesCheckValues) {
  const RunCase& r = GetParam();
  SerialJob job(r);
  const std::vector<uint8_t> loaded(job.js->DataBuffer.get(), job.js->DataBuffer.get() + job.imageSize);
  std::set<uint32_t> handedOut;
  uint32_t expected = static_cast<uint32_t>(std::stoul(r.first, nullptr, 16));
  const uint32_t gain = static_cast<uint32_t>(std::stoul(r.gain, nullptr, 16));
  for (int run = 0; run < 2; ++run) {
    SCOPED_TRACE(run);
    const std::vector<UnitRecord> units = job.Auto(run == 0 ? r.failingSlot : -1);
    for (int s = 0; s < r.units; ++s, expected += gain) {
      SCOPED_TRACE(s);
      const UnitRecord& u = units[s];
      if (s == r.failingSlot && run == 0) continue;  // failed on its first command
      EXPECT_EQ(NumberIn(u.image, r.bigEndian), expected);
      EXPECT_TRUE(handedOut.insert(expected).second) << "a number written into two chips";
      // Apart from its number the unit got the loaded image.
      std::vector<uint8_t> image = loaded;
      for (int i = 0; i < 4; ++i) image[kSNAddress + i] = u.image[kSNAddress + i];
      EXPECT_TRUE(u.image == image);
      ASSERT_FALSE(u.checks.empty());
      for (const ImageChecks& c : u.checks) EXPECT_EQ(c, ChecksOf(u.image));
      const std::vector<std::string> log = job.view.LogTexts();
      EXPECT_NE(std::find(log.begin(), log.end(), msg::Fmt("C%d: Online S/N of this chip: 0x%0.8x.", s + 1, expected)),
                log.end());
    }
    // The buffer holds the run's first number; the shown one is past the last.
    EXPECT_EQ(NumberIn(std::vector<uint8_t>(job.js->DataBuffer.get(), job.js->DataBuffer.get() + job.imageSize),
                       r.bigEndian),
              expected - gain * static_cast<uint32_t>(r.units));
    EXPECT_EQ(job.ShownNumber(), msg::Fmt("0x%0.8x", expected));
    job.controls.SNEdit = job.ShownNumber();  // the next command reads SNEdit again
  }
}

INSTANTIATE_TEST_SUITE_P(Runs, OnlineSerialNumbers,
                         ::testing::Values(RunCase{}, RunCase{.stream = true}, RunCase{.bigEndian = true, .gain = "0x03"},
                                           RunCase{.stream = true, .bigEndian = true, .first = "0xFFFFFFFA", .gain = "2"},
                                           RunCase{.failingSlot = 2}, RunCase{.units = 1, .first = "0x00000010"}),
                         [](const auto& info) {
                           const RunCase& r = info.param;
                           std::string n = std::to_string(r.units) + (r.stream ? "Stream" : "Pages") +
                                           (r.bigEndian ? "Big" : "Little");
                           if (r.failingSlot >= 0) n += "Failing";
                           return n + std::to_string(info.index);
                         });

// A later Verify sends each unit the check values of the image its chip was
// programmed with, also after the next run has written its number into the
// buffer; a new image in the buffer ends that.
TEST(OnlineSerialNumbersVerify, AVerifyChecksEachChipAgainstItsOwnImage) {
  SerialJob job(RunCase{.units = 3});
  const std::vector<UnitRecord> programmed = job.Auto();
  job.controls.SNEdit = job.ShownNumber();
  job.js->SlotConnected[1] = job.js->SlotConnected[2] = 0;
  job.Auto();  // unit 1 alone: the buffer now holds its new number
  job.js->SlotConnected[1] = job.js->SlotConnected[2] = 1;

  for (auto& p : job.ports) p.sent.clear();
  ASSERT_EQ(RunSlotCommand(*job.js, SlotCommand::Verify, job.controls), 3);
  for (int s = 1; s < 3; ++s) {
    const UnitRecord sent = Received(job.ports[s], job.imageSize);
    ASSERT_EQ(sent.checks.size(), 1u);
    EXPECT_EQ(sent.checks[0], ChecksOf(programmed[s].image)) << s;
  }
  EXPECT_EQ(job.view.serialNumbers.size(), 2u);  // a Verify hands out no number

  // Another image: the verify checks what the buffer holds.
  for (int s = 0; s < 3; ++s) EndSlotOperation(*job.js, false, s);
  job.Chip(0xA0, 16, false);
  std::memset(job.js->DataBuffer.get(), 0x5A, 64);
  UpdateChecksums(*job.js, 0, job.js->DataEnd);
  for (auto& p : job.ports) p.sent.clear();
  ASSERT_EQ(RunSlotCommand(*job.js, SlotCommand::Verify, job.controls), 3);
  const std::vector<uint8_t> now(job.js->DataBuffer.get(), job.js->DataBuffer.get() + job.imageSize);
  EXPECT_EQ(Received(job.ports[1], job.imageSize).checks.at(0), ChecksOf(now));
}

// The check values of an image with a few bytes changed, folded in without
// reading the image again, equal those computed over the whole image.
TEST(ChecksWithSerial, EqualTheValuesComputedOverTheWholeImage) {
  std::mt19937 random(5);
  Job job({0});
  JobState& js = *job.js;
  const uint32_t sizes[] = {4, 5, 4096, 100000};
  for (uint32_t size : sizes) {
    js.DataStart = 0;
    js.DataEnd = size - 1;
    for (uint32_t i = 0; i < size; ++i) js.DataBuffer[i] = static_cast<uint8_t>(random());
    UpdateChecksums(js, 0, js.DataEnd);
    for (uint32_t address : {0u, size / 2, size - 4, size - 2, size + 3}) {
      for (bool big : {false, true}) {
        const SerialPlacement serial{address, big, static_cast<uint32_t>(random())};
        std::vector<uint8_t> image(js.DataBuffer.get(), js.DataBuffer.get() + size);
        for (uint32_t i = 0; i < 4; ++i)
          if (address + i < size) image[address + i] = static_cast<uint8_t>(serial.Number >> (8 * (big ? 3 - i : i)));
        EXPECT_EQ(ChecksWithSerial(js, serial), ChecksOf(image)) << size << " " << address << " " << big;
      }
    }
  }
}

}  // namespace
