#include "files/ProjectFile.h"

#include <algorithm>
#include <cstring>

#include "protocol/Checks.h"
#include "protocol/FillerRandom.h"
#include "protocol/JobState.h"
#include "protocol/LegacyText.h"

namespace {

using namespace project;

constexpr std::string_view kDroppedString = "0x00000000";

uint8_t FillerByte(FillerRandom& filler) { return static_cast<uint8_t>(filler.Next(255)); }

// Bytes in..in+n masked into out: even offsets with key1, odd with key2.
void XorPairs(const uint8_t* in, uint8_t* out, size_t n, uint8_t key1, uint8_t key2) {
  uint64_t pattern = 0;
  for (int i = 0; i < 8; ++i) pattern |= uint64_t{i % 2 == 0 ? key1 : key2} << (8 * i);
  size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    uint64_t v;
    std::memcpy(&v, in + i, 8);
    v ^= pattern;
    std::memcpy(out + i, &v, 8);
  }
  for (; i < n; ++i) out[i] = in[i] ^ (i % 2 == 0 ? key1 : key2);
}

// The pairs of the range that lie inside a buffer of dataSize bytes.
size_t PairsInside(uint32_t start, int64_t count, size_t dataSize) {
  if (count <= 0) return 0;
  const int64_t first = 2 * int64_t{start};
  const int64_t room = (static_cast<int64_t>(dataSize) - first) / 2;
  return room <= 0 ? 0 : static_cast<size_t>(std::min(count, room));
}

class Writer {
 public:
  Writer(std::string& out, FillerRandom& filler) : out_(out), filler_(filler) {}

  void Byte(uint8_t b) { out_.push_back(static_cast<char>(b)); }
  void Bool(bool b) { Byte(b ? 1 : 0); }
  void Word(uint32_t v) {
    Byte(static_cast<uint8_t>(v));
    Byte(static_cast<uint8_t>(v >> 8));
  }
  void DWord(uint32_t v) {
    Word(v);
    Word(v >> 16);
  }
  void Zeros(size_t n) { out_.append(n, '\0'); }
  void Filler(size_t n) {
    for (size_t i = 0; i < n; ++i) Byte(FillerByte(filler_));
  }
  // n (16 bits), the masked bytes, a 0 byte.
  void LegacyString(std::string_view legacy) {
    Word(static_cast<uint32_t>(legacy.size()));
    const uint8_t mask = StringMask(legacy.size());
    for (char c : legacy) Byte(static_cast<uint8_t>(c) ^ mask);
    Byte(0);
  }
  void Text(std::string_view utf8) { LegacyString(ToLegacyText(utf8, 0xFFFF)); }

 private:
  std::string& out_;
  FillerRandom& filler_;
};

// Reads the layout; the first field that would pass the end of the file
// marks it short and every later read yields zeros.
class Reader {
 public:
  explicit Reader(std::string_view file) : file_(file) {}

  bool Short() const { return short_; }
  size_t Needed() const { return needed_; }
  size_t Pos() const { return pos_; }

  bool Take(size_t n) {
    if (short_) return false;
    if (file_.size() - pos_ < n) {
      short_ = true;
      needed_ = pos_ + n;
      return false;
    }
    return true;
  }
  uint8_t Byte() {
    if (!Take(1)) return 0;
    return static_cast<uint8_t>(file_[pos_++]);
  }
  bool Bool() { return Byte() > 0; }
  uint16_t Word() {
    uint16_t lo = Byte();
    return static_cast<uint16_t>(lo | (Byte() << 8));
  }
  uint32_t DWord() {
    uint32_t lo = Word();
    return lo | (uint32_t{Word()} << 16);
  }
  void Skip(size_t n) {
    if (Take(n)) pos_ += n;
  }
  std::string LegacyString() {
    const size_t n = Word();
    if (!Take(n + 1)) return {};
    const uint8_t mask = StringMask(n);
    std::string s(file_.substr(pos_, n));
    for (char& c : s) c = static_cast<char>(static_cast<uint8_t>(c) ^ mask);
    pos_ += n + 1;  // the 0 byte after the text
    return s;
  }
  std::string Text() { return FromLegacyText(LegacyString()); }

 private:
  std::string_view file_;
  size_t pos_ = 0;
  bool short_ = false;
  size_t needed_ = 0;
};

ParsedProject Short(const Reader& r) {
  ParsedProject p;
  p.status = ProjectStatus::ShortFile;
  p.bytesNeeded = r.Needed();
  return p;
}

}  // namespace

