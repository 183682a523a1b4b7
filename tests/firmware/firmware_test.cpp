#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include <unistd.h>

#include "FirmwareImageWriter.h"
#include "protocol/BlockKeyTable.h"
#include "protocol/Checks.h"
#include "protocol/Firmware.h"
#include "protocol/FirmwareImageFormat.h"
#include "protocol/Frames.h"
#include "protocol/JobState.h"
#include "protocol/ReceiveBuffer.h"
#include "support/FakeView.h"
#include "support/RecordingPort.h"

namespace {

using Bytes = std::vector<uint8_t>;

uint16_t LE16(const Bytes& p, size_t at) { return static_cast<uint16_t>(p[at] | p[at + 1] << 8); }

Bytes RandomBody(size_t length, unsigned seed) {
  std::mt19937 rng(seed);
  Bytes body(length);
  for (auto& b : body) b = static_cast<uint8_t>(rng());
  return body;
}

Bytes ToolImage(const Bytes& body, const std::string& version = "V2.10", uint16_t key = 0x5AC3) {
  std::string error;
  Bytes image = BuildFirmwareImage(body, version, key, error);
  EXPECT_FALSE(image.empty()) << error;
  return image;
}

// Recomputes the stored sum after a test has changed bytes of an image.
void Reseal(Bytes& image) {
  size_t at = image.size() - 4;
  uint32_t sum = 0;
  for (size_t i = 0; i < at; ++i) {
    if (i != 8 && i != 9) sum += image[i];
  }
  for (int i = 0; i < 4; ++i) image[at + i] = static_cast<uint8_t>(sum >> (8 * i));
}

void SetHeaderWord(Bytes& image, size_t offset, uint16_t value) {
  uint16_t key = LE16(image, 32);
  image[offset] = static_cast<uint8_t>(value ^ key);
  image[offset + 1] = static_cast<uint8_t>((value ^ key) >> 8);
}

// An image written here straight from the file layout, independent of the
// tool: a known key table and a body scrambled group by group.
Bytes HandMadeImage(const Bytes& plain, uint16_t endAddr) {
  const size_t bodyIn = (plain.size() + 15) / 16 * 16;
  Bytes f(3346 + bodyIn + 838 + 4, 0);
  const char* magic = "KV2xFmWr";
  for (int i = 0; i < 8; ++i) f[i] = static_cast<uint8_t>(magic[i] | 0x80);
  f[8] = 0x77;  // not summed
  f[9] = 0x88;
  const std::string version = "V3.01 hand made";
  std::copy(version.begin(), version.end(), f.begin() + 10);
  const uint16_t k = 0x1234;
  f[32] = 0x34;
  f[33] = 0x12;
  f[34] = static_cast<uint8_t>(endAddr ^ k);
  f[35] = static_cast<uint8_t>((endAddr ^ k) >> 8);
  f[40] = static_cast<uint8_t>(plain.size() ^ k);
  f[41] = static_cast<uint8_t>((plain.size() ^ k) >> 8);
  for (int i = 42; i < 106; ++i) f[i] = 0xEE;  // only summed
  std::vector<uint8_t> keys(4096, 0);
  for (int i = 0; i < 3240; ++i) keys[i] = static_cast<uint8_t>(i * 7 + 3);
  std::copy(keys.begin(), keys.begin() + 3240, f.begin() + 106);
  for (size_t g = 0; g < bodyIn / 4; ++g) {
    uint8_t k0 = keys[(4 * g) % 4096], k1 = keys[(4 * g) % 4096 + 1];
    for (size_t j = 0; j < 4; ++j) {
      size_t i = 4 * g + j;
      uint8_t v = i < plain.size() ? plain[i] : 0x00;
      f[3346 + i] = v ^ (j % 2 == 0 ? k0 : k1);
    }
  }
  for (size_t i = 0; i < 838; ++i) f[3346 + bodyIn + i] = static_cast<uint8_t>(i);
  Reseal(f);
  return f;
}

class FirmwareTest : public testing::Test {
 protected:
  void SetUp() override {
    for (int i = 0; i < kSlotCount; ++i) ports_[i] = &recorders_[i];
    InitSlotTables(*js_, ports_, view_.GaugePointers());
    js_->LogMemo = &view_;
  }

  // The packets sent on the slot, unframed and with their check values verified.
  std::vector<Bytes> SentPackets(int slot) {
    std::vector<Bytes> out;
    for (Bytes frame : recorders_[slot].sent) {
      Bytes packet(kTxPacketSize);
      size_t length = 0, frameLength = frame.size();
      EXPECT_EQ(DecodeFrame(frame.data(), packet.data(), packet.size(), length, frameLength), kFrameOk);
      packet.resize(length);
      EXPECT_EQ(CheckPacket(packet.data(), packet.size()), 0);
      out.push_back(packet);
    }
    return out;
  }

