#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <numeric>
#include <vector>

#include "files/DataLoad.h"
#include "messages/Format.h"
#include "protocol/DataRange.h"
#include "protocol/JobState.h"
#include "support/FakeView.h"
#include "support/TempFile.h"

namespace {

// The hex grid and the busy cursor, recorded.
struct RangeView : FakeView {
  std::vector<std::pair<uint32_t, uint32_t>> grids;
  int busy = 0;
  void ShowHexRange(uint32_t first, uint32_t last) override { grids.emplace_back(first, last); }
  void SetBusyCursor(bool b) override { busy += b ? 1 : -1; }
};

// Independent computations of the values the load shows.
uint32_t Crc32(const uint8_t* p, size_t n) { return static_cast<uint32_t>(crc32_z(0, p, n)); }
uint32_t Sum32(const uint8_t* p, size_t n) { return std::accumulate(p, p + n, 0u); }
uint16_t PacketCrc(const uint8_t* p, size_t n) {
  uint16_t crc = 0;
  for (size_t i = 0; i < n; ++i) crc = static_cast<uint16_t>((crc >> 1) ^ p[i] ^ ((crc & 1) ? 0x4A12 : 0));
  return crc;
}
std::string Hex8(uint32_t v) { return msg::Fmt("0x%0.8x", v); }

class Load : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { js_ = new JobState(); }
  static void TearDownTestSuite() { delete js_; }
  void SetUp() override {
    InitChipParams(*js_);
    js_->UserChipSize = 0;  // the window's start: unchecked, CRC32 shown
    js_->ChecksumKind = 1;
    view_ = RangeView{};
    js_->LogMemo = &view_;
  }
  void ChooseChip(uint8_t family, uint32_t size) {
    js_->ChipSelected = 1;
    js_->ChipFamily = family;
    js_->ChipSize = size;
    js_->ChipSizeCopy = size;
  }
  const uint8_t* Buf() { return js_->DataBuffer.get(); }
  bool HasLog(const std::string& text) {
    auto texts = view_.LogTexts();
    return std::find(texts.begin(), texts.end(), text) != texts.end();
  }

  static JobState* js_;
  RangeView view_;
};
JobState* Load::js_ = nullptr;

TEST_F(Load, RefusedWithoutAChosenChip) {
  js_->DataBuffer[5] = 0x12;
  std::string path = WriteTestFile("nochip.bin", "abc");
  EXPECT_FALSE(OpenDataFile(*js_, path));
  EXPECT_EQ(view_.boxes, std::vector<std::string>{"Please select Chip Type!"});
  EXPECT_EQ(js_->DataLoaded, 0);
  EXPECT_EQ(js_->DataBuffer[5], 0x12);  // nothing erased
  EXPECT_TRUE(view_.log.empty());
}

TEST_F(Load, SmallBinaryForALargeFlashIsTrimmedAndSummed) {
  std::string content(1000, '\0');
  for (size_t i = 0; i < content.size(); ++i) content[i] = static_cast<char>(i * 7);
  std::string path = WriteTestFile("small.bin", content);
  ChooseChip(0, 0x100000);
  ASSERT_TRUE(OpenDataFile(*js_, path));

  std::vector<uint8_t> image(4096, 0xFF);
  std::copy(content.begin(), content.end(), image.begin());
  const auto* file = reinterpret_cast<const uint8_t*>(content.data());
  EXPECT_EQ(js_->DataLoaded, 1);
  EXPECT_EQ(js_->DataFileName, "small.bin");
  EXPECT_EQ(js_->FileLength, 1000u);
  EXPECT_EQ(js_->LoadSum, Sum32(file, 1000));
  EXPECT_EQ(js_->FileCRC32, Crc32(file, 1000));
  EXPECT_EQ(js_->DataEnd, 0xFFFu);
  EXPECT_EQ(js_->ChipSize, 4096u);
  EXPECT_EQ(js_->DataSizeKB, 4u);
  EXPECT_EQ(js_->ChipSizeCopy, 0x100000u);
  EXPECT_EQ(js_->ChipSum32, Sum32(image.data(), 4096));
  EXPECT_EQ(js_->DataSum16, static_cast<uint16_t>(js_->ChipSum32));
  EXPECT_EQ(js_->ChipCRC32, Crc32(image.data(), 4096));
  EXPECT_EQ(js_->DataCRC16, PacketCrc(image.data(), 4096));

  const std::vector<std::string> expected = {
      "Load object file : " + path,
      " ",
      "File Start Address = 0x000000.",
      "File End Address   = 0x0003E7.",
      "File ACC32 CheckSum  = " + Hex8(js_->LoadSum) + ".",
      "File CRC32 CheckSum  = " + Hex8(js_->FileCRC32) + ".",
      " ",
      "Chip Start Address = 0x000000.",
      "Chip End Address   = 0x0FFFFF.",  // before the trimming
      "",
      "Actual Data Start Address = 0x000000.",
      "Actual Data End Address   = 0x000FFF.",
      "Actual Data Size in Byte  = 4096 B.",
      "",
      "Chip ACC32 CheckSum  = " + Hex8(js_->ChipSum32) + ".",
      "Chip CRC32 CheckSum  = " + Hex8(js_->ChipCRC32) + ".",
      "",
  };
  EXPECT_EQ(view_.LogTexts(), expected);
  EXPECT_EQ(view_.panels[0], "File CRC32 : " + Hex8(js_->FileCRC32));
  EXPECT_EQ(view_.panels[1], "Chip CRC32 : " + Hex8(js_->ChipCRC32));
  EXPECT_TRUE(view_.grids.empty());  // no grid for flash below class 32
  EXPECT_TRUE(view_.boxes.empty());
}

