#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <numeric>
#include <vector>

#include "files/DataFiles.h"
#include "protocol/JobState.h"
#include "support/TempFile.h"

namespace {

// An Intel HEX record with its checksum worked out here, independently of
// the reader.
std::string Rec(uint8_t type, uint16_t address, std::vector<uint8_t> data, int checksumDelta = 0) {
  std::vector<uint8_t> bytes = {static_cast<uint8_t>(data.size()), static_cast<uint8_t>(address >> 8),
                                static_cast<uint8_t>(address), type};
  bytes.insert(bytes.end(), data.begin(), data.end());
  unsigned sum = std::accumulate(bytes.begin(), bytes.end(), 0u);
  bytes.push_back(static_cast<uint8_t>(-sum + checksumDelta));
  std::string out = ":";
  char hex[3];
  for (uint8_t b : bytes) {
    std::snprintf(hex, sizeof hex, "%02X", b);
    out += hex;
  }
  return out;
}

std::string Ext(uint8_t type, uint16_t value) {
  return Rec(type, 0, {static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value)});
}

struct Segment {
  uint32_t address;
  std::vector<uint8_t> bytes;
};

// One job state for all cases: its buffer is erased once, every case puts
// back what it stored, and each case checks that nothing else changed.
class Readers : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    js_ = new JobState();
    std::fill_n(js_->DataBuffer.get(), kDataBufferSize, 0xFF);
  }
  static void TearDownTestSuite() { delete js_; }

  std::span<uint8_t> Buffer() { return {js_->DataBuffer.get(), kDataBufferSize}; }

  // Checks the stored bytes, that no other byte changed, and erases them again.
  void ExpectStoredOnly(const std::vector<Segment>& segments) {
    size_t expectedNonErased = 0;
    for (const auto& s : segments) {
      for (size_t i = 0; i < s.bytes.size(); ++i) {
        EXPECT_EQ(js_->DataBuffer[s.address + i], s.bytes[i]) << "at 0x" << std::hex << s.address + i;
        if (s.bytes[i] != 0xFF) ++expectedNonErased;
      }
    }
    size_t nonErased = kDataBufferSize - std::count(js_->DataBuffer.get(), js_->DataBuffer.get() + kDataBufferSize, 0xFF);
    EXPECT_EQ(nonErased, expectedNonErased);
    std::fill_n(js_->DataBuffer.get(), kDataBufferSize, 0xFF);
  }

  static uint32_t SumOf(const std::vector<Segment>& segments) {
    uint32_t sum = 0;
    for (const auto& s : segments) sum = std::accumulate(s.bytes.begin(), s.bytes.end(), sum);
    return sum;
  }

  static JobState* js_;
};
JobState* Readers::js_ = nullptr;

std::string Lines(std::initializer_list<std::string> lines, const char* eol = "\n") {
  std::string out;
  for (const auto& l : lines) out += l + eol;
  return out;
}

struct HexCase {
  const char* name;
  std::string text;
  ReadStatus status;
  uint32_t line;           // refused line
  const char* reason;      // words of the refusal
  std::vector<Segment> stored;
  uint32_t start, highest;
  uint32_t extraSum = 0;   // bytes stored twice by overlapping records
};

const uint32_t kLast = kDataBufferSize - 1;  // 0x8200000