  std::unique_ptr<JobState> js_ = std::make_unique<JobState>();
  std::array<RecordingPort, kSlotCount> recorders_;
  std::array<ISlotPort*, kSlotCount> ports_{};
  FakeView view_;
};

}  // namespace

TEST_F(FirmwareTest, ToolImageLoadsWithItsBodyAndVersion) {
  Bytes body = RandomBody(5 * 2048 + 100, 1);  // padded to six blocks
  EXPECT_EQ(LoadFirmwareImageData(*js_, ToolImage(body, "V2.10")), FirmwareLoadResult::Loaded);
  EXPECT_EQ(js_->FirmwareLoaded, 1);
  const FirmwareState& fw = js_->Firmware;
  EXPECT_EQ(fw.VersionText(), "V2.10");
  EXPECT_EQ(fw.FwStartAddr, 0x2000);
  EXPECT_EQ(fw.FwEndAddr, 0x2000 + 6 * 1024);
  EXPECT_EQ(fw.FwBodyLength, 6 * 2048);
  EXPECT_TRUE(std::equal(body.begin(), body.end(), fw.FirmwareImage.begin()));
  EXPECT_TRUE(std::all_of(fw.FirmwareImage.begin() + body.size(), fw.FirmwareImage.begin() + 6 * 2048,
                          [](uint8_t b) { return b == 0xFF; }));
}

TEST_F(FirmwareTest, HandMadeImageUnscramblesGroupByGroup) {
  // 1100 groups: past the key table's filled part (group 810) and past its
  // wrap (group 1024), with a length that is not a multiple of 16.
  Bytes plain = RandomBody(4 * 1100 + 6, 2);
  Bytes file = HandMadeImage(plain, 0x2000 + 2 * 1024);
  ASSERT_EQ(LoadFirmwareImageData(*js_, file), FirmwareLoadResult::Loaded);
  const FirmwareState& fw = js_->Firmware;
  EXPECT_EQ(fw.VersionText(), "V3.01 hand made");
  EXPECT_EQ(fw.FwBodyLength, plain.size());
  EXPECT_TRUE(std::equal(plain.begin(), plain.end(), fw.FirmwareImage.begin()));
  // The rounded-up bytes of the last run are unscrambled too.
  EXPECT_EQ(fw.FirmwareImage[plain.size()], 0x00);
  EXPECT_EQ(fw.FirmwareImage[plain.size() + 1], 0x00);
  // Groups 810..1023 take their keys from the zero part of the table: the
  // file carries them unchanged.
  for (size_t i = 4 * 810; i < 4 * 1024; ++i) ASSERT_EQ(file[3346 + i], plain[i]) << i;
  EXPECT_EQ(file[3346 + 4 * 1024], plain[4 * 1024] ^ 3);  // group 1024 wraps to key byte 0
  EXPECT_EQ(fw.ImageKeyTable[3239], static_cast<uint8_t>(3239 * 7 + 3));
  EXPECT_EQ(fw.ImageKeyTable[3240], 0);
}

TEST_F(FirmwareTest, BadImagesAreRefused) {
  const Bytes good = ToolImage(RandomBody(4 * 2048, 3));
  struct Case {
    const char* what;
    std::function<void(Bytes&)> spoil;
    FirmwareLoadResult result;
  };
  const Case cases[] = {
      {"wrong magic", [](Bytes& f) { f[3] ^= 0x01; Reseal(f); }, FirmwareLoadResult::BadMagic},
      {"magic without bit 7", [](Bytes& f) { f[0] &= 0x7F; Reseal(f); }, FirmwareLoadResult::BadMagic},
      {"zero byte in the magic", [](Bytes& f) { f[5] = 0; Reseal(f); }, FirmwareLoadResult::BadMagic},
      {"wrong sum", [](Bytes& f) { f[f.size() - 100] ^= 0x40; }, FirmwareLoadResult::BadSum},
      {"changed body byte", [](Bytes& f) { f[3346 + 17] ^= 0x01; }, FirmwareLoadResult::BadSum},
      {"range over 0x8000 steps", [](Bytes& f) { SetHeaderWord(f, 34, 0x2000 + 0x8001); Reseal(f); },
       FirmwareLoadResult::BadRange},
      {"end at the start", [](Bytes& f) { SetHeaderWord(f, 34, 0x2000); Reseal(f); }, FirmwareLoadResult::BadRange},
      {"end below the start", [](Bytes& f) { SetHeaderWord(f, 34, 0x1000); Reseal(f); }, FirmwareLoadResult::BadRange},
      {"body shorter than the range",
       [](Bytes& f) { SetHeaderWord(f, 34, 0x2000 + 4 * 1024 + 1); Reseal(f); }, FirmwareLoadResult::BadRange},
      {"file cut short", [](Bytes& f) { f.resize(f.size() - 1); }, FirmwareLoadResult::BadLayout},
      {"header cut short", [](Bytes& f) { f.resize(200); }, FirmwareLoadResult::BadLayout},
      {"longer than the image area", [](Bytes& f) { f.resize(65537, 0); }, FirmwareLoadResult::BadLayout},
      {"empty file", [](Bytes& f) { f.clear(); }, FirmwareLoadResult::BadMagic},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_EQ(LoadFirmwareImageData(*js_, good), FirmwareLoadResult::Loaded);
    Bytes spoiled = good;
    c.spoil(spoiled);
    EXPECT_EQ(LoadFirmwareImageData(*js_, spoiled), c.result);
    EXPECT_EQ(js_->FirmwareLoaded, 0);
  }
  // Bytes 8 and 9 are not part of the sum.
  Bytes free = good;
  free[8] ^= 0xFF;
  EXPECT_EQ(LoadFirmwareImageData(*js_, free), FirmwareLoadResult::Loaded);
}