ProjectChip ProjectChipOf(const JobState& js) {
  ProjectChip c;
  c.DataSum16 = js.DataSum16;
  c.DataCRC16 = js.DataCRC16;
  c.DataSizeKB = static_cast<uint16_t>(js.DataSizeKB);
  c.PageSize = static_cast<uint16_t>(js.PageSize);
  c.ChipAuxWord = static_cast<uint16_t>(js.ChipAuxWord);
  c.EraseTime = js.EraseTime;
  c.DataStart = js.DataStart;
  c.DataEnd = js.DataEnd;
  c.ChipSize = js.ChipSize;
  c.ChipSpare = js.ChipSpare;
  c.ChipFamily = js.ChipFamily;
  c.ChipSubType = js.ChipSubType;
  c.ChipOpBytes = js.ChipOpBytes;
  c.EepromProtect = js.EepromProtect;
  c.ChipAuxByte2 = js.ChipAuxByte2;
  c.ChipSum32 = js.ChipSum32;
  c.ChipAuxByte = js.ChipAuxByte;
  c.CtrlFlags2 = js.CtrlFlags2;
  c.CtrlFlags = js.CtrlFlags;
  c.ChipAddrMode = js.ChipAddrMode;
  c.I2CDevAddr = js.I2CDevAddr;
  c.ChipId1 = js.ChipId1;
  c.ChipId2 = js.ChipId2;
  return c;
}

int64_t ProjectPairCount(uint32_t start, uint32_t end) {
  const int64_t s = start;
  const int64_t e = end;
  // Floor division, also for a range that ends before it starts.
  const int64_t diff = e - s;
  const int64_t half = diff >= 0 ? diff / 2 : -((-diff + 1) / 2);
  return std::max<int64_t>(half - s + 1, 0);
}

std::string BuildProjectFile(const ProjectChip& chip, const ProjectControls& controls,
                             const uint8_t* data, size_t dataSize, FillerRandom& filler) {
  const size_t pairs =
      PairsInside(chip.DataStart, ProjectPairCount(chip.DataStart, chip.DataEnd), dataSize);
  std::string out;
  out.reserve(1024 + controls.ChipName.size() * 2 + controls.ProductText.size() * 2 + 2 * pairs +
              kTrailingFiller);
  Writer w(out, filler);

  w.Byte(kMagic0);
  w.Byte(kMagic1);
  w.LegacyString(kFormatName);
  w.Filler(6);
  w.Text(controls.ChipName);
  w.Text(controls.ProductText);
  w.Word(chip.DataSum16);
  w.Word(chip.DataCRC16);
  w.Zeros(6 * 2);
  w.Word(chip.DataSizeKB);
  w.Word(chip.PageSize);
  w.Word(chip.ChipAuxWord);
  w.Zeros(4 * 2);
  w.Word(chip.EraseTime);
  w.DWord(chip.DataStart);
  w.DWord(chip.DataEnd);
  w.DWord(chip.ChipSize);
  w.Zeros(3 * 4);
  w.Filler(4);
  w.Byte(chip.ChipSpare);
  w.Byte(chip.ChipFamily);
  w.Byte(chip.ChipSubType);
  for (uint8_t b : chip.ChipOpBytes) w.Byte(b);
  w.Byte(chip.EepromProtect);
  w.Byte(chip.ChipAuxByte2);
  w.Zeros(2);
  w.DWord(chip.ChipSum32);
  w.Filler(32);
  w.Byte(chip.ChipAuxByte);
  w.Byte(chip.CtrlFlags2);
  w.Byte(chip.CtrlFlags);
  w.Byte(chip.ChipAddrMode);
  w.Byte(chip.I2CDevAddr);
  w.Zeros(1);
  w.Byte(chip.ChipId1);
  w.Byte(chip.ChipId2);

  w.Bool(controls.AutoDetect);
  w.Word(static_cast<uint32_t>(controls.ChipInTime));
  w.Word(static_cast<uint32_t>(controls.ChipOffTime));
  w.Zeros(2);
  w.Byte(static_cast<uint8_t>(controls.ClockIndex));
  w.Byte(static_cast<uint8_t>(controls.VoltageIndex));
  w.Zeros(2);
  w.Bool(controls.WriteProtect);
  w.Zeros(4);
  w.Filler(32);
  w.Bool(controls.SerialNumber);
  w.Byte(4);
  w.Bool(controls.OnlineSN);
  w.Zeros(1);
  w.Bool(controls.SNBigEndian);
  w.Bool(controls.StringSN);
  w.Text(controls.SNText);
  w.LegacyString(kDroppedString);
  w.Text(controls.GainText);
  w.Text(controls.AddrText);
  w.Bool(controls.StringSN);
  w.Zeros(1);
  w.Bool(controls.CountLimitOn);
  w.DWord(controls.CountLimit);
  w.Zeros(2);
  w.Filler(16);
  w.LegacyString(kDataMarker);

  uint8_t key1 = FillerByte(filler);
  uint8_t key2 = FillerByte(filler);
  if (key1 == 0) key1 = kKey1ForZero;
  if (key2 == 0) key2 = kKey2ForZero;
  w.Byte(key1);
  w.Byte(key2);

  if (pairs > 0) {
    const size_t at = out.size();
    out.resize(at + 2 * pairs);
    XorPairs(data + 2 * size_t{chip.DataStart}, reinterpret_cast<uint8_t*>(out.data() + at),
             2 * pairs, key1, key2);
  }
  w.Filler(kTrailingFiller);
  return out;
}