std::vector<HexCase> HexCases() {
  std::vector<uint8_t> b16(16);
  std::iota(b16.begin(), b16.end(), 0x30);
  return {
      {"ExtendedLinearAndSegment",
       Lines({Ext(4, 0x0800), Rec(0, 0x0010, {1, 2, 3}), Ext(2, 0x1000), Rec(0, 0x0004, {9}), ":00000001FF"}),
       ReadStatus::Ok, 0, "", {{0x08000010, {1, 2, 3}}, {0x10004, {9}}}, 0x10004, 0x08000012},
      {"RecordsOutOfOrder", Lines({Rec(0, 0x0020, {0xA0, 0xA1}), Rec(0, 0x0010, b16), ":00000001FF"}),
       ReadStatus::Ok, 0, "", {{0x10, b16}, {0x20, {0xA0, 0xA1}}}, 0x10, 0x21},
      {"RecordEndingAtTheLastByte", Lines({Ext(4, 0x0820), Rec(0, 0x0000, {0x5A})}), ReadStatus::Ok, 0, "",
       {{kLast, {0x5A}}}, kLast, kLast},
      {"RecordOneBytePastTheBuffer", Lines({Rec(0, 0, {7}), Ext(4, 0x0820), Rec(0, 0x0000, {0x5A, 0x5B})}),
       ReadStatus::BadRecord, 3, "outside", {{0, {7}}}, 0, 0},
      {"AddressFarBeyondTheBuffer", Lines({Ext(4, 0x1FFF), Rec(0, 0xFFF0, {1})}), ReadStatus::BadRecord, 2,
       "outside", {}, 0xFFFFFFFF, 0},
      {"BadChecksumStoresNothing", Lines({Rec(0, 0, {1, 2}), Rec(0, 0x100, {3, 4}, 1), Rec(0, 0x200, {5})}),
       ReadStatus::BadRecord, 2, "checksum", {{0, {1, 2}}}, 0, 1},
      {"ShortLine", Lines({Rec(0, 0, {1}), Rec(0, 0x40, b16).substr(0, 20)}), ReadStatus::BadRecord, 2,
       "length", {{0, {1}}}, 0, 0},
      {"LongLine", Lines({Rec(0, 0x40, {1}) + "00"}), ReadStatus::BadRecord, 1, "length", {}, 0xFFFFFFFF, 0},
      {"NonHexDigit", Lines({":0100000G01FE"}), ReadStatus::BadRecord, 1, "hex digit", {}, 0xFFFFFFFF, 0},
      {"UnknownRecordType", Lines({Rec(6, 0, {1})}), ReadStatus::BadRecord, 1, "record type", {}, 0xFFFFFFFF, 0},
      {"ExtendedAddressWithAddressField", Lines({Rec(4, 0x0001, {0, 1})}), ReadStatus::BadRecord, 1,
       "address field", {}, 0xFFFFFFFF, 0},
      {"NoColon", Lines({Rec(0, 0, {1}), std::string("x").append(Rec(0, 1, {2}))}), ReadStatus::BadRecord, 2, "':'", {{0, {1}}}, 0, 0},
      {"BlankLineInTheMiddle", Lines({Rec(0, 0, {1}), "", Rec(0, 1, {2})}), ReadStatus::BadRecord, 2, "':'",
       {{0, {1}}}, 0, 0},
      {"BlankLinesAtTheEnd", Lines({Rec(0, 0, {1}), "", "  "}), ReadStatus::Ok, 0, "", {{0, {1}}}, 0, 0},
      {"MissingEndRecord", Lines({Rec(0, 0x300, {1, 2, 3, 4})}), ReadStatus::Ok, 0, "", {{0x300, {1, 2, 3, 4}}},
       0x300, 0x303},
      {"CrLf", Lines({Rec(0, 0x300, {1, 2, 3, 4}), ":00000001FF"}, "\r\n"), ReadStatus::Ok, 0, "",
       {{0x300, {1, 2, 3, 4}}}, 0x300, 0x303},
      {"ExactEndRecordStops", Lines({Rec(0, 0, {1}), ":00000001FF", "garbage"}), ReadStatus::Ok, 0, "",
       {{0, {1}}}, 0, 0},
      {"OtherEndRecordIsPassedOver", Lines({Rec(0, 0, {1}), ":00000001ff", ":00000001FF  ", Rec(0, 1, {2})}),
       ReadStatus::Ok, 0, "", {{0, {1, 2}}}, 0, 1},
      {"StartRecordsPassedOver", Lines({Rec(3, 0, {0, 0, 0, 0}), Rec(5, 0, {0, 0, 0, 0}), Rec(0, 8, {8})}),
       ReadStatus::Ok, 0, "", {{8, {8}}}, 8, 8},
      {"OverlappingRecordsLaterWins", Lines({Rec(0, 0x10, {1, 2, 3}), Rec(0, 0x11, {9})}), ReadStatus::Ok, 0, "",
       {{0x10, {1, 9, 3}}}, 0x10, 0x12, 2},
      {"NoDataRecords", Lines({Ext(4, 0), ":00000001FF"}), ReadStatus::Ok, 0, "", {}, 0xFFFFFFFF, 0},
      {"EmptyFile", "", ReadStatus::Ok, 0, "", {}, 0xFFFFFFFF, 0},
  };
}

TEST_F(Readers, HexFiles) {
  for (const auto& c : HexCases()) {
    SCOPED_TRACE(c.name);
    std::string path = WriteTestFile(std::string(c.name) + ".hex", c.text);
    js_->LoadSum = 0;
    js_->FileStartAddr = 0;
    uint32_t highest = 0x12345;
    ReadOutcome r = ReadHexFile(*js_, path, Buffer(), highest);
    EXPECT_EQ(r.status, c.status);
    EXPECT_EQ(r.line, c.line);
    EXPECT_NE(r.reason.find(c.reason), std::string::npos) << r.reason;
    EXPECT_EQ(js_->FileStartAddr, c.start);
    EXPECT_EQ(highest, c.highest);
    EXPECT_EQ(js_->LoadSum, SumOf(c.stored) + c.extraSum);
    ExpectStoredOnly(c.stored);
  }
}

