#include "SimUnit.h"

namespace unitsim {

namespace {

bool IsProbe(const std::vector<uint8_t>& frame) {
  return frame.size() == 3 && frame[0] == 0xA3 && frame[1] == 0xA5 && frame[2] == 0x35;
}

}  // namespace

SimUnit::SimUnit(UnitConfig config) : config_(std::move(config)) {
  SetHandler(kCmdFirmwareBlock, [](SimUnit& u, const Packet& p) { u.HandleFirmwareBlock(p); });
  SetHandler(kCmdOffLineMonitor, [](SimUnit& u, const Packet& p) { u.HandleOffLineMonitor(p); });
}

std::string SimUnit::NameText() const {
  if (config_.ProbeText) return *config_.ProbeText;
  return config_.Name + " " + config_.Version;
}

std::vector<uint8_t> SimUnit::Feed(const uint8_t* data, size_t length) {
  out_.clear();
  if (hungUp_) return {};
  for (const auto& frame : reader_.Feed(data, length)) {
    if (hungUp_) break;
    HandleFrame(frame);
  }
  return std::move(out_);
}

void SimUnit::HandleFrame(const std::vector<uint8_t>& frame) {
  // Anything shorter than a probe or a packet is line noise (the padding
  // between frames) and is not counted.
  if (!IsProbe(frame) && frame.size() < 10) return;
  ++framesReceived_;
  if (!config_.Silent) {
    if (IsProbe(frame)) {
      AnswerProbe();
    } else {
      Packet p{frame};
      size_t n = frame.size();
      uint16_t stored = static_cast<uint16_t>(frame[n - 2] | frame[n - 1] << 8);
      if (CheckValue(frame.data(), n - 2) != stored) {
        AnswerStatus(p, kStatusPacketError);
      } else if (auto h = handlers_.find(p.Command()); h != handlers_.end()) {
        h->second(*this, p);
      } else {
        AnswerStatus(p, kStatusUnknownCommand);
      }
    }
  }
  if (config_.HangupAfterFrames >= 0 && framesReceived_ >= config_.HangupAfterFrames) hungUp_ = true;
}

void SimUnit::Answer(std::vector<uint8_t> packet) {
  uint16_t crc = CheckValue(packet.data(), packet.size());
  if (config_.BadCheckValue) crc ^= 0x5A5A;
  packet.push_back(static_cast<uint8_t>(crc));
  packet.push_back(static_cast<uint8_t>(crc >> 8));
  if (config_.GarbageBetweenFrames) {
    // A few bytes that are no frame mark, different every time.
    for (int i = 0; i < 7; ++i) {
      garbageSeed_ = garbageSeed_ * 1103515245u + 12345u;
      uint8_t b = static_cast<uint8_t>(garbageSeed_ >> 16);
      out_.push_back(b == 0xC0 ? 0x3C : b);
    }
  }
  AppendFrame(packet, out_);
}

void SimUnit::AnswerStatus(const Packet& request, uint8_t status) {
  std::vector<uint8_t> p(request.bytes.begin(), request.bytes.begin() + 6);
  p.push_back(2);
  p.push_back(0);
  p.push_back(status);
  p.push_back(0);
  Answer(std::move(p));
}

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
