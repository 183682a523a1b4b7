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

// The writer and the reader share one description of the fields,
// ProjectFields: each of them is an Io with these steps.
//   Byte, Word, DWord, Bool, Text  one field, in and out of its stored width
//   Unused(zeros, filler)          bytes no field holds: zeros, then filler
//   Constant(b)                    a byte the writer puts and the reader passes over
//   DroppedString()                a string the writer puts and the reader drops

class Writer {
 public:
  Writer(std::string& out, FillerRandom& filler) : out_(out), filler_(filler) {}

  template <typename T>
  void Byte(const T& v) {
    out_.push_back(static_cast<char>(static_cast<uint8_t>(v)));
  }
  void Bool(bool b) { Byte(b ? 1 : 0); }
  template <typename T>
  void Word(const T& v) {
    const auto u = static_cast<uint32_t>(v);
    Byte(u);
    Byte(u >> 8);
  }
  void DWord(uint32_t v) {
    Word(v);
    Word(v >> 16);
  }
  void Unused(size_t zeros, size_t filler = 0) {
    out_.append(zeros, '\0');
    for (size_t i = 0; i < filler; ++i) Byte(FillerByte(filler_));
  }
  void Constant(uint8_t b) { Byte(b); }
  void DroppedString() { LegacyString(kDroppedString); }
  // n (16 bits), the masked bytes, a 0 byte.
  void LegacyString(std::string_view legacy) {
    Word(legacy.size());
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

  uint8_t NextByte() {
    if (!Take(1)) return 0;
    return static_cast<uint8_t>(file_[pos_++]);
  }
  template <typename T>
  void Byte(T& v) {
    v = static_cast<T>(NextByte());
  }
  void Bool(bool& v) { v = NextByte() > 0; }
  template <typename T>
  void Word(T& v) {
    v = static_cast<T>(NextWord());
  }
  void DWord(uint32_t& v) {
    const uint32_t lo = NextWord();
    v = lo | (uint32_t{NextWord()} << 16);
  }
  void Skip(size_t n) {
    if (Take(n)) pos_ += n;
  }
  void Unused(size_t zeros, size_t filler = 0) { Skip(zeros + filler); }
  void Constant(uint8_t) { Skip(1); }
  void DroppedString() { LegacyString(); }
  std::string LegacyString() {
    const size_t n = NextWord();
    if (!Take(n + 1)) return {};
    const uint8_t mask = StringMask(n);
    std::string s(file_.substr(pos_, n));
    for (char& c : s) c = static_cast<char>(static_cast<uint8_t>(c) ^ mask);
    pos_ += n + 1;  // the 0 byte after the text
    return s;
  }
  void Text(std::string& v) { v = FromLegacyText(LegacyString()); }

 private:
  bool Take(size_t n) {
    if (short_) return false;
    if (file_.size() - pos_ < n) {
      short_ = true;
      needed_ = pos_ + n;
      return false;
    }
    return true;
  }
  uint16_t NextWord() {
    const uint16_t lo = NextByte();
    return static_cast<uint16_t>(lo | (NextByte() << 8));
  }

  std::string_view file_;
  size_t pos_ = 0;
  bool short_ = false;
  size_t needed_ = 0;
};

// The fields between the format name's filler and the data marker, in file
// order; Chip and Controls are const for the writer.
template <typename Io, typename Chip, typename Controls>
void ProjectFields(Io& io, Chip& c, Controls& k) {
  io.Text(k.ChipName);
  io.Text(k.ProductText);
  io.Word(c.DataSum16);
  io.Word(c.DataCRC16);
  io.Unused(6 * 2);
  io.Word(c.DataSizeKB);
  io.Word(c.PageSize);
  io.Word(c.ChipAuxWord);
  io.Unused(4 * 2);
  io.Word(c.EraseTime);
  io.DWord(c.DataStart);
  io.DWord(c.DataEnd);
  io.DWord(c.ChipSize);
  io.Unused(3 * 4, 4);
  io.Byte(c.ChipSpare);
  io.Byte(c.ChipFamily);
  io.Byte(c.ChipSubType);
  for (auto& b : c.ChipOpBytes) io.Byte(b);
  io.Byte(c.EepromProtect);
  io.Byte(c.ChipAuxByte2);
  io.Unused(2);
  io.DWord(c.ChipSum32);
  io.Unused(0, 32);
  io.Byte(c.ChipAuxByte);
  io.Byte(c.CtrlFlags2);
  io.Byte(c.CtrlFlags);
  io.Byte(c.ChipAddrMode);
  io.Byte(c.I2CDevAddr);
  io.Unused(1);
  io.Byte(c.ChipId1);
  io.Byte(c.ChipId2);

  io.Bool(k.AutoDetect);
  io.Word(k.ChipInTime);
  io.Word(k.ChipOffTime);
  io.Unused(2);
  io.Byte(k.ClockIndex);
  io.Byte(k.VoltageIndex);
  io.Unused(2);
  io.Bool(k.WriteProtect);
  io.Unused(4, 32);
  io.Bool(k.SerialNumber);
  io.Constant(4);
  io.Bool(k.OnlineSN);
  io.Unused(1);
  io.Bool(k.SNBigEndian);
  io.Bool(k.StringSN);
  io.Text(k.SNText);
  io.DroppedString();
  io.Text(k.GainText);
  io.Text(k.AddrText);
  io.Bool(k.StringSN);  // stored twice; the later one is what a load keeps
  io.Unused(1);
  io.Bool(k.CountLimitOn);
  io.DWord(k.CountLimit);
  io.Unused(2, 16);
}

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
  w.Unused(0, 6);
  ProjectFields(w, chip, controls);
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
  w.Unused(0, kTrailingFiller);
  return out;
}

ParsedProject ParseProjectFile(std::string_view file, size_t dataSize) {
  Reader r(file);
  ParsedProject p;

  const uint8_t m0 = r.NextByte();
  const uint8_t m1 = r.NextByte();
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
  r.Unused(0, 6);
  ProjectFields(r, p.chip, p.controls);
  const std::string marker = r.LegacyString();
  if (r.Short()) return Short(r);
  if (marker != kDataMarker) {
    p.status = ProjectStatus::BadDataMarker;
    return p;
  }
  r.Byte(p.key1);
  r.Byte(p.key2);
  if (r.Short()) return Short(r);

  // The stored range places the pairs; a file the program never writes (a
  // range not from 0), one whose pairs would pass the buffer or one that
  // claims a chip larger than the buffer is refused.
  const ProjectChip& c = p.chip;
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