struct TxtCase {
  const char* name;
  std::string text;
  ReadStatus status;
  uint32_t line;
  const char* reason;
  std::vector<Segment> stored;
  uint32_t start;
};

std::vector<TxtCase> TxtCases() {
  return {
      {"SeveralSections", Lines({"@1000", "01 02 0304", "@0200", "AA BB", "  CC", "@2000", "FF 7e", "q"}),
       ReadStatus::Ok, 0, "", {{0x1000, {1, 2, 3, 4}}, {0x200, {0xAA, 0xBB, 0xCC}}, {0x2000, {0xFF, 0x7E}}}, 0x200},
      {"TrailingBlankAndCrLf", Lines({"@1000 ", "01 02 \t", "q"}, "\r\n"), ReadStatus::Ok, 0, "",
       {{0x1000, {1, 2}}}, 0x1000},
      {"QuitStopsReading", Lines({"@10", "01", "q", "@20", "02"}), ReadStatus::Ok, 0, "", {{0x10, {1}}}, 0x10},
      {"EmptyLinesSkipped", Lines({"", "@10", "", "01", ""}), ReadStatus::Ok, 0, "", {{0x10, {1}}}, 0x10},
      {"DataBeforeFirstAddress", Lines({"01 02", "@10", "03"}), ReadStatus::BadRecord, 1, "before", {}, 0xFFFFFFFF},
      {"OddTrailingDigit", Lines({"@10", "01", "02 0"}), ReadStatus::BadRecord, 3, "odd", {{0x10, {1}}}, 0x10},
      {"DigitSplitByBlank", Lines({"@10", "0 1"}), ReadStatus::BadRecord, 2, "odd", {}, 0x10},
      {"NonHexInData", Lines({"@10", "0G"}), ReadStatus::BadRecord, 2, "hex digit", {}, 0x10},
      {"NonHexInAddress", Lines({"@10x", "01"}), ReadStatus::BadRecord, 1, "hex digit", {}, 0xFFFFFFFF},
      {"AddressMissing", Lines({"@", "01"}), ReadStatus::BadRecord, 1, "missing", {}, 0xFFFFFFFF},
      {"LastByteOfTheBuffer", Lines({"@8200000", "5A", "q"}), ReadStatus::Ok, 0, "", {{kLast, {0x5A}}}, kLast},
      {"DataPastTheBuffer", Lines({"@8200000", "5A5B"}), ReadStatus::BadRecord, 2, "outside", {}, kLast},
      {"AddressPastTheBuffer", Lines({"@8200001", "5A"}), ReadStatus::BadRecord, 1, "outside", {}, 0xFFFFFFFF},
      {"HugeAddress", Lines({"@123456789ABCDEF0123", "5A"}), ReadStatus::BadRecord, 1, "outside", {}, 0xFFFFFFFF},
      {"UpperCaseQIsNoEnd", Lines({"@10", "Q"}), ReadStatus::BadRecord, 2, "hex digit", {}, 0x10},
  };
}

TEST_F(Readers, TxtFiles) {
  for (const auto& c : TxtCases()) {
    SCOPED_TRACE(c.name);
    std::string path = WriteTestFile(std::string(c.name) + ".txt", c.text);
    js_->LoadSum = 0;
    uint32_t start = 0, end = 0;
    ReadOutcome r = ReadTxtFile(*js_, path, Buffer(), start, end);
    EXPECT_EQ(r.status, c.status);
    EXPECT_EQ(r.line, c.line);
    EXPECT_NE(r.reason.find(c.reason), std::string::npos) << r.reason;
    EXPECT_EQ(start, c.start);
    EXPECT_EQ(end, 0xFFFFu);  // whatever the file holds
    EXPECT_EQ(js_->LoadSum, SumOf(c.stored));
    ExpectStoredOnly(c.stored);
  }
}

TEST_F(Readers, LongTxtLineIsReadWhole) {
  std::string data;
  std::vector<uint8_t> bytes;
  for (int i = 0; i < 300; ++i) {
    data += "5A ";
    bytes.push_back(0x5A);
  }
  std::string path = WriteTestFile("long.txt", Lines({"@40", data}));
  js_->LoadSum = 0;
  uint32_t start = 0, end = 0;
  ASSERT_TRUE(ReadTxtFile(*js_, path, Buffer(), start, end).Ok());
  ExpectStoredOnly({{0x40, bytes}});
}