TEST_F(Load, TrimmingOfTrailingErasedBytes) {
  struct Case {
    const char* name;
    uint32_t lastData;  // last byte that is not 0xFF, or 0 for none
    bool userChipSize;
    uint32_t dataEnd, chipSize, sizeKB;
  };
  const Case cases[] = {
      {"DataUpTo0x12045", 0x12045, false, 0x120FF, 0x12100, 73},
      {"OnlyErasedBytes", 0, false, 0xFFF, 0x1000, 4},
      {"DataInTheFirst4K", 0x10, false, 0xFFF, 0x1000, 4},
      {"DataAtTheLastByte", 0xFFFFF, false, 0xFFFFF, 0x100000, 1024},
      {"UserChipSizeKeepsTheRange", 0x12045, true, 0xFFFFF, 0x100000, 1024},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    std::string content(0x13000, '\xFF');
    if (c.lastData != 0 && c.lastData < content.size()) content[c.lastData] = 0x00;
    if (c.lastData >= content.size()) content.resize(c.lastData + 1, '\x01');
    ChooseChip(0, 0x100000);
    js_->UserChipSize = c.userChipSize;
    ASSERT_TRUE(OpenDataFile(*js_, WriteTestFile("trim.bin", content)));
    EXPECT_EQ(js_->DataStart, 0u);
    EXPECT_EQ(js_->DataEnd, c.dataEnd);
    EXPECT_EQ(js_->ChipSize, c.chipSize);
    EXPECT_EQ(js_->ChipSum32, Sum32(Buf(), c.dataEnd + 1));
    EXPECT_EQ(js_->ChipCRC32, Crc32(Buf(), c.dataEnd + 1));
    if (!c.userChipSize) {
      EXPECT_EQ(js_->DataSizeKB, c.sizeKB);
      EXPECT_TRUE(HasLog(msg::Fmt("Actual Data End Address   = 0x%0.6x.", c.dataEnd)));
    } else {
      EXPECT_FALSE(HasLog("Actual Data Start Address = 0x000000."));
    }
  }
}

TEST_F(Load, Acc32PanelsWhenChosen) {
  ChooseChip(0xA0, 256);
  js_->ChecksumKind = 0;
  ASSERT_TRUE(OpenDataFile(*js_, WriteTestFile("acc.bin", std::string(256, '\x02'))));
  EXPECT_EQ(view_.panels[0], "File ACC32 : 0x00000200");
  EXPECT_EQ(view_.panels[1], "Chip ACC32 : 0x00000200");
}

TEST_F(Load, FullEepromImageHasTheGridAndEqualCrcs) {
  std::string content(256, '\0');
  std::iota(content.begin(), content.end(), 0);
  ChooseChip(0xA0, 256);
  ASSERT_TRUE(OpenDataFile(*js_, WriteTestFile("eep.bin", content)));
  EXPECT_EQ(js_->DataEnd, 0xFFu);  // not trimmed
  EXPECT_EQ(js_->FileCRC32, js_->ChipCRC32);
  EXPECT_EQ(view_.grids, (std::vector<std::pair<uint32_t, uint32_t>>{{0, 0xFF}}));
}

