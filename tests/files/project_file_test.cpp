#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <vector>

#include "files/ProjectFile.h"
#include "protocol/FillerRandom.h"
#include "protocol/JobState.h"
#include "support/TempFile.h"

namespace {

using namespace project;

ProjectChip SampleChip(uint32_t dataEnd) {
  ProjectChip c;
  c.DataSum16 = 0x1234;
  c.DataCRC16 = 0xBEEF;
  c.DataSizeKB = 8;
  c.PageSize = 256;
  c.ChipAuxWord = 0x2000;
  c.EraseTime = 700;
  c.DataStart = 0;
  c.DataEnd = dataEnd;
  c.ChipSize = 0x2000;
  c.ChipSpare = 32;
  c.ChipFamily = 5;
  c.ChipSubType = 0x17;
  c.ChipOpBytes = {1, 2, 3, 4, 5, 6, 7, 8};
  c.EepromProtect = 0x0C;
  c.ChipAuxByte2 = 0x44;
  c.ChipSum32 = 0xCAFEF00D;
  c.ChipAuxByte = 0x51;
  c.CtrlFlags2 = 0x62;
  c.CtrlFlags = 0x91;
  c.ChipAddrMode = 0x10;
  c.I2CDevAddr = 0xA2;
  c.ChipId1 = 0xEF;
  c.ChipId2 = 0x40;
  return c;
}

ProjectControls SampleControls() {
  ProjectControls k;
  k.ChipName = "W25Q64";
  k.ProductText = "/data/固件.bin";
  k.AutoDetect = true;
  k.ChipInTime = 800;
  k.ChipOffTime = 1200;
  k.ClockIndex = 2;
  k.VoltageIndex = 1;
  k.WriteProtect = true;
  k.SerialNumber = true;
  k.OnlineSN = true;
  k.SNBigEndian = false;
  k.StringSN = true;
  k.SNText = "0x00001000";
  k.GainText = "0x02";
  k.AddrText = "0x0000FFF0";
  k.CountLimitOn = true;
  k.CountLimit = 123456;
  return k;
}

std::vector<uint8_t> Image(size_t n) {
  std::vector<uint8_t> data(n);
  for (size_t i = 0; i < n; ++i) data[i] = static_cast<uint8_t>(i * 7 + (i >> 8));
  return data;
}

// Reads a file row by row as the layout table gives it, independently of
// the program's reader, and records where filler, keys and pairs lie.
struct LayoutWalk {
  explicit LayoutWalk(const std::string& f) : file(f) {}
  const std::string& file;
  size_t pos = 0;
  std::set<size_t> varying;  // filler, keys and masked data