TEST_F(Readers, BinFiles) {
  struct Case {
    const char* name;
    size_t fileSize;
    uint32_t lastIndexIn, lastIndexOut;
  };
  const Case cases[] = {
      {"LargerThanChip", 20, 15, 15},
      {"SmallerThanChip", 10, 15, 9},
      {"SameAsChip", 16, 15, 15},
      {"Empty", 0, 15, 0xFFFFFFFF},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::string content;
    for (size_t i = 0; i < c.fileSize; ++i) content += static_cast<char>(0x10 + i);
    std::string path = WriteTestFile(std::string(c.name) + ".bin", content);
    js_->LoadSum = 0;
    uint32_t last = c.lastIndexIn;
    ASSERT_TRUE(ReadBinFile(*js_, path, last).Ok());
    EXPECT_EQ(last, c.lastIndexOut);
    Segment stored{0, {}};
    for (size_t i = 0; i < std::min<size_t>(c.fileSize, c.lastIndexIn + 1); ++i) stored.bytes.push_back(0x10 + i);
    EXPECT_EQ(js_->LoadSum, SumOf({stored}));
    ExpectStoredOnly({stored});
  }
}

TEST_F(Readers, MissingFilesAreReportedNotRead) {
  uint32_t last = 15, highest = 0, start = 0, end = 0;
  const std::string missing = (TestScratchDir() / "no-such-file").string();
  EXPECT_EQ(ReadBinFile(*js_, missing, last).status, ReadStatus::OpenFailed);
  EXPECT_EQ(last, 15u);
  EXPECT_EQ(ReadHexFile(*js_, missing, Buffer(), highest).status, ReadStatus::OpenFailed);
  EXPECT_EQ(ReadTxtFile(*js_, missing, Buffer(), start, end).status, ReadStatus::OpenFailed);
  ExpectStoredOnly({});
}

TEST(WriteBinFile, WritesLastIndexPlusOneBytes) {
  const std::vector<uint8_t> src = {1, 2, 3, 4, 5};
  std::string path = (TestScratchDir() / "out.bin").string();
  ASSERT_TRUE(WriteBinFile(src, path, 0));
  EXPECT_EQ(ReadTestFile(path), std::string("\x01", 1));
  ASSERT_TRUE(WriteBinFile(src, path, 4));  // overwrites
  EXPECT_EQ(ReadTestFile(path), std::string("\x01\x02\x03\x04\x05", 5));
  EXPECT_FALSE(WriteBinFile(src, path, 5));  // past the source
  EXPECT_FALSE(WriteBinFile(src, (TestScratchDir() / "no-dir" / "x.bin").string(), 0));
}

TEST(DataFileKind, ChosenByUpperCasedExtension) {
  EXPECT_EQ(DataFileKindFor("/a/b/image.HEX"), DataFileKind::Hex);
  EXPECT_EQ(DataFileKindFor("image.hex"), DataFileKind::Hex);
  EXPECT_EQ(DataFileKindFor("image.Txt"), DataFileKind::Txt);
  EXPECT_EQ(DataFileKindFor("image.bin"), DataFileKind::Bin);
  EXPECT_EQ(DataFileKindFor("image.s19"), DataFileKind::Bin);
  EXPECT_EQ(DataFileKindFor("image"), DataFileKind::Bin);
  EXPECT_EQ(DataFileKindFor("dir.hex/image"), DataFileKind::Bin);
  EXPECT_EQ(DataFileKindFor("image.hex.bak"), DataFileKind::Bin);
}

}  // namespace

namespace {

TEST_F(Readers, ALineLongerThanABlockIsRefusedNotGrown) {
  std::string text = Lines({"@10", "01"}) + std::string(5u << 20, 'A');  // no line end at all
  std::string path = WriteTestFile("huge.txt", text);
  js_->LoadSum = 0;
  uint32_t start = 0, end = 0;
  ReadOutcome r = ReadTxtFile(*js_, path, Buffer(), start, end);
  EXPECT_EQ(r.status, ReadStatus::BadRecord);
  EXPECT_EQ(r.line, 3u);
  EXPECT_EQ(r.reason, "line too long");
  ExpectStoredOnly({{0x10, {1}}});

  path = WriteTestFile("huge.hex", std::string(5u << 20, ':'));
  uint32_t highest = 0;
  r = ReadHexFile(*js_, path, Buffer(), highest);
  EXPECT_EQ(r.status, ReadStatus::BadRecord);
  EXPECT_EQ(r.line, 1u);
  ExpectStoredOnly({});
}

}  // namespace
