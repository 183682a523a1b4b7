// The unit's commands on its chip and on its stored image.
#include <algorithm>
#include <cstring>

#include "SimUnit.h"

namespace unitsim {

namespace {

constexpr size_t kBlockSize = 48;  // chip-parameter block
constexpr size_t kPage = 512;
constexpr size_t kSpare = 16;
constexpr size_t kPages = 8;
constexpr uint64_t kStreamBlock = 32 * 1024;
constexpr uint64_t kRound = 64 * 1024;

uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
uint32_t Le32(const uint8_t* p) { return Le16(p) | uint32_t{Le16(p + 2)} << 16; }

uint32_t Sum(const uint8_t* p, size_t n) {
  uint32_t s = 0;
  for (size_t i = 0; i < n; ++i) s += p[i];
  return s;
}

}  // namespace

ChipParams ChipParams::From(const uint8_t* b) {
  ChipParams c;
  c.Family = b[4];
  c.SubType = b[5];
  c.ChipSize = Le32(b + 16);
  c.DataSizeKB = Le16(b + 20);
  c.ChipId1 = b[30];
  c.ChipId2 = b[31];
  c.DataCRC16 = Le16(b + 26);
  c.DataSum16 = Le16(b + 28);
  c.ChipSum32 = Le32(b + 44);
  return c;
}

void SimUnit::ProgramByte(uint64_t address) {
  if (!config_.WeakChip || address >= chip_.Capacity()) return;
  // The cell does not take the value: one bit stays wrong.
  uint8_t b = static_cast<uint8_t>(chip_.At(address) ^ 0x01);
  chip_.Write(address, &b, 1);
  weakBytes_.push_back(address);
}

SimUnit::ImageChecks SimUnit::ChecksOf(uint64_t length, bool spareBehindPages) const {
  // Whole pieces never straddle the spare window's edges.
  static_assert(kImageSpareOffset % SparseMemory::kPiece == 0 && kImageSpareSize % SparseMemory::kPiece == 0);
  ImageChecks c;
  std::vector<uint8_t> piece(SparseMemory::kPiece);
  for (uint64_t at = 0; at < length; at += piece.size()) {
    size_t n = static_cast<size_t>(std::min<uint64_t>(piece.size(), length - at));
    if (spareBehindPages && at >= kImageSpareOffset && at < kImageSpareOffset + kImageSpareSize) {
      spare_.Read(at - kImageSpareOffset, piece.data(), n);
    } else {
      chip_.Read(at, piece.data(), n);
    }
    c.Crc16 = CheckValue(piece.data(), n, c.Crc16);
    c.Sum32 += Sum(piece.data(), n);
  }
  return c;
}

void SimUnit::ReportCompletion(uint8_t step, uint8_t status, uint64_t length) {
  ImageChecks c = ChecksOf(std::min(length, chip_.Capacity()), false);
  if (step == 0xF2) Report(step, status, static_cast<uint16_t>(c.Sum32), static_cast<uint16_t>(c.Sum32 >> 16));
  else Report(step, status, c.Crc16, static_cast<uint16_t>(c.Sum32));
}

void SimUnit::ReportHostCompletion(uint8_t step, uint8_t status, uint64_t length) {
  if (!config_.BothCompletions) return ReportCompletion(step, status, length);
  ReportCompletion(0xF0, status, length);
  ReportCompletion(0xF2, status, length);
}

void SimUnit::ReportHostFailure(uint8_t step, uint8_t status) {
  if (!config_.BothCompletions) return Report(step, status, 0, 0);
  Report(0xF0, status, 0, 0);
  Report(0xF2, status, 0, 0);
}

void SimUnit::HandleChipCommand(const Packet& p) {
  if (p.PayloadLength() < kBlockSize) {
    AnswerStatus(p, kStatusPacketDataError);
    return;
  }
  ChipParams chip = ChipParams::From(p.Payload());
  lastDataSizeKB_ = chip.DataSizeKB;
  switch (p.Argument()) {
    case kSubErase: HandleErase(p); break;
    case kSubBlankCheck: HandleBlankCheck(p, chip); break;
    case kSubVerify: HandleVerify(p, chip); break;
    case kSubReadId: HandleReadId(p, chip); break;
    case kSubAddressWrite: HandleAddressWrite(p); break;
    default: AnswerStatus(p, kStatusUnknownCommand); break;
  }
}

void SimUnit::HandleErase(const Packet& p) {
  if (config_.SequenceReports) Report(0x30, 0, 0, 0);
  chip_.Erase();
  spare_.Erase();
  weakBytes_.clear();
  AnswerStatus(p, kStatusOk);
}

void SimUnit::HandleBlankCheck(const Packet& p, const ChipParams& chip) {
  if (config_.SequenceReports) Report(0x20, 0, 0, 0);
  uint64_t n = chip.DataSizeKB != 0 ? uint64_t{chip.DataSizeKB} * 1024 : chip.ChipSize;
  if (n == 0) n = chip_.Capacity();
  bool blank = chip_.IsErased(0, n);
  if (chip.Family == kFamilyPages528) blank = blank && spare_.IsErased(0, n / kPage * kSpare);
  AnswerStatus(p, blank ? kStatusOk : kStatusNotBlank);
}

void SimUnit::HandleVerify(const Packet& p, const ChipParams& chip) {
  if (config_.SequenceReports) Report(0x70, 0, 0, 0);
  // The chip against the host's check values of its image, over the size
  // the block gives; an image larger than the chip cannot be on it.
  bool same = false;
  if (chip.ChipSize <= chip_.Capacity()) {
    ImageChecks c = ChecksOf(chip.ChipSize, chip.Family == kFamilyPages528);
    same = c.Crc16 == chip.DataCRC16 && static_cast<uint16_t>(c.Sum32) == chip.DataSum16 &&
           c.Sum32 == chip.ChipSum32;
  }
  AnswerStatus(p, same ? kStatusOk : kStatusVerifyError);
}

void SimUnit::HandleReadId(const Packet& p, const ChipParams& chip) {
  std::vector<uint8_t> id = config_.IdAnswer;
  if (id.empty() && chip.Family == kFamilySpiEeprom) {
    // Status register, a spare byte, then the 128-byte identification page.
    id.assign(130, 0xFF);
    id[0] = 0x00;
    id[1] = 0x00;
    id[2] = chip.ChipId1;
    id[3] = chip.ChipId2;
  } else if (id.empty()) {
    // The identification (device byte first), two spare bytes, the status register.
    id = {chip.ChipId2, chip.ChipId1, 0x00, 0x00, 0x00, 0x00};
  }
  AnswerData(p, id.data(), id.size());
}

void SimUnit::HandleAddressWrite(const Packet& p) {
  const uint8_t* b = p.bytes.data();
  uint16_t length = Le16(b + 58);
  if (p.PayloadLength() < kBlockSize + 4 || p.PayloadLength() != length + kBlockSize + 4) {
    AnswerStatus(p, kStatusPacketDataError);
    return;
  }
  bool written = chip_.Write(Le16(b + 56), b + 60, length);
  AnswerStatus(p, written ? kStatusOk : kStatusWriteError);
}

void SimUnit::HandleProgramPages(const Packet& p) {
  bool pages528 = p.Family() == kFamilyPages528;
  size_t want = kBlockSize + (pages528 ? kPages * (kPage + kSpare) : 4096);
  if (p.PayloadLength() != want) {
    AnswerStatus(p, kStatusPacketDataError);
    return;
  }
  ChipParams chip = ChipParams::From(p.Payload());
  lastDataSizeKB_ = chip.DataSizeKB;
  uint64_t kb = p.Argument();
  const uint8_t* data = p.Payload() + kBlockSize;
  bool written = true;
  if (pages528) {
    for (size_t i = 0; i < kPages; ++i) {
      written = chip_.Write(kb * 1024 + i * kPage, data + i * (kPage + kSpare), kPage) && written;
      written = spare_.Write((2 * kb + i) * kSpare, data + i * (kPage + kSpare) + kPage, kSpare) && written;
    }
  } else {
    written = chip_.Write(kb * 1024, data, 4096);
  }
  if (written) ProgramByte(kb * 1024);
  if (config_.SequenceReports) {
    uint32_t total = std::max<uint32_t>(chip.DataSizeKB, 1);
    if (kb == 0) Report(0x10, 0, static_cast<uint16_t>(total), static_cast<uint16_t>(total >> 16));
    Report(0x40, 0, static_cast<uint16_t>(kb / 4), static_cast<uint16_t>((total + 3) / 4));
    if (!written || kb + 4 >= total) {
      uint8_t status = !written ? kStatusWriteError : weakBytes_.empty() ? kStatusDone : kStatusVerifyError;
      ReportHostCompletion(0xF0, status, chip.DataSizeKB != 0 ? uint64_t{total} * 1024 : chip.ChipSize);
    }
  }
  AnswerStatus(p, written ? kStatusOk : kStatusWriteError);
}

void SimUnit::HandleProgramStream(const Packet& p) {
  uint64_t size;
  if (p.PayloadLength() == kBlockSize + 16) {
    ChipParams chip = ChipParams::From(p.Payload());
    lastDataSizeKB_ = chip.DataSizeKB;
    size = Le32(p.Payload() + kBlockSize);
  } else if (p.PayloadLength() == 16) {
    // Only the count of 64 KB blocks. The data size of an earlier chip
    // command tells where the image ends inside the last block, but only
    // if it lies there: one left from a smaller job must not cut the stream.
    size = Le16(p.Payload()) * kRound;
    if (lastDataSizeKB_ && *lastDataSizeKB_ != 0) {
      uint64_t known = uint64_t{*lastDataSizeKB_} * 1024;
      if (known <= size && known + kRound > size) size = known;
    }
  } else {
    AnswerStatus(p, kStatusPacketDataError);
    return;
  }
  if (config_.SequenceReports) {
    uint64_t kb = size / 1024;
    Report(0x10, 0, static_cast<uint16_t>(kb), static_cast<uint16_t>(kb >> 16));
    Report(0x48, 0, 0, 0);
  }
  AnswerStatus(p, kStatusOk);
  // The host sends whole 32 KB blocks; the chip takes the data size of them.
  uint64_t stream = (size + kStreamBlock - 1) / kStreamBlock * kStreamBlock;
  if (stream == 0) return;
  StartRaw(RawMode::ProgramStream, stream, p);
  rawDataSize_ = std::min(size, chip_.Capacity());
}

void SimUnit::TakeProgramStream(const uint8_t* data, size_t length) {
  if (!rawFailed_ && rawDone_ < rawDataSize_) {
    size_t n = static_cast<size_t>(std::min<uint64_t>(length, rawDataSize_ - rawDone_));
    chip_.Write(rawDone_, data, n);
  }
  rawDone_ += length;
  if (rawDone_ % kStreamBlock != 0 || rawFailed_) return;
  uint64_t blocks = rawDone_ / kStreamBlock;
  if (config_.StreamErrorAfterBlocks >= 0 && blocks >= uint64_t(config_.StreamErrorAfterBlocks)) {
    // The unit gives up; the rest of the stream goes nowhere.
    rawFailed_ = true;
    if (config_.SequenceReports) ReportHostFailure(0xF2, config_.StreamErrorStatus);
    AnswerStatus(Packet{rawRequest_}, config_.StreamErrorStatus);
    return;
  }
  if (config_.SequenceReports) {
    uint64_t total = (rawDataSize_ + kStreamBlock - 1) / kStreamBlock;
    Report(0x40, 0, static_cast<uint16_t>(blocks), static_cast<uint16_t>(total));
  }
}

void SimUnit::TakeDownloadRound(const uint8_t* data, size_t length) {
  stored_.Write(rawDone_, data, std::min<uint64_t>(length, stored_.Capacity() - std::min(rawDone_, stored_.Capacity())));
  rawSum_ += Sum(data, length);
  rawDone_ += length;
  if (rawDone_ % kRound != 0) return;
  uint64_t round = rawDone_ / kRound;
  uint32_t sum = rawSum_;
  if (config_.BadRoundSum > 0 && round == uint64_t(config_.BadRoundSum)) sum += 1;
  rawSum_ = 0;
  if (storedSize_ < rawDone_ && !storedValid_) storedSize_ = rawDone_;
  storedValid_ = true;
  uint8_t answer[4] = {static_cast<uint8_t>(sum), static_cast<uint8_t>(sum >> 8),
                       static_cast<uint8_t>(sum >> 16), static_cast<uint8_t>(sum >> 24)};
  AnswerData(Packet{rawRequest_}, answer, sizeof answer);
}

void SimUnit::EndRaw() {
  if (raw_ == RawMode::ProgramStream && !rawFailed_) {
    if (rawDataSize_ > 0) ProgramByte(0);
    if (config_.SequenceReports) {
      ReportHostCompletion(0xF2, weakBytes_.empty() ? kStatusDone : kStatusVerifyError, rawDataSize_);
    }
  }
  raw_ = RawMode::None;
  rawLeft_ = 0;
  padSkip_ = 0;
  peek_.clear();
  reader_.Reset();
}

void SimUnit::RunStandAlone() {
  uint64_t size = storedValid_ ? storedSize_ : 0;
  uint64_t kb = (size + 1023) / 1024;
  Report(0x10, 0, static_cast<uint16_t>(kb), static_cast<uint16_t>(kb >> 16));
  if (!storedValid_) {
    Report(0xF0, kStatusCommandError, 0, 0);  // nothing to burn
    return;
  }
  Report(0x30, 0, 0, 0);
  chip_.Erase();
  spare_.Erase();
  weakBytes_.clear();
  uint64_t steps = std::max<uint64_t>(1, (size + kRound - 1) / kRound);
  std::vector<uint8_t> piece(kRound);
  for (uint64_t i = 0; i < steps; ++i) {
    uint64_t at = i * kRound;
    size_t n = static_cast<size_t>(std::min<uint64_t>(kRound, size - std::min(size, at)));
    stored_.Read(at, piece.data(), n);
    chip_.Write(at, piece.data(), n);
    Report(0x40, 0, static_cast<uint16_t>(i), static_cast<uint16_t>(steps));
  }
  if (size > 0) ProgramByte(0);
  // Verification from position 0 to the end.
  Report(0x78, 0, 0, 0);
  Report(0x78, 0, static_cast<uint16_t>(kb), static_cast<uint16_t>(kb >> 16));
  ReportCompletion(0xF0, weakBytes_.empty() ? kStatusDone : kStatusVerifyError, size);
}

void SimUnit::AbandonRaw() {
  if (raw_ == RawMode::None) return;
  rawFailed_ = true;  // no completion to report
  EndRaw();
}

void SimUnit::HandleReadStream(const Packet& p) {
  if (p.PayloadLength() != kBlockSize + 16) {
    AnswerStatus(p, kStatusPacketDataError);
    return;
  }
  ChipParams chip = ChipParams::From(p.Payload());
  lastDataSizeKB_ = chip.DataSizeKB;
  uint64_t size = Le32(p.Payload() + kBlockSize);
  if (size == 0) size = chip.ChipSize;
  AnswerStatus(p, kStatusOk);
  stream_ = OutStream{};
  stream_.active = size > 0;
  stream_.end = std::min(size, chip_.Capacity());
}

void SimUnit::HandleReadBlock(const Packet& p) {
  if (p.PayloadLength() < kBlockSize) {
    AnswerStatus(p, kStatusPacketDataError);
    return;
  }
  lastDataSizeKB_ = ChipParams::From(p.Payload()).DataSizeKB;
  uint64_t kb = p.Argument();
  std::vector<uint8_t> data;
  if (p.Family() == kFamilyPages528) {
    data.resize(kPages * (kPage + kSpare));
    for (size_t i = 0; i < kPages; ++i) {
      chip_.Read(kb * 1024 + i * kPage, data.data() + i * (kPage + kSpare), kPage);
      spare_.Read((2 * kb + i) * kSpare, data.data() + i * (kPage + kSpare) + kPage, kSpare);
    }
  } else {
    data = chip_.Read(kb * 1024, 4096);
  }
  AnswerData(p, data.data(), data.size());
}

void SimUnit::HandleConfig(const Packet& p) {
  const uint8_t* b = p.bytes.data();
  if (p.PayloadLength() != 260) {
    AnswerStatus(p, kStatusPacketDataError);
    return;
  }
  if (std::memcmp(b + 8, "QJVB", 4) != 0) {
    AnswerStatus(p, kStatusCommandError);
    return;
  }
  uint16_t sum = static_cast<uint16_t>(Sum(b + 8, 258));
  if (CheckValue(b + 8, 256) != Le16(b + 264) || sum != Le16(b + 266)) {
    AnswerStatus(p, kStatusCheckSumError);
    return;
  }
  ChipParams chip = ChipParams::From(b + 12);
  lastDataSizeKB_ = chip.DataSizeKB;
  stored_.Erase();
  storedSize_ = std::min<uint64_t>(uint64_t{chip.DataSizeKB} * 1024, stored_.Capacity());
  storedValid_ = true;
  AnswerStatus(p, kStatusOk);
}

void SimUnit::HandleStorePage(const Packet& p) {
  if (p.PayloadLength() != 4096) {
    AnswerStatus(p, kStatusPacketDataError);
    return;
  }
  uint64_t at = uint64_t{p.Argument()} * 1024;
  if (!stored_.Write(at, p.Payload(), 4096)) {
    AnswerStatus(p, kStatusWriteError);
    return;
  }
  if (!storedValid_) storedSize_ = std::max(storedSize_, at + 4096);
  storedValid_ = true;
  AnswerStatus(p, kStatusOk);
}

void SimUnit::HandleStoreRounds(const Packet& p) {
  if (p.PayloadLength() != 16) {
    AnswerStatus(p, kStatusPacketDataError);
    return;
  }
  uint64_t rounds = Le16(p.Payload());
  AnswerStatus(p, kStatusOk);
  if (rounds > 0) StartRaw(RawMode::DownloadRounds, rounds * kRound, p);
}

void SimUnit::HandleReadStored(const Packet& p) {
  if (!storedValid_) {
    AnswerStatus(p, kStatusCommandError);  // nothing was downloaded
    return;
  }
  stream_ = OutStream{};
  stream_.active = true;
  stream_.frames = true;
  stream_.end = std::max<uint64_t>(1, (storedSize_ + 4095) / 4096) * 4096;
  stream_.header.assign(p.bytes.begin(), p.bytes.begin() + 6);
}

}  // namespace unitsim