ParsedProject ParseProjectFile(std::string_view file, size_t dataSize) {
  Reader r(file);
  ParsedProject p;

  const uint8_t m0 = r.Byte();
  const uint8_t m1 = r.Byte();
  if (r.Short()) return Short(r);
  if (m0 != kMagic0 || m1 != kMagic1) {
    p.status = ProjectStatus::BadMagic;
    return p;
  }
  const std::string name = r.LegacyString();
  if (r.Short()) return Short(r);
  if (name != kFormatName) {
    p.status = ProjectStatus::NotProject;
    return p;
  }
  r.Skip(6);

  ProjectChip& c = p.chip;
  ProjectControls& k = p.controls;
  k.ChipName = r.Text();
  k.ProductText = r.Text();
  c.DataSum16 = r.Word();
  c.DataCRC16 = r.Word();
  r.Skip(6 * 2);
  c.DataSizeKB = r.Word();
  c.PageSize = r.Word();
  c.ChipAuxWord = r.Word();
  r.Skip(4 * 2);
  c.EraseTime = r.Word();
  c.DataStart = r.DWord();
  c.DataEnd = r.DWord();
  c.ChipSize = r.DWord();
  r.Skip(3 * 4 + 4);
  c.ChipSpare = r.Byte();
  c.ChipFamily = r.Byte();
  c.ChipSubType = r.Byte();
  for (uint8_t& b : c.ChipOpBytes) b = r.Byte();
  c.EepromProtect = r.Byte();
  c.ChipAuxByte2 = r.Byte();
  r.Skip(2);
  c.ChipSum32 = r.DWord();
  r.Skip(32);
  c.ChipAuxByte = r.Byte();
  c.CtrlFlags2 = r.Byte();
  c.CtrlFlags = r.Byte();
  c.ChipAddrMode = r.Byte();
  c.I2CDevAddr = r.Byte();
  r.Skip(1);
  c.ChipId1 = r.Byte();
  c.ChipId2 = r.Byte();

  k.AutoDetect = r.Bool();
  k.ChipInTime = r.Word();
  k.ChipOffTime = r.Word();
  r.Skip(2);
  k.ClockIndex = r.Byte();
  k.VoltageIndex = r.Byte();
  r.Skip(2);
  k.WriteProtect = r.Bool();
  r.Skip(4 + 32);
  k.SerialNumber = r.Bool();
  r.Skip(1);
  k.OnlineSN = r.Bool();
  r.Skip(1);
  k.SNBigEndian = r.Bool();
  k.StringSN = r.Bool();
  k.SNText = r.Text();
  r.LegacyString();
  k.GainText = r.Text();
  k.AddrText = r.Text();
  k.StringSN = r.Bool();
  r.Skip(1);
  k.CountLimitOn = r.Bool();
  k.CountLimit = r.DWord();
  r.Skip(2 + 16);
  const std::string marker = r.LegacyString();
  if (r.Short()) return Short(r);
  if (marker != kDataMarker) {
    p.status = ProjectStatus::BadDataMarker;
    return p;
  }
  p.key1 = r.Byte();
  p.key2 = r.Byte();
  if (r.Short()) return Short(r);

  // The stored range places the pairs; a file the program never writes (a
  // range not from 0), one whose pairs would pass the buffer or one that
  // claims a chip larger than the buffer is refused.
  const int64_t count = ProjectPairCount(c.DataStart, c.DataEnd);
  if (c.DataStart != 0 || 2 * count > static_cast<int64_t>(dataSize) ||
      !ProjectSizesFit(c, dataSize)) {
    p.status = ProjectStatus::RangeOutsideBuffer;
    return p;
  }
  p.pairsOffset = r.Pos();
  p.pairCount = static_cast<size_t>(count);
  r.Skip(2 * p.pairCount);
  if (r.Short()) return Short(r);
  return p;
}