TEST_F(Load, HexWithDataInTheMiddle) {
  // :10010000 + 16 bytes 0x00..0x0F
  std::string rec = ":10010000000102030405060708090A0B0C0D0E0F77\n:00000001FF\n";
  ChooseChip(0xA0, 0x400);
  ASSERT_TRUE(OpenDataFile(*js_, WriteTestFile("mid.hex", rec)));
  EXPECT_TRUE(HasLog("File Start Address = 0x000100."));
  EXPECT_TRUE(HasLog("File End Address   = 0x00010F."));
  EXPECT_EQ(js_->LoadSum, 120u);  // 0 + 1 + ... + 15
  EXPECT_EQ(js_->FileCRC32, Crc32(Buf() + 0x100, 16));
  EXPECT_EQ(js_->FileLength, 0x110u);
  EXPECT_EQ(js_->ChipCRC32, Crc32(Buf(), 0x400));
  EXPECT_EQ(js_->ChipSum32, Sum32(Buf(), 0x400));
}

TEST_F(Load, BadRecordIsReportedAndNothingIsLoaded) {
  js_->DataLoaded = 1;  // an earlier image
  std::string text = ":0100000001FE\n:0100010002FF\n:00000001FF\n";  // line 2: checksum off by one
  ChooseChip(0, 0x10000);
  EXPECT_FALSE(OpenDataFile(*js_, WriteTestFile("bad.hex", text)));
  EXPECT_EQ(js_->DataLoaded, 0);
  ASSERT_EQ(view_.boxes.size(), 1u);
  EXPECT_EQ(view_.boxes[0], "Data File Error at Line 2: checksum wrong!");
  EXPECT_TRUE(HasLog(view_.boxes[0]));
  EXPECT_FALSE(HasLog("File Start Address = 0x000000."));
  EXPECT_EQ(js_->DataBuffer[1], 0xFF);  // the bad record stored nothing
  EXPECT_EQ(js_->DataBuffer[0], 0x01);
}

TEST_F(Load, UnreadableFileIsReported) {
  js_->DataLoaded = 1;
  ChooseChip(0, 0x10000);
  EXPECT_FALSE(OpenDataFile(*js_, (TestScratchDir() / "missing.bin").string()));
  EXPECT_EQ(js_->DataLoaded, 0);
  EXPECT_EQ(view_.boxes, std::vector<std::string>{"Read File Data Error!"});
}

TEST_F(Load, EmptyBinaryFileIsAnEmptyRange) {
  ChooseChip(0, 0x10000);
  ASSERT_TRUE(OpenDataFile(*js_, WriteTestFile("empty.bin", "")));
  EXPECT_EQ(js_->FileLength, 0u);
  EXPECT_EQ(js_->FileCRC32, 0u);
  EXPECT_EQ(js_->LoadSum, 0u);
  EXPECT_TRUE(HasLog("File End Address   = 0xFFFFFFFF."));
  EXPECT_EQ(js_->DataEnd, 0xFFFu);
  EXPECT_EQ(js_->ChipCRC32, Crc32(Buf(), 0x1000));
}

TEST_F(Load, TxtFileRangeEndsAt0xFFFF) {
  ChooseChip(0xA0, 0x10000);
  ASSERT_TRUE(OpenDataFile(*js_, WriteTestFile("t.txt", "@1000\r\n01 02 0304\r\nq\r\n")));
  EXPECT_EQ(js_->FileStartAddr, 0x1000u);
  EXPECT_EQ(js_->FileEndAddr, 0xFFFFu);
  EXPECT_EQ(js_->FileCRC32, Crc32(Buf() + 0x1000, 0xF000));
  EXPECT_EQ(js_->LoadSum, 10u);
}

TEST_F(Load, PagedImageIsCompacted) {
  // 4096 pages of 528 bytes: 512 data bytes, then 16 spare bytes.
  const uint32_t pages = 4096, pageSize = 528, dataSize = 512, spareSize = 16, spareArea = 0x200000;
  const uint32_t size = pages * pageSize;  // 0x210000
  ASSERT_EQ(size, 0x210000u);
  std::string content(size, '\0');
  for (uint32_t p = 0; p < pages; ++p)
    for (uint32_t k = 0; k < pageSize; ++k) content[p * pageSize + k] = static_cast<char>(p + 3 * k);
  ChooseChip(32, size);
  ASSERT_TRUE(OpenDataFile(*js_, WriteTestFile("paged.bin", content)));

  std::vector<uint8_t> expected(size);
  for (uint32_t p = 0; p < pages; ++p) {
    for (uint32_t k = 0; k < dataSize; ++k) expected[p * dataSize + k] = content[p * pageSize + k];
    for (uint32_t k = 0; k < spareSize; ++k)
      expected[spareArea + p * spareSize + k] = content[p * pageSize + dataSize + k];
  }
  EXPECT_TRUE(std::equal(expected.begin(), expected.end(), Buf()));
  EXPECT_EQ(js_->DataEnd, size - 1);  // not trimmed
  EXPECT_EQ(js_->ChipCRC32, Crc32(expected.data(), size));
  EXPECT_EQ(view_.grids, (std::vector<std::pair<uint32_t, uint32_t>>{{0, size - 1}}));
  EXPECT_TRUE(HasLog("目标文件尾地址 = 0x20FFFF."));
  EXPECT_TRUE(HasLog("目标芯片尾地址 = 0x20FFFF."));
  EXPECT_EQ(view_.busy, 0);
}

