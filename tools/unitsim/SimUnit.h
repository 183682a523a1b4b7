#pragma once
// A model of one programmer unit, bytes in and bytes out, with no I/O of its
// own: the pseudo-terminal host and the tests feed it what the host program
// sends and pass on what it answers. Each command is one handler in a table.
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "SimFraming.h"
#include "protocol/BlockKeyTable.h"

namespace unitsim {

inline constexpr uint8_t kCmdFirmwareBlock = 0xB7;
inline constexpr uint8_t kCmdOffLineMonitor = 138;
inline constexpr uint16_t kFirmwareStart = 0x2000;

// Unit status codes the model answers with.
inline constexpr uint8_t kStatusOk = 0x00;
inline constexpr uint8_t kStatusPacketError = 0x23;
inline constexpr uint8_t kStatusUnknownCommand = 0x25;
inline constexpr uint8_t kStatusCheckSumError = 0x34;
inline constexpr uint8_t kStatusCommandError = 0x45;

struct UnitConfig {
  // The probe answer's name text is Name + " " + Version.
  std::string Name = "KorvanQZ-Plus";
  std::string Version = "V9.99";
  // The version after a completed firmware upgrade; empty keeps Version.
  std::string UpgradedVersion;
  // Replaces the whole name text (for names with control characters).
  std::optional<std::string> ProbeText;
  std::array<uint8_t, 3> ProbeHeader{0xA3, 0xA5, 0x35};
  bool CountByteZero = false;

  // Two key bytes per pair of 1 KB firmware blocks: the host's own table.
  std::vector<uint8_t> BlockKeys{BlockKeyTable.begin(), BlockKeyTable.end()};

  // Faults.
  bool Silent = false;                // answers nothing
  bool GarbageBetweenFrames = false;  // stray bytes before every answer
  bool BadCheckValue = false;         // answers carry a wrong check value
  int HangupAfterFrames = -1;         // hangs up once this many frames came
};

// A default configuration changed by `set`, for one-line unit set-ups.
template <typename F>
UnitConfig Config(F set) {
  UnitConfig c;
  set(c);
  return c;
}

// A decoded command packet.
struct Packet {
  std::vector<uint8_t> bytes;
  uint8_t Command() const { return bytes[0]; }
  uint16_t Argument() const { return static_cast<uint16_t>(bytes[1] | bytes[2] << 8); }
  uint16_t PayloadLength() const { return static_cast<uint16_t>(bytes[6] | bytes[7] << 8); }
  const uint8_t* Payload() const { return bytes.data() + 8; }
};

class SimUnit {
 public:
  using Handler = std::function<void(SimUnit&, const Packet&)>;

  explicit SimUnit(UnitConfig config = {});

  // Takes bytes from the host; returns the bytes the unit sends back.
  std::vector<uint8_t> Feed(const uint8_t* data, size_t length);
  std::vector<uint8_t> Feed(const std::vector<uint8_t>& data) { return Feed(data.data(), data.size()); }

  // Adding a command is one entry here.
  void SetHandler(uint8_t command, Handler handler) { handlers_[command] = std::move(handler); }

  // For handlers: queue an answer packet (the check value is appended here).
  void Answer(std::vector<uint8_t> packet);
  // A short answer to `request`: its header, payload length 2, the status.
  void AnswerStatus(const Packet& request, uint8_t status);

  bool HungUp() const { return hungUp_; }
  std::string NameText() const;
  const UnitConfig& Config() const { return config_; }

  // What the unit has taken in so far.
  int FramesReceived() const { return framesReceived_; }
  int FirmwareBlocksAccepted() const { return blocksAccepted_; }
  int FirmwareBlocksRefused() const { return blocksRefused_; }
  bool Upgraded() const { return upgraded_; }
  // The firmware as received: two bytes per address step from kFirmwareStart,
  // the fourth byte of each group (never sent) left zero.
  const std::vector<uint8_t>& FirmwareMemory() const { return firmware_; }

 private:
  void HandleFrame(const std::vector<uint8_t>& frame);
  void AnswerProbe();
  void HandleFirmwareBlock(const Packet& p);
  void HandleOffLineMonitor(const Packet& p);

  UnitConfig config_;
  FrameReader reader_;
  std::map<uint8_t, Handler> handlers_;
  std::vector<uint8_t> out_;
  bool hungUp_ = false;
  int framesReceived_ = 0;
  int blocksAccepted_ = 0;
  int blocksRefused_ = 0;
  std::optional<uint16_t> nextBlockAddress_;
  bool upgraded_ = false;
  std::vector<uint8_t> firmware_;
  uint32_t garbageSeed_ = 1;
};

}  // namespace unitsim