void StoreProjectImage(const ParsedProject& parsed, std::string_view file, uint8_t* data,
                       size_t dataSize) {
  std::memset(data, 0xFF, dataSize);
  const size_t first = 2 * size_t{parsed.chip.DataStart};
  const size_t n = std::min(2 * parsed.pairCount, dataSize > first ? dataSize - first : 0);
  if (parsed.pairsOffset + n > file.size()) return;
  XorPairs(reinterpret_cast<const uint8_t*>(file.data() + parsed.pairsOffset), data + first, n,
           parsed.key1, parsed.key2);
}

uint32_t ProjectDataSizeKB(const ProjectChip& c) {
  const uint64_t kb = (uint64_t{c.ChipSize} + 1023) / 1024;
  return (kb & 0xFFFF) == c.DataSizeKB ? static_cast<uint32_t>(kb) : c.DataSizeKB;
}

bool ProjectSizesFit(const ProjectChip& c, size_t dataSize) {
  // A chip change makes DataEnd and ChipEndAddr ChipSize - 1 and the size in
  // KB ChipSize / 1024; the last KB may be a partial one.
  return c.ChipSize <= dataSize && c.DataEnd < dataSize &&
         ProjectDataSizeKB(c) <= (uint64_t{dataSize} + 1023) / 1024;
}

ProjectSums StoredProjectSums(const ProjectChip& c) { return {c.ChipSum32, c.DataSum16, c.DataCRC16}; }

ProjectSums ProjectImageSums(const ProjectChip& c, const uint8_t* data, size_t dataSize) {
  if (c.DataEnd < c.DataStart || dataSize == 0) return {};
  const uint32_t last = static_cast<uint32_t>(std::min<uint64_t>(c.DataEnd - c.DataStart, dataSize - 1));
  const uint32_t sum = ByteSum32(data, 0, last);
  return {sum, static_cast<uint16_t>(sum), PacketCRC16(data, 0, last)};
}

void ApplyProjectChipBeforeName(JobState& js, const ProjectChip& c) {
  js.DataSum16 = c.DataSum16;
  js.DataCRC16 = c.DataCRC16;
  js.DataSizeKB = ProjectDataSizeKB(c);
  js.PageSize = c.PageSize;
  js.ChipAuxWord = c.ChipAuxWord;
  js.EraseTime = c.EraseTime;
  js.DataStart = c.DataStart;
  js.DataEnd = c.DataEnd;
  js.ChipSize = c.ChipSize;
  js.ChipSpare = c.ChipSpare;
  js.ChipFamily = c.ChipFamily;
  js.ChipSubType = c.ChipSubType;
}

void ApplyProjectChipAfterName(JobState& js, const ProjectChip& c) {
  js.ChipOpBytes = c.ChipOpBytes;
  js.EepromProtect = c.EepromProtect;
  js.ChipAuxByte2 = c.ChipAuxByte2;
  js.ChipSum32 = c.ChipSum32;
  js.ChipAuxByte = c.ChipAuxByte;
  js.CtrlFlags2 = c.CtrlFlags2;
  js.CtrlFlags = c.CtrlFlags;
  js.ChipAddrMode = c.ChipAddrMode;
  js.I2CDevAddr = c.I2CDevAddr;
  js.ChipId1 = c.ChipId1;
  js.ChipId2 = c.ChipId2;
}

size_t ProjectReadLimit(size_t dataSize) {
  // Every string at its longest, the fixed fields, then all pairs; the rest
  // of a file is filler.
  return 7 * (2 + 0xFFFF + 1) + 1024 + dataSize + 1;
}

std::string SaveProjectFile(JobState& js, const ProjectControls& controls, const std::string& path) {
  const std::string file =
      BuildProjectFile(ProjectChipOf(js), controls, js.DataBuffer.get(), kDataBufferSize, js.Filler);
  return WriteWholeFile(path, file);
}