TEST_F(Load, PagedImageWithPageNumbers) {
  std::string content(0x210000, '\0');
  for (size_t i = 0; i < content.size(); ++i) content[i] = static_cast<char>(i / 528);
  ChooseChip(32, content.size());
  ASSERT_TRUE(OpenDataFile(*js_, WriteTestFile("pagenum.bin", content)));
  for (uint32_t a = 512; a < 1024; ++a) ASSERT_EQ(Buf()[a], 1) << a;
  for (uint32_t a = 0x200000; a < 0x200010; ++a) ASSERT_EQ(Buf()[a], 0) << a;
  for (uint32_t a = 0x200010; a < 0x200020; ++a) ASSERT_EQ(Buf()[a], 1) << a;
}

TEST_F(Load, SaveWritesTheRangeFromAddressZero) {
  std::string content(5000, '\x33');
  ChooseChip(0, 0x100000);
  ASSERT_TRUE(OpenDataFile(*js_, WriteTestFile("save-src.bin", content)));
  ASSERT_EQ(js_->DataEnd, 0x13FFu);
  std::string out = (TestScratchDir() / "saved.bin").string();
  ASSERT_TRUE(SaveDataBuffer(*js_, out));
  std::string saved = ReadTestFile(out);
  ASSERT_EQ(saved.size(), size_t{js_->DataEnd - js_->DataStart + 1});
  EXPECT_TRUE(std::equal(saved.begin(), saved.end(), Buf(),
                         [](char a, uint8_t b) { return static_cast<uint8_t>(a) == b; }));
  EXPECT_EQ(view_.boxes.back(), "File \"" + out + "\" has been saved!");

  EXPECT_FALSE(SaveDataBuffer(*js_, (TestScratchDir() / "no-dir" / "x.bin").string()));
  EXPECT_EQ(view_.boxes.back(), "Write File Data Error!");
}

TEST_F(Load, ReadChipResultStaysInsideTheBuffer) {
  struct Case {
    const char* name;
    uint8_t dataLoaded;
    uint32_t fileLength, readLength, chipSizeCopy, expectedLength;
  };
  const Case cases[] = {
      {"ReadLengthWithoutData", 0, 0, 0x100, 0x400, 0x100},
      {"FileLengthWithData", 1, 0x200, 0x100, 0x400, 0x200},
      {"NoFileLengthFallsBackToReadLength", 1, 0, 0x100, 0x400, 0x100},
      {"TooLongFallsBackToChipSize", 0, 0, 0xFFFFFFFF, 0x400, 0x400},
      {"NothingKnownIsOneByte", 0, 0, 0, 0, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    for (int i = 0; i < 0x400; ++i) js_->DataBuffer[i] = static_cast<uint8_t>(i);
    js_->DataLoaded = c.dataLoaded;
    js_->FileLength = c.fileLength;
    js_->ReadLength = c.readLength;
    js_->ChipSizeCopy = c.chipSizeCopy;
    ShowReadChipResult(*js_);
    EXPECT_TRUE(HasLog(msg::Fmt("Read Data End Address : 0x%0.8x.", c.expectedLength - 1)));
    EXPECT_EQ(js_->ChipCRC32, Crc32(Buf(), c.expectedLength));
    EXPECT_TRUE(HasLog("Read Chip ACC32 CheckSum  = " + Hex8(Sum32(Buf(), c.expectedLength)) + "."));
    EXPECT_EQ(view_.panels[1], "");  // the status bar is left alone
  }
}

TEST_F(Load, RangeBeyondTheBufferIsClamped) {
  // A range from an odd chip size, and DataEnd beyond the buffer's end.
  ChooseChip(0xA0, 0xFFFFFFFF);
  js_->DataStart = 0;
  js_->DataEnd = 0xFFFFFFFF;
  TakeImageRange(*js_);
  EXPECT_EQ(js_->ChipSum32, Sum32(Buf(), kDataBufferSize));
  ASSERT_EQ(view_.grids.size(), 1u);
  EXPECT_EQ(view_.grids[0].second, kDataBufferSize - 1);

  SetUp();
  ChooseChip(0, 0);  // trimming without a chip size
  js_->DataEnd = 0xFFFFFFFF;
  TrimTrailingBlank(*js_);
  EXPECT_LT(js_->DataEnd, kDataBufferSize);
}

}  // namespace