  uint8_t B() { return static_cast<uint8_t>(file.at(pos++)); }
  uint32_t W() {
    uint32_t lo = B();
    return lo | (uint32_t{B()} << 8);
  }
  uint32_t D() {
    uint32_t lo = W();
    return lo | (W() << 16);
  }
  void Filler(size_t n) {
    for (size_t i = 0; i < n; ++i) {
      varying.insert(pos);
      EXPECT_LT(B(), 255) << "filler at " << pos - 1;
    }
  }
  void Zeros(size_t n) {
    for (size_t i = 0; i < n; ++i) EXPECT_EQ(B(), 0) << "zero at " << pos - 1;
  }
  std::string Str() {
    const uint32_t n = W();
    const uint8_t mask = static_cast<uint8_t>(((n & 0xFF) ^ kStringMaskXor) | kStringMaskOr);
    std::string s;
    for (uint32_t i = 0; i < n; ++i) s += static_cast<char>(B() ^ mask);
    EXPECT_EQ(B(), 0) << "string end at " << pos - 1;
    return s;
  }
};

TEST(ProjectFile, EveryRowSitsWhereTheLayoutPutsIt) {
  const ProjectChip c = SampleChip(0x1FFF);
  const ProjectControls k = SampleControls();
  const std::vector<uint8_t> data = Image(0x3000);
  FillerRandom filler;
  const std::string f = BuildProjectFile(c, k, data.data(), data.size(), filler);

  // A5 5A 0D 00, the masked name, 00: offsets 0 to 17.
  ASSERT_GE(f.size(), 18u);
  EXPECT_EQ(f.substr(0, 4), std::string("\xA5\x5A\x0D\x00", 4));
  for (size_t i = 0; i < kFormatName.size(); ++i)
    EXPECT_EQ(static_cast<uint8_t>(f[4 + i]), static_cast<uint8_t>(kFormatName[i]) ^ StringMask(13));
  EXPECT_EQ(f[17], '\0');

  LayoutWalk r(f);
  EXPECT_EQ(r.B(), 0xA5);
  EXPECT_EQ(r.B(), 0x5A);
  EXPECT_EQ(r.Str(), "KorvanPJV1-QZ");
  r.Filler(6);
  EXPECT_EQ(r.pos, 24u);
  EXPECT_EQ(r.Str(), "W25Q64");
  EXPECT_EQ(r.Str(), "/data/\xB9\xCC\xBC\xFE.bin");  // GB2312, n = its byte count
  EXPECT_EQ(r.W(), 0x1234u);
  EXPECT_EQ(r.W(), 0xBEEFu);
  r.Zeros(12);
  EXPECT_EQ(r.W(), 8u);
  EXPECT_EQ(r.W(), 256u);
  EXPECT_EQ(r.W(), 0x2000u);
  r.Zeros(8);
  EXPECT_EQ(r.W(), 700u);
  EXPECT_EQ(r.D(), 0u);
  EXPECT_EQ(r.D(), 0x1FFFu);
  EXPECT_EQ(r.D(), 0x2000u);
  r.Zeros(12);
  r.Filler(4);
  for (uint8_t want : {32, 5, 0x17, 1, 2, 3, 4, 5, 6, 7, 8, 0x0C, 0x44}) EXPECT_EQ(r.B(), want);
  r.Zeros(2);
  EXPECT_EQ(r.D(), 0xCAFEF00Du);
  r.Filler(32);
  for (uint8_t want : {0x51, 0x62, 0x91, 0x10, 0xA2, 0x00, 0xEF, 0x40, 1}) EXPECT_EQ(r.B(), want);
  EXPECT_EQ(r.W(), 800u);
  EXPECT_EQ(r.W(), 1200u);
  r.Zeros(2);
  EXPECT_EQ(r.B(), 2);
  EXPECT_EQ(r.B(), 1);
  r.Zeros(2);
  EXPECT_EQ(r.B(), 1);  // write protection
  r.Zeros(4);
  r.Filler(32);
  for (uint8_t want : {1, 4, 1, 0, 0, 1}) EXPECT_EQ(r.B(), want);
  EXPECT_EQ(r.Str(), "0x00001000");
  EXPECT_EQ(r.Str(), "0x00000000");
  EXPECT_EQ(r.Str(), "0x02");
  EXPECT_EQ(r.Str(), "0x0000FFF0");
  for (uint8_t want : {1, 0, 1}) EXPECT_EQ(r.B(), want);
  EXPECT_EQ(r.D(), 123456u);
  r.Zeros(2);
  r.Filler(16);
  EXPECT_EQ(r.Str(), "MAINFL");
  r.varying.insert({r.pos, r.pos + 1});
  const uint8_t key1 = r.B(), key2 = r.B();
  EXPECT_NE(key1, 0);
  EXPECT_NE(key2, 0);
  // DataEnd 0x1FFF: 0x1000 pairs, bytes 0 to 0x1FFF.
  for (size_t i = 0; i < 0x2000; ++i) {
    r.varying.insert(r.pos);
    ASSERT_EQ(r.B() ^ (i % 2 == 0 ? key1 : key2), data[i]) << i;
  }
  r.Filler(kTrailingFiller);
  EXPECT_EQ(r.pos, f.size());

  // A second save of the same job differs only where filler, keys and
  // masked data lie.
  const std::string again = BuildProjectFile(c, k, data.data(), data.size(), filler);
  ASSERT_EQ(again.size(), f.size());
  size_t differing = 0;
  for (size_t i = 0; i < f.size(); ++i) {
    if (f[i] == again[i]) continue;
    ++differing;
    EXPECT_TRUE(r.varying.count(i)) << "byte " << i << " differs";
  }
  EXPECT_GT(differing, 0u);
}

TEST(ProjectFile, PairCountFollowsTheRangeWithoutWrapping) {
  struct Case {
    uint32_t start, end;
    int64_t count;
  } cases[] = {
      {0, 0, 1}, {0, 1, 1}, {0, 2, 2}, {0, 0x7FF, 0x400}, {0, 0x7FFFFFF, 0x4000000},
      {0, 0xFFFFFFFF, 0x80000000}, {4, 4, 0}, {5, 3, 0}, {1, 0xFFFFFFFF, 0x7FFFFFFF},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ProjectPairCount(c.start, c.end), c.count) << c.start << ".." << c.end;
}

TEST(ProjectFile, ReadBackGivesEveryFieldAndTheImageOnAnErasedBuffer) {
  // An even DataEnd takes the byte after it too.
  const ProjectChip c = SampleChip(0x1000);
  const ProjectControls k = SampleControls();
  const std::vector<uint8_t> data = Image(0x3000);
  FillerRandom filler;
  const std::string f = BuildProjectFile(c, k, data.data(), data.size(), filler);

  const ParsedProject p = ParseProjectFile(f, 0x3000);
  ASSERT_EQ(p.status, ProjectStatus::Ok);
  EXPECT_EQ(p.chip, c);
  EXPECT_EQ(p.controls, k);
  EXPECT_EQ(p.pairCount, 0x801u);

  std::vector<uint8_t> target(0x3000, 0x00);  // earlier contents that must not survive
  StoreProjectImage(p, f, target.data(), target.size());
  for (size_t i = 0; i < target.size(); ++i)
    ASSERT_EQ(target[i], i <= 0x1001 ? data[i] : 0xFF) << i;
}

class BadProjectFile : public ::testing::Test {
 protected:
  // A file of a 2 KB chip, which the small buffers of these tests hold.
  std::string Good(uint32_t dataEnd = 0x3FF) {
    ProjectChip chip = SampleChip(dataEnd);
    chip.ChipSize = 0x800;
    chip.DataSizeKB = 2;
    return Build(chip);
  }
  static std::string Build(const ProjectChip& chip) {
    const std::vector<uint8_t> data = Image(0x1000);
    FillerRandom filler;
    return BuildProjectFile(chip, SampleControls(), data.data(), data.size(), filler);
  }
  static size_t MarkerAt(const std::string& f) {
    // The masked "MAINFL" behind its length 06 00.
    std::string masked = "\x06";
    masked += '\0';
    for (char ch : kDataMarker) masked += static_cast<char>(static_cast<uint8_t>(ch) ^ StringMask(6));
    return f.find(masked);
  }
};

TEST_F(BadProjectFile, EachCheckRefusesItsFault) {
  const std::string good = Good();
  const size_t marker = MarkerAt(good);
  ASSERT_NE(marker, std::string::npos);
  const size_t pairs = marker + 2 + 6 + 1 + 2;

  struct Case {
    const char* name;
    std::string file;
    ProjectStatus status;
  };
  std::string magic = good;
  magic[1] = 0x5B;
  std::string name = good;
  name[4 + 12] ^= 0x01;  // last character of the format name
  std::string longerName = good;
  longerName[2] = 0x0E;
  std::string endMarker = good;
  endMarker[marker + 2] ^= 0x20;
  std::string startNotZero = good;
  // Lowest byte of DataStart: behind the name (9 bytes), the product text
  // (17), the two sums, 6 zero words, three words, 4 zero words, EraseTime.
  startNotZero[24 + 9 + 17 + 4 + 12 + 6 + 8 + 2] = 1;

  const Case cases[] = {
      {"wrong magic", magic, ProjectStatus::BadMagic},
      {"wrong name", name, ProjectStatus::NotProject},
      {"name of another length", longerName, ProjectStatus::NotProject},
      {"wrong end marker", endMarker, ProjectStatus::BadDataMarker},
      {"empty", "", ProjectStatus::ShortFile},
      {"one byte", good.substr(0, 1), ProjectStatus::ShortFile},
      {"cut in the name", good.substr(0, 10), ProjectStatus::ShortFile},
      {"cut in the fields", good.substr(0, 100), ProjectStatus::ShortFile},
      {"cut in the marker", good.substr(0, marker + 5), ProjectStatus::ShortFile},
      {"cut before the keys", good.substr(0, pairs - 2), ProjectStatus::ShortFile},
      {"cut in the pairs", good.substr(0, pairs + 0x3FF), ProjectStatus::ShortFile},
      {"range not from 0", startNotZero, ProjectStatus::RangeOutsideBuffer},
  };
  for (const Case& c : cases) {
    const ParsedProject p = ParseProjectFile(c.file, 0x1000);
    EXPECT_EQ(p.status, c.status) << c.name;
  }
  // The short file knows how much it lacks; the pairs end the checked part,
  // the trailing filler is not needed.
  EXPECT_EQ(ParseProjectFile(good.substr(0, pairs + 0x3FF), 0x1000).bytesNeeded, pairs + 0x400);
  EXPECT_EQ(ParseProjectFile(good.substr(0, pairs + 0x400), 0x1000).status, ProjectStatus::Ok);
}

TEST_F(BadProjectFile, PairsPastTheBufferAreRefused) {
  // 0x800 bytes of pairs into a buffer of 0x7FF, and a range that would wrap.
  EXPECT_EQ(ParseProjectFile(Good(0x7FF), 0x7FF).status, ProjectStatus::RangeOutsideBuffer);
  EXPECT_EQ(ParseProjectFile(Good(0x7FF), 0x800).status, ProjectStatus::Ok);
  EXPECT_EQ(ParseProjectFile(Good(0xFFFFFFFF), kDataBufferSize).status,
            ProjectStatus::RangeOutsideBuffer);
}

TEST_F(BadProjectFile, SizesPastTheBufferAreRefused) {
  // Sizes a file from elsewhere may claim; each is checked against the
  // buffer a load derives it for.
  struct Case {
    uint32_t chipSize;
    uint16_t dataSizeKB;
    size_t bufferSize;
    ProjectStatus status;
  } cases[] = {
      {0x10000000, 0, kDataBufferSize, ProjectStatus::RangeOutsideBuffer},
      {0x7A000100, 0, kDataBufferSize, ProjectStatus::RangeOutsideBuffer},
      {0xFFFFFFFF, 0, kDataBufferSize, ProjectStatus::RangeOutsideBuffer},
      {kDataBufferSize + 1, 0, kDataBufferSize, ProjectStatus::RangeOutsideBuffer},
      {kDataBufferSize, 2049, kDataBufferSize, ProjectStatus::Ok},  // 133121 KB, the last partial
      {128u << 20, 0, kDataBufferSize, ProjectStatus::Ok},
      {0x1001, 5, 0x1000, ProjectStatus::RangeOutsideBuffer},
      {0x1000, 4, 0x1000, ProjectStatus::Ok},
      {0x0C01, 4, 0x1000, ProjectStatus::Ok},
      {0x100, 5, 0x1000, ProjectStatus::RangeOutsideBuffer},  // the size in KB alone
      {0x100, 0xFFFF, 0x1000, ProjectStatus::RangeOutsideBuffer},
      {0, 0, 0x1000, ProjectStatus::Ok},
  };
  for (const Case& c : cases) {
    ProjectChip chip = SampleChip(0xFF);
    chip.ChipSize = c.chipSize;
    chip.DataSizeKB = c.dataSizeKB;
    EXPECT_EQ(ParseProjectFile(Build(chip), c.bufferSize).status, c.status)
        << std::hex << c.chipSize << " " << c.dataSizeKB << " in " << c.bufferSize;
  }
}

TEST(ProjectFile, SixteenBitSizeInKbIsWidenedOnlyWhenItAgrees) {
  struct Case {
    uint32_t chipSize;
    uint16_t stored;
    uint32_t expected;
  } cases[] = {
      {128u << 20, 0, 131072},  // 128 MB stores 0
      {64u << 20, 0, 65536},
      {8u << 20, 8192, 8192},
      {0x1300, 5, 5},  // a trimmed range: size rounded up
      {512, 0, 0},     // below 1 KB the chip change gives 0
      {8u << 20, 7, 7},
  };
  JobState js;
  for (const Case& c : cases) {
    ProjectChip chip;
    chip.ChipSize = c.chipSize;
    chip.DataSizeKB = c.stored;
    ApplyProjectChipBeforeName(js, chip);
    EXPECT_EQ(js.DataSizeKB, c.expected) << c.chipSize;
  }
}

TEST(ProjectFile, ReadLimitCoversTheLargestProject) {
  // Past a project's largest size there is only filler to skip.
  EXPECT_GT(ProjectReadLimit(kDataBufferSize), kDataBufferSize + 1024);
}

}  // namespace
