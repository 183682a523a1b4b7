#pragma once
// A model of one programmer unit, bytes in and bytes out, with no I/O of its
// own: the pseudo-terminal host and the tests feed it what the host program
// sends and pass on what it answers. Each command is one handler in a table.
//
// The unit carries out the commands against a chip memory of its own (and an
// image stored inside the unit by a download), so that what was programmed
// can be read back and compared:
//   147  erase (3), blank check (0x35: 0x15 when not blank), verify (0x33:
//        0x31 when the chip's check values differ from the block's), read
//        identification (0x60: 6 bytes, 130 for SPI EEPROMs), write at
//        an address (0xA9)
//   149  4 KB of the chip (8 pages of 528 bytes, data and spare, for family 0x20)
//   150  accepted, then the image as raw 32 KB blocks up to its data size
//   154  accepted, then the chip's bytes as a raw stream
//   155  one 4 KB block of the chip (8 × 528 bytes for family 0x20)
//   83   the configuration of a download; 85 one 4 KB page of it; 89 then raw
//        64 KB rounds, each answered with its 32-bit byte sum
//   57   the stored image as a series of 4 KB answers
//   138, 134  off-line monitor and chip done: no answer
//   0xB7 firmware blocks; the probe
// Data answers carry the request's header and the payload; status answers a
// payload of 2 bytes, the status first.
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "SimFraming.h"
#include "SparseMemory.h"
#include "protocol/BlockKeyTable.h"

namespace unitsim {

// Command bytes.
inline constexpr uint8_t kCmdReadStored = 57;
inline constexpr uint8_t kCmdConfig = 83;
inline constexpr uint8_t kCmdStorePage = 85;
inline constexpr uint8_t kCmdStoreRounds = 89;
inline constexpr uint8_t kCmdChipDone = 134;
inline constexpr uint8_t kCmdOffLineMonitor = 138;
inline constexpr uint8_t kCmdChip = 147;
inline constexpr uint8_t kCmdProgramPages = 149;
inline constexpr uint8_t kCmdProgramStream = 150;
inline constexpr uint8_t kCmdReadStream = 154;
inline constexpr uint8_t kCmdReadBlock = 155;
inline constexpr uint8_t kCmdFirmwareBlock = 0xB7;
// Sub-codes of command 147 (its argument).
inline constexpr uint8_t kSubErase = 0x03;
inline constexpr uint8_t kSubVerify = 0x33;
inline constexpr uint8_t kSubBlankCheck = 0x35;
inline constexpr uint8_t kSubReadId = 0x60;
inline constexpr uint8_t kSubAddressWrite = 0xA9;

inline constexpr uint16_t kFirmwareStart = 0x2000;
inline constexpr uint8_t kFamilyPages528 = 0x20;
inline constexpr uint8_t kFamilySpiEeprom = 0xB0;
inline constexpr uint8_t kSequenceReport = 0xFD;
// The host's image of a chip with 528-byte pages holds the spare bytes of
// its 4096 pages behind the 2 MB of page data.
inline constexpr uint64_t kImageSpareOffset = 0x200000;
inline constexpr uint64_t kImageSpareSize = 4096 * 16;

// Unit status codes the model answers with.
inline constexpr uint8_t kStatusOk = 0x00;
inline constexpr uint8_t kStatusNotBlank = 0x15;
inline constexpr uint8_t kStatusPacketDataError = 0x20;
inline constexpr uint8_t kStatusPacketError = 0x23;
inline constexpr uint8_t kStatusUnknownCommand = 0x25;
inline constexpr uint8_t kStatusWriteError = 0x2D;
inline constexpr uint8_t kStatusVerifyError = 0x31;
inline constexpr uint8_t kStatusCheckSumError = 0x34;
inline constexpr uint8_t kStatusCommandError = 0x45;
inline constexpr uint8_t kStatusDone = 0x06;  // good end of a programming sequence

inline constexpr uint64_t kDefaultChipCapacity = 128ull << 20;

// An error status in place of the Nth command of one kind (N counted from 1;
// 0 makes every such command fail). The kind is a command byte, optionally
// with the low byte of its argument (147's sub-code, 149's kilobyte index).
struct ErrorOn {
  uint8_t Command = 0;
  int SubCode = -1;  // -1: any
  int Nth = 1;
  uint8_t Status = kStatusCommandError;
};

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

  // The chip memory (and the stored image) hold this many bytes at most.
  uint64_t ChipCapacity = kDefaultChipCapacity;
  // The answer to a read of the identification; empty: the chip's own IDs
  // from the command's chip parameters.
  std::vector<uint8_t> IdAnswer;
  // Sequence reports (0xFD) while programming, as a unit sends them while it
  // burns a chip by itself. Their completion counts the chip on the host.
  bool SequenceReports = false;
  // Each chip the host has it program ends with both completion reports,
  // the 16-bit check values (0xF0) and then the 32-bit sum (0xF2), as some
  // units send them. Its own stand-alone run still sends 0xF0 alone.
  bool BothCompletions = false;
  // Line speed in baud, 11 bits per byte; 0: as fast as the line carries.
  long Baud = 0;
  // Frames go out without the five 0xFF behind them.
  bool Unpadded = false;

