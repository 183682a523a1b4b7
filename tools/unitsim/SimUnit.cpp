#include "SimUnit.h"

#include <algorithm>

namespace unitsim {

namespace {

constexpr uint64_t kStreamBlock = 32 * 1024;
constexpr uint64_t kRound = 64 * 1024;
constexpr size_t kPeekLimit = 600;  // longer than any command that may follow a stream
constexpr int kFramePadding = 5;

bool IsProbe(const std::vector<uint8_t>& frame) {
  return frame.size() == 3 && frame[0] == 0xA3 && frame[1] == 0xA5 && frame[2] == 0x35;
}

bool SoundPacket(const std::vector<uint8_t>& frame) {
  if (frame.size() < 10) return false;
  size_t n = frame.size();
  uint16_t stored = static_cast<uint16_t>(frame[n - 2] | frame[n - 1] << 8);
  return CheckValue(frame.data(), n - 2) == stored;
}

}  // namespace

SimUnit::SimUnit(UnitConfig config)
    : config_(std::move(config)),
      chip_(config_.ChipCapacity),
      spare_(config_.ChipCapacity / 32),
      stored_(config_.ChipCapacity) {
  if (config_.NotBlank) {
    // Something left on the chip by an earlier job.
    std::vector<uint8_t> old(4096);
    for (size_t i = 0; i < old.size(); ++i) old[i] = static_cast<uint8_t>(i * 7);
    chip_.Write(0, old.data(), old.size());
  }
  SetHandler(kCmdFirmwareBlock, [](SimUnit& u, const Packet& p) { u.HandleFirmwareBlock(p); });
  SetHandler(kCmdOffLineMonitor, [](SimUnit& u, const Packet& p) { u.HandleOffLineMonitor(p); });
  SetHandler(kCmdChipDone, [](SimUnit& u, const Packet& p) { u.HandleOffLineMonitor(p); });
  SetHandler(kCmdChip, [](SimUnit& u, const Packet& p) { u.HandleChipCommand(p); });
  SetHandler(kCmdProgramPages, [](SimUnit& u, const Packet& p) { u.HandleProgramPages(p); });
  SetHandler(kCmdProgramStream, [](SimUnit& u, const Packet& p) { u.HandleProgramStream(p); });
  SetHandler(kCmdReadStream, [](SimUnit& u, const Packet& p) { u.HandleReadStream(p); });
  SetHandler(kCmdReadBlock, [](SimUnit& u, const Packet& p) { u.HandleReadBlock(p); });
  SetHandler(kCmdConfig, [](SimUnit& u, const Packet& p) { u.HandleConfig(p); });
  SetHandler(kCmdStorePage, [](SimUnit& u, const Packet& p) { u.HandleStorePage(p); });
  SetHandler(kCmdStoreRounds, [](SimUnit& u, const Packet& p) { u.HandleStoreRounds(p); });
  SetHandler(kCmdReadStored, [](SimUnit& u, const Packet& p) { u.HandleReadStored(p); });
}

std::string SimUnit::NameText() const {
  if (config_.ProbeText) return *config_.ProbeText;
  return config_.Name + " " + config_.Version;
}

int SimUnit::CommandsReceived(uint8_t command, int subCode) const {
  auto it = commandCounts_.find(subCode < 0 ? command : command * 256 + subCode);
  return it == commandCounts_.end() ? 0 : it->second;
}

std::vector<uint8_t> SimUnit::Feed(const uint8_t* data, size_t length) {
  Take(data, length);
  return Output();
}

void SimUnit::Take(const uint8_t* data, size_t length) {
  size_t i = 0;
  while (i < length && !hungUp_) {
    if (raw_ == RawMode::None) {
      if (reader_.Push(data[i++])) HandleFrame(reader_.TakeFrame());
      continue;
    }
    if (padSkip_ > 0) {
      // The padding behind the frame that started the raw bytes.
      if (data[i] == 0xFF) {
        --padSkip_;
        ++i;
        continue;
      }
      padSkip_ = 0;
    }
    if (raw_ == RawMode::ProgramStream &&
        (!peek_.empty() || (rawDone_ % kStreamBlock == 0 && data[i] == 0xC0 && rawDone_ != peekRefusedAt_))) {
      // A stream the host ended early (its size was not known exactly):
      // a sound command on a block boundary ends it.
      if (PeekFrameAtBoundary(data[i++])) continue;
      std::vector<uint8_t> bytes = std::move(peek_);
      peek_.clear();
      peekRefusedAt_ = rawDone_;
      Take(bytes.data(), bytes.size());
      continue;
    }
    uint64_t step = raw_ == RawMode::ProgramStream ? kStreamBlock : kRound;
    uint64_t n = std::min<uint64_t>({length - i, rawLeft_, step - rawDone_ % step});
    TakeRaw(data + i, static_cast<size_t>(n));
    i += static_cast<size_t>(n);
  }
}

// True while the bytes may still be a frame (or were one and ended the
// stream); false hands them back as stream data.
bool SimUnit::PeekFrameAtBoundary(uint8_t b) {
  peek_.push_back(b);
  if (b != 0xC0 || peek_.size() == 1) return peek_.size() <= kPeekLimit;
  FrameReader r;
  std::vector<uint8_t> frame;
  for (uint8_t x : peek_) {
    if (r.Push(x)) frame = r.TakeFrame();
  }
  if (!SoundPacket(frame) || !Packet{frame}.Whole()) return false;
  peek_.clear();
  EndRaw();
  HandleFrame(frame);
  return true;
}

void SimUnit::StartRaw(RawMode mode, uint64_t length, const Packet& request) {
  raw_ = mode;
  rawRequest_.assign(request.bytes.begin(), request.bytes.begin() + 6);
  rawLeft_ = length;
  rawDone_ = 0;
  rawSum_ = 0;
  rawFailed_ = false;
  padSkip_ = kFramePadding;
  peek_.clear();
  peekRefusedAt_ = UINT64_MAX;
  reader_.Reset();
}

void SimUnit::TakeRaw(const uint8_t* data, size_t length) {
  rawLeft_ -= length;
  if (raw_ == RawMode::ProgramStream) TakeProgramStream(data, length);
  else TakeDownloadRound(data, length);
  if (rawLeft_ == 0 && raw_ != RawMode::None) EndRaw();
}

uint64_t SimUnit::RawBytesExpected() const {
  if (raw_ == RawMode::None) return 0;
  uint64_t step = raw_ == RawMode::ProgramStream ? kStreamBlock : kRound;
  return padSkip_ + std::min(rawLeft_, step - rawDone_ % step);
}

void SimUnit::HandleFrame(const std::vector<uint8_t>& frame) {
  // Anything shorter than a probe or a packet is line noise (the padding
  // between frames) and is not counted.
  bool probe = IsProbe(frame);
  if (!probe && frame.size() < 10) return;
  ++framesReceived_;
  bool silent = config_.Silent ||
                (config_.SilentAfterCommands >= 0 && commands_ >= config_.SilentAfterCommands);
  if (!probe) ++commands_;
  if (!silent) {
    if (probe) {
      AnswerProbe();
    } else {
      Packet p{frame};
      if (!SoundPacket(frame)) {
        AnswerStatus(p, kStatusPacketError);
      } else {
        ++commandCounts_[p.Command()];
        ++commandCounts_[p.Command() * 256 + (p.Argument() & 0xFF)];
        if (!p.Whole()) {
          AnswerStatus(p, kStatusPacketDataError);
        } else if (!FailsByFault(p)) {
          if (auto h = handlers_.find(p.Command()); h != handlers_.end()) h->second(*this, p);
          else AnswerStatus(p, kStatusUnknownCommand);
        }
      }
    }
  }
  if (config_.HangupAfterFrames >= 0 && framesReceived_ >= config_.HangupAfterFrames) hungUp_ = true;
}

bool SimUnit::FailsByFault(const Packet& p) {
  errorCounts_.resize(config_.ErrorsOn.size(), 0);
  for (size_t i = 0; i < config_.ErrorsOn.size(); ++i) {
    const ErrorOn& e = config_.ErrorsOn[i];
    if (e.Command != p.Command() || (e.SubCode >= 0 && e.SubCode != (p.Argument() & 0xFF))) continue;
    int n = ++errorCounts_[i];
    if (e.Nth != 0 && e.Nth != n) continue;
    if (config_.SequenceReports &&
        (p.Command() == kCmdProgramPages || p.Command() == kCmdProgramStream)) {
      ReportHostFailure(0xF0, e.Status);
    }
    AnswerStatus(p, e.Status);
    return true;
  }
  return false;
}

void SimUnit::Emit(std::vector<uint8_t>& bytes) {
  auto& to = stream_.active ? afterStream_ : out_;
  to.insert(to.end(), bytes.begin(), bytes.end());
}

void SimUnit::BuildAnswer(std::vector<uint8_t> packet, std::vector<uint8_t>& into) {
  ++answersQueued_;
  uint16_t crc = CheckValue(packet.data(), packet.size());
  if (config_.BadCheckValue) crc ^= 0x5A5A;
  packet.push_back(static_cast<uint8_t>(crc));
  packet.push_back(static_cast<uint8_t>(crc >> 8));
  if (config_.GarbageBetweenFrames) {
    // A few bytes that are no frame mark, different every time.
    for (int i = 0; i < 7; ++i) {
      garbageSeed_ = garbageSeed_ * 1103515245u + 12345u;
      uint8_t b = static_cast<uint8_t>(garbageSeed_ >> 16);
      into.push_back(b == 0xC0 ? 0x3C : b);
    }
  }
  AppendFrame(packet, into, !config_.Unpadded);
}

void SimUnit::Answer(std::vector<uint8_t> packet) {
  std::vector<uint8_t> bytes;
  BuildAnswer(std::move(packet), bytes);
  Emit(bytes);
}

void SimUnit::AnswerStatus(const Packet& request, uint8_t status) {
  std::vector<uint8_t> p(request.bytes.begin(), request.bytes.begin() + 6);
  p.push_back(2);
  p.push_back(0);
  p.push_back(status);
  p.push_back(0);
  Answer(std::move(p));
}

void SimUnit::AnswerData(const Packet& request, const uint8_t* payload, size_t length) {
  std::vector<uint8_t> p(request.bytes.begin(), request.bytes.begin() + 6);
  p.push_back(static_cast<uint8_t>(length));
  p.push_back(static_cast<uint8_t>(length >> 8));
  p.insert(p.end(), payload, payload + length);
  Answer(std::move(p));
}

void SimUnit::Report(uint8_t step, uint8_t status, uint16_t a, uint16_t b) {
  std::vector<uint8_t> r = {kSequenceReport, step, status, static_cast<uint8_t>(a),
                            static_cast<uint8_t>(a >> 8), static_cast<uint8_t>(b),
                            static_cast<uint8_t>(b >> 8), 0};
  uint8_t sum = 0;
  for (uint8_t x : r) sum = static_cast<uint8_t>(sum + x);
  r[7] = static_cast<uint8_t>(-sum);
  std::vector<uint8_t> bytes;
  AppendFrame(r, bytes, !config_.Unpadded);
  Emit(bytes);
}

std::vector<uint8_t> SimUnit::Output(size_t maxStreamBytes) {
  std::vector<uint8_t> result = std::move(out_);
  out_.clear();
  if (!stream_.active) return result;
  size_t produced = 0;
  while (stream_.position < stream_.end && produced < maxStreamBytes) {
    if (stream_.frames) {
      // The stored image as a series of 4 KB answers.
      uint64_t kb = stream_.position / 1024;
      std::vector<uint8_t> p = stream_.header;
      p[1] = static_cast<uint8_t>(kb);
      p[2] = static_cast<uint8_t>(kb >> 8);
      p.push_back(0x00);
      p.push_back(0x10);
      size_t at = p.size();
      p.resize(at + 4096);
      stored_.Read(stream_.position, p.data() + at, 4096);
      size_t before = result.size();
      BuildAnswer(std::move(p), result);
      produced += result.size() - before;
      stream_.position += 4096;
    } else {
      size_t n = static_cast<size_t>(
          std::min<uint64_t>({stream_.end - stream_.position, maxStreamBytes - produced, 1u << 20}));
      size_t at = result.size();
      result.resize(at + n);
      chip_.Read(stream_.position, result.data() + at, n);
      produced += n;
      stream_.position += n;
    }
  }
  if (stream_.position >= stream_.end) {
    stream_.active = false;
    result.insert(result.end(), afterStream_.begin(), afterStream_.end());
    afterStream_.clear();
  }
  return result;
}

bool SimUnit::OutputPending() const { return !out_.empty() || stream_.active; }

void SimUnit::AnswerProbe() {
  std::string name = NameText();
  std::vector<uint8_t> p(24, 0);
  p[0] = config_.ProbeHeader[0];
  p[1] = config_.ProbeHeader[1];
  p[2] = config_.ProbeHeader[2];
  p[3] = config_.CountByteZero || name.empty() ? 0 : static_cast<uint8_t>(name.size() - 1);
  p.insert(p.end(), name.begin(), name.end());
  Answer(std::move(p));
}

void SimUnit::HandleFirmwareBlock(const Packet& p) {
  uint16_t address = p.Argument();
  uint16_t expected = nextBlockAddress_.value_or(kFirmwareStart);
  bool addressOk = address == expected && p.bytes[3] == (address - kFirmwareStart) / 1024;
  if (p.PayloadLength() != 2048 || p.bytes.size() != 2058 || !addressOk) {
    ++blocksRefused_;
    AnswerStatus(p, kStatusCommandError);
    return;
  }
  size_t block = (address - kFirmwareStart) / 1024;
  const auto& keys = config_.BlockKeys;
  size_t pair = keys.size() >= 2 ? (block & ~size_t{1}) % (keys.size() & ~size_t{1}) : 0;
  uint8_t k0 = keys.size() >= 2 ? keys[pair] : 0;
  uint8_t k1 = keys.size() >= 2 ? keys[pair + 1] : 0;
  const uint8_t* s = p.Payload();
  for (int i = 0; i < 512; ++i) {
    if (s[4 * i + 3] != k1) {
      ++blocksRefused_;
      AnswerStatus(p, kStatusCheckSumError);
      return;
    }
  }
  size_t offset = 2 * size_t(address - kFirmwareStart);
  if (firmware_.size() < offset + 2048) firmware_.resize(offset + 2048, 0);
  for (int i = 0; i < 512; ++i) {
    firmware_[offset + 4 * i] = s[4 * i] ^ k0;
    firmware_[offset + 4 * i + 1] = s[4 * i + 1] ^ k1;
    firmware_[offset + 4 * i + 2] = s[4 * i + 2] ^ k0;
  }
  ++blocksAccepted_;
  nextBlockAddress_ = static_cast<uint16_t>(address + 1024);
  AnswerStatus(p, kStatusOk);
}

void SimUnit::HandleOffLineMonitor(const Packet& p) {
  // Answers nothing: the unit leaves the host's control.
  if (p.Command() == kCmdChipDone) {
    ++chipsDone_;
    return;
  }
  // The unit restarts; after an upgrade it runs the new firmware.
  if (p.bytes.size() >= 5 && std::string(p.bytes.begin() + 1, p.bytes.begin() + 5) == "REST" &&
      blocksAccepted_ > 0) {
    upgraded_ = true;
    if (!config_.UpgradedVersion.empty()) config_.Version = config_.UpgradedVersion;
    config_.Name = "KorvanQZ-Plus";
    config_.ProbeText.reset();
  }
  nextBlockAddress_.reset();
}

}  // namespace unitsim
