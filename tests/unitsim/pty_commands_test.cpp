// Units on pseudo-terminals carrying out the host's commands, paced at the
// real line's rate and unpaced.
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#include "HostFixture.h"
#include "UnitRack.h"
#include "support/TempFile.h"

using namespace unitsim;

namespace {

// The host's end of one unit's line.
class HostLine {
 public:
  explicit HostLine(const std::string& path) : fd_(::open(path.c_str(), O_RDWR | O_NOCTTY)) {}
  ~HostLine() {
    if (fd_ >= 0) ::close(fd_);
  }
  bool Open() const { return fd_ >= 0; }

  void Write(const std::vector<uint8_t>& bytes) {
    for (size_t done = 0; done < bytes.size();) {
      ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
      ASSERT_GT(n, 0);
      done += static_cast<size_t>(n);
    }
  }
  // Reads until `frames` frames came, or with `raw` until that many bytes
  // came behind the first frame and its padding; at most 5 s.
  std::vector<uint8_t> Read(size_t frames, size_t raw = 0) {
    std::vector<uint8_t> got;
    for (;;) {
      if (raw == 0 && DecodeFrames(got).size() >= frames) return got;
      if (raw > 0) {
        size_t end = 0;
        for (int marks = 0; end < got.size() && marks < 2; ++end) marks += got[end] == 0xC0;
        if (got.size() >= end + 5 + raw) return got;
      }
      pollfd p{fd_, POLLIN, 0};
      if (::poll(&p, 1, 5000) <= 0) return got;
      uint8_t buf[8192];
      ssize_t n = ::read(fd_, buf, sizeof buf);
      if (n <= 0) return got;
      got.insert(got.end(), buf, buf + n);
    }
  }

 private:
  int fd_;
};

struct PtyFixture : HostFixture {
  UnitRack rack;

  void StartUnits(int count, long baud) {
    std::string error;
    ASSERT_TRUE(rack.Start(count, [=](int) { return Config([=](UnitConfig& c) { c.Baud = baud; }); }, error))
        << error;
  }

  // What the host's sender for slot 0 puts on the line.
  std::vector<uint8_t> Built(const std::function<void(JobState&)>& send) {
    port.sent.clear();
    SealSlotSettings(*js, 0);
    send(*js);
    std::vector<uint8_t> bytes;
    for (const auto& b : port.sent) bytes.insert(bytes.end(), b.begin(), b.end());
    return bytes;
  }
};

TEST_F(PtyFixture, ThreeUnitsProgramDistinctDataAndReadItBack) {
  StartUnits(3, 0);
  UseChip(0x10, 16);
  for (int k = 1; k <= 3; ++k) {
    SCOPED_TRACE(k);
    HostLine line(rack.Unit(k).DevicePath());
    ASSERT_TRUE(line.Open());
    FillData(16, uint8_t(k * 40));
    for (uint32_t kb = 0; kb < 16; kb += 4) {
      line.Write(Built([kb](JobState& js) { SendProgramPages(js, 149, kb, 0, 0); }));
      auto answer = DecodeFrames(line.Read(1));
      ASSERT_EQ(answer.size(), 1u);
      EXPECT_EQ(answer[0].Status(), unitsim::kStatusOk);
    }
    line.Write(Built([](JobState& js) { SendChipCommand(js, 155, 12, 0); }));
    auto block = DecodeFrames(line.Read(1));
    ASSERT_EQ(block.size(), 1u);
    EXPECT_EQ(std::vector<uint8_t>(block[0].Payload(), block[0].Payload() + 4096), HostData(12 * 1024, 4096));
    std::vector<uint8_t> chip;
    rack.Unit(k).Inspect([&](const SimUnit& u) { chip = u.Chip().Read(0, 16 * 1024); });
    EXPECT_EQ(chip, HostData(0, 16 * 1024));
  }
}

TEST_F(PtyFixture, APacedUnitTakesAndSendsEveryByteAndTimesTheHost) {
  StartUnits(1, 1000000);
  HostLine line(rack.Unit(1).DevicePath());
  ASSERT_TRUE(line.Open());
  UseChip(0x10, 8);
  FillData(8, 9);
  size_t sent = 0, answered = 0;
  for (uint32_t kb = 0; kb < 8; kb += 4) {
    auto command = Built([kb](JobState& js) { SendProgramPages(js, 149, kb, 0, 0); });
    sent += command.size();
    line.Write(command);
    answered += line.Read(1).size();
  }
  // A streamed read: the answer, then the chip's 8 KB.
  auto command = Built([](JobState& js) { SendCommandWithChipParams(js, 154, 0); });
  sent += command.size();
  line.Write(command);
  auto stream = line.Read(1, 8 * 1024);
  answered += stream.size();
  EXPECT_EQ(std::vector<uint8_t>(stream.end() - 8 * 1024, stream.end()), HostData(0, 8 * 1024));

  LinkStats s = rack.Unit(1).Stats();
  EXPECT_EQ(s.BytesReceived, sent);
  EXPECT_EQ(s.BytesSent, answered);
  EXPECT_EQ(s.TurnaroundSeconds.size(), 2u);  // the commands that followed an answer
  // The line was busy at least as long as the wire needs for the bytes one way.
  EXPECT_GE(s.BusySeconds, double(sent > answered ? sent : answered) * 11e-6 * 0.999);
}

TEST_F(PtyFixture, OnlyCommandsThatFollowAnAnswerAreTurnarounds) {
  std::string error;
  ASSERT_TRUE(rack.Start(1, [](int) { return Config([](UnitConfig& c) { c.SequenceReports = true; }); }, error));
  HostLine line(rack.Unit(1).DevicePath());
  ASSERT_TRUE(line.Open());
  UseChip(0x10, 64);
  FillData(64, 3);
  line.Write(Built([](JobState& js) { SendCommandWithChipParams(js, 150, 0); }));
  line.Read(3);  // two reports, the acceptance
  js->SlotKbIndex[0] = 0;
  line.Write(Built([](JobState& js) { SendNextDownloadBlock(js, 0); }));
  line.Write(Built([](JobState& js) { SendNextDownloadBlock(js, 0); }));
  line.Read(3);  // a report per block, the completion
  line.Write(Built([](JobState& js) { SendChipCommand(js, 147, 0x33, 0); }));
  line.Read(1);
  line.Write(Built([](JobState& js) { SendChipCommand(js, 155, 0, 0); }));
  auto block = DecodeFrames(line.Read(1));
  ASSERT_EQ(block.size(), 1u);
  EXPECT_EQ(std::vector<uint8_t>(block[0].Payload(), block[0].Payload() + 4096), HostData(0, 4096));
  // The stream after the acceptance and the verify after the stream's
  // reports are no turnarounds; the read after the verify's answer is.
  EXPECT_EQ(rack.Unit(1).Stats().TurnaroundSeconds.size(), 1u);
}

TEST_F(PtyFixture, TheSettingsFileNamesThePluggedUnits) {
  StartUnits(3, 0);
  rack.Unit(2).Unplug();
  std::string ini = (TestScratchDir() / "units.ini").string();
  ASSERT_TRUE(rack.WriteSettings(ini));
  std::ifstream in(ini, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_EQ(text.str(), "[Connection]\r\nTOTDEV=2\r\nDEV1=" + rack.Unit(1).DevicePath() +
                            "\r\nDEV2=" + rack.Unit(3).DevicePath() + "\r\n");
}

}  // namespace