  // Faults.
  bool Silent = false;                // answers nothing
  bool GarbageBetweenFrames = false;  // stray bytes before every answer
  bool BadCheckValue = false;         // answers carry a wrong check value
  int HangupAfterFrames = -1;         // hangs up once this many frames came
  int SilentAfterCommands = -1;       // ignores everything after this many commands
  std::vector<ErrorOn> ErrorsOn;
  int BadRoundSum = 0;                // this round (from 1) of a download reports a wrong sum
  bool NotBlank = false;              // the chip starts programmed
  bool WeakChip = false;              // programming leaves a bit wrong: verify fails
  int StreamErrorAfterBlocks = -1;    // a program stream fails after this many 32 KB blocks
  // Stops reading its line once it has read this many bytes (on a
  // pseudo-terminal: the host's write queue then stops draining).
  int64_t DeafAfterBytes = -1;
  uint8_t StreamErrorStatus = kStatusWriteError;
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
  uint8_t Family() const { return bytes[4]; }
  uint16_t PayloadLength() const { return static_cast<uint16_t>(bytes[6] | bytes[7] << 8); }
  const uint8_t* Payload() const { return bytes.data() + 8; }
  // True when the packet is exactly header, payload and check value.
  bool Whole() const { return bytes.size() == size_t{PayloadLength()} + 10; }
};

// The chip fields of a chip-parameter block that the unit uses.
struct ChipParams {
  uint8_t Family = 0;
  uint8_t SubType = 0;
  uint32_t ChipSize = 0;
  uint16_t DataSizeKB = 0;
  uint8_t ChipId1 = 0;
  uint8_t ChipId2 = 0;
  // The host's check values of its image over ChipSize bytes from address 0.
  uint16_t DataCRC16 = 0;
  uint16_t DataSum16 = 0;
  uint32_t ChipSum32 = 0;
  static ChipParams From(const uint8_t* block);
};

class SimUnit {
 public:
  using Handler = std::function<void(SimUnit&, const Packet&)>;

  explicit SimUnit(UnitConfig config = {});

  // Takes bytes from the host; returns everything the unit sends back,
  // streams included.
  std::vector<uint8_t> Feed(const uint8_t* data, size_t length);
  std::vector<uint8_t> Feed(const std::vector<uint8_t>& data) { return Feed(data.data(), data.size()); }

  // The same in two halves, for a host that paces the line: Take the bytes
  // in, then Output what is ready, a running stream at most maxStreamBytes at
  // a time (whole answers are never cut).
  void Take(const uint8_t* data, size_t length);
  std::vector<uint8_t> Output(size_t maxStreamBytes = SIZE_MAX);
  bool OutputPending() const;
  // Raw bytes the unit still expects before its next step (0 when it waits
  // for frames).
  uint64_t RawBytesExpected() const;
  // The line stayed quiet in the middle of raw bytes: the unit gives them up
  // and waits for commands again (a host that went away mid-stream).
  void AbandonRaw();

  // Adding a command is one entry here.
  void SetHandler(uint8_t command, Handler handler) { handlers_[command] = std::move(handler); }

  // For handlers: queue an answer packet (the check value is appended here).
  void Answer(std::vector<uint8_t> packet);
  // A short answer to `request`: its header, payload length 2, the status.
  void AnswerStatus(const Packet& request, uint8_t status);
  // A data answer to `request`: its header, the payload.
  void AnswerData(const Packet& request, const uint8_t* payload, size_t length);
  // A sequence report: step, status and the values A and B.
  void Report(uint8_t step, uint8_t status, uint16_t a, uint16_t b);

  // The operator pressed the unit's start key (off-line): it burns its
  // stored image into the chip by itself and reports every step (0xFD).
  void RunStandAlone();

  bool HungUp() const { return hungUp_; }
  std::string NameText() const;
  const UnitConfig& Config() const { return config_; }
  // Changes the configuration (faults) of a running unit.
  UnitConfig& MutableConfig() { return config_; }

  // Answer packets queued so far (sequence reports are no answers).
  uint64_t AnswersQueued() const { return answersQueued_; }

  // What the unit has taken in so far.
  int FramesReceived() const { return framesReceived_; }
  // Commands of a kind that came with a sound check value (sub-code -1: all).
  int CommandsReceived(uint8_t command, int subCode = -1) const;
  int FirmwareBlocksAccepted() const { return blocksAccepted_; }
  int FirmwareBlocksRefused() const { return blocksRefused_; }
  bool Upgraded() const { return upgraded_; }
  // The firmware as received: two bytes per address step from kFirmwareStart,
  // the fourth byte of each group (never sent) left zero.
  const std::vector<uint8_t>& FirmwareMemory() const { return firmware_; }