TEST_F(FirmwareTest, LoadsFromAFileMadeByTheTool) {
  const auto dir = std::filesystem::temp_directory_path() / ("fwimage_test_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  const auto body = dir / "body.bin";
  const auto image = dir / kFirmwareFileName;
  Bytes plain = RandomBody(3000, 4);
  std::ofstream(body, std::ios::binary).write(reinterpret_cast<const char*>(plain.data()), plain.size());
  std::string command = std::string(FWIMAGE_PROGRAM) + " --key 1F2E " + body.string() + " V2.20 " +
                        image.string() + " > /dev/null";
  ASSERT_EQ(std::system(command.c_str()), 0);
  EXPECT_EQ(LoadFirmwareImage(*js_, image.string()), FirmwareLoadResult::Loaded);
  EXPECT_EQ(js_->Firmware.VersionText(), "V2.20");
  EXPECT_EQ(js_->Firmware.FwEndAddr, 0x2000 + 2 * 1024);
  EXPECT_TRUE(std::equal(plain.begin(), plain.end(), js_->Firmware.FirmwareImage.begin()));
  EXPECT_EQ(LoadFirmwareImage(*js_, (dir / "missing.ZQM").string()), FirmwareLoadResult::Unreadable);
  EXPECT_EQ(js_->FirmwareLoaded, 0);
  std::filesystem::remove_all(dir);
}

TEST_F(FirmwareTest, ToolRefusesWhatNoImageCanHold) {
  std::string error;
  EXPECT_TRUE(BuildFirmwareImage({}, "V1", 0, error).empty());
  EXPECT_FALSE(error.empty());
  Bytes big(MaxFirmwareBodyLength() + 1, 0);
  EXPECT_TRUE(BuildFirmwareImage(big, "V1", 0, error).empty());
  big.resize(MaxFirmwareBodyLength());
  Bytes image = BuildFirmwareImage(big, "V1", 0, error);
  ASSERT_FALSE(image.empty()) << error;
  EXPECT_LE(image.size(), kFirmwareImageSize);
  EXPECT_EQ(LoadFirmwareImageData(*js_, image), FirmwareLoadResult::Loaded);
  EXPECT_TRUE(BuildFirmwareImage(Bytes(10), std::string(23, 'V'), 0, error).empty());
}

TEST_F(FirmwareTest, UpgradeSendsEveryBlockThenTheOffLineMonitor) {
  // 32 blocks: the whole image area, set up directly (no file can carry it).
  FirmwareState& fw = js_->Firmware;
  for (size_t i = 0; i < fw.FirmwareImage.size(); ++i) fw.FirmwareImage[i] = static_cast<uint8_t>(i ^ (i >> 8));
  fw.FwStartAddr = 0x2000;
  fw.FwEndAddr = 0x2000 + 32 * 1024;
  js_->FirmwareLoaded = 1;
  const int slot = 3;
  StartFirmwareUpgrade(*js_, slot);
  EXPECT_TRUE(SlotTakesAnswers(*js_, slot));  // the upgrade's answers go to the answer handling
  EXPECT_EQ(js_->SlotOp[slot], kOpFirmwareUpgrade);
  EXPECT_EQ(js_->SlotBusy[slot], 1);
  EXPECT_EQ(js_->SlotTimeout[slot], 500);
  EXPECT_EQ(js_->SlotBlockTotal[slot], 33u);
  EXPECT_EQ(view_.gauges[slot].max, 33);
  EXPECT_EQ(view_.gauges[slot].progress, 2);
  for (int n = 0; n < 40 && js_->SlotBusy[slot]; ++n) ContinueFirmwareUpgrade(*js_, 0, slot);
  EXPECT_EQ(js_->SlotBusy[slot], 0);
  EXPECT_EQ(js_->SlotOp[slot], kOpIdle);
  EXPECT_EQ(js_->SlotConnected[slot], 1);  // the upgraded unit stays on its slot
  EXPECT_EQ(view_.gauges[slot].progress, 33);
  EXPECT_EQ(view_.gauges[slot].color, GaugeColor::Blue);

  std::vector<Bytes> packets = SentPackets(slot);
  ASSERT_EQ(packets.size(), 33u);
  for (uint32_t n = 0; n < 32; ++n) {
    SCOPED_TRACE(n);
    const Bytes& p = packets[n];
    ASSERT_EQ(p.size(), 2058u);
    const uint16_t address = static_cast<uint16_t>(0x2000 + n * 1024);
    EXPECT_EQ(p[0], 0xB7);
    EXPECT_EQ(LE16(p, 1), address);
    EXPECT_EQ(p[3], n);
    EXPECT_EQ(p[4], 33);
    EXPECT_EQ(p[5], 0x0F);
    EXPECT_EQ(LE16(p, 6), 0x0800);
    const uint8_t k0 = BlockKeyTable[n & ~1u], k1 = BlockKeyTable[(n & ~1u) + 1];
    for (size_t i = 0; i < 512; ++i) {
      const uint8_t* s = &fw.FirmwareImage[n * 2048 + 4 * i];
      ASSERT_EQ(p[8 + 4 * i], s[0] ^ k0) << i;
      ASSERT_EQ(p[9 + 4 * i], s[1] ^ k1) << i;
      ASSERT_EQ(p[10 + 4 * i], s[2] ^ k0) << i;
      ASSERT_EQ(p[11 + 4 * i], k1) << i;
    }
  }
  EXPECT_EQ(recorders_[slot].sent.back(), (Bytes{0xC0, 0x8A, 0x52, 0x45, 0x53, 0x54, 0xA8, 0x02, 0x00, 0x00,
                                                0x00, 0xCD, 0x02, 0xC0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
  std::vector<std::string> texts = view_.LogTexts();
  ASSERT_EQ(texts.size(), 3u);
  EXPECT_EQ(texts[0], "C4: Start firmware upgrade......");
  EXPECT_EQ(texts[1], "C4: Firmware Upgrade Completed!");
  EXPECT_EQ(texts[2], "C4: Operation Success!");
  for (int other = 0; other < kSlotCount; ++other) {
    if (other != slot) {
      EXPECT_TRUE(recorders_[other].sent.empty()) << other;
    }
  }
}

TEST_F(FirmwareTest, PairedBlocksShareTheirKeys) {
  ASSERT_EQ(LoadFirmwareImageData(*js_, ToolImage(Bytes(8 * 2048, 0x00))), FirmwareLoadResult::Loaded);
  // Over a zero body each block shows its own key bytes.
  for (uint32_t n = 0; n < 8; ++n) SendFirmwareBlock(*js_, 0x2000 + n * 1024, 0);
  std::vector<Bytes> p = SentPackets(0);
  ASSERT_EQ(p.size(), 8u);
  for (uint32_t n = 0; n < 8; n += 2) {
    SCOPED_TRACE(n);
    EXPECT_EQ(Bytes(p[n].begin() + 8, p[n].begin() + 2056), Bytes(p[n + 1].begin() + 8, p[n + 1].begin() + 2056));
    EXPECT_EQ(p[n][8], BlockKeyTable[n]);
    EXPECT_EQ(p[n][9], BlockKeyTable[n + 1]);
  }
  EXPECT_NE(p[0][8], p[2][8]);
}

TEST_F(FirmwareTest, NoImageNoUpgrade) {
  js_->FirmwareLoaded = 0;
  StartFirmwareUpgrade(*js_, 0);
  EXPECT_TRUE(recorders_[0].sent.empty());
  EXPECT_TRUE(view_.log.empty());
  EXPECT_EQ(js_->SlotConnected[0], 0);
  EXPECT_EQ(js_->SlotOp[0], kOpIdle);
}

TEST_F(FirmwareTest, RangeEndingInsideABlockSendsThatBlockWhole) {
  // 1,500 address steps: block total (1500 div 1024) + 1 = 2, two blocks sent.
  Bytes plain = RandomBody(2 * 2048, 5);
  ASSERT_EQ(LoadFirmwareImageData(*js_, HandMadeImage(plain, 0x2000 + 1500)), FirmwareLoadResult::Loaded);
  const int slot = 6;
  StartFirmwareUpgrade(*js_, slot);
  EXPECT_EQ(js_->SlotBlockTotal[slot], 2u);
  EXPECT_EQ(view_.gauges[slot].max, 2);
  ContinueFirmwareUpgrade(*js_, 0, slot);
  EXPECT_EQ(js_->SlotBusy[slot], 1);
  ContinueFirmwareUpgrade(*js_, 6, slot);
  EXPECT_EQ(js_->SlotBusy[slot], 0);
  std::vector<Bytes> packets = SentPackets(slot);
  ASSERT_EQ(packets.size(), 3u);
  EXPECT_EQ(LE16(packets[0], 1), 0x2000);
  EXPECT_EQ(LE16(packets[1], 1), 0x2400);
  EXPECT_EQ(packets[1][3], 1);
  EXPECT_EQ(packets[1][4], 2);
  // The last block's groups come from image bytes 2048.. of the body.
  const uint8_t k0 = BlockKeyTable[0], k1 = BlockKeyTable[1];
  EXPECT_EQ(packets[1][8], plain[2048] ^ k0);
  EXPECT_EQ(packets[1][9], plain[2049] ^ k1);
  EXPECT_EQ(packets[1][2055], k1);
  EXPECT_EQ(packets[1][2054], plain[4094] ^ k0);
  EXPECT_EQ(packets[2].size(), 12u);  // the off-line monitor command
  EXPECT_EQ(packets[2][0], 138);
}

TEST_F(FirmwareTest, ImagesByRangeAndBody) {
  struct Case {
    const char* what;
    uint32_t steps;      // FwEndAddr - 0x2000
    size_t bodyLength;   // FwBodyLength
    FirmwareLoadResult result;
    size_t blocks;       // blocks sent when loaded
  };
  const Case cases[] = {
      {"range ending on a block", 2 * 1024, 4096, FirmwareLoadResult::Loaded, 2},
      {"range inside a block, full body", 1536, 3072, FirmwareLoadResult::Loaded, 2},
      {"body not a multiple of 16 runs", 1500, 3000, FirmwareLoadResult::Loaded, 2},
      {"body longer than the range", 100, 2048 + 40, FirmwareLoadResult::Loaded, 1},
      {"body one byte short", 1536, 3071, FirmwareLoadResult::BadRange, 0},
      {"over 0x8000 steps", 0x8001, 4096, FirmwareLoadResult::BadRange, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    js_ = std::make_unique<JobState>();
    SetUp();
    recorders_[0].sent.clear();
    Bytes plain = RandomBody(c.bodyLength, 7);
    ASSERT_EQ(LoadFirmwareImageData(*js_, HandMadeImage(plain, static_cast<uint16_t>(0x2000 + c.steps))), c.result);
    if (c.result != FirmwareLoadResult::Loaded) {
      EXPECT_EQ(js_->FirmwareLoaded, 0);
      continue;
    }
    // The unit gets the body, then erased flash up to the end of the last block.
    Bytes expected = plain;
    expected.resize(std::max(plain.size(), c.blocks * 2048), 0xFF);
    StartFirmwareUpgrade(*js_, 0);
    for (size_t n = 0; n < c.blocks; ++n) ContinueFirmwareUpgrade(*js_, 0, 0);
    EXPECT_EQ(js_->SlotBusy[0], 0);
    std::vector<Bytes> packets = SentPackets(0);
    ASSERT_EQ(packets.size(), c.blocks + 1);  // and the off-line monitor command
    for (size_t n = 0; n < c.blocks; ++n) {
      SCOPED_TRACE(n);
      EXPECT_EQ(LE16(packets[n], 1), 0x2000 + n * 1024);
      const uint8_t k0 = BlockKeyTable[n & ~size_t{1}], k1 = BlockKeyTable[(n & ~size_t{1}) + 1];
      for (size_t i = 0; i < 512; ++i) {
        const uint8_t* s = &expected[n * 2048 + 4 * i];
        ASSERT_EQ(packets[n][8 + 4 * i], s[0] ^ k0) << i;
        ASSERT_EQ(packets[n][9 + 4 * i], s[1] ^ k1) << i;
        ASSERT_EQ(packets[n][10 + 4 * i], s[2] ^ k0) << i;
      }
    }
    EXPECT_EQ(packets.back()[0], 138);
  }
}