  // The chip: its data bytes from address 0 and, for chips with 528-byte
  // pages, the 16 spare bytes of page p at p × 16.
  const SparseMemory& Chip() const { return chip_; }
  const SparseMemory& ChipSpare() const { return spare_; }
  SparseMemory& Chip() { return chip_; }
  SparseMemory& ChipSpare() { return spare_; }
  // The image downloaded into the unit, and its size in bytes.
  const SparseMemory& StoredImage() const { return stored_; }
  uint64_t StoredImageSize() const { return storedSize_; }
  // Chips finished by the host's command 134.
  int ChipsDone() const { return chipsDone_; }

 private:
  enum class RawMode { None, ProgramStream, DownloadRounds };
  struct ImageChecks {
    uint16_t Crc16 = 0;
    uint32_t Sum32 = 0;
  };
  struct OutStream {
    bool active = false;
    bool frames = false;  // stored-image answers (else raw chip bytes)
    uint64_t position = 0;
    uint64_t end = 0;
    std::vector<uint8_t> header;  // of the stored-image answers
  };

  void TakeByte(const uint8_t* data, size_t& i, size_t length);
  void HandleFrame(const std::vector<uint8_t>& frame);
  bool FailsByFault(const Packet& p);
  void Emit(std::vector<uint8_t>& bytes);
  void BuildAnswer(std::vector<uint8_t> packet, std::vector<uint8_t>& into);
  void AnswerProbe();
  void StartRaw(RawMode mode, uint64_t length, const Packet& request);
  void TakeRaw(const uint8_t* data, size_t length);
  void EndRaw();
  void TakeProgramStream(const uint8_t* data, size_t length);
  void TakeDownloadRound(const uint8_t* data, size_t length);
  bool PeekFrameAtBoundary(uint8_t b);

  void HandleFirmwareBlock(const Packet& p);
  void HandleOffLineMonitor(const Packet& p);
  void HandleChipCommand(const Packet& p);
  void HandleErase(const Packet& p);
  void HandleBlankCheck(const Packet& p, const ChipParams& chip);
  void HandleVerify(const Packet& p, const ChipParams& chip);
  void HandleReadId(const Packet& p, const ChipParams& chip);
  void HandleAddressWrite(const Packet& p);
  void HandleProgramPages(const Packet& p);
  void HandleProgramStream(const Packet& p);
  void HandleReadStream(const Packet& p);
  void HandleReadBlock(const Packet& p);
  void HandleConfig(const Packet& p);
  void HandleStorePage(const Packet& p);
  void HandleStoreRounds(const Packet& p);
  void HandleReadStored(const Packet& p);
  void ReportCompletion(uint8_t step, uint8_t status, uint64_t length);
  // The completion of a chip the host has it program: `step`, or both
  // completion reports with BothCompletions.
  void ReportHostCompletion(uint8_t step, uint8_t status, uint64_t length);
  void ReportHostFailure(uint8_t step, uint8_t status);
  // The packet check value and the byte sum of the first `length` bytes of
  // the chip, read as the host lays out its image (spare bytes behind the
  // page data when `spareBehindPages`).
  ImageChecks ChecksOf(uint64_t length, bool spareBehindPages) const;
  void ProgramByte(uint64_t address);

  UnitConfig config_;
  FrameReader reader_;
  std::map<uint8_t, Handler> handlers_;
  std::vector<uint8_t> out_;
  std::vector<uint8_t> afterStream_;  // answers waiting behind a running stream
  OutStream stream_;
  bool hungUp_ = false;
  int framesReceived_ = 0;
  uint64_t answersQueued_ = 0;
  int commands_ = 0;
  std::map<int, int> commandCounts_;
  std::vector<int> errorCounts_;
  int blocksAccepted_ = 0;
  int blocksRefused_ = 0;
  std::optional<uint16_t> nextBlockAddress_;
  bool upgraded_ = false;
  std::vector<uint8_t> firmware_;
  uint32_t garbageSeed_ = 1;

  SparseMemory chip_;
  SparseMemory spare_;
  SparseMemory stored_;
  uint64_t storedSize_ = 0;
  bool storedValid_ = false;
  std::vector<uint64_t> weakBytes_;  // chip bytes that differ from what was programmed
  std::optional<uint16_t> lastDataSizeKB_;
  int chipsDone_ = 0;

  // Raw bytes from the host (an image stream or download rounds).
  RawMode raw_ = RawMode::None;
  std::vector<uint8_t> rawRequest_;  // header of the command that started them
  uint64_t rawLeft_ = 0;
  uint64_t rawDone_ = 0;
  uint64_t rawDataSize_ = 0;  // bytes of the stream that go to the chip
  uint32_t rawSum_ = 0;
  int padSkip_ = 0;           // the padding behind the starting frame
  bool rawFailed_ = false;
  std::vector<uint8_t> peek_;  // a possible frame at a block boundary
  uint64_t peekRefusedAt_ = UINT64_MAX;
};

}  // namespace unitsim
